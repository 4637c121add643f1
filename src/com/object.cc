#include "com/object.h"

#include <string>

#include "base/vbtext.h"
#include "com/marshal.h"
#include "frame/error.h"
#include "keltrane/ktrt.h"

namespace kt::com {

namespace {

// The status a member's error becomes: run-time numbers travel as
// 0x800A0000 + n, a number that is itself a failing status unchanged.
HRESULT StatusOf(int32_t number) {
  if (number < 0) return number;
  if (number > 0 && number < 65536) return KT_HRESULT_FROM_VB(number);
  return E_FAIL;
}

void SetInfo(const ClassInfo& cls, const ErrRecord& record) {
  const std::string& source = record.source.empty() ? std::string(cls.progid) : record.source;
  KtSetErrorInfo(S_OK, cls.iface->iid, source.c_str(), record.description.c_str(), record.help_file.c_str(),
                 static_cast<DWORD>(record.help_context));
}

}  // namespace

HRESULT ReportFailure(const ClassInfo& cls) {
  CaptureCurrentException();
  ErrRecord record = Err();
  Err().Clear();
  SetInfo(cls, record);
  return StatusOf(record.number);
}

HRESULT IdsOfNames(const InterfaceInfo& iface, LPOLESTR* names, UINT count, DISPID* dispids) {
  if (names == nullptr || dispids == nullptr || count == 0) return E_INVALIDARG;
  const auto found = iface.FindByName(FromBstrText(names[0]));
  if (found.empty()) {
    for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  dispids[0] = found.front()->dispid;
  // Parameter names map to their positions.
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    dispids[i] = DISPID_UNKNOWN;
    const std::string wanted = FromBstrText(names[i]);
    for (const MemberInfo* m : found)
      for (size_t p = 0; p < m->params.size(); ++p)
        if (base::EqualsNoCase(m->params[p].name, wanted)) dispids[i] = static_cast<DISPID>(p);
    if (dispids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT InvokeByTable(IDispatch* self, const InterfaceInfo& iface, DISPID dispid, REFIID riid, WORD flags,
                      DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_err) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_INVALIDARG;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
  const MemberInfo* member = iface.Find(dispid, flags);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  // The only named argument understood is the value of a property write.
  if (params->cNamedArgs > 0) {
    const bool put_value = member->kind == Kind::kPropPut && params->cNamedArgs == 1 &&
                           params->rgdispidNamedArgs != nullptr &&
                           params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    if (!put_value) return DISP_E_NONAMEDARGS;
  }
  return member->binding.invoke(self, *member, params, result, excepinfo, arg_err);
}

}  // namespace kt::com
