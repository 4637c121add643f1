// Text between UTF-8 and the OLE strings of the object interfaces.  OLECHAR
// is char16_t with our run time and wchar_t on Windows: UTF-16 units either
// way, so the library, its run time, the suite's components and the host all
// convert here.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

#include "base/vbtext.h"
#include "keltrane/oleauto.h"

namespace kt::base {

using OleString = std::basic_string<OLECHAR>;

// The branch for the other system's OLECHAR is only dropped unchecked inside
// a template, so each conversion is one over the unit type.
namespace ole_detail {

template <class Unit>
std::string ToUtf8(const Unit* text, size_t length) {
  static_assert(sizeof(Unit) == sizeof(char16_t));
  if constexpr (std::is_same_v<Unit, char16_t>) {
    return Utf16ToUtf8(std::u16string_view(text, length));
  } else {
    return Utf16ToUtf8(std::u16string(text, text + length));
  }
}

template <class Unit>
std::basic_string<Unit> FromUtf16(std::u16string wide) {
  if constexpr (std::is_same_v<Unit, char16_t>) {
    return wide;
  } else {
    return std::basic_string<Unit>(wide.begin(), wide.end());
  }
}

}  // namespace ole_detail

// The UTF-8 form of length units; a lone surrogate becomes U+FFFD.
inline std::string OleToUtf8(const OLECHAR* text, size_t length) {
  return ole_detail::ToUtf8(text, length);
}

// NUL-terminated; empty for nullptr.
inline std::string OleToUtf8(const OLECHAR* text) {
  return text == nullptr ? std::string() : OleToUtf8(text, std::char_traits<OLECHAR>::length(text));
}

// Embedded NULs included; a null BSTR is the empty text.
inline std::string BstrToUtf8(BSTR text) {
  return text == nullptr ? std::string() : OleToUtf8(text, SysStringLen(text));
}

inline OleString Utf8ToOle(std::string_view text) {
  return ole_detail::FromUtf16<OLECHAR>(Utf8ToUtf16(text));
}

// A new BSTR holding text; nullptr when memory runs out.
inline BSTR Utf8ToBstr(std::string_view text) {
  const OleString wide = Utf8ToOle(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace kt::base
