#include "members.h"

#include <cstdio>
#include <memory>

#include "args.h"

namespace kt::host {

namespace {

struct ReleaseInfo {
  void operator()(ITypeInfo* info) const { info->Release(); }
};
using InfoPtr = std::unique_ptr<ITypeInfo, ReleaseInfo>;

// A description handed out by the type information, given back with it.
class FuncDescHeld {
 public:
  FuncDescHeld(ITypeInfo* info, FUNCDESC* desc) : info_(info), desc_(desc) {}
  ~FuncDescHeld() { info_->ReleaseFuncDesc(desc_); }
  FuncDescHeld(const FuncDescHeld&) = delete;
  FuncDescHeld& operator=(const FuncDescHeld&) = delete;
  const FUNCDESC& operator*() const { return *desc_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_;
};

// The types the library's members use; 0 (VT_EMPTY) for any other.
VARTYPE TypeOf(const TYPEDESC& t) {
  switch (t.vt) {
    case VT_BSTR:
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_DATE:
    case VT_VARIANT:
      return t.vt;
    case VT_SAFEARRAY:
      if (t.lptdesc != nullptr && (t.lptdesc->vt == VT_BSTR || t.lptdesc->vt == VT_I4))
        return static_cast<VARTYPE>(VT_ARRAY | t.lptdesc->vt);
      return 0;
    default:
      return 0;
  }
}

std::string Hex(uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

// The names of a member and its parameters.
HRESULT NamesOf(ITypeInfo* info, const FUNCDESC& f, std::vector<std::string>* out) {
  std::vector<BSTR> names(static_cast<size_t>(f.cParams) + 1, nullptr);
  UINT count = 0;
  HRESULT hr = info->GetNames(f.memid, names.data(), static_cast<UINT>(names.size()), &count);
  if (FAILED(hr)) return hr;
  for (UINT i = 0; i < count && i < names.size(); ++i) {
    out->push_back(base::BstrToUtf8(names[i]));
    SysFreeString(names[i]);
  }
  return count == names.size() ? S_OK : TYPE_E_ELEMENTNOTFOUND;
}

HRESULT DescribeMember(ITypeInfo* info, UINT index, MemberDesc* out, std::string* why) {
  FUNCDESC* raw = nullptr;
  HRESULT hr = info->GetFuncDesc(index, &raw);
  if (FAILED(hr) || raw == nullptr) {
    *why = "function description " + std::to_string(index);
    return FAILED(hr) ? hr : E_POINTER;
  }
  FuncDescHeld held(info, raw);
  const FUNCDESC& f = *held;
  std::vector<std::string> names;
  hr = NamesOf(info, f, &names);
  if (FAILED(hr)) {
    *why = "names of member " + Hex(static_cast<uint32_t>(f.memid));
    return hr;
  }
  out->slot = f.oVft / static_cast<int>(sizeof(void*));
  out->dispid = f.memid;
  out->kind = f.invkind;
  out->name = names[0];
  const bool no_result = f.elemdescFunc.tdesc.vt == VT_VOID;
  const VARTYPE result = no_result ? static_cast<VARTYPE>(VT_EMPTY) : TypeOf(f.elemdescFunc.tdesc);
  if (!no_result && result == 0) {
    *why = "result type " + std::to_string(f.elemdescFunc.tdesc.vt) + " of " + out->name;
    return DISP_E_BADVARTYPE;
  }
  out->result = result;
  for (SHORT i = 0; i < f.cParams; ++i) {
    const ELEMDESC& e = f.lprgelemdescParam[i];
    const bool by_ref = e.tdesc.vt == VT_PTR;
    const VARTYPE type = by_ref ? (e.tdesc.lptdesc ? TypeOf(*e.tdesc.lptdesc) : 0) : TypeOf(e.tdesc);
    if (type == 0) {
      *why = "type of parameter " + names[i + 1] + " of " + out->name;
      return DISP_E_BADVARTYPE;
    }
    out->params.push_back({names[i + 1], type, by_ref});
  }
  return S_OK;
}

}  // namespace

std::string TypeName(VARTYPE type) {
  switch (type & VT_TYPEMASK) {
    case VT_BSTR:
      return type & VT_ARRAY ? "SAFEARRAY(BSTR)" : "BSTR";
    case VT_I2:
      return "I2";
    case VT_I4:
      return type & VT_ARRAY ? "SAFEARRAY(I4)" : "I4";
    case VT_BOOL:
      return "BOOL";
    case VT_DATE:
      return "DATE";
    case VT_VARIANT:
      return "VARIANT";
  }
  return "vt" + std::to_string(type);
}

HRESULT Describe(IDispatch* object, InterfaceDesc* out, std::string* why) {
  UINT count = 0;
  HRESULT hr = object->GetTypeInfoCount(&count);
  if (SUCCEEDED(hr) && count == 0) hr = E_NOTIMPL;
  ITypeInfo* raw = nullptr;
  if (SUCCEEDED(hr)) hr = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &raw);
  if (FAILED(hr) || raw == nullptr) {
    *why = "type information";
    return FAILED(hr) ? hr : E_POINTER;
  }
  InfoPtr info(raw);
  TYPEATTR* attr = nullptr;
  hr = info->GetTypeAttr(&attr);
  if (FAILED(hr) || attr == nullptr) {
    *why = "type attributes";
    return FAILED(hr) ? hr : E_POINTER;
  }
  out->iid = attr->guid;
  const WORD functions = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  BSTR name = nullptr;
  hr = info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  out->name = base::BstrToUtf8(name);
  SysFreeString(name);
  if (FAILED(hr)) {
    *why = "interface name";
    return hr;
  }
  out->members.clear();
  for (UINT i = 0; i < functions; ++i) {
    MemberDesc m{};
    hr = DescribeMember(info.get(), i, &m, why);
    if (FAILED(hr)) return hr;
    out->members.push_back(std::move(m));
  }
  return S_OK;
}

json MembersJson(const InterfaceDesc& iface) {
  json list = json::array();
  for (const MemberDesc& m : iface.members) {
    json params = json::array();
    for (const ParamDesc& p : m.params)
      params.push_back({{"name", p.name}, {"type", TypeName(p.type)}, {"dir", p.by_ref ? "inout" : "in"}});
    list.push_back({{"slot", m.slot},
                    {"dispid", Hex(static_cast<uint32_t>(m.dispid))},
                    {"kind", m.kind == INVOKE_PROPERTYGET   ? "propget"
                             : m.kind == INVOKE_PROPERTYPUT ? "propput"
                                                            : "method"},
                    {"name", m.name},
                    {"params", params},
                    {"result", m.result == VT_EMPTY ? json(nullptr) : json(TypeName(m.result))}});
  }
  return list;
}

}  // namespace kt::host
