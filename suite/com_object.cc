// Error information and text conversion for the components.
#include "com_object.h"

#include "base/vbtext.h"

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
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create)) && create != nullptr) {
    const std::u16string source = base::Utf8ToUtf16("KeltraneSuite." + std::string(component));
    const std::u16string text = base::Utf8ToUtf16(description);
    create->SetSource(const_cast<LPOLESTR>(Ole(source)));
    create->SetDescription(const_cast<LPOLESTR>(Ole(text)));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) &&
        info != nullptr) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return hr;
}

}  // namespace kt::suite
