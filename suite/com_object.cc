// Error information and text conversion for the components.
#include "com_object.h"

#include "base/vbtext.h"
#include "keltrane/ktrt.h"

namespace kt::suite {
namespace {

// OLECHAR is char16_t on Linux and wchar_t on Windows: both UTF-16 units.
const OLECHAR* Ole(const std::u16string& text) {
  return reinterpret_cast<const OLECHAR*>(text.c_str());
}

}  // namespace

std::string ToUtf8(BSTR text) {
  if (text == nullptr) return {};
  return base::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

BSTR ToBstr(std::string_view text) {
  const std::u16string wide = base::Utf8ToUtf16(text);
  return SysAllocStringLen(Ole(wide), static_cast<UINT>(wide.size()));
}

HRESULT Fail(HRESULT hr, std::string_view component, std::string_view description) {
  const std::string source = "KeltraneSuite." + std::string(component);
  return KtSetErrorInfo(hr, nullptr, source.c_str(), std::string(description).c_str(), nullptr, 0);
}

}  // namespace kt::suite
