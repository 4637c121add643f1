#include "base/vbtext.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <locale.h>
#include <wctype.h>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kt::base {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// &H / &O literals.  The run time types them by size: up to four hex digits'
// worth they are 16-bit (so &HFFFF is -1), up to 32 bits they are 32-bit.
std::optional<double> ParseRadixLiteral(std::string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    int d;
    char l = LowerAscii(c);
    if (IsDigit(l)) {
      d = l - '0';
    } else if (l >= 'a' && l <= 'f') {
      d = l - 'a' + 10;
    } else {
      return std::nullopt;
    }
    if (d >= radix) return std::nullopt;
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (value <= 0xFFFFu) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value)));
  return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// Rough power of ten of a validated, normalised number: the exponent plus
// the position of the first significant digit.  Only its sign is used.
int64_t DecimalMagnitude(std::string_view normal) {
  size_t e = normal.find('e');
  int64_t exponent =
      e == std::string_view::npos ? 0 : std::strtoll(std::string(normal.substr(e + 1)).c_str(), nullptr, 10);
  std::string_view mantissa = normal.substr(0, e);
  int64_t position = 0;
  bool seen_point = false, seen_digit = false;
  for (char c : mantissa) {
    if (c == '.') {
      seen_point = true;
    } else if (IsDigit(c)) {
      if (c != '0' && !seen_digit) {
        seen_digit = true;
        if (seen_point) break;
      }
      if (seen_digit && !seen_point) ++position;
      if (!seen_digit && seen_point) --position;
    }
  }
  // 64 bits on every platform (long is 32 on Windows).  strtoll saturates an
  // exponent past its range; the sum must not wrap.
  if (position > 0 && exponent > INT64_MAX - position) return INT64_MAX;
  if (position < 0 && exponent < INT64_MIN - position) return INT64_MIN;
  return exponent + position;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;

  if (text.size() >= 2 && text[0] == '&') {
    char kind = LowerAscii(text[1]);
    if (kind == 'h') return ParseRadixLiteral(text.substr(2), 16);
    if (kind == 'o') return ParseRadixLiteral(text.substr(2), 8);
    return std::nullopt;
  }

  // Validate the shape ourselves and hand a normalised copy (no '+', 'D'
  // exponent as 'e') to from_chars, which does not depend on the locale.
  std::string normal;
  normal.reserve(text.size());
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') normal.push_back('-');
    ++i;
  }
  size_t mantissa_digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    normal.push_back(text[i++]);
    ++mantissa_digits;
  }
  if (i < text.size() && text[i] == '.') {
    normal.push_back('.');
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      normal.push_back(text[i++]);
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < text.size()) {
    char e = LowerAscii(text[i]);
    if (e != 'e' && e != 'd') return std::nullopt;
    normal.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') normal.push_back('-');
      ++i;
    }
    size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      normal.push_back(text[i++]);
      ++exponent_digits;
    }
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  // A leading '.' is fine for from_chars, a trailing one ("5.") too.
  double value = 0;
  auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value untouched, so tell underflow (a zero) from
    // overflow (not a number) by the decimal magnitude of the text.
    return DecimalMagnitude(normal) < 0 ? std::optional<double>(0.0) : std::nullopt;
  }
  if (ec != std::errc() || end != normal.data() + normal.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double floor = std::floor(value);
  double diff = value - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

I2Result DoubleToI2(double value) {
  if (std::isnan(value)) return {ConvStatus::kOverflow, 0};
  double r = RoundHalfEven(value);
  if (r < -32768.0 || r > 32767.0) return {ConvStatus::kOverflow, 0};
  return {ConvStatus::kOk, static_cast<int16_t>(r)};
}

I4Result DoubleToI4(double value) {
  if (std::isnan(value)) return {ConvStatus::kOverflow, 0};
  double r = RoundHalfEven(value);
  if (r < -2147483648.0 || r > 2147483647.0) return {ConvStatus::kOverflow, 0};
  return {ConvStatus::kOk, static_cast<int32_t>(r)};
}

I2Result TextToI2(std::string_view text) {
  auto number = ParseNumber(text);
  if (!number) return {ConvStatus::kTypeMismatch, 0};
  return DoubleToI2(*number);
}

I4Result TextToI4(std::string_view text) {
  auto number = ParseNumber(text);
  if (!number) return {ConvStatus::kTypeMismatch, 0};
  return DoubleToI4(*number);
}

std::string FormatDouble(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0.0) return "0";  // -0 included

  // Fifteen significant digits in scientific form, then laid out again.
  std::array<char, 64> buf{};
  auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific, 14);
  if (ec != std::errc()) return "0";
  std::string_view sci(buf.data(), static_cast<size_t>(end - buf.data()));
  bool negative = sci.front() == '-';
  if (negative) sci.remove_prefix(1);
  size_t e_pos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e_pos)) {
    if (IsDigit(c)) digits.push_back(c);
  }
  int exponent = std::atoi(std::string(sci.substr(e_pos + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (negative) out.push_back('-');
  if (exponent >= 15 || exponent < -4) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1);
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    int magnitude = std::abs(exponent);
    if (magnitude < 10) out.push_back('0');
    out += std::to_string(magnitude);
  } else if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    size_t int_len = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= int_len) {
      out += digits;
      out.append(int_len - digits.size(), '0');
    } else {
      out.append(digits, 0, int_len);
      out.push_back('.');
      out.append(digits, int_len);
    }
  }
  return out;
}

// ---- Dates ----------------------------------------------------------------

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (era-based algorithm,
// valid for any year of interest here).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (m + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// Day 0 of the OLE serial, 1899-12-30, in days since 1970-01-01.
const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Whole days of a serial and the rounded seconds into that day.  The time of
// day is the fraction without its sign, so -1.25 is day -1 at 06:00.  When
// the time rounds up to the next midnight the calendar day moves forward,
// which is day + 1 whatever the sign of the serial.
bool SplitSerial(double date, int64_t& day, int64_t& seconds) {
  if (!std::isfinite(date) || std::fabs(date) > 1e7) return false;
  double whole = std::trunc(date);
  double frac = std::fabs(date - whole);
  day = static_cast<int64_t>(whole);
  seconds = std::llround(frac * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += 1;
  }
  return true;
}

std::string TwoDigits(int v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + (v / 10) % 10);
  s[1] = static_cast<char>('0' + v % 10);
  return s;
}

bool ReadDigits(std::string_view text, size_t pos, size_t count, int& out) {
  if (pos + count > text.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!IsDigit(text[i])) return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::optional<DateParts> DateToParts(double date) {
  int64_t day = 0, seconds = 0;
  if (!SplitSerial(date, day, seconds)) return std::nullopt;
  int64_t year = 0;
  int month = 0, mday = 0;
  CivilFromDays(day + kOleEpoch, year, month, mday);
  if (year < 100 || year > 9999) return std::nullopt;
  DateParts parts{};
  parts.year = static_cast<int>(year);
  parts.month = month;
  parts.day = mday;
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  return parts;
}

std::optional<double> PartsToDate(const DateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12) return std::nullopt;
  if (p.day < 1 || p.day > DaysInMonth(p.year, p.month)) return std::nullopt;
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59)
    return std::nullopt;
  double day = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kOleEpoch);
  double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
  return day < 0 ? day - time : day + time;
}

std::optional<double> ParseIsoDate(std::string_view text) {
  DateParts p{};
  if (!ReadDigits(text, 0, 4, p.year) || text.size() < 10 || text[4] != '-' ||
      !ReadDigits(text, 5, 2, p.month) || text[7] != '-' || !ReadDigits(text, 8, 2, p.day))
    return std::nullopt;
  if (text.size() != 10) {
    if (text.size() != 19 || (text[10] != 'T' && text[10] != ' ') || !ReadDigits(text, 11, 2, p.hour) ||
        text[13] != ':' || !ReadDigits(text, 14, 2, p.minute) || text[16] != ':' ||
        !ReadDigits(text, 17, 2, p.second))
      return std::nullopt;
  }
  return PartsToDate(p);
}

namespace {

enum class TokenKind { kLiteral, kYear, kMonth, kDay, kHour, kMinute, kSecond, kTimeSep };
struct Token {
  TokenKind kind;
  size_t width;  // number of pattern letters (1 = no padding, 2 = two digits, 4 = four-digit year)
  std::string text;
};

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    char l = LowerAscii(c);
    if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 'n' || l == 's') {
      size_t run = 1;
      while (i + run < pattern.size() && LowerAscii(pattern[i + run]) == l) ++run;
      TokenKind kind = l == 'y'   ? TokenKind::kYear
                       : l == 'm' ? TokenKind::kMonth
                       : l == 'd' ? TokenKind::kDay
                       : l == 'h' ? TokenKind::kHour
                       : l == 'n' ? TokenKind::kMinute
                                  : TokenKind::kSecond;
      if (kind == TokenKind::kYear) {
        tokens.push_back({kind, run >= 3 ? 4u : 2u, {}});
      } else {
        tokens.push_back({kind, run >= 2 ? 2u : 1u, {}});
      }
      i += run;
    } else if (c == ':') {
      tokens.push_back({TokenKind::kTimeSep, 0, {}});
      ++i;
    } else if (c == '\\' && i + 1 < pattern.size()) {
      tokens.push_back({TokenKind::kLiteral, 0, std::string(1, pattern[i + 1])});
      i += 2;
    } else if (c == '"') {
      size_t close = pattern.find('"', i + 1);
      if (close == std::string_view::npos) close = pattern.size();
      tokens.push_back({TokenKind::kLiteral, 0, std::string(pattern.substr(i + 1, close - i - 1))});
      i = close + 1;
    } else {
      tokens.push_back({TokenKind::kLiteral, 0, std::string(1, c)});
      ++i;
    }
  }
  // "m" is the minute when the nearest field before it is an hour or the
  // nearest field after it is a second ("hh:mm", "mm:ss").
  auto is_field = [](const Token& t) {
    return t.kind != TokenKind::kLiteral && t.kind != TokenKind::kTimeSep;
  };
  for (size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].kind != TokenKind::kMonth) continue;
    bool minute = false;
    for (size_t j = k; j-- > 0;) {
      if (is_field(tokens[j])) {
        minute = tokens[j].kind == TokenKind::kHour;
        break;
      }
    }
    for (size_t j = k + 1; !minute && j < tokens.size(); ++j) {
      if (is_field(tokens[j])) {
        minute = tokens[j].kind == TokenKind::kSecond;
        break;
      }
    }
    if (minute) tokens[k].kind = TokenKind::kMinute;
  }
  return tokens;
}

std::string Field(int value, size_t width) {
  return width >= 2 ? TwoDigits(value) : std::to_string(value);
}

}  // namespace

std::string FormatDatePattern(double date, std::string_view pattern, char time_separator) {
  auto parts = DateToParts(date);
  if (!parts) return {};
  std::string out;
  for (const Token& t : Tokenize(pattern)) {
    switch (t.kind) {
      case TokenKind::kLiteral:
        out += t.text;
        break;
      case TokenKind::kTimeSep:
        out.push_back(time_separator);
        break;
      case TokenKind::kYear:
        if (t.width == 4) {
          std::string y = std::to_string(parts->year);
          out.append(4 - std::min<size_t>(4, y.size()), '0');
          out += y;
        } else {
          out += TwoDigits(parts->year % 100);
        }
        break;
      case TokenKind::kMonth:
        out += Field(parts->month, t.width);
        break;
      case TokenKind::kDay:
        out += Field(parts->day, t.width);
        break;
      case TokenKind::kHour:
        out += Field(parts->hour, t.width);
        break;
      case TokenKind::kMinute:
        out += Field(parts->minute, t.width);
        break;
      case TokenKind::kSecond:
        out += Field(parts->second, t.width);
        break;
    }
  }
  return out;
}

std::string FormatDateGeneral(double date) {
  auto p = DateToParts(date);
  if (!p) return {};
  bool has_date = !(p->year == 1899 && p->month == 12 && p->day == 30);
  bool has_time = p->hour != 0 || p->minute != 0 || p->second != 0;
  std::string out;
  if (has_date) {
    out = std::to_string(p->month) + "/" + std::to_string(p->day) + "/" + std::to_string(p->year);
  }
  if (has_time || !has_date) {
    if (has_date) out.push_back(' ');
    int h12 = p->hour % 12 == 0 ? 12 : p->hour % 12;
    out += std::to_string(h12) + ":" + TwoDigits(p->minute) + ":" + TwoDigits(p->second);
    out += p->hour < 12 ? " AM" : " PM";
  }
  return out;
}

// ---- UTF-8 / UTF-16 -------------------------------------------------------

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < n) {
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
      // Statements and log lines are mostly ASCII: copy the run in one go.
      size_t end = i + 1;
      while (end < n && byte(end) < 0x80) ++end;
      out.append(text.begin() + static_cast<ptrdiff_t>(i), text.begin() + static_cast<ptrdiff_t>(end));
      i = end;
      continue;
    }
    // Length and the allowed range of the second byte, which rules out
    // overlong forms, surrogates and values above U+10FFFF.
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    uint32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
      cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      cp = b0 & 0x0Fu;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      cp = b0 & 0x07u;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    // Consume the longest valid prefix; a broken sequence becomes one U+FFFD.
    size_t k = 1;
    bool ok = true;
    for (; k < len; ++k) {
      if (i + k >= n) {
        ok = false;
        break;
      }
      unsigned char b = byte(i + k);
      unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
      if (b < min || b > max) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3Fu);
    }
    i += k;
    if (!ok) {
      out.push_back(u'\uFFFD');
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp < 0x80) {
      size_t end = i + 1;
      while (end < text.size() && text[end] < 0x80) ++end;
      const size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<char>(text[k]);
      i = end - 1;
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// ---- ASCII case ------------------------------------------------------------

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

// ---- Upper case of any text -------------------------------------------------
// The platform upper-cases text by the simple (one to one) Unicode mapping:
// "müller" -> "MÜLLER", "ß" stays.  On Windows that is the system's own
// mapping of UTF-16 text in the invariant locale; elsewhere glibc's C.UTF-8
// locale carries it for all of Unicode whatever the process's own locale is.
// Where neither is to be had only ASCII letters change.

namespace {

// Upper-cases UTF-16 text in place; false if the system has no mapping.
bool UpperUtf16(std::u16string& text) {
#ifdef _WIN32
  std::wstring in(text.begin(), text.end());
  std::wstring out(in.size(), L'\0');
  for (size_t at = 0; at < in.size();) {
    // The call takes an int length; a piece never ends inside a surrogate pair.
    size_t n = std::min(in.size() - at, static_cast<size_t>(INT_MAX));
    if (at + n < in.size() && in[at + n - 1] >= 0xD800 && in[at + n - 1] <= 0xDBFF) --n;
    const int length = static_cast<int>(n);
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, in.data() + at, length, out.data() + at, length,
                      nullptr, nullptr, 0) != length)
      return false;
    at += n;
  }
  std::copy(out.begin(), out.end(), text.begin());
  return true;
#else
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  if (utf8 == locale_t{}) return false;
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    const bool pair =
        cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00u);
    cp = static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), utf8));
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  text = std::move(out);
  return true;
#endif
}

}  // namespace

std::string ToUpperText(std::string_view text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return ToUpperAscii(text);
  std::u16string wide = Utf8ToUtf16(text);
  if (!UpperUtf16(wide)) return ToUpperAscii(text);
  return Utf16ToUtf8(wide);
}

size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
  if (from > haystack.size() || needle.size() > haystack.size() - from) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

}  // namespace kt::base
