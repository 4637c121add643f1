// Paths as UTF-8 text, the library's own text, on every platform: a
// std::filesystem::path made from a std::string (or turned back into one)
// goes through the ANSI code page on Windows, which loses every character
// outside it; through char8_t it is UTF-8 both ways.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kt::base {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kt::base
