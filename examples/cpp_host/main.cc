// A C++ host: a small smart pointer, and a helper that calls any member
// late-bound by name through IDispatch.
#include <keltrane/keltrane.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

template <class I>
class Ptr {
 public:
  Ptr() = default;
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  ~Ptr() {
    if (p_) p_->Release();
  }
  I* operator->() const { return p_; }
  I** put() { return &p_; }
  void** put_void() { return reinterpret_cast<void**>(&p_); }

 private:
  I* p_ = nullptr;
};

// Calls member `name` with arguments given first to last; returns the status.
HRESULT Call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args,
             VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
  DISPPARAMS params{reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(reversed.size()),
                    is_put ? 1u : 0u};
  EXCEPINFO excep{};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, nullptr);
  if (hr == DISP_E_EXCEPTION) {
    std::fprintf(stderr, "member failed: 0x%08X\n", static_cast<unsigned>(excep.scode));
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    hr = excep.scode;
  }
  return hr;
}

VARIANT Long(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

int main() {
  Ptr<IClassFactory> factory;
  Ptr<IDispatch> profile;
  if (FAILED(DllGetClassObject(CLSID_clsProfile, IID_IClassFactory, factory.put_void())) ||
      FAILED(factory->CreateInstance(nullptr, IID_IDispatch, profile.put_void()))) {
    std::fprintf(stderr, "cannot create Keltrane.clsProfile\n");
    return 1;
  }
  Call(profile.operator->(), u"SetMaxRecord", DISPATCH_PROPERTYPUT, {Long(7)}, nullptr);
  VARIANT count;
  VariantInit(&count);
  Call(profile.operator->(), u"GetMaxRecord", DISPATCH_PROPERTYGET, {}, &count);
  std::printf("record count %d\n", static_cast<int>(count.lVal));
  // The record count is 32 bits: adding past its top is the overflow error.
  const HRESULT overflow =
      Call(profile.operator->(), u"SetMaxRecord", DISPATCH_PROPERTYPUT, {Long(2147483647)}, nullptr);
  std::printf("overflow status 0x%08X\n", static_cast<unsigned>(overflow));
  return count.lVal == 7 && overflow == static_cast<HRESULT>(0x800A0006) ? 0 : 1;
}
