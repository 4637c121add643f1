// A small owning reference to a COM interface, and the conversion of a
// failing status into the class logic's error (number = the status, source
// and description from the component's error information).
#pragma once

#include <cstdint>
#include <utility>

#include "keltrane/oleauto.h"

namespace kt::com {

template <class I>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(I* p) : p_(p) {}  // takes over a reference
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  I** put() {
    *this = ComPtr();
    return &p_;
  }
  I* detach() { return std::exchange(p_, nullptr); }

 private:
  I* p_ = nullptr;
};

// The logic's int32_t passed by reference to a component, whose slot takes
// a LONG (a long on Windows): the component works on a copy, which goes
// back into the logic's variable when the expression that made the LongArg
// ends, also when the call fails.
class LongArg {
 public:
  explicit LongArg(int32_t& var) : var_(var), value_(var) {}
  ~LongArg() { var_ = static_cast<int32_t>(value_); }
  LongArg(const LongArg&) = delete;
  LongArg& operator=(const LongArg&) = delete;
  operator LONG*() { return &value_; }

 private:
  int32_t& var_;
  LONG value_;
};

// Raises the thread's error information (or a bare status) as a VbError.
[[noreturn]] void RaiseStatus(HRESULT hr);
inline void Check(HRESULT hr) {
  if (FAILED(hr)) RaiseStatus(hr);
}

// Creates a component by class id and asks it for iid; a failure raises.
template <class I>
ComPtr<I> CreateComponent(REFCLSID clsid, REFIID iid) {
  ComPtr<I> p;
  Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(p.put())));
  return p;
}

}  // namespace kt::com
