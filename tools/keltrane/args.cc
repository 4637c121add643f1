#include "args.h"

#include <cmath>
#include <limits>
#include <new>

#include "base/ole_text.h"
#include "base/vbtext.h"
#include "host.h"

namespace kt::host {

json ParseJson(const std::string& text) {
  // The parser itself does not recurse; stop it before it builds a value
  // that the recursive steps after it could not take.
  const auto limit = [](int depth, json::parse_event_t, json&) {
    if (depth > kMaxNesting)
      throw UsageError{"JSON nested deeper than " + std::to_string(kMaxNesting) + " levels"};
    return true;
  };
  return json::parse(text, limit, /*allow_exceptions=*/false);
}

json ParseArg(const std::string& text) {
  json parsed = ParseJson(text);
  if (parsed.is_discarded()) return json(text);
  return parsed;
}

std::string Dump(const json& j) {
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

// A value being built: cleared, with whatever it holds so far, when building
// it throws; Take hands it over.
class Building {
 public:
  Building() { VariantInit(&v_); }
  ~Building() { VariantClear(&v_); }
  Building(const Building&) = delete;
  Building& operator=(const Building&) = delete;
  VARIANT& operator*() { return v_; }
  VARIANT Take() {
    VARIANT out = v_;
    VariantInit(&v_);
    return out;
  }

 private:
  VARIANT v_;
};

[[noreturn]] void Bad(const ParamDesc& p, const json& value, const std::string& wanted) {
  throw UsageError{"argument " + p.name + ": " + Dump(value) + " is not " + wanted};
}

// Text that is neither JSON integer nor boolean goes through the run time's
// own coercion, so "12.5" reaches a 32-bit parameter as 12 as it would from
// any late-bound caller.
bool CoerceText(const std::string& text, VARTYPE vt, VARIANT* out) {
  VARIANT src;
  VariantInit(&src);
  src.vt = VT_BSTR;
  src.bstrVal = base::Utf8ToBstr(text);
  HRESULT hr = VariantChangeType(out, &src, 0, vt);
  VariantClear(&src);
  return SUCCEEDED(hr);
}

VARIANT Tagged(const json& j, const ParamDesc& p) {
  VARIANT v;
  VariantInit(&v);
  if (j.is_null()) {
    v.vt = VT_NULL;
  } else if (j.is_string()) {
    v.vt = VT_BSTR;
    v.bstrVal = base::Utf8ToBstr(j.get<std::string>());
  } else if (j.is_boolean()) {
    v.vt = VT_BOOL;
    v.boolVal = j.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (j.is_number_integer() && j.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
             j.get<int64_t>() <= std::numeric_limits<int32_t>::max()) {
    v.vt = VT_I4;
    v.lVal = static_cast<LONG>(j.get<int64_t>());
  } else if (j.is_number()) {
    v.vt = VT_R8;
    v.dblVal = j.get<double>();
  } else if (j.is_object() && j.size() == 1 && j.contains("empty") && j["empty"] == true) {
    v.vt = VT_EMPTY;
  } else if (j.is_array()) {
    // The list owns the elements made so far when a later one is refused.
    Building list;
    (*list).vt = VT_ARRAY | VT_VARIANT;
    (*list).parray = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(j.size()));
    if ((*list).parray == nullptr) throw std::bad_alloc();
    for (size_t i = 0; i < j.size(); ++i) static_cast<VARIANT*>((*list).parray->pvData)[i] = Tagged(j[i], p);
    return list.Take();
  } else {
    Bad(p, j, "a tagged value (null, string, number, boolean, list or {\"empty\": true})");
  }
  return v;
}

VARIANT Convert(const json& j, const ParamDesc& p) {
  VARIANT v;
  VariantInit(&v);
  switch (p.type) {
    case VT_BSTR:
      v.vt = VT_BSTR;
      if (j.is_string())
        v.bstrVal = base::Utf8ToBstr(j.get<std::string>());
      else if (j.is_number() || j.is_boolean())
        v.bstrVal = base::Utf8ToBstr(j.is_boolean() ? (j.get<bool>() ? "True" : "False") : Dump(j));
      else if (!j.is_null())
        Bad(p, j, "a string");
      return v;
    case VT_I4:
      if (j.is_number_integer()) {
        const auto n = j.get<int64_t>();
        if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
          Bad(p, j, "a 32-bit integer");
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(n);
        return v;
      }
      if (!CoerceText(j.is_string() ? j.get<std::string>() : Dump(j), VT_I4, &v))
        Bad(p, j, "a 32-bit integer");
      return v;
    case VT_I2:
    case VT_BOOL: {
      const VARTYPE vt = p.type;
      if (j.is_boolean()) {
        v.vt = vt;
        v.iVal = j.get<bool>() ? -1 : 0;
        return v;
      }
      if (j.is_number_integer()) {
        // The raw 16-bit value passes as it is, so 1 arrives as 1.
        const auto n = j.get<int64_t>();
        if (n < -32768 || n > 65535) Bad(p, j, "a 16-bit value");
        v.vt = vt;
        v.iVal = static_cast<SHORT>(static_cast<uint16_t>(n));
        return v;
      }
      if (!j.is_string() || !CoerceText(j.get<std::string>(), vt, &v)) Bad(p, j, "a 16-bit value");
      return v;
    }
    case VT_DATE: {
      v.vt = VT_DATE;
      if (j.is_number()) {
        v.date = j.get<double>();
        return v;
      }
      std::optional<double> d = j.is_string() ? base::ParseIsoDate(j.get<std::string>()) : std::nullopt;
      if (!d) Bad(p, j, "a date (days since 1899-12-30, or YYYY-MM-DDTHH:MM:SS)");
      v.date = *d;
      return v;
    }
    case VT_VARIANT:
      return Tagged(j, p);
    case VT_ARRAY | VT_BSTR:
    case VT_ARRAY | VT_I4: {
      const bool strings = p.type == (VT_ARRAY | VT_BSTR);
      v.vt = VT_ARRAY | (strings ? VT_BSTR : VT_I4);
      v.parray = nullptr;
      if (j.is_null()) return v;
      if (!j.is_array()) Bad(p, j, "a list or null");
      // A refused element frees the array and the elements put in it so far.
      Building list;
      (*list).vt = v.vt;
      (*list).parray = SafeArrayCreateVector(strings ? VT_BSTR : VT_I4, 0, static_cast<ULONG>(j.size()));
      if ((*list).parray == nullptr) throw std::bad_alloc();
      for (size_t i = 0; i < j.size(); ++i) {
        Building item;
        *item = Convert(j[i], ParamDesc{p.name, static_cast<VARTYPE>(strings ? VT_BSTR : VT_I4), p.by_ref});
        LONG index = static_cast<LONG>(i);
        SafeArrayPutElement((*list).parray, &index,
                            strings ? static_cast<void*>((*item).bstrVal) : &(*item).lVal);
      }
      return list.Take();
    }
    default:
      break;
  }
  Bad(p, j, "a value of type " + TypeName(p.type));
}

json ArrayToJson(const SAFEARRAY* sa, VARTYPE element) {
  json out = {{"lbound", nullptr}, {"items", json::array()}};
  if (sa == nullptr) return out;
  out["lbound"] = sa->rgsabound[0].lLbound;
  for (ULONG i = 0; i < sa->rgsabound[0].cElements; ++i) {
    if (element == VT_BSTR)
      out["items"].push_back(base::BstrToUtf8(static_cast<BSTR*>(sa->pvData)[i]));
    else if (element == VT_I4)
      out["items"].push_back(static_cast<LONG*>(sa->pvData)[i]);
    else
      out["items"].push_back(TaggedToJson(static_cast<VARIANT*>(sa->pvData)[i]));
  }
  return out;
}

}  // namespace

std::string DateText(double date) {
  std::optional<base::DateParts> p = base::DateToParts(date);
  if (!p) return base::FormatDouble(date);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p->year, p->month, p->day, p->hour,
                p->minute, p->second);
  return text;
}

json TaggedToJson(const VARIANT& in) {
  const VARIANT& v = (in.vt == (VT_BYREF | VT_VARIANT)) ? *in.pvarVal : in;
  switch (v.vt) {
    case VT_EMPTY:
      return {{"type", "empty"}};
    case VT_NULL:
      return {{"type", "null"}};
    case VT_BSTR:
      return {{"type", "string"}, {"value", base::BstrToUtf8(v.bstrVal)}};
    case VT_I2:
      return {{"type", "i2"}, {"value", v.iVal}};
    case VT_I4:
      return {{"type", "i4"}, {"value", v.lVal}};
    case VT_R8:
      return {{"type", "r8"}, {"value", v.dblVal}};
    case VT_BOOL:
      return {{"type", "bool"}, {"value", v.boolVal != 0}};
    case VT_DATE:
      return {{"type", "date"}, {"value", DateText(v.date)}};
    case VT_ERROR:
      return {{"type", "error"}, {"value", v.scode}};
    default:
      break;
  }
  if (v.vt & VT_ARRAY) {
    return {{"type", "array"}, {"value", ArrayToJson(v.parray, v.vt & VT_TYPEMASK)}};
  }
  return {{"type", "vt" + std::to_string(v.vt)}};
}

json ValueToJson(const VARIANT& v, VARTYPE type) {
  switch (type) {
    case VT_BSTR:
      return base::BstrToUtf8(v.bstrVal);
    case VT_I2:
      return v.iVal;
    case VT_I4:
      return v.lVal;
    case VT_BOOL:
      return v.boolVal != 0;
    case VT_DATE:
      return DateText(v.date);
    case VT_VARIANT:
      return TaggedToJson(v);
    case VT_ARRAY | VT_BSTR:
      return ArrayToJson(v.parray, VT_BSTR);
    case VT_ARRAY | VT_I4:
      return ArrayToJson(v.parray, VT_I4);
    default:
      return nullptr;
  }
}

ArgPack::ArgPack(const MemberDesc& member, const std::vector<json>& args) : member_(member) {
  values_.reserve(args.size());
  try {
    for (size_t i = 0; i < args.size(); ++i) values_.push_back(Convert(args[i], member.params[i]));
  } catch (...) {
    for (VARIANT& v : values_) VariantClear(&v);
    throw;
  }
  passed_.resize(values_.size());
  for (size_t i = 0; i < values_.size(); ++i) {
    VARIANT& slot = passed_[values_.size() - 1 - i];
    VariantInit(&slot);
    if (member.params[i].by_ref) {
      slot.vt = VT_BYREF | values_[i].vt;
      slot.byref = &values_[i].llVal;
    } else {
      slot = values_[i];  // a shallow view: the pack keeps ownership
    }
  }
  params_.rgvarg = passed_.empty() ? nullptr : passed_.data();
  params_.cArgs = static_cast<UINT>(passed_.size());
  if (member.kind == INVOKE_PROPERTYPUT) {
    params_.rgdispidNamedArgs = &put_id_;
    params_.cNamedArgs = 1;
  }
}

ArgPack::~ArgPack() {
  for (VARIANT& v : values_) VariantClear(&v);
}

json ArgPack::After() const {
  json out = json::array();
  for (size_t i = 0; i < values_.size(); ++i) out.push_back(ValueToJson(values_[i], member_.params[i].type));
  return out;
}

}  // namespace kt::host
