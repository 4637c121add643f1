#include "frame/convert.h"

#include "base/vbtext.h"

namespace kt {

namespace {

// Turns a conversion status into the matching run-time error.
void Check(base::ConvStatus status) {
  if (status == base::ConvStatus::kTypeMismatch) Raise(vberr::kTypeMismatch);
  if (status == base::ConvStatus::kOverflow) Raise(vberr::kOverflow);
}

int16_t FromDoubleI2(double d) {
  auto r = base::DoubleToI2(d);
  Check(r.status);
  return r.value;
}

int32_t FromDoubleI4(double d) {
  auto r = base::DoubleToI4(d);
  Check(r.status);
  return r.value;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

int16_t CInt(std::string_view text) {
  auto r = base::TextToI2(text);
  Check(r.status);
  return r.value;
}

int32_t CLng(std::string_view text) {
  auto r = base::TextToI4(text);
  Check(r.status);
  return r.value;
}

double CDbl(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kEmpty:
      return 0.0;
    case Variant::Type::kNull:
      Raise(vberr::kInvalidNull);
    case Variant::Type::kString: {
      auto d = base::ParseNumber(v.AsString());
      if (!d) Raise(vberr::kTypeMismatch);
      return *d;
    }
    case Variant::Type::kI2:
      return v.AsI2();
    case Variant::Type::kI4:
      return v.AsI4();
    case Variant::Type::kR8:
      return v.AsR8();
    case Variant::Type::kBool:
      return v.AsBool() ? -1.0 : 0.0;
    case Variant::Type::kDate:
      return v.AsDate();
    case Variant::Type::kError:
    case Variant::Type::kArray:
      break;
  }
  Raise(vberr::kTypeMismatch);
}

int16_t CInt(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kString:
      return CInt(std::string_view(v.AsString()));
    case Variant::Type::kI2:
      return v.AsI2();
    case Variant::Type::kI4:
      return CheckedI2(v.AsI4());
    default:
      return FromDoubleI2(CDbl(v));
  }
}

int32_t CLng(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kString:
      return CLng(std::string_view(v.AsString()));
    case Variant::Type::kI2:
      return v.AsI2();
    case Variant::Type::kI4:
      return v.AsI4();
    default:
      return FromDoubleI4(CDbl(v));
  }
}

bool CBool(const Variant& v) {
  if (v.IsString()) {
    std::string_view text = TrimBlanks(v.AsString());
    if (base::EqualsNoCase(text, "True")) return true;
    if (base::EqualsNoCase(text, "False")) return false;
    auto d = base::ParseNumber(text);
    if (!d) Raise(vberr::kTypeMismatch);
    return *d != 0.0;
  }
  return CDbl(v) != 0.0;
}

std::string CStr(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kEmpty:
      return {};
    case Variant::Type::kNull:
      Raise(vberr::kInvalidNull);
    case Variant::Type::kString:
      return v.AsString();
    case Variant::Type::kI2:
      return Str(v.AsI2());
    case Variant::Type::kI4:
      return Str(v.AsI4());
    case Variant::Type::kR8:
      return base::FormatDouble(v.AsR8());
    case Variant::Type::kBool:
      return v.AsBool() ? "True" : "False";
    case Variant::Type::kDate: {
      // A serial outside years 100..9999 is not a date the run time can hold.
      if (!base::DateToParts(v.AsDate())) Raise(vberr::kOverflow);
      return base::FormatDateGeneral(v.AsDate());
    }
    case Variant::Type::kError:
    case Variant::Type::kArray:
      break;
  }
  Raise(vberr::kTypeMismatch);
}

bool IsNumeric(std::string_view text) {
  return base::ParseNumber(text).has_value();
}

bool IsNumeric(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kEmpty:
    case Variant::Type::kI2:
    case Variant::Type::kI4:
    case Variant::Type::kR8:
    case Variant::Type::kBool:
      return true;
    case Variant::Type::kString:
      return IsNumeric(std::string_view(v.AsString()));
    default:
      return false;
  }
}

int16_t CheckedI2(int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) Raise(vberr::kOverflow);
  return static_cast<int16_t>(value);
}

int32_t CheckedI4(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) Raise(vberr::kOverflow);
  return static_cast<int32_t>(value);
}

std::string Str(int64_t value) {
  return std::to_string(value);
}

}  // namespace kt
