// What every suite component shares: reference counting tied to the server's
// lock count, QueryInterface for IUnknown, IDispatch and the component's own
// interface, an IDispatch without type information, error information and
// text conversion between BSTR and UTF-8.
#pragma once

#include <atomic>
#include <new>
#include <string>
#include <string_view>

#include "base/ole_text.h"
#include "keltrane/oleauto.h"

namespace kt::suite {

// The server's own lock: every live component holds it once.
void LockServer(int delta);

// Sets the thread's error information (source "KeltraneSuite.<component>")
// and returns hr, so that a failure reads `return Fail(...)`.
HRESULT Fail(HRESULT hr, std::string_view component, std::string_view description);

using base::BstrToUtf8;  // a null BSTR is the empty text
using base::Utf8ToBstr;

template <class I, const IID& kIid>
class ComObject : public I {
 public:
  ComObject() { LockServer(+1); }
  virtual ~ComObject() { LockServer(-1); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIid)) {
      *ppv = static_cast<I*>(this);
      this->AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

  // The components are called through their slots only.
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// Makes a component, asks it for riid and drops the creation reference.
template <class T>
HRESULT CreateAndQuery(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  T* object = new (std::nothrow) T();
  if (object == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace kt::suite
