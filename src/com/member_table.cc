#include "com/member_table.h"

#include "base/vbtext.h"

namespace kt::com {

const MemberInfo* InterfaceInfo::Find(DISPID dispid, WORD flags) const {
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  for (const MemberInfo& m : members) {
    if (m.dispid != dispid) continue;
    if (put ? m.kind == Kind::kPropPut : m.kind != Kind::kPropPut) return &m;
  }
  return nullptr;
}

std::vector<const MemberInfo*> InterfaceInfo::FindByName(std::string_view name) const {
  std::vector<const MemberInfo*> found;
  for (const MemberInfo& m : members)
    if (base::EqualsNoCase(m.name, name)) found.push_back(&m);
  return found;
}

const char* TypeName(ParamType t) {
  switch (t) {
    case ParamType::kNone:
      return nullptr;
    case ParamType::kBstr:
      return "BSTR";
    case ParamType::kI2:
      return "I2";
    case ParamType::kI4:
      return "I4";
    case ParamType::kBool:
      return "BOOL";
    case ParamType::kDate:
      return "DATE";
    case ParamType::kVariant:
      return "VARIANT";
    case ParamType::kBstrArray:
      return "SAFEARRAY(BSTR)";
    case ParamType::kI4Array:
      return "SAFEARRAY(I4)";
  }
  return nullptr;
}

VARTYPE TypeVt(ParamType t) {
  switch (t) {
    case ParamType::kNone:
      return VT_EMPTY;
    case ParamType::kBstr:
      return VT_BSTR;
    case ParamType::kI2:
      return VT_I2;
    case ParamType::kI4:
      return VT_I4;
    case ParamType::kBool:
      return VT_BOOL;
    case ParamType::kDate:
      return VT_DATE;
    case ParamType::kVariant:
      return VT_VARIANT;
    case ParamType::kBstrArray:
      return VT_ARRAY | VT_BSTR;
    case ParamType::kI4Array:
      return VT_ARRAY | VT_I4;
  }
  return VT_EMPTY;
}

const char* KindName(Kind k) {
  switch (k) {
    case Kind::kMethod:
      return "method";
    case Kind::kPropGet:
      return "propget";
    case Kind::kPropPut:
      return "propput";
  }
  return "method";
}

}  // namespace kt::com

namespace kt::com {

const ClassInfo* FindClass(REFCLSID clsid) {
  for (const ClassInfo* c : AllClasses())
    if (IsEqualCLSID(*c->clsid, clsid)) return c;
  return nullptr;
}

void FillExcepInfo(EXCEPINFO* excepinfo, HRESULT hr) {
  if (excepinfo == nullptr) return;
  *excepinfo = EXCEPINFO{};
  excepinfo->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return;
  info->GetSource(&excepinfo->bstrSource);
  info->GetDescription(&excepinfo->bstrDescription);
  info->GetHelpFile(&excepinfo->bstrHelpFile);
  DWORD context = 0;
  info->GetHelpContext(&context);
  excepinfo->dwHelpContext = context;
  // Reading the error information took it from the thread; put it back so a
  // caller may still ask for it.
  SetErrorInfo(0, info);
  info->Release();
}

INVOKEKIND InvokeKindOf(Kind k) {
  switch (k) {
    case Kind::kPropGet:
      return INVOKE_PROPERTYGET;
    case Kind::kPropPut:
      return INVOKE_PROPERTYPUT;
    case Kind::kMethod:
      break;
  }
  return INVOKE_FUNC;
}

}  // namespace kt::com
