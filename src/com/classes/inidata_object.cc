// _clsINIData over the clsINIData logic.
#include "com/classes/objects.h"
#include "com/env/default_env.h"
#include "com/marshal.h"
#include "com/object.h"
#include "config/clsINIData.h"
#include "keltrane/keltrane.h"

namespace kt::com {
namespace {

// [out, retval] values: the caller's slot holds nothing to free.
void SetResult(BSTR* slot, const std::string& text) {
  BSTR& out = Ref(slot);
  out = nullptr;
  out = ToBstr(text);
}
void SetResult(VARIANT* slot, const Variant& value) {
  VARIANT& out = Ref(slot);
  VariantInit(&out);
  ToVariant(value, &out);
}

class IniDataObject final : public DispatchObject<_clsINIData, IniDataObject> {
 public:
  static const ClassInfo& Info() { return IniDataClass(); }

  HRESULT GetTheValueFromCmdArgument(BSTR* cmdArgument, LONG* lUserId, SHORT* lOdbc, SHORT* lCommPort,
                                     SHORT* intSchedule) override {
    return Call([&] {
      StrRef cmd(cmdArgument);
      logic_.GetTheValueFromCmdArgument(cmd.value(), I4Ref(lUserId), Ref(lOdbc), Ref(lCommPort),
                                        Ref(intSchedule));
    });
  }
  HRESULT ini_get(BSTR Section, BSTR Key, BSTR szDefault, BSTR* result) override {
    return Call(
        [&] { SetResult(result, logic_.ini_get(FromBstr(Section), FromBstr(Key), FromBstr(szDefault))); });
  }
  HRESULT command_Line_Get(BSTR command_option, VARIANT szDefault, BSTR cmdArg, VARIANT* result) override {
    return Call([&] {
      SetResult(result,
                logic_.command_Line_Get(FromBstr(command_option), FromVariant(szDefault), FromBstr(cmdArg)));
    });
  }
  HRESULT GetModemInformation(LONG* lCompanyId, LONG* lProtocolID, SAFEARRAY** strModem) override {
    return Call([&] {
      StrArrayRef ports(strModem);
      logic_.GetModemInformation(I4Ref(lCompanyId), I4Ref(lProtocolID), ports.value());
    });
  }
  HRESULT GetTCPIPPortInformation(LONG* lCompanyId, LONG* lProtocolID, SAFEARRAY** strTCPIP) override {
    return Call([&] {
      StrArrayRef ports(strTCPIP);
      logic_.GetTCPIPPortInformation(I4Ref(lCompanyId), I4Ref(lProtocolID), ports.value());
    });
  }
  HRESULT ini_write(BSTR Section, BSTR Key, VARIANT stringvalue) override {
    return Call([&] { logic_.ini_write(FromBstr(Section), FromBstr(Key), FromVariant(stringvalue)); });
  }
  HRESULT get_command_line_option(BSTR Section, BSTR Key, VARIANT szDefault, BSTR suffix,
                                  VARIANT* result) override {
    return Call([&] {
      SetResult(result, logic_.get_command_line_option(FromBstr(Section), FromBstr(Key),
                                                       FromVariant(szDefault), FromBstr(suffix)));
    });
  }
  HRESULT get_CommandLineArgument(BSTR* result) override {
    return Call([&] { SetResult(result, logic_.GetCommandLineArgument()); });
  }
  HRESULT put_CommandLineArgument(BSTR New_CommandLineArgument) override {
    return Call([&] { logic_.SetCommandLineArgument(FromBstr(New_CommandLineArgument)); });
  }
  HRESULT GetAccountID(BSTR* cmdArgument, LONG* lAcctId) override {
    return Call([&] {
      StrRef cmd(cmdArgument);
      logic_.GetAccountID(cmd.value(), I4Ref(lAcctId));
    });
  }
  HRESULT GetClassValueToInstatiate(LONG* lAcctId, LONG* lPanelTyperevId, LONG* lPanelId, LONG* lPanelNameID,
                                    SHORT* CompanyId, SHORT* result) override {
    return Call([&] {
      SHORT& out = Ref(result);
      out = 0;
      out = logic_.GetClassValueToInstatiate(I4Ref(lAcctId), I4Ref(lPanelTyperevId), I4Ref(lPanelId),
                                             I4Ref(lPanelNameID), Ref(CompanyId));
    });
  }
  HRESULT ChangeDateTimeToXMLFormat(DATE* dtValue, BSTR* result) override {
    return Call([&] { SetResult(result, logic_.ChangeDateTimeToXMLFormat(Ref(dtValue))); });
  }
  HRESULT GetCommandType(LONG* lCommandID, LONG* result) override {
    return Call([&] {
      LONG& out = Ref(result);
      out = 0;
      out = logic_.GetCommandType(I4Ref(lCommandID));
    });
  }
  HRESULT GetCommandTypeIndex(LONG* lCommandID, LONG* result) override {
    return Call([&] {
      LONG& out = Ref(result);
      out = 0;
      out = logic_.GetCommandTypeIndex(I4Ref(lCommandID));
    });
  }
  HRESULT GetProtocolIndex(SHORT* lCompanyId, LONG* result) override {
    return Call([&] {
      LONG& out = Ref(result);
      out = 0;
      out = logic_.GetProtocolIndex(Ref(lCompanyId));
    });
  }
  HRESULT UpdateConnectionString(LONG* frmHWND, BSTR* strFilePath, SHORT* intODBC,
                                 VARIANT_BOOL* result) override {
    return Call([&] {
      VARIANT_BOOL& out = Ref(result);
      out = VARIANT_FALSE;
      StrRef path(strFilePath);
      out = ToVariantBool(logic_.UpdateConnectionString(I4Ref(frmHWND), path.value(), Ref(intODBC)));
    });
  }
  HRESULT IsSupported(LONG* lAccountId, BSTR* strProtocol, SHORT* nSupport, SHORT* result) override {
    return Call([&] {
      SHORT& out = Ref(result);
      out = 0;
      StrRef protocol(strProtocol);
      out = logic_.IsSupported(I4Ref(lAccountId), protocol.value(), Ref(nSupport));
    });
  }
  HRESULT IsTCPSupport(LONG* lPanelTyperevId, SHORT* result) override {
    return Call([&] {
      SHORT& out = Ref(result);
      out = 0;
      out = logic_.IsTCPSupport(I4Ref(lPanelTyperevId));
    });
  }
  HRESULT getCommSections(LONG* company, BSTR* SectionInteractive, BSTR* SectionServer) override {
    return Call([&] {
      StrRef interactive(SectionInteractive), server(SectionServer);
      logic_.getCommSections(I4Ref(company), interactive.value(), server.value());
    });
  }
  HRESULT Update16BitModemSettings(LONG lCompanyId, LONG lCommPort, BSTR strModem_Model,
                                   VARIANT_BOOL btouch_tone, VARIANT_BOOL bspeaker_on,
                                   VARIANT_BOOL bspeaker_off_after_connect, LONG lspeaker_volume,
                                   BSTR strAux_AT_Commands, BSTR strF7702_Local_Code,
                                   BSTR strF7702_Remote_Code, BSTR strF7702_Ring_Count,
                                   BSTR strF7702_Carrier_Duration, LONG lF7702_Mode, BSTR strdialer_prefix,
                                   VARIANT* result) override {
    return Call([&] {
      SetResult(result, Variant());
      SetResult(result, logic_.Update16BitModemSettings(
                            lCompanyId, lCommPort, FromBstr(strModem_Model), btouch_tone, bspeaker_on,
                            bspeaker_off_after_connect, lspeaker_volume, FromBstr(strAux_AT_Commands),
                            FromBstr(strF7702_Local_Code), FromBstr(strF7702_Remote_Code),
                            FromBstr(strF7702_Ring_Count), FromBstr(strF7702_Carrier_Duration), lF7702_Mode,
                            FromBstr(strdialer_prefix)));
    });
  }
  HRESULT ini_write_16Bit(BSTR Section, BSTR Key, VARIANT stringvalue) override {
    return Call([&] { logic_.ini_write_16Bit(FromBstr(Section), FromBstr(Key), FromVariant(stringvalue)); });
  }
  HRESULT ini_getE2Path(BSTR* result) override {
    return Call([&] { SetResult(result, logic_.ini_getE2Path()); });
  }

 private:
  clsINIData logic_{DefaultEnv()};
};

}  // namespace

HRESULT CreateIniData(REFIID riid, void** ppv) {
  return CreateObject<IniDataObject>(riid, ppv);
}

}  // namespace kt::com
