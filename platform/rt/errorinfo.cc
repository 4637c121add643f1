// Per-thread error information: the error object a failing call leaves for
// its caller, and the object CreateErrorInfo hands out to fill one in.
#include <atomic>
#include <new>
#include <string>

#include "base/vbtext.h"
#include "rt/rt_internal.h"

namespace {

class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
 public:
  // IUnknown, reached through either base.
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IErrorInfo)) {
      *ppv = static_cast<IErrorInfo*>(this);
    } else if (IsEqualIID(riid, IID_ICreateErrorInfo)) {
      *ppv = static_cast<ICreateErrorInfo*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  // IErrorInfo
  HRESULT GetGUID(GUID* guid) override {
    if (guid == nullptr) return E_INVALIDARG;
    *guid = guid_;
    return S_OK;
  }
  HRESULT GetSource(BSTR* out) override { return Hand(source_, out); }
  HRESULT GetDescription(BSTR* out) override { return Hand(description_, out); }
  HRESULT GetHelpFile(BSTR* out) override { return Hand(help_file_, out); }
  HRESULT GetHelpContext(DWORD* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = help_context_;
    return S_OK;
  }

  // ICreateErrorInfo
  HRESULT SetGUID(REFGUID guid) override {
    guid_ = guid;
    return S_OK;
  }
  HRESULT SetSource(LPOLESTR text) override { return Keep(text, &source_); }
  HRESULT SetDescription(LPOLESTR text) override { return Keep(text, &description_); }
  HRESULT SetHelpFile(LPOLESTR text) override { return Keep(text, &help_file_); }
  HRESULT SetHelpContext(DWORD context) override {
    help_context_ = context;
    return S_OK;
  }

 private:
  ~ErrorObject() = default;

  static HRESULT Hand(const std::u16string& text, BSTR* out) {
    if (out == nullptr) return E_INVALIDARG;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  static HRESULT Keep(LPOLESTR text, std::u16string* field) {
    field->assign(text == nullptr ? u"" : text);
    return S_OK;
  }

  std::atomic<ULONG> refs_{1};
  GUID guid_ = GUID_NULL;
  std::u16string source_, description_, help_file_;
  DWORD help_context_ = 0;
};

// The calling thread's current error object; released when the thread ends.
struct ThreadSlot {
  IErrorInfo* info = nullptr;
  ~ThreadSlot() {
    if (info != nullptr) info->Release();
  }
};
thread_local ThreadSlot t_slot;

}  // namespace

STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
  if (pperrinfo == nullptr) return E_INVALIDARG;
  auto* object = new (std::nothrow) ErrorObject();
  *pperrinfo = object;
  return object == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDAPI SetErrorInfo(ULONG reserved, IErrorInfo* perrinfo) {
  if (reserved != 0) return E_INVALIDARG;
  if (perrinfo != nullptr) perrinfo->AddRef();
  IErrorInfo* old = t_slot.info;
  t_slot.info = perrinfo;
  if (old != nullptr) old->Release();
  return S_OK;
}

STDAPI GetErrorInfo(ULONG reserved, IErrorInfo** pperrinfo) {
  if (reserved != 0 || pperrinfo == nullptr) return E_INVALIDARG;
  // The caller takes over the thread's reference and the slot empties.
  *pperrinfo = t_slot.info;
  t_slot.info = nullptr;
  return *pperrinfo == nullptr ? S_FALSE : S_OK;
}

namespace kt::rt {

HRESULT ReportError(HRESULT hr, const std::string& description) {
  return KtSetErrorInfo(hr, nullptr, kErrorSource, description.c_str(), nullptr, 0);
}

bool HasErrorInfo() {
  return t_slot.info != nullptr;
}

void ClearErrorInfo() {
  SetErrorInfo(0, nullptr);
}

}  // namespace kt::rt
