// The COM object around an instance of a class: reference counting,
// QueryInterface for the current and earlier interface ids, IDispatch by name
// and dispatch id, and the member-call frame that turns the logic's errors
// into a failing status with error information.
#pragma once

#include <atomic>
#include <utility>

#include "com/member_table.h"
#include "com/typeinfo.h"
#include "keltrane/ktrt.h"

namespace kt::com {

// The library's server description (class table, lock count).
const KtServerDesc& Server();

// Runs after a member failed inside the frame: captures the error into the
// thread's error record, sets the error information (source defaults to the
// class's ProgID) and gives the status the caller receives.
HRESULT ReportFailure(const ClassInfo& cls);

// IDispatch::GetIDsOfNames over a member table.
HRESULT IdsOfNames(const InterfaceInfo& iface, LPOLESTR* names, UINT count, DISPID* dispids);
// IDispatch::Invoke over a member table.
HRESULT InvokeByTable(IDispatch* self, const InterfaceInfo& iface, DISPID dispid, REFIID riid, WORD flags,
                      DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_err);

template <class Iface, class Derived>
class DispatchObject : public Iface {
 public:
  static const ClassInfo& Class() { return Derived::Info(); }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!Answers(riid)) return E_NOINTERFACE;
    *ppv = static_cast<Iface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }
  // One type description: the interface's, made from its member table.
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = TypeInfoOf(Class());
    return *info != nullptr ? S_OK : E_UNEXPECTED;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) override {
    return IdsOfNames(*Class().iface, names, count, dispids);
  }
  HRESULT Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepinfo, UINT* arg_err) override {
    return InvokeByTable(this, *Class().iface, dispid, riid, flags, params, result, excepinfo, arg_err);
  }

 protected:
  DispatchObject() { KtServerLock(&Server(), +1); }
  ~DispatchObject() { KtServerLock(&Server(), -1); }

  // The member-call frame: the instance stays alive for the whole call, and
  // an error that leaves the member becomes its failing status.
  // The call is numbered, so that outside files are checked once in it.
  template <class Body>
  HRESULT Call(Body&& body) {
    AddRef();
    KtEnterCall();
    // Error information still on the thread belongs to an earlier call: a
    // component that fails in this one without setting its own must not be
    // reported with it.  (Our run time's CoCreateInstance clears it before a
    // factory runs; the system's on Windows does not, and a component kept
    // from an earlier call is not created again.)
    SetErrorInfo(0, nullptr);
    HRESULT hr = S_OK;
    try {
      std::forward<Body>(body)();
    } catch (...) {
      hr = ReportFailure(Class());
    }
    KtLeaveCall();
    Release();
    return hr;
  }

 private:
  bool Answers(REFIID riid) const {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) return true;
    if (IsEqualIID(riid, *Class().iface->iid)) return true;
    for (const IID* earlier : Class().earlier_iids)
      if (IsEqualIID(riid, *earlier)) return true;
    return false;
  }

  std::atomic<ULONG> refs_{1};
};

// Creates a new instance of a class (its creation hook runs) and queries it.
template <class Derived>
HRESULT CreateObject(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  Derived* object = nullptr;
  try {
    object = new Derived();
  } catch (...) {
    return ReportFailure(Derived::Info());
  }
  HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace kt::com
