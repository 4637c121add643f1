// _clsSubscriber over the clsSubscriber logic.
#include "com/classes/objects.h"
#include "com/env/default_env.h"
#include "com/marshal.h"
#include "com/object.h"
#include "keltrane/keltrane.h"
#include "subscriber/clsSubscriber.h"

namespace kt::com {
namespace {

class SubscriberObject final : public DispatchObject<_clsSubscriber, SubscriberObject> {
 public:
  static const ClassInfo& Info() { return SubscriberClass(); }

  HRESULT SavePanelPhoneNumber(BSTR panelNumber, LONG PanelID) override {
    return Call([&] { logic_.SavePanelPhoneNumber(FromBstr(panelNumber), PanelID); });
  }
  HRESULT UpdateTheStatus(LONG lBatchId, SHORT iState) override {
    return Call([&] { logic_.UpdateTheStatus(lBatchId, iState); });
  }
  HRESULT GetSubscriberInformation(LONG lAccountId, BSTR* last, BSTR* first, BSTR* group, BSTR* account,
                                   BSTR* phone) override {
    return Call([&] {
      StrRef l(last), f(first), g(group), a(account), p(phone);
      logic_.GetSubscriberInformation(lAccountId, l.value(), f.value(), g.value(), a.value(), p.value());
    });
  }
  HRESULT GetPanelInformation(LONG lPanelTyperevId, BSTR* strPanelname,
                              LONG* lParentPanelTypeRevId) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelInformation(lPanelTyperevId, name.value(), I4Ref(lParentPanelTypeRevId));
    });
  }
  HRESULT GetPanelName(LONG lPanelNameID, BSTR* strPanelname) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelName(lPanelNameID, name.value());
    });
  }
  HRESULT GetPanelNamebyProductid(LONG lProductId, LONG lFamilyId, BSTR* strPanelname) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelNamebyProductid(lProductId, lFamilyId, name.value());
    });
  }
  HRESULT GetCommandIDFromPanelCommandDataID(LONG panel_command_data_id, LONG* result) override {
    return Call([&] {
      LONG& out = Ref(result);
      out = 0;
      out = logic_.GetCommandIDFromPanelCommandDataID(panel_command_data_id);
    });
  }
  HRESULT GetPanelNamebyRevid(LONG lPanelTyperevId, BSTR* strPanelname) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelNamebyRevid(lPanelTyperevId, name.value());
    });
  }
  HRESULT SavePanelLastConnectionType(BSTR panelConnType, LONG PanelID) override {
    return Call([&] { logic_.SavePanelLastConnectionType(FromBstr(panelConnType), PanelID); });
  }
  HRESULT GetSubscriber_Information(LONG lAccountId, BSTR* last, BSTR* first, BSTR* group, BSTR* account,
                                    BSTR* phone, BSTR* mode) override {
    return Call([&] {
      StrRef l(last), f(first), g(group), a(account), p(phone), m(mode);
      logic_.GetSubscriber_Information(lAccountId, l.value(), f.value(), g.value(), a.value(), p.value(),
                                       m.value());
    });
  }
  HRESULT GetPanelNamebyProductidAndPanel_NameID(LONG lProductId, LONG lFamilyId, LONG lPanelName_id,
                                                 BSTR* strPanelname) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelNamebyProductidAndPanel_NameID(lProductId, lFamilyId, lPanelName_id, name.value());
    });
  }
  HRESULT GetPanelNamebyProductidFamilyidRevNum(LONG lProductId, LONG lFamilyId, BSTR strRevNum,
                                                BSTR* strPanelname) override {
    return Call([&] {
      StrRef name(strPanelname);
      logic_.GetPanelNamebyProductidFamilyidRevNum(lProductId, lFamilyId, FromBstr(strRevNum), name.value());
    });
  }

 private:
  clsSubscriber logic_{DefaultEnv()};
};

}  // namespace

HRESULT CreateSubscriber(REFIID riid, void** ppv) {
  return CreateObject<SubscriberObject>(riid, ppv);
}

}  // namespace kt::com
