// Late-bound calls: turns the VARIANT arguments of IDispatch::Invoke into
// the arguments of the member's vtable slot, calls it, and hands by-reference
// arguments and the result back.  One template serves every member; the
// member table supplies the declared types (a 16-bit integer and a boolean
// look the same to C++).
#pragma once

#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "com/member_table.h"

namespace kt::com {

// One argument held in the form the slot takes.  Scalars and strings passed
// by value are coerced copies.  A by-reference parameter points at the
// caller's own variable when it was passed by reference with the declared
// type, and at a coerced copy, never handed back, when it was passed by
// value.  A reference of any other type is refused with a type mismatch, a
// reference to a VARIANT too (what a script passes for its variables): the
// system's type-library dispatch does the same, so a script sees one
// behaviour whichever dispatch serves it, and its variable never changes
// type under it.
// A BSTR is a pointer too, but a string passed by value; every other pointer
// is an argument passed by reference or the result.
template <class T>
constexpr bool kByReference = std::is_pointer_v<T> && !std::is_same_v<T, BSTR>;

template <class T>
class ArgSlot {
 public:
  ArgSlot() { VariantInit(&tmp_); }
  ~ArgSlot() { VariantClear(&tmp_); }
  ArgSlot(const ArgSlot&) = delete;
  ArgSlot& operator=(const ArgSlot&) = delete;

  HRESULT Bind(VARIANT* src, ParamType declared) {
    if constexpr (std::is_same_v<T, VARIANT>) {
      return VariantCopyInd(&tmp_, src);
    } else if constexpr (kByReference<T>) {
      const VARTYPE want = TypeVt(declared);
      if (src->vt == (VT_BYREF | want)) {
        ptr_ = static_cast<T>(src->byref);
        return S_OK;
      }
      if ((src->vt & VT_BYREF) != 0 && want != VT_VARIANT) return DISP_E_TYPEMISMATCH;
      HRESULT hr = Coerce(src, want);
      if (FAILED(hr)) return hr;
      ptr_ = reinterpret_cast<T>(&tmp_.llVal);
      tmp_.vt = want;
      return S_OK;
    } else {
      HRESULT hr = Coerce(src, TypeVt(declared));
      if (FAILED(hr)) return hr;
      return S_OK;
    }
  }

  // The slot is the member's result: it starts at its zero value.
  void BindResult(ParamType declared) {
    static_assert(kByReference<T>);
    const VARTYPE vt = TypeVt(declared);
    tmp_.vt = vt == VT_VARIANT ? static_cast<VARTYPE>(VT_EMPTY) : vt;
    ptr_ = std::is_same_v<T, VARIANT*> ? reinterpret_cast<T>(&tmp_) : reinterpret_cast<T>(&tmp_.llVal);
    is_result_ = true;
  }

  T Get() {
    if constexpr (std::is_same_v<T, VARIANT>) {
      return tmp_;
    } else if constexpr (kByReference<T>) {
      return ptr_;
    } else {
      T value;
      std::memcpy(&value, &tmp_.llVal, sizeof value);
      return value;
    }
  }

  // Moves the result into the caller's result VARIANT (or drops it).
  void StoreResult(VARIANT* out) {
    if (!is_result_) return;
    if (out != nullptr) {
      VariantClear(out);
      *out = tmp_;
      VariantInit(&tmp_);
    }
  }

 private:
  HRESULT Coerce(VARIANT* from, VARTYPE want) {
    if (want & VT_ARRAY) {
      VARIANT deref;
      VariantInit(&deref);
      HRESULT hr = VariantCopyInd(&deref, from);
      if (FAILED(hr)) return hr;
      if (deref.vt != want && deref.vt != VT_EMPTY) {
        VariantClear(&deref);
        return DISP_E_TYPEMISMATCH;
      }
      tmp_ = deref;
      if (tmp_.vt == VT_EMPTY) tmp_.parray = nullptr;
      return S_OK;
    }
    return VariantChangeType(&tmp_, from, 0, want);
  }

  VARIANT tmp_;
  T ptr_{};
  bool is_result_ = false;
};

// Specialisation point for members without arguments is not needed: an empty
// tuple works.

template <class I, class... A, size_t... Is>
HRESULT InvokeSlot(HRESULT (I::*method)(A...), std::index_sequence<Is...>, IDispatch* self,
                   const MemberInfo& member, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                   UINT* arg_err) {
  constexpr size_t kArity = sizeof...(A);
  const size_t declared = member.params.size();
  if (kArity != declared + (member.result != ParamType::kNone ? 1 : 0)) return E_UNEXPECTED;
  if (params->cArgs != declared) return DISP_E_BADPARAMCOUNT;

  std::tuple<ArgSlot<A>...> slots;
  HRESULT hr = S_OK;
  (void)result;
  // Arguments arrive last-first in rgvarg.
  auto bind = [&](auto& slot, size_t i) {
    if (FAILED(hr)) return;
    if constexpr (kByReference<std::remove_reference_t<decltype(slot.Get())>>) {
      if (i == declared) {
        slot.BindResult(member.result);
        return;
      }
    }
    HRESULT bound = slot.Bind(&params->rgvarg[declared - 1 - i], member.params[i].type);
    if (FAILED(bound)) {
      hr = (bound == DISP_E_OVERFLOW) ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
      if (arg_err != nullptr) *arg_err = static_cast<UINT>(declared - 1 - i);
    }
  };
  (bind(std::get<Is>(slots), Is), ...);
  (void)bind;
  if (FAILED(hr)) return hr;

  hr = (static_cast<I*>(self)->*method)(std::get<Is>(slots).Get()...);
  if (FAILED(hr)) {
    FillExcepInfo(excepinfo, hr);
    return DISP_E_EXCEPTION;
  }
  (std::get<Is>(slots).StoreResult(result), ...);
  return hr;
}

template <auto Method>
HRESULT InvokeMember(IDispatch* self, const MemberInfo& member, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* excepinfo, UINT* arg_err) {
  return []<class I, class... A>(HRESULT (I::*m)(A...), auto&&... rest) {
    return InvokeSlot(m, std::index_sequence_for<A...>{}, rest...);
  }(Method, self, member, params, result, excepinfo, arg_err);
}

// The vtable index of a virtual member function.  Under the Itanium C++ ABI a
// pointer to a virtual member holds 1 + its byte offset in the vtable.
template <auto Method>
int VtableIndex() {
  struct Rep {
    uintptr_t ptr;
    ptrdiff_t adj;
  } rep;
  static_assert(sizeof(Method) == sizeof(Rep));
  auto method = Method;
  std::memcpy(&rep, &method, sizeof rep);
  if ((rep.ptr & 1) == 0) return -1;
  return static_cast<int>((rep.ptr - 1) / sizeof(void*));
}

template <auto Method>
constexpr Binding By{&InvokeMember<Method>, &VtableIndex<Method>};

}  // namespace kt::com
