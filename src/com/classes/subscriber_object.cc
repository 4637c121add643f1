// _clsSubscriber: members whose logic is not built yet answer E_NOTIMPL.
#include "com/classes/objects.h"
#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

class SubscriberObject final : public DispatchObject<_clsSubscriber, SubscriberObject> {
 public:
  static const ClassInfo& Info() { return SubscriberClass(); }

  HRESULT SavePanelPhoneNumber(BSTR /*panelNumber*/, LONG /*PanelID*/) override { return E_NOTIMPL; }
  HRESULT UpdateTheStatus(LONG /*lBatchId*/, SHORT /*iState*/) override { return E_NOTIMPL; }
  HRESULT GetSubscriberInformation(LONG /*lAccountId*/, BSTR* /*strSubscriberLastName*/,
                                   BSTR* /*strSubscriberFirstName*/, BSTR* /*strSubscriberRcvrGroup*/,
                                   BSTR* /*strSubscriberAcctNumber*/,
                                   BSTR* /*strPanelPhoneNUmber*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelInformation(LONG /*lPanelTyperevId*/, BSTR* /*strPanelname*/,
                              LONG* /*lParentPanelTypeRevId*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelName(LONG /*lPanelNameID*/, BSTR* /*strPanelname*/) override { return E_NOTIMPL; }
  HRESULT GetPanelNamebyProductid(LONG /*lProductId*/, LONG /*lFamilyId*/, BSTR* /*strPanelname*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetCommandIDFromPanelCommandDataID(LONG /*panel_command_data_id*/, LONG* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelNamebyRevid(LONG /*lPanelTyperevId*/, BSTR* /*strPanelname*/) override { return E_NOTIMPL; }
  HRESULT SavePanelLastConnectionType(BSTR /*panelConnType*/, LONG /*PanelID*/) override { return E_NOTIMPL; }
  HRESULT GetSubscriber_Information(LONG /*lAccountId*/, BSTR* /*strSubscriberLastName*/,
                                    BSTR* /*strSubscriberFirstName*/, BSTR* /*strSubscriberRcvrGroup*/,
                                    BSTR* /*strSubscriberAcctNumber*/, BSTR* /*strPanelPhoneNUmber*/,
                                    BSTR* /*strLastConnectionMode*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelNamebyProductidAndPanel_NameID(LONG /*lProductId*/, LONG /*lFamilyId*/,
                                                 LONG /*lPanelName_id*/, BSTR* /*strPanelname*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetPanelNamebyProductidFamilyidRevNum(LONG /*lProductId*/, LONG /*lFamilyId*/, BSTR /*strRevNum*/,
                                                BSTR* /*strPanelname*/) override {
    return E_NOTIMPL;
  }
};

}  // namespace

HRESULT CreateSubscriber(REFIID riid, void** ppv) {
  return CreateObject<SubscriberObject>(riid, ppv);
}

}  // namespace kt::com
