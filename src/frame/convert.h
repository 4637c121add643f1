// Conversions and checked arithmetic with the run time's rules: text to
// 16/32-bit integers with half-to-even rounding, type mismatch (13) for text
// that is not a number, overflow (6) outside the range, invalid use of Null
// (94) for a Null where a value is needed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/variant.h"

namespace kt {

int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
double CDbl(const Variant& v);
bool CBool(const Variant& v);
// The value's text form: numbers in decimal, booleans "True"/"False", dates
// in the general date form, Empty as "".  Null is error 94; an error value
// or an array is error 13.
std::string CStr(const Variant& v);
int16_t CInt(std::string_view text);
int32_t CLng(std::string_view text);

// Whether the value is numeric: a number, or text that parses as one.
bool IsNumeric(const Variant& v);
bool IsNumeric(std::string_view text);

// Checked 16/32-bit arithmetic: a result outside the type raises error 6.
int16_t CheckedI2(int64_t value);
int32_t CheckedI4(int64_t value);
inline int32_t AddI4(int32_t a, int32_t b) {
  return CheckedI4(static_cast<int64_t>(a) + b);
}
inline int32_t SubI4(int32_t a, int32_t b) {
  return CheckedI4(static_cast<int64_t>(a) - b);
}
inline int16_t AddI2(int16_t a, int16_t b) {
  return CheckedI2(static_cast<int64_t>(a) + b);
}

// Decimal text of an integer, as numbers are spliced into statements.
std::string Str(int64_t value);

}  // namespace kt
