#include "com/marshal.h"

#include <memory>
#include <new>
#include <type_traits>

#include "base/ole_text.h"
#include "base/vbtext.h"
#include "frame/error.h"

namespace kt::com {

std::string FromBstr(BSTR b) {
  return base::BstrToUtf8(b);
}

std::string FromBstrText(const OLECHAR* text) {
  return base::OleToUtf8(text);
}

BSTR ToBstr(std::string_view text) {
  BSTR b = base::Utf8ToBstr(text);
  if (b == nullptr) throw std::bad_alloc();
  return b;
}

void StoreBstr(BSTR* slot, std::string_view text) {
  BSTR fresh = ToBstr(text);
  SysFreeString(*slot);
  *slot = fresh;
}

namespace {

VbArray<Variant> FromVariantArray(const SAFEARRAY* sa, VARTYPE elem);

Variant FromScalar(VARTYPE vt, const void* p) {
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::Null();
    case VT_I2:
      return Variant::I2(*static_cast<const SHORT*>(p));
    case VT_I4:
    case VT_INT:
      return Variant::I4(*static_cast<const LONG*>(p));
    case VT_R8:
      return Variant::R8(*static_cast<const double*>(p));
    case VT_R4:
      return Variant::R8(*static_cast<const float*>(p));
    case VT_BOOL:
      return Variant::Bool(*static_cast<const VARIANT_BOOL*>(p) != 0);
    case VT_DATE:
      return Variant::Date(*static_cast<const DATE*>(p));
    case VT_BSTR:
      return Variant::Str(FromBstr(*static_cast<const BSTR*>(p)));
    case VT_ERROR:
      return Variant::Error(*static_cast<const SCODE*>(p));
    case VT_UI1:
      return Variant::I2(*static_cast<const BYTE*>(p));
    case VT_VARIANT:
      return FromVariant(*static_cast<const VARIANT*>(p));
    default:
      Raise(vberr::kTypeMismatch);
  }
}

VbArray<Variant> FromVariantArray(const SAFEARRAY* sa, VARTYPE elem) {
  VbArray<Variant> out;
  if (sa == nullptr) return out;
  if (sa->cDims != 1) Raise(vberr::kTypeMismatch);
  out.allocated = true;
  out.lbound = sa->rgsabound[0].lLbound;
  out.fixed = (sa->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC)) != 0;
  out.items.reserve(sa->rgsabound[0].cElements);
  const char* data = static_cast<const char*>(sa->pvData);
  for (ULONG i = 0; i < sa->rgsabound[0].cElements; ++i)
    out.items.push_back(FromScalar(elem, data + static_cast<size_t>(i) * sa->cbElements));
  return out;
}

VARTYPE ArrayElementType(const SAFEARRAY* sa) {
  VARTYPE vt = VT_EMPTY;
  if (sa != nullptr && FAILED(SafeArrayGetVartype(const_cast<SAFEARRAY*>(sa), &vt)))
    Raise(vberr::kTypeMismatch);
  return vt;
}

}  // namespace

Variant FromVariant(const VARIANT& v) {
  const VARTYPE base_vt = v.vt & VT_TYPEMASK;
  const bool byref = (v.vt & VT_BYREF) != 0;
  if (v.vt & VT_ARRAY) {
    const SAFEARRAY* sa = byref ? *v.pparray : v.parray;
    return Variant::Array(FromVariantArray(sa, base_vt));
  }
  return FromScalar(base_vt, byref ? v.byref : static_cast<const void*>(&v.llVal));
}

namespace {

struct DestroyArray {
  void operator()(SAFEARRAY* sa) const { SafeArrayDestroy(sa); }
};

SAFEARRAY* MakeVariantArray(const VariantArray& a) {
  if (!a.allocated) return nullptr;
  // Destroyed with the elements made so far when a later one cannot be made.
  std::unique_ptr<SAFEARRAY, DestroyArray> sa(
      SafeArrayCreateVector(VT_VARIANT, a.lbound, static_cast<ULONG>(a.items.size())));
  if (sa == nullptr) throw std::bad_alloc();
  VARIANT* data = static_cast<VARIANT*>(sa->pvData);
  for (size_t i = 0; i < a.items.size(); ++i) ToVariant(a.items[i], &data[i]);
  return sa.release();
}

}  // namespace

void ToVariant(const Variant& v, VARIANT* out) {
  VariantInit(out);
  switch (v.type()) {
    case Variant::Type::kEmpty:
      break;
    case Variant::Type::kNull:
      out->vt = VT_NULL;
      break;
    case Variant::Type::kString:
      out->bstrVal = ToBstr(v.AsString());
      out->vt = VT_BSTR;
      break;
    case Variant::Type::kI2:
      out->vt = VT_I2;
      out->iVal = v.AsI2();
      break;
    case Variant::Type::kI4:
      out->vt = VT_I4;
      out->lVal = v.AsI4();
      break;
    case Variant::Type::kR8:
      out->vt = VT_R8;
      out->dblVal = v.AsR8();
      break;
    case Variant::Type::kBool:
      out->vt = VT_BOOL;
      out->boolVal = ToVariantBool(v.AsBool());
      break;
    case Variant::Type::kDate:
      out->vt = VT_DATE;
      out->date = v.AsDate();
      break;
    case Variant::Type::kError:
      out->vt = VT_ERROR;
      out->scode = v.AsError();
      break;
    case Variant::Type::kArray:
      out->parray = MakeVariantArray(v.AsArray());
      out->vt = VT_ARRAY | VT_VARIANT;
      break;
  }
}

namespace {

template <class T>
T ElementAt(const SAFEARRAY* sa, ULONG i);
template <>
std::string ElementAt<std::string>(const SAFEARRAY* sa, ULONG i) {
  return FromBstr(static_cast<const BSTR*>(sa->pvData)[i]);
}
template <>
int32_t ElementAt<int32_t>(const SAFEARRAY* sa, ULONG i) {
  return static_cast<const LONG*>(sa->pvData)[i];
}

template <class T>
constexpr VARTYPE kElemVt = std::is_same_v<T, std::string> ? VT_BSTR : VT_I4;

template <class T>
VbArray<T> FromTypedArray(const SAFEARRAY* sa) {
  VbArray<T> out;
  if (sa == nullptr) return out;
  if (sa->cDims != 1 || ArrayElementType(sa) != kElemVt<T>) Raise(vberr::kTypeMismatch);
  out.allocated = true;
  out.fixed = (sa->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC)) != 0;
  out.lbound = sa->rgsabound[0].lLbound;
  out.items.reserve(sa->rgsabound[0].cElements);
  for (ULONG i = 0; i < sa->rgsabound[0].cElements; ++i) out.items.push_back(ElementAt<T>(sa, i));
  return out;
}

void PutElement(SAFEARRAY* sa, ULONG i, const std::string& v) {
  BSTR* slot = &static_cast<BSTR*>(sa->pvData)[i];
  StoreBstr(slot, v);
}
void PutElement(SAFEARRAY* sa, ULONG i, int32_t v) {
  static_cast<LONG*>(sa->pvData)[i] = v;
}

template <class T>
void StoreTypedArray(SAFEARRAY** slot, const VbArray<T>& a) {
  if (!a.allocated) {
    if (*slot != nullptr) SafeArrayDestroy(*slot);
    *slot = nullptr;
    return;
  }
  const auto count = static_cast<ULONG>(a.items.size());
  SAFEARRAY* sa = *slot;
  bool reuse = sa != nullptr && sa->cDims == 1 && sa->rgsabound[0].lLbound == a.lbound;
  if (reuse && sa->rgsabound[0].cElements != count) {
    SAFEARRAYBOUND bound{count, a.lbound};
    reuse = SUCCEEDED(SafeArrayRedim(sa, &bound));
  }
  if (!reuse) {
    SAFEARRAY* fresh = SafeArrayCreateVector(kElemVt<T>, a.lbound, count);
    if (fresh == nullptr) throw std::bad_alloc();
    if (sa != nullptr) SafeArrayDestroy(sa);
    *slot = sa = fresh;
  }
  for (ULONG i = 0; i < count; ++i) PutElement(sa, i, a.items[i]);
}

}  // namespace

VbArray<std::string> FromBstrArray(const SAFEARRAY* sa) {
  return FromTypedArray<std::string>(sa);
}
VbArray<int32_t> FromI4Array(const SAFEARRAY* sa) {
  return FromTypedArray<int32_t>(sa);
}
void StoreBstrArray(SAFEARRAY** slot, const VbArray<std::string>& a) {
  StoreTypedArray(slot, a);
}
void StoreI4Array(SAFEARRAY** slot, const VbArray<int32_t>& a) {
  StoreTypedArray(slot, a);
}

void CheckSlot(const void* slot) {
  if (slot == nullptr) Raise(E_POINTER, "", "A by-reference argument was passed as a null pointer");
}

StrRef::StrRef(BSTR* slot) : slot_((CheckSlot(slot), slot)), value_(FromBstr(*slot)), original_(value_) {}

StrRef::~StrRef() {
  if (value_ == original_) return;
  try {
    StoreBstr(slot_, value_);
  } catch (...) {
    // Out of memory while handing the value back: the caller keeps its old text.
  }
}

template <class T>
ArrayRef<T>::ArrayRef(SAFEARRAY** slot)
    : slot_((CheckSlot(slot), slot)), value_(FromTypedArray<T>(*slot)), original_(value_) {}

template <class T>
ArrayRef<T>::~ArrayRef() {
  if (value_ == original_) return;
  try {
    StoreTypedArray(slot_, value_);
  } catch (...) {
    // Out of memory while handing the array back: the caller keeps its array.
  }
}

template class ArrayRef<std::string>;
template class ArrayRef<int32_t>;

}  // namespace kt::com
