// A class's interface as the library's type information describes it: the
// host lists members, resolves names and converts arguments from this, so it
// shows what the library itself answers to any automation client.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "keltrane/oleauto.h"

namespace kt::host {

using json = nlohmann::ordered_json;

// A parameter or result type: VT_BSTR, VT_I2, VT_I4, VT_BOOL, VT_DATE,
// VT_VARIANT, or VT_ARRAY with VT_BSTR or VT_I4; VT_EMPTY for no result.
struct ParamDesc {
  std::string name;
  VARTYPE type;
  bool by_ref;  // [in, out]; else [in]
};

struct MemberDesc {
  int slot;  // vtable index
  DISPID dispid;
  INVOKEKIND kind;
  std::string name;
  std::vector<ParamDesc> params;
  VARTYPE result;
};

struct InterfaceDesc {
  std::string name;
  IID iid;
  std::vector<MemberDesc> members;
};

// Reads the description of object's interface (its one type information).
// On failure returns the status and sets *why to what could not be read.
HRESULT Describe(IDispatch* object, InterfaceDesc* out, std::string* why);

// The members in slot order as `keltrane members` prints them.
json MembersJson(const InterfaceDesc& iface);

// The name a listing shows for a type ("BSTR", "SAFEARRAY(I4)", ...).
std::string TypeName(VARTYPE type);

}  // namespace kt::host
