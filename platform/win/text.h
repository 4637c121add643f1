// Text at the Windows API: the library's UTF-8 as the system's UTF-16
// (wchar_t) and back, and the ANSI code page's bytes as UTF-8.  Invalid
// sequences become U+FFFD, as the system's conversions make them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kt::win {

inline std::wstring Wide(std::string_view text, UINT code_page = CP_UTF8) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

inline std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

// Bytes in the system's ANSI code page (what a Declare'd function hands
// back in a string) as UTF-8.
inline std::string AnsiToUtf8(std::string_view bytes) {
  return Utf8(Wide(bytes, CP_ACP));
}

// UTF-8 text in the system's ANSI code page; characters outside it become
// the code page's default character.
inline std::string AnsiFromUtf8(std::string_view text) {
  const std::wstring wide = Wide(text);
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace kt::win
