// Tagged values: clearing, copying and the coercions between the types the
// library passes around (EMPTY, NULL, I2, I4, R8, BOOL, BSTR, DATE, ERROR,
// the object types, and the other integer and float kinds as sources).
// Text and number rules come from the shared base so every layer agrees.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "base/vbtext.h"
#include "rt/date_text.h"
#include "rt/rt_internal.h"

namespace {

using kt::base::ConvStatus;

bool IsKnownBaseType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

// A vt a VARIANT may legally carry.
bool IsValidVariantType(VARTYPE vt) {
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  VARTYPE base = vt & VT_TYPEMASK;
  if (!IsKnownBaseType(base)) return false;
  if (base == VT_VARIANT) return (vt & (VT_BYREF | VT_ARRAY)) != 0;
  if ((vt & (VT_BYREF | VT_ARRAY)) && (base == VT_EMPTY || base == VT_NULL)) return false;
  return true;
}

// Size of the value a VT_BYREF pointer of this base type refers to.
size_t ByrefTargetSize(VARTYPE base) {
  return (base == VT_VARIANT || base == VT_DECIMAL) ? 0 : kt::rt::ElementSize(base);
}

// Copies a by-value VARIANT's contents into the raw, uninitialised out.
HRESULT DeepCopyValue(VARIANT* out, const VARIANT* src) {
  *out = *src;
  if (src->vt & VT_BYREF) return S_OK;
  if (src->vt & VT_ARRAY) {
    out->parray = nullptr;
    HRESULT hr = SafeArrayCopy(src->parray, &out->parray);
    if (FAILED(hr)) out->vt = VT_EMPTY;
    return hr;
  }
  switch (src->vt) {
    case VT_BSTR:
      if (src->bstrVal != nullptr) {
        out->bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal),
                                             SysStringByteLen(src->bstrVal));
        if (out->bstrVal == nullptr) {
          out->vt = VT_EMPTY;
          return E_OUTOFMEMORY;
        }
      }
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      if (src->punkVal != nullptr) src->punkVal->AddRef();
      break;
    default:
      break;
  }
  return S_OK;
}

// The largest and smallest day numbers a DATE may hold (years 100..9999).
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.99999;

// Value of a numeric (or boolean/date) VARIANT as a double; nullopt when
// the type is not one of those.
std::optional<double> NumericValue(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1:
      return static_cast<int8_t>(v.bVal);
    case VT_UI1:
      return v.bVal;
    case VT_I2:
      return v.iVal;
    case VT_UI2:
      return static_cast<uint16_t>(v.iVal);
    case VT_I4:
    case VT_INT:
      return v.lVal;
    case VT_UI4:
    case VT_UINT:
      return static_cast<uint32_t>(v.lVal);
    case VT_I8:
      return static_cast<double>(v.llVal);
    case VT_UI8:
      return static_cast<double>(static_cast<uint64_t>(v.llVal));
    case VT_R4:
      return v.fltVal;
    case VT_R8:
      return v.dblVal;
    case VT_DATE:
      return v.date;
    case VT_BOOL:
      return v.boolVal ? -1.0 : 0.0;
    default:
      return std::nullopt;
  }
}

HRESULT FromStatus(ConvStatus status) {
  switch (status) {
    case ConvStatus::kOk:
      return S_OK;
    case ConvStatus::kOverflow:
      return DISP_E_OVERFLOW;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// Text of a numeric VARIANT.
std::string NumberText(const VARIANT& v, double value) {
  switch (v.vt) {
    case VT_I8:
      return std::to_string(v.llVal);
    case VT_UI8:
      return std::to_string(static_cast<uint64_t>(v.llVal));
    case VT_R4: {
      // A single carries about seven significant digits; show no more.
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v.fltVal));
      return kt::base::FormatDouble(std::strtod(buf, nullptr));
    }
    default:
      return kt::base::FormatDouble(value);
  }
}

bool ParseBoolText(const std::string& text, bool* out) {
  std::string_view trimmed = text;
  while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t')) trimmed.remove_prefix(1);
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
  if (kt::base::EqualsNoCase(trimmed, "True")) {
    *out = true;
    return true;
  }
  if (kt::base::EqualsNoCase(trimmed, "False")) {
    *out = false;
    return true;
  }
  if (auto number = kt::base::ParseNumber(text)) {
    *out = *number != 0.0;
    return true;
  }
  return false;
}

// Converts a by-value, non-object source into the raw out.  Returns an
// error without touching out on failure.
HRESULT Convert(VARIANT* out, const VARIANT& src, USHORT flags, VARTYPE vt) {
  const bool empty = src.vt == VT_EMPTY;
  if (src.vt == VT_NULL) {
    if (vt == VT_NULL) {
      out->vt = VT_NULL;
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }
  if (src.vt & VT_ARRAY) return DISP_E_TYPEMISMATCH;
  std::optional<double> number = empty ? std::optional<double>(0.0) : NumericValue(src);
  std::string text;
  const bool is_text = src.vt == VT_BSTR;
  if (is_text) text = kt::rt::BstrToUtf8(src.bstrVal);

  switch (vt) {
    case VT_EMPTY:
      out->vt = VT_EMPTY;
      return S_OK;
    case VT_NULL:
      if (!empty) return DISP_E_TYPEMISMATCH;
      out->vt = VT_NULL;
      return S_OK;
    case VT_I2: {
      kt::base::I2Result r{ConvStatus::kTypeMismatch, 0};
      if (number) {
        r = kt::base::DoubleToI2(*number);
      } else if (is_text) {
        r = kt::base::TextToI2(text);
      }
      // An error value has no 16-bit form: a type mismatch, as in the
      // language's CInt and in Wine's oleaut32.
      if (HRESULT hr = FromStatus(r.status); FAILED(hr)) return hr;
      out->vt = VT_I2;
      out->iVal = r.value;
      return S_OK;
    }
    case VT_I4: {
      kt::base::I4Result r{ConvStatus::kTypeMismatch, 0};
      if (src.vt == VT_ERROR) {
        r = {ConvStatus::kOk, src.scode};
      } else if (number) {
        r = kt::base::DoubleToI4(*number);
      } else if (is_text) {
        r = kt::base::TextToI4(text);
      }
      if (HRESULT hr = FromStatus(r.status); FAILED(hr)) return hr;
      out->vt = VT_I4;
      out->lVal = r.value;
      return S_OK;
    }
    case VT_R8: {
      double value;
      if (number) {
        value = *number;
      } else if (is_text) {
        auto parsed = kt::base::ParseNumber(text);
        if (!parsed) return DISP_E_TYPEMISMATCH;
        value = *parsed;
      } else {
        return DISP_E_TYPEMISMATCH;
      }
      if (!std::isfinite(value)) return DISP_E_OVERFLOW;
      out->vt = VT_R8;
      out->dblVal = value;
      return S_OK;
    }
    case VT_BOOL: {
      bool value;
      if (number) {
        value = *number != 0.0;
      } else if (is_text) {
        if (!ParseBoolText(text, &value)) return DISP_E_TYPEMISMATCH;
      } else {
        return DISP_E_TYPEMISMATCH;
      }
      out->vt = VT_BOOL;
      out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    case VT_BSTR: {
      std::string result;
      if (empty) {
        result.clear();
      } else if (src.vt == VT_BOOL) {
        bool value = src.boolVal != 0;
        result = (flags & VARIANT_ALPHABOOL) ? (value ? "True" : "False") : (value ? "-1" : "0");
      } else if (src.vt == VT_DATE) {
        if (src.date < kMinDate || src.date > kMaxDate) return DISP_E_OVERFLOW;
        result = kt::base::FormatDateGeneral(src.date);
      } else if (number) {
        result = NumberText(src, *number);
      } else {
        return DISP_E_TYPEMISMATCH;
      }
      BSTR bstr = kt::rt::Utf8ToBstr(result);
      if (bstr == nullptr) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      out->bstrVal = bstr;
      return S_OK;
    }
    case VT_DATE: {
      double value;
      if (number) {
        value = *number;
      } else if (is_text) {
        auto parsed = kt::rt::ParseDateText(text);
        if (!parsed) return DISP_E_TYPEMISMATCH;
        value = *parsed;
      } else {
        return DISP_E_TYPEMISMATCH;
      }
      if (!(value >= kMinDate && value <= kMaxDate)) return DISP_E_OVERFLOW;
      out->vt = VT_DATE;
      out->date = value;
      return S_OK;
    }
    case VT_ERROR: {
      if (src.vt != VT_I2 && src.vt != VT_I4) return DISP_E_TYPEMISMATCH;
      out->vt = VT_ERROR;
      out->scode = src.vt == VT_I2 ? src.iVal : src.lVal;
      return S_OK;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
}

// A target type VariantChangeType can produce.
bool IsSupportedTarget(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DATE:
    case VT_ERROR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return true;
    default:
      return false;
  }
}

// Object to object: query for the wanted interface.
HRESULT ConvertObject(VARIANT* out, const VARIANT& src, VARTYPE vt) {
  if (src.punkVal == nullptr) {
    out->vt = vt;
    out->punkVal = nullptr;
    return S_OK;
  }
  void* ptr = nullptr;
  HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &ptr);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  out->vt = vt;
  out->byref = ptr;
  return S_OK;
}

// The default member of an object (DISPID_VALUE property get).
HRESULT DefaultValue(IDispatch* object, VARIANT* value) {
  if (object == nullptr) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXCEPINFO excep{};
  UINT arg_err = 0;
  VariantInit(value);
  HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value,
                              &excep, &arg_err);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  if (FAILED(hr)) {
    VariantClear(value);
    return hr == DISP_E_MEMBERNOTFOUND ? DISP_E_TYPEMISMATCH : hr;
  }
  return S_OK;
}

}  // namespace

STDAPI_(void) VariantInit(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return;
  std::memset(pvarg, 0, sizeof *pvarg);
  pvarg->vt = VT_EMPTY;
}

STDAPI VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  if (!IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) {
      if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
    }
  }
  pvarg->vt = VT_EMPTY;
  pvarg->llVal = 0;
  return S_OK;
}

STDAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  if (dest == src) return S_OK;
  VARIANT copy;
  HRESULT hr = DeepCopyValue(&copy, src);
  if (FAILED(hr)) return hr;
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

STDAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
  if (src->byref == nullptr) return E_INVALIDARG;
  VARTYPE target = src->vt & ~VT_BYREF;
  VARIANT plain;
  VariantInit(&plain);
  if (target == VT_VARIANT) {
    const VARIANT* inner = src->pvarVal;
    // A reference to a reference is not followed further.
    if (inner->vt & VT_BYREF) return E_INVALIDARG;
    plain = *inner;
  } else {
    plain.vt = target;
    size_t size = (target & VT_ARRAY) ? sizeof(SAFEARRAY*) : ByrefTargetSize(target);
    if (size == 0) return DISP_E_BADVARTYPE;
    std::memcpy(&plain.llVal, src->byref, size);
  }
  VARIANT copy;
  HRESULT hr = DeepCopyValue(&copy, &plain);
  if (FAILED(hr)) return hr;
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

STDAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;

  // Work on a by-value copy so dest may be src and a failure leaves dest alone.
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&value, src);
  if (FAILED(hr)) return hr;

  VARIANT result;
  VariantInit(&result);
  if (value.vt == vt) {
    result = value;  // ownership moves to result
    VariantInit(&value);
  } else if (!IsSupportedTarget(vt)) {
    hr = DISP_E_BADVARTYPE;
  } else if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
      hr = ConvertObject(&result, value, vt);
    } else if (value.vt == VT_DISPATCH && !(flags & VARIANT_NOVALUEPROP)) {
      VARIANT inner;
      hr = DefaultValue(value.pdispVal, &inner);
      if (SUCCEEDED(hr)) {
        hr = VariantChangeType(&result, &inner, flags, vt);
        VariantClear(&inner);
      }
    } else {
      hr = DISP_E_TYPEMISMATCH;
    }
  } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
    hr = DISP_E_TYPEMISMATCH;
  } else if (value.vt == VT_CY || value.vt == VT_DECIMAL) {
    hr = DISP_E_BADVARTYPE;
  } else {
    hr = Convert(&result, value, flags, vt);
  }
  VariantClear(&value);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}
