// KtSetErrorInfo: error information from UTF-8 text, the one way every
// layer (the run time, the COM face, the suite's components) fills it in.
// The same source serves Linux, over our CreateErrorInfo, and Windows, over
// the system's: OLECHAR is a UTF-16 unit on both.
#include <string>

#include "base/vbtext.h"
#include "keltrane/ktrt.h"

namespace {

void SetText(ICreateErrorInfo* create, HRESULT (STDMETHODCALLTYPE ICreateErrorInfo::*method)(LPOLESTR),
             const char* text) {
  if (text == nullptr) return;
  std::u16string wide = kt::base::Utf8ToUtf16(text);
  (create->*method)(reinterpret_cast<LPOLESTR>(wide.data()));
}

}  // namespace

STDAPI KtSetErrorInfo(HRESULT hr, const IID* iid, const char* source, const char* description,
                      const char* help_file, DWORD help_context) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create)) || create == nullptr) return hr;
  if (iid != nullptr) create->SetGUID(*iid);
  SetText(create, &ICreateErrorInfo::SetSource, source);
  SetText(create, &ICreateErrorInfo::SetDescription, description);
  SetText(create, &ICreateErrorInfo::SetHelpFile, help_file);
  create->SetHelpContext(help_context);
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info != nullptr) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
  return hr;
}
