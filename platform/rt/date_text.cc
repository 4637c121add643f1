// Date text parsing on top of the shared date helpers.
#include "rt/date_text.h"

#include <string>

#include "base/vbtext.h"

namespace kt::rt {
namespace {

// A small cursor over the text.
struct Reader {
  std::string_view text;
  size_t pos = 0;

  void SkipBlanks() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  bool Done() const { return pos == text.size(); }
  bool Take(char c) {
    if (pos < text.size() && text[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  // 1..max_digits decimal digits.
  bool Number(int max_digits, int* out) {
    int value = 0, digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < max_digits) {
      value = value * 10 + (text[pos++] - '0');
      ++digits;
    }
    *out = value;
    return digits > 0;
  }
};

// "h:mm[:ss] [AM|PM]" from the reader's position to the end.
bool ReadTime(Reader& r, int* hour, int* minute, int* second) {
  *second = 0;
  if (!r.Number(2, hour) || !r.Take(':') || !r.Number(2, minute)) return false;
  if (r.Take(':') && !r.Number(2, second)) return false;
  r.SkipBlanks();
  if (!r.Done()) {
    std::string_view rest = r.text.substr(r.pos);
    bool pm = base::EqualsNoCase(rest, "PM");
    if (!pm && !base::EqualsNoCase(rest, "AM")) return false;
    if (*hour < 1 || *hour > 12) return false;
    *hour = *hour % 12 + (pm ? 12 : 0);
    r.pos = r.text.size();
  }
  return *hour < 24 && *minute < 60 && *second < 60;
}

}  // namespace

std::optional<double> ParseDateText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  if (auto iso = base::ParseIsoDate(text)) return iso;

  Reader r{text};
  base::DateParts parts{1899, 12, 30, 0, 0, 0};
  int first;
  if (!r.Number(4, &first)) return std::nullopt;
  if (r.Take('-')) {
    // ISO date without a time.
    parts.year = first;
    if (!r.Number(2, &parts.month) || !r.Take('-') || !r.Number(2, &parts.day) || !r.Done())
      return std::nullopt;
    return base::PartsToDate(parts);
  }
  if (r.Take('/')) {
    parts.month = first;
    if (!r.Number(2, &parts.day) || !r.Take('/') || !r.Number(4, &parts.year)) return std::nullopt;
    r.SkipBlanks();
    if (!r.Done() && !ReadTime(r, &parts.hour, &parts.minute, &parts.second)) return std::nullopt;
    if (!r.Done()) return std::nullopt;
    return base::PartsToDate(parts);
  }
  // A time alone: day 0.
  r.pos = 0;
  if (!ReadTime(r, &parts.hour, &parts.minute, &parts.second) || !r.Done()) return std::nullopt;
  return base::PartsToDate(parts);
}

}  // namespace kt::rt
