// Run under Wine after regsvr32 Keltrane.dll (scripts/test-windows.sh): the
// type library the registration names, loaded through the system's
// LoadRegTypeLib, must describe every class and member exactly as the member
// tables do, so that a client bound through the type library (early-bound,
// or the system's type-library dispatch) calls the slots our IDispatch calls:
// the class and its interface, and for each member its dispatch id, kind,
// vtable offset, names, parameter types and directions and result.
// Prints one line per disagreement; exit code 0 when there is none.
#include <cstdio>
#include <string>

#include "com/member_table.h"
#include "keltrane/keltrane.h"

namespace {

using kt::com::ClassInfo;
using kt::com::Dir;
using kt::com::Kind;
using kt::com::MemberInfo;
using kt::com::ParamType;

int g_failures = 0;

void Fail(const std::string& where, const std::string& what) {
  std::printf("typelib_check: %s: %s\n", where.c_str(), what.c_str());
  ++g_failures;
}

std::string Narrow(const OLECHAR* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

// The type a parameter's description carries, without the pointer of a
// reference: VT_ARRAY|element for an array.
VARTYPE Declared(const TYPEDESC& desc, bool* by_ref) {
  const TYPEDESC* t = &desc;
  *by_ref = t->vt == VT_PTR;
  if (*by_ref) t = t->lptdesc;
  if (t->vt == VT_SAFEARRAY) return static_cast<VARTYPE>(VT_ARRAY | t->lptdesc->vt);
  return t->vt;
}

void CheckMember(ITypeInfo* vtable, const TYPEATTR& attr, const MemberInfo& m, const std::string& where) {
  const FUNCDESC* found = nullptr;
  FUNCDESC* desc = nullptr;
  for (UINT i = 0; i < attr.cFuncs && found == nullptr; ++i) {
    if (FAILED(vtable->GetFuncDesc(i, &desc))) continue;
    if (desc->memid == m.dispid && desc->invkind == InvokeKindOf(m.kind)) {
      found = desc;
    } else {
      vtable->ReleaseFuncDesc(desc);
    }
  }
  if (found == nullptr) return Fail(where, "no function with this dispatch id and kind");
  if (found->oVft != static_cast<SHORT>(m.slot * sizeof(void*))) {
    Fail(where, "vtable offset " + std::to_string(found->oVft) + ", slot " + std::to_string(m.slot));
  }
  const size_t with_result = m.params.size() + (m.result != ParamType::kNone ? 1 : 0);
  if (static_cast<size_t>(found->cParams) != with_result) {
    Fail(where, std::to_string(found->cParams) + " parameters, the table has " + std::to_string(with_result));
  } else {
    BSTR names[32] = {};
    UINT count = 0;
    vtable->GetNames(m.dispid, names, 32, &count);
    if (count == 0 || Narrow(names[0]) != m.name) Fail(where, "named " + Narrow(count ? names[0] : nullptr));
    for (size_t i = 0; i < with_result; ++i) {
      const bool is_result = i == m.params.size();
      const ParamType type = is_result ? m.result : m.params[i].type;
      bool by_ref = false;
      const VARTYPE vt = Declared(found->lprgelemdescParam[i].tdesc, &by_ref);
      const USHORT flags = found->lprgelemdescParam[i].paramdesc.wParamFlags;
      const USHORT want = is_result                     ? (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)
                          : m.params[i].dir == Dir::kIn ? PARAMFLAG_FIN
                                                        : (PARAMFLAG_FIN | PARAMFLAG_FOUT);
      const std::string what = where + " parameter " + std::to_string(i);
      if (vt != kt::com::TypeVt(type)) Fail(what, "type " + std::to_string(vt));
      if (by_ref != (is_result || m.params[i].dir == Dir::kInOut)) Fail(what, "passed the wrong way");
      if (flags != want) Fail(what, "flags " + std::to_string(flags));
      // A property write's parameter has no name of its own in a type library.
      if (!is_result && m.kind != Kind::kPropPut &&
          (i + 1 >= count || Narrow(names[i + 1]) != m.params[i].name)) {
        Fail(what, "not named " + std::string(m.params[i].name));
      }
    }
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
  }
  vtable->ReleaseFuncDesc(const_cast<FUNCDESC*>(found));
}

void CheckClass(ITypeLib* lib, const ClassInfo& cls) {
  ITypeInfo* coclass = nullptr;
  if (FAILED(lib->GetTypeInfoOfGuid(*cls.clsid, &coclass)))
    return Fail(cls.name, "no coclass with its class id");
  coclass->Release();
  ITypeInfo* dispatch = nullptr;
  if (FAILED(lib->GetTypeInfoOfGuid(*cls.iface->iid, &dispatch))) {
    return Fail(cls.iface->name, "no interface with its id");
  }
  // A dual interface's own functions, with their vtable offsets, are in its
  // vtable half.
  ITypeInfo* vtable = nullptr;
  HREFTYPE ref = 0;
  if (FAILED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
      FAILED(dispatch->GetRefTypeInfo(ref, &vtable))) {
    dispatch->Release();
    return Fail(cls.iface->name, "not dual");
  }
  dispatch->Release();
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(vtable->GetTypeAttr(&attr))) {
    // The vtable half lists the interface's own functions; IDispatch's are
    // inherited.
    if (attr->cFuncs != cls.iface->members.size()) {
      Fail(cls.iface->name, std::to_string(attr->cFuncs) + " functions, the table has " +
                                std::to_string(cls.iface->members.size()) + " members");
    }
    for (const MemberInfo& m : cls.iface->members)
      CheckMember(vtable, *attr, m, std::string(cls.name) + "." + m.name);
    vtable->ReleaseTypeAttr(attr);
  }
  vtable->Release();
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ITypeLib* lib = nullptr;
  const HRESULT hr = LoadRegTypeLib(LIBID_Keltrane, 6, 6, 0x409, &lib);
  if (FAILED(hr)) {
    std::printf("typelib_check: LoadRegTypeLib of the registered type library failed: 0x%08lX\n",
                static_cast<unsigned long>(hr));
    return 1;
  }
  size_t members = 0;
  for (const ClassInfo* cls : kt::com::AllClasses()) {
    CheckClass(lib, *cls);
    members += cls->iface->members.size();
  }
  lib->Release();
  CoUninitialize();
  if (g_failures != 0) return 1;
  std::printf("typelib_check: %zu classes, %zu members agree with the member tables\n",
              kt::com::AllClasses().size(), members);
  return 0;
}
