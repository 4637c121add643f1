// Profile files: the input is the whole file.  Sections and keys found in it
// (and a few that are not) are read back with buffers of varied size, then
// one key is written and must read back as written.
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/vbtext.h"
#include "fuzz_util.h"
#include "profile/profile_file.h"

namespace {

using kt::fuzz::Fail;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// Section and key names as a reader of the file would guess them.
struct Names {
  std::vector<std::string> sections;
  std::vector<std::string> keys;
};

Names Scan(std::string_view text) {
  Names names;
  size_t pos = 0;
  while (pos < text.size() && names.sections.size() + names.keys.size() < 16) {
    size_t nl = text.find_first_of("\r\n", pos);
    std::string_view line =
        text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string body = Trim(line);
    if (body.empty()) continue;
    if (body[0] == '[' && body.rfind(']') != std::string::npos) {
      names.sections.push_back(Trim(std::string_view(body).substr(1, body.rfind(']') - 1)));
    } else if (size_t eq = body.find('='); eq != std::string::npos) {
      names.keys.push_back(Trim(std::string_view(body).substr(0, eq)));
    }
  }
  return names;
}

// What a value reads back as: cut at a NUL, blanks around it dropped, then
// one pair of matching quotes.
std::string Stored(std::string_view value) {
  std::string v = Trim(value.substr(0, value.find('\0')));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

// Names a profile file can carry: no NUL in either, a key without '=' that
// cannot read as a header and, in section "" (where it may become the first
// line), does not open the file with a byte order mark.
bool Carriable(const std::string& section, const std::string& key) {
  const std::string name = Trim(key);
  return section.find('\0') == std::string::npos && key.find('\0') == std::string::npos &&
         key.find('=') == std::string::npos && !name.starts_with('[') &&
         !(Trim(section).empty() && (name.starts_with("\xEF\xBB\xBF") || name.starts_with("\xFF\xFE")));
}

uint32_t Mix(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = kt::fuzz::ScratchDir() + "/fuzz.ini";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  uint32_t h = Mix(data, size);
  auto pick = [&h](size_t n) {
    h = h * 1103515245u + 12345u;
    return static_cast<size_t>((h >> 8) % n);
  };

  Names names = Scan(text);
  names.sections.push_back("Absent");
  names.sections.push_back("");
  names.keys.push_back("Absent");
  names.keys.push_back("");

  // Reads: the count returned (characters, one to four bytes each) is what
  // the buffer holds and never fills it.
  for (int i = 0; i < 4; ++i) {
    const std::string& section = names.sections[pick(names.sections.size())];
    const std::string& key = names.keys[pick(names.keys.size())];
    const size_t buffer_size = pick(4) == 0 ? pick(8) : 4096;
    std::string buffer = "junk";
    const size_t n =
        kt::profile::GetPrivateProfileString(section, key, " default \t", buffer, buffer_size, file);
    if (n > buffer.size() || buffer.size() > 4 * n)
      Fail("the count differs from the text copied", section + "/" + key);
    if (buffer_size == 0 ? n != 0 : n > buffer_size - 1) Fail("the copy overran the buffer", buffer);
  }

  // One write, then the key must read back.
  const std::string& section = names.sections[pick(names.sections.size())];
  const std::string& key = names.keys[pick(names.keys.size())];
  // The value: a slice of the input, so that it can hold anything.
  const size_t from = size == 0 ? 0 : pick(size);
  const std::string value(text.substr(from, pick(24)));
  if (!kt::profile::WritePrivateProfileString(section, key, value, file)) Fail("the write failed", section);
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || !Carriable(section, key)) return 0;
  // A UTF-16 file holds what survives the trip through UTF-16 (invalid UTF-8
  // becomes U+FFFD); names must survive it whole to be found again.
  const bool utf16 = text.starts_with("\xFF\xFE");
  auto carried = [utf16](const std::string& s) {
    return utf16 ? kt::base::Utf16ToUtf8(kt::base::Utf8ToUtf16(s)) : s;
  };
  if (carried(section) != section || carried(key) != key) return 0;

  std::string buffer;
  kt::profile::GetPrivateProfileString(section, key, "<absent>", buffer, 65536, file);
  const std::string expected = Stored(carried(value));
  if (buffer != expected) {
    Fail("the written key does not read back",
         "[" + section + "] " + key + "=" + value + "\nread: " + buffer + "\nexpected: " + expected);
  }
  return 0;
}
