// Moving values between the COM types of the interfaces (BSTR, VARIANT,
// SAFEARRAY) and the plain types of the class logic.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/variant.h"
#include "keltrane/oleauto.h"

namespace kt::com {

// Text conversion itself is base/ole_text.h; these add what the COM face
// needs on top: a failed allocation thrown as std::bad_alloc, and a slot
// written only once the new string exists.
std::string FromBstr(BSTR b);
// Text of a plain NUL-terminated OLE string (not necessarily a BSTR).
std::string FromBstrText(const OLECHAR* text);
// A new BSTR; throws std::bad_alloc when none can be had.
BSTR ToBstr(std::string_view text);
// Replaces *slot with a new BSTR holding text (the old one is freed).
void StoreBstr(BSTR* slot, std::string_view text);

// Reads a tagged value (by-reference values are followed).  Object
// references have no counterpart in the class logic: error 13.
Variant FromVariant(const VARIANT& v);
// Writes v into *out, which must hold no resources (initialised or cleared).
void ToVariant(const Variant& v, VARIANT* out);

// Arrays: an unallocated (null) SAFEARRAY* is an unallocated VbArray.
VbArray<std::string> FromBstrArray(const SAFEARRAY* sa);
VbArray<int32_t> FromI4Array(const SAFEARRAY* sa);
// Writes the array back into the caller's variable: resizes the caller's
// descriptor in place where it can, otherwise replaces it.
void StoreBstrArray(SAFEARRAY** slot, const VbArray<std::string>& a);
void StoreI4Array(SAFEARRAY** slot, const VbArray<int32_t>& a);

// Raises E_POINTER for a null by-reference argument.
void CheckSlot(const void* slot);

// An in/out string: the logic works on value(); the caller's variable
// receives it when the adapter goes, on every way out of the member.
class StrRef {
 public:
  explicit StrRef(BSTR* slot);
  ~StrRef();
  StrRef(const StrRef&) = delete;
  StrRef& operator=(const StrRef&) = delete;
  std::string& value() { return value_; }

 private:
  BSTR* slot_;
  std::string value_;
  std::string original_;
};

// An in/out 32-bit integer.  The logic takes an int32_t, which a LONG is
// not on Windows (a long there), so it works on a copy; the caller's
// variable receives a changed value when the expression that made the
// I4Ref ends, on every way out of it.
class I4Ref {
 public:
  explicit I4Ref(LONG* slot) : slot_((CheckSlot(slot), slot)), value_(*slot), original_(value_) {}
  ~I4Ref() {
    if (value_ != original_) *slot_ = value_;
  }
  I4Ref(const I4Ref&) = delete;
  I4Ref& operator=(const I4Ref&) = delete;
  operator int32_t&() { return value_; }

 private:
  LONG* slot_;
  int32_t value_;
  int32_t original_;
};

template <class T>
class ArrayRef {
 public:
  explicit ArrayRef(SAFEARRAY** slot);
  ~ArrayRef();
  ArrayRef(const ArrayRef&) = delete;
  ArrayRef& operator=(const ArrayRef&) = delete;
  VbArray<T>& value() { return value_; }

 private:
  SAFEARRAY** slot_;
  VbArray<T> value_;
  VbArray<T> original_;
};
using StrArrayRef = ArrayRef<std::string>;
using I4ArrayRef = ArrayRef<int32_t>;

// The caller's variable behind an in/out scalar argument.
template <class T>
T& Ref(T* slot) {
  CheckSlot(slot);
  return *slot;
}

inline VARIANT_BOOL ToVariantBool(bool b) {
  return b ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace kt::com
