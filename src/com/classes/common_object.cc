// _clsCommon over the clsCommon logic.
#include "com/classes/objects.h"
#include "com/env/default_env.h"
#include "com/marshal.h"
#include "com/object.h"
#include "common/clsCommon.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

class CommonObject final : public DispatchObject<_clsCommon, CommonObject> {
 public:
  static const ClassInfo& Info() { return CommonClass(); }

  HRESULT GetVelmora20InstalledPath(BSTR* result) override {
    return Call([&] {
      BSTR& out = Ref(result);
      out = nullptr;
      out = ToBstr(logic_.GetVelmora20InstalledPath());
    });
  }
  HRESULT getViewLogEnabledValues(LONG lPTRID, LONG lParentPTRID, SHORT* blnEventLog, SHORT* blnECPLog,
                                  SHORT* blnFIRELog, SHORT* blnALARMLog, VARIANT* result) override {
    return Call([&] {
      VARIANT& out = Ref(result);
      VariantInit(&out);
      Variant value = logic_.getViewLogEnabledValues(lPTRID, lParentPTRID, Ref(blnEventLog), Ref(blnECPLog),
                                                     Ref(blnFIRELog), Ref(blnALARMLog));
      ToVariant(value, &out);
    });
  }
  HRESULT GetCompanyIdFromPTRID(LONG* lPTRID, LONG* result) override {
    return Call([&] {
      LONG& out = Ref(result);
      out = 0;
      out = logic_.GetCompanyIdFromPTRID(I4Ref(lPTRID));
    });
  }

 private:
  clsCommon logic_{DefaultEnv()};
};

}  // namespace

HRESULT CreateCommon(REFIID riid, void** ppv) {
  return CreateObject<CommonObject>(riid, ppv);
}

}  // namespace kt::com
