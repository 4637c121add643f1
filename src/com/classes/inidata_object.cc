// _clsINIData: members whose logic is not built yet answer E_NOTIMPL.
#include "com/classes/objects.h"
#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

class IniDataObject final : public DispatchObject<_clsINIData, IniDataObject> {
 public:
  static const ClassInfo& Info() { return IniDataClass(); }

  HRESULT GetTheValueFromCmdArgument(BSTR* /*cmdArgument*/, LONG* /*lUserId*/, SHORT* /*lOdbc*/,
                                     SHORT* /*lCommPort*/, SHORT* /*intSchedule*/) override {
    return E_NOTIMPL;
  }
  HRESULT ini_get(BSTR /*Section*/, BSTR /*Key*/, BSTR /*szDefault*/, BSTR* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT command_Line_Get(BSTR /*command_option*/, VARIANT /*szDefault*/, BSTR /*cmdArg*/,
                           VARIANT* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetModemInformation(LONG* /*lCompanyId*/, LONG* /*lProtocolID*/,
                              SAFEARRAY** /*strModem*/) override {
    return E_NOTIMPL;
  }
  HRESULT GetTCPIPPortInformation(LONG* /*lCompanyId*/, LONG* /*lProtocolID*/,
                                  SAFEARRAY** /*strTCPIP*/) override {
    return E_NOTIMPL;
  }
  HRESULT ini_write(BSTR /*Section*/, BSTR /*Key*/, VARIANT /*stringvalue*/) override { return E_NOTIMPL; }
  HRESULT get_command_line_option(BSTR /*Section*/, BSTR /*Key*/, VARIANT /*szDefault*/, BSTR /*suffix*/,
                                  VARIANT* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT get_CommandLineArgument(BSTR* /*result*/) override { return E_NOTIMPL; }
  HRESULT put_CommandLineArgument(BSTR /*New_CommandLineArgument*/) override { return E_NOTIMPL; }
  HRESULT GetAccountID(BSTR* /*cmdArgument*/, LONG* /*lAcctId*/) override { return E_NOTIMPL; }
  HRESULT GetClassValueToInstatiate(LONG* /*lAcctId*/, LONG* /*lPanelTyperevId*/, LONG* /*lPanelId*/,
                                    LONG* /*lPanelNameID*/, SHORT* /*CompanyId*/,
                                    SHORT* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT ChangeDateTimeToXMLFormat(DATE* /*dtValue*/, BSTR* /*result*/) override { return E_NOTIMPL; }
  HRESULT GetCommandType(LONG* /*lCommandID*/, LONG* /*result*/) override { return E_NOTIMPL; }
  HRESULT GetCommandTypeIndex(LONG* /*lCommandID*/, LONG* /*result*/) override { return E_NOTIMPL; }
  HRESULT GetProtocolIndex(SHORT* /*lCompanyId*/, LONG* /*result*/) override { return E_NOTIMPL; }
  HRESULT UpdateConnectionString(LONG* /*frmHWND*/, BSTR* /*strFilePath*/, SHORT* /*intODBC*/,
                                 VARIANT_BOOL* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT IsSupported(LONG* /*lAccountId*/, BSTR* /*strProtocol*/, SHORT* /*nSupport*/,
                      SHORT* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT IsTCPSupport(LONG* /*lPanelTyperevId*/, SHORT* /*result*/) override { return E_NOTIMPL; }
  HRESULT getCommSections(LONG* /*company*/, BSTR* /*SectionInteractive*/, BSTR* /*SectionServer*/) override {
    return E_NOTIMPL;
  }
  HRESULT Update16BitModemSettings(LONG /*lCompanyId*/, LONG /*lCommPort*/, BSTR /*strModem_Model*/,
                                   VARIANT_BOOL /*btouch_tone*/, VARIANT_BOOL /*bspeaker_on*/,
                                   VARIANT_BOOL /*bspeaker_off_after_connect*/, LONG /*lspeaker_volume*/,
                                   BSTR /*strAux_AT_Commands*/, BSTR /*strF7702_Local_Code*/,
                                   BSTR /*strF7702_Remote_Code*/, BSTR /*strF7702_Ring_Count*/,
                                   BSTR /*strF7702_Carrier_Duration*/, LONG /*lF7702_Mode*/,
                                   BSTR /*strdialer_prefix*/, VARIANT* /*result*/) override {
    return E_NOTIMPL;
  }
  HRESULT ini_write_16Bit(BSTR /*Section*/, BSTR /*Key*/, VARIANT /*stringvalue*/) override {
    return E_NOTIMPL;
  }
  HRESULT ini_getE2Path(BSTR* /*result*/) override { return E_NOTIMPL; }
};

}  // namespace

HRESULT CreateIniData(REFIID riid, void** ppv) {
  return CreateObject<IniDataObject>(riid, ppv);
}

}  // namespace kt::com
