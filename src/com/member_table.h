// The description of a dual interface's members: slot, dispatch id, kind,
// name, parameters and result.  IDispatch, the host's member listing and the
// slot tests all read this one table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "keltrane/oleauto.h"

namespace kt::com {

enum class ParamType : uint8_t { kNone, kBstr, kI2, kI4, kBool, kDate, kVariant, kBstrArray, kI4Array };
enum class Dir : uint8_t { kIn, kInOut };
enum class Kind : uint8_t { kMethod, kPropGet, kPropPut };

struct ParamInfo {
  const char* name;
  ParamType type;
  Dir dir;
};

struct MemberInfo;
// Calls the member late-bound: coerces the arguments, calls the vtable slot
// (a by-reference argument of the declared type is the caller's own
// variable, written in place) and stores the result.
// A failure of the member itself comes back as DISP_E_EXCEPTION with
// excepinfo filled from the error information it left.
using InvokeFn = HRESULT (*)(IDispatch* self, const MemberInfo& member, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* excepinfo, UINT* arg_err);

// How a member is reached: late-bound, and the vtable index its interface
// method really has (read off the C++ declaration, for the slot tests).
struct Binding {
  InvokeFn invoke;
  int (*vtable_index)();
};

struct MemberInfo {
  int slot;
  DISPID dispid;
  Kind kind;
  const char* name;
  std::vector<ParamInfo> params;
  ParamType result;
  Binding binding;
};

struct InterfaceInfo {
  const char* name;  // "_clsProfile"
  const IID* iid;
  std::span<const MemberInfo> members;

  // Finds the member a late-bound call means: the dispatch id and, for a
  // property, whether it is read or written.  nullptr when there is none.
  const MemberInfo* Find(DISPID dispid, WORD flags) const;
  // Members named name, without regard to case (a property's read and write).
  std::vector<const MemberInfo*> FindByName(std::string_view name) const;
};

// One creatable class: its identity and its interface.
struct ClassInfo {
  const char* name;    // "clsProfile"
  const char* progid;  // "Keltrane.clsProfile"
  const CLSID* clsid;
  std::vector<const IID*> earlier_iids;
  const InterfaceInfo* iface;
};

// The four classes, in the order of the library's class table.
std::span<const ClassInfo* const> AllClasses();
const ClassInfo* FindClass(REFCLSID clsid);
const ClassInfo& SubscriberClass();
const ClassInfo& IniDataClass();
const ClassInfo& ProfileClass();
const ClassInfo& CommonClass();

// Fills excepinfo (when given) from the thread's error information after a
// member failed with hr; the error information stays readable.
void FillExcepInfo(EXCEPINFO* excepinfo, HRESULT hr);

// Names used for types in listings ("BSTR", "I2", "SAFEARRAY(BSTR)", ...).
const char* TypeName(ParamType t);
VARTYPE TypeVt(ParamType t);
const char* KindName(Kind k);
// How IDispatch::Invoke and a function description name the kind.
INVOKEKIND InvokeKindOf(Kind k);

}  // namespace kt::com
