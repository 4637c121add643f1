#include "log_tap.h"

#include <atomic>

#include "args.h"
#include "keltrane/components.h"

namespace kt::host {
namespace {

using json = nlohmann::ordered_json;

template <class Self>
class RefCounted {
 public:
  ULONG AddRefImpl() { return ++refs_; }
  ULONG ReleaseImpl() {
    ULONG left = --refs_;
    if (left == 0) delete static_cast<Self*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class TapLogger final : public IKtLogger, public RefCounted<TapLogger> {
 public:
  TapLogger(json* lines, IKtLogger* inner) : lines_(lines), inner_(inner) {}
  ~TapLogger() {
    if (inner_) inner_->Release();
  }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IKtLogger)) {
      *ppv = static_cast<IKtLogger*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return AddRefImpl(); }
  ULONG Release() override { return ReleaseImpl(); }
  HRESULT GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT Reserved1() override { return E_NOTIMPL; }
  HRESULT Reserved2() override { return E_NOTIMPL; }
  HRESULT LogEntry(LONG level, BSTR source, BSTR message) override {
    lines_->push_back({{"level", level},
                       {"source", base::BstrToUtf8(source)},
                       {"message", base::BstrToUtf8(message)},
                       {"error_number", nullptr}});
    return inner_ ? inner_->LogEntry(level, source, message) : S_OK;
  }
  HRESULT LogErrorEntry(LONG level, BSTR source, BSTR message, LONG number) override {
    lines_->push_back({{"level", level},
                       {"source", base::BstrToUtf8(source)},
                       {"message", base::BstrToUtf8(message)},
                       {"error_number", number}});
    return inner_ ? inner_->LogErrorEntry(level, source, message, number) : S_OK;
  }

 private:
  json* lines_;
  IKtLogger* inner_;
};

class TapFactory final : public IClassFactory, public RefCounted<TapFactory> {
 public:
  TapFactory(json* lines, IClassFactory* inner) : lines_(lines), inner_(inner) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return AddRefImpl(); }
  ULONG Release() override { return ReleaseImpl(); }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    // The suite's component does the real work; when it cannot be created,
    // the library sees the same failure as without the tap.
    IKtLogger* inner = nullptr;
    if (inner_ != nullptr) {
      HRESULT hr = inner_->CreateInstance(nullptr, IID_IKtLogger, reinterpret_cast<void**>(&inner));
      if (FAILED(hr)) return hr;
    }
    auto* tap = new TapLogger(lines_, inner);
    HRESULT hr = tap->QueryInterface(riid, ppv);
    tap->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  json* lines_;
  IClassFactory* inner_;
};

}  // namespace

LogTap::LogTap(json* lines) {
  CoGetClassObject(CLSID_KtLogger, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                   reinterpret_cast<void**>(&inner_));
  factory_ = new TapFactory(lines, inner_);
  CoRegisterClassObject(CLSID_KtLogger, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

LogTap::~LogTap() {
  if (cookie_) CoRevokeClassObject(cookie_);
  factory_->Release();
  if (inner_) inner_->Release();
}

}  // namespace kt::host
