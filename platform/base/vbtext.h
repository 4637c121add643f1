// Text and number rules of the Visual Basic run time that the whole library
// shares: numeric text, banker's rounding, number and date formatting, the
// OLE date serial, and UTF-8 <-> UTF-16.  No COM types appear here, so the
// class logic, the object run time and the suite stand-ins can all use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kt::base {

// Parses numeric text the way the run time's string-to-number coercion does:
// optional blanks around the text, an optional sign, decimal digits with an
// optional fraction and exponent, or &H / &O hexadecimal / octal integers.
// Returns nullopt for anything else, the empty text included.
std::optional<double> ParseNumber(std::string_view text);

// Rounds to the nearest integer, a half to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// Result of a conversion to a fixed-width integer.
enum class ConvStatus { kOk, kTypeMismatch, kOverflow };
struct I2Result {
  ConvStatus status;
  int16_t value;
};
struct I4Result {
  ConvStatus status;
  int32_t value;
};
I2Result DoubleToI2(double value);  // half-to-even, overflow outside -32768..32767
I4Result DoubleToI4(double value);
I2Result TextToI2(std::string_view text);  // type mismatch when not numeric text
I4Result TextToI4(std::string_view text);

// Number text as the run time's string conversion writes it: integers plainly,
// doubles with up to 15 significant digits, no trailing zeros ("1.5", "0.1",
// "1E+20", "-3").
std::string FormatDouble(double value);

// OLE dates: days since 1899-12-30, the fraction (taken without its sign) is
// the time of day.  Values are rounded to the nearest second first.
struct DateParts {
  int year, month, day, hour, minute, second;
};
std::optional<DateParts> DateToParts(double date);          // nullopt outside years 100..9999
std::optional<double> PartsToDate(const DateParts& parts);  // nullopt when a part is out of range
// "YYYY-MM-DDTHH:MM:SS" (the separator may also be a blank); nullopt when malformed.
std::optional<double> ParseIsoDate(std::string_view text);
// Date formatted with a pattern of yyyy, mm, dd, hh, nn/mm-after-hh, ss and
// literal characters; time parts joined with time_separator where the
// pattern has ':'.
std::string FormatDatePattern(double date, std::string_view pattern, char time_separator = ':');
// The short general form used when a date becomes text: M/D/YYYY, then
// h:mm:ss AM/PM when there is a time; a date with day 0 gives the time alone.
std::string FormatDateGeneral(double date);

// UTF-8 <-> UTF-16.  Invalid sequences become U+FFFD; nothing throws.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// ASCII case folding for the places where names are compared without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Upper case of UTF-8 text by the simple Unicode case mapping, as UCase gives it.
std::string ToUpperText(std::string_view text);
// Position of needle in haystack ignoring ASCII case, or npos.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);

}  // namespace kt::base
