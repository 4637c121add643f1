/*
 * keltrane/keltrane.h - the Keltrane class library as its hosts see it.
 *
 * Class ids, ProgIDs and interface ids of the four classes, their dual
 * interfaces in slot order (slots 0-2 IUnknown, 3-6 IDispatch, then the
 * members), and the library's four exported entry points.  Properties follow
 * the usual naming of generated COM headers: get_<name> for a read, put_<name>
 * for a write.  A member's declared result is its final out-pointer.
 */
#ifndef KELTRANE_KELTRANE_H
#define KELTRANE_KELTRANE_H

#include "oleauto.h"

KT_BEGIN_C

/* Library identity (type library version 6.6, locale 0x409), class ids and
 * interface ids; the ___vN ids are the earlier ids of each interface, which
 * QueryInterface answers with the same interface. */
KT_DEFINE_GUID(LIBID_Keltrane, 0xAECDE49F, 0x1EF3, 0x4943, 0xA8, 0x61, 0x3C, 0xA6, 0xD6, 0xFD, 0x57,
               0x2D); /* {AECDE49F-1EF3-4943-A861-3CA6D6FD572D} */
KT_DEFINE_GUID(CLSID_clsSubscriber, 0xEFA1C806, 0xFDC1, 0x4BA4, 0xB4, 0xA3, 0xDF, 0xC8, 0x44, 0x23, 0x19,
               0xF0); /* {EFA1C806-FDC1-4BA4-B4A3-DFC8442319F0} */
KT_DEFINE_GUID(CLSID_clsINIData, 0x9163608E, 0x1800, 0x436D, 0x89, 0x0E, 0x34, 0x39, 0xE1, 0xFA, 0xB0,
               0xF9); /* {9163608E-1800-436D-890E-3439E1FAB0F9} */
KT_DEFINE_GUID(CLSID_clsProfile, 0xACAC1532, 0xF0D3, 0x4066, 0xB5, 0xDB, 0x3C, 0xC2, 0x8A, 0x23, 0x4E,
               0xA3); /* {ACAC1532-F0D3-4066-B5DB-3CC28A234EA3} */
KT_DEFINE_GUID(CLSID_clsCommon, 0x45068536, 0xC6D5, 0x4544, 0x80, 0x71, 0x6B, 0x8E, 0x5A, 0x41, 0x88,
               0x91); /* {45068536-C6D5-4544-8071-6B8E5A418891} */
KT_DEFINE_GUID(IID__clsSubscriber, 0xAD9FA96B, 0x0DCB, 0x43C9, 0xB3, 0x37, 0x9D, 0xB2, 0x71, 0xB0, 0x78,
               0xAD); /* {AD9FA96B-0DCB-43C9-B337-9DB271B078AD} */
KT_DEFINE_GUID(IID__clsINIData, 0x62644B56, 0xC0F7, 0x4266, 0x8D, 0x9C, 0xAB, 0x92, 0x90, 0x6A, 0xB3,
               0x4E); /* {62644B56-C0F7-4266-8D9C-AB92906AB34E} */
KT_DEFINE_GUID(IID__clsProfile, 0x64F72CBF, 0x915C, 0x4120, 0x8A, 0x87, 0x7D, 0x20, 0x4D, 0xD1, 0xC7,
               0x74); /* {64F72CBF-915C-4120-8A87-7D204DD1C774} */
KT_DEFINE_GUID(IID__clsCommon, 0xC31A836F, 0x2CB3, 0x4113, 0xA1, 0xA8, 0x15, 0xD5, 0x2F, 0xC7, 0x20,
               0x4E); /* {C31A836F-2CB3-4113-A1A8-15D52FC7204E} */
KT_DEFINE_GUID(IID__clsSubscriber___v0, 0x2660E4D3, 0x78A2, 0x4A76, 0x9C, 0x69, 0x02, 0x1B, 0xC9, 0x3E, 0x58,
               0x2E); /* {2660E4D3-78A2-4A76-9C69-021BC93E582E} */
KT_DEFINE_GUID(IID__clsSubscriber___v1, 0xF598E65F, 0x479E, 0x406E, 0x90, 0x33, 0x33, 0x5E, 0xCB, 0xFC, 0x08,
               0x15); /* {F598E65F-479E-406E-9033-335ECBFC0815} */
KT_DEFINE_GUID(IID__clsSubscriber___v2, 0x2F6428C3, 0x5E00, 0x4974, 0x80, 0xB7, 0x09, 0x12, 0xC7, 0x0D, 0xE6,
               0xFB); /* {2F6428C3-5E00-4974-80B7-0912C70DE6FB} */
KT_DEFINE_GUID(IID__clsINIData___v0, 0xF0781C52, 0xAB6C, 0x422F, 0x83, 0x06, 0x6A, 0x71, 0x91, 0xC2, 0x97,
               0xF8); /* {F0781C52-AB6C-422F-8306-6A7191C297F8} */
KT_DEFINE_GUID(IID__clsINIData___v1, 0x5510E40F, 0x3F78, 0x4355, 0x9C, 0xE4, 0xE6, 0x99, 0xC4, 0x3A, 0x09,
               0x95); /* {5510E40F-3F78-4355-9CE4-E699C43A0995} */
KT_DEFINE_GUID(IID__clsINIData___v2, 0x1610ACD7, 0x7F47, 0x412B, 0x99, 0x5F, 0x97, 0xD4, 0xAE, 0x0E, 0x7C,
               0x41); /* {1610ACD7-7F47-412B-995F-97D4AE0E7C41} */
KT_DEFINE_GUID(IID__clsCommon___v0, 0xD0BAC09F, 0xED2B, 0x4364, 0x8A, 0xF5, 0x82, 0xE3, 0x4E, 0x85, 0x5B,
               0x40); /* {D0BAC09F-ED2B-4364-8AF5-82E34E855B40} */

/* In-process server entry points. */
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllCanUnloadNow(void);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);

KT_END_C

#define KELTRANE_PROGID_clsSubscriber KT_OLESTR("Keltrane.clsSubscriber")
#define KELTRANE_PROGID_clsINIData KT_OLESTR("Keltrane.clsINIData")
#define KELTRANE_PROGID_clsProfile KT_OLESTR("Keltrane.clsProfile")
#define KELTRANE_PROGID_clsCommon KT_OLESTR("Keltrane.clsCommon")

#ifdef __cplusplus

struct _clsSubscriber : IDispatch {
  /* 7 */ virtual HRESULT SavePanelPhoneNumber(BSTR panelNumber, LONG PanelID) = 0;
  /* 8 */ virtual HRESULT UpdateTheStatus(LONG lBatchId, SHORT iState) = 0;
  /* 9 */ virtual HRESULT GetSubscriberInformation(LONG lAccountId, BSTR* strSubscriberLastName,
                                                   BSTR* strSubscriberFirstName, BSTR* strSubscriberRcvrGroup,
                                                   BSTR* strSubscriberAcctNumber,
                                                   BSTR* strPanelPhoneNUmber) = 0;
  /* 10 */ virtual HRESULT GetPanelInformation(LONG lPanelTyperevId, BSTR* strPanelname,
                                               LONG* lParentPanelTypeRevId) = 0;
  /* 11 */ virtual HRESULT GetPanelName(LONG lPanelNameID, BSTR* strPanelname) = 0;
  /* 12 */ virtual HRESULT GetPanelNamebyProductid(LONG lProductId, LONG lFamilyId, BSTR* strPanelname) = 0;
  /* 13 */ virtual HRESULT GetCommandIDFromPanelCommandDataID(LONG panel_command_data_id, LONG* result) = 0;
  /* 14 */ virtual HRESULT GetPanelNamebyRevid(LONG lPanelTyperevId, BSTR* strPanelname) = 0;
  /* 15 */ virtual HRESULT SavePanelLastConnectionType(BSTR panelConnType, LONG PanelID) = 0;
  /* 16 */ virtual HRESULT GetSubscriber_Information(LONG lAccountId, BSTR* strSubscriberLastName,
                                                     BSTR* strSubscriberFirstName,
                                                     BSTR* strSubscriberRcvrGroup,
                                                     BSTR* strSubscriberAcctNumber, BSTR* strPanelPhoneNUmber,
                                                     BSTR* strLastConnectionMode) = 0;
  /* 17 */ virtual HRESULT GetPanelNamebyProductidAndPanel_NameID(LONG lProductId, LONG lFamilyId,
                                                                  LONG lPanelName_id, BSTR* strPanelname) = 0;
  /* 18 */ virtual HRESULT GetPanelNamebyProductidFamilyidRevNum(LONG lProductId, LONG lFamilyId,
                                                                 BSTR strRevNum, BSTR* strPanelname) = 0;
};

struct _clsINIData : IDispatch {
  /* 7 */ virtual HRESULT GetTheValueFromCmdArgument(BSTR* cmdArgument, LONG* lUserId, SHORT* lOdbc,
                                                     SHORT* lCommPort, SHORT* intSchedule) = 0;
  /* 8 */ virtual HRESULT ini_get(BSTR Section, BSTR Key, BSTR szDefault, BSTR* result) = 0;
  /* 9 */ virtual HRESULT command_Line_Get(BSTR command_option, VARIANT szDefault, BSTR cmdArg,
                                           VARIANT* result) = 0;
  /* 10 */ virtual HRESULT GetModemInformation(LONG* lCompanyId, LONG* lProtocolID, SAFEARRAY** strModem) = 0;
  /* 11 */ virtual HRESULT GetTCPIPPortInformation(LONG* lCompanyId, LONG* lProtocolID,
                                                   SAFEARRAY** strTCPIP) = 0;
  /* 12 */ virtual HRESULT ini_write(BSTR Section, BSTR Key, VARIANT stringvalue) = 0;
  /* 13 */ virtual HRESULT get_command_line_option(BSTR Section, BSTR Key, VARIANT szDefault, BSTR suffix,
                                                   VARIANT* result) = 0;
  /* 14 */ virtual HRESULT get_CommandLineArgument(BSTR* result) = 0;
  /* 15 */ virtual HRESULT put_CommandLineArgument(BSTR New_CommandLineArgument) = 0;
  /* 16 */ virtual HRESULT GetAccountID(BSTR* cmdArgument, LONG* lAcctId) = 0;
  /* 17 */ virtual HRESULT GetClassValueToInstatiate(LONG* lAcctId, LONG* lPanelTyperevId, LONG* lPanelId,
                                                     LONG* lPanelNameID, SHORT* CompanyId, SHORT* result) = 0;
  /* 18 */ virtual HRESULT ChangeDateTimeToXMLFormat(DATE* dtValue, BSTR* result) = 0;
  /* 19 */ virtual HRESULT GetCommandType(LONG* lCommandID, LONG* result) = 0;
  /* 20 */ virtual HRESULT GetCommandTypeIndex(LONG* lCommandID, LONG* result) = 0;
  /* 21 */ virtual HRESULT GetProtocolIndex(SHORT* lCompanyId, LONG* result) = 0;
  /* 22 */ virtual HRESULT UpdateConnectionString(LONG* frmHWND, BSTR* strFilePath, SHORT* intODBC,
                                                  VARIANT_BOOL* result) = 0;
  /* 23 */ virtual HRESULT IsSupported(LONG* lAccountId, BSTR* strProtocol, SHORT* nSupport,
                                       SHORT* result) = 0;
  /* 24 */ virtual HRESULT IsTCPSupport(LONG* lPanelTyperevId, SHORT* result) = 0;
  /* 25 */ virtual HRESULT getCommSections(LONG* company, BSTR* SectionInteractive, BSTR* SectionServer) = 0;
  /* 26 */ virtual HRESULT Update16BitModemSettings(
      LONG lCompanyId, LONG lCommPort, BSTR strModem_Model, VARIANT_BOOL btouch_tone,
      VARIANT_BOOL bspeaker_on, VARIANT_BOOL bspeaker_off_after_connect, LONG lspeaker_volume,
      BSTR strAux_AT_Commands, BSTR strF7702_Local_Code, BSTR strF7702_Remote_Code, BSTR strF7702_Ring_Count,
      BSTR strF7702_Carrier_Duration, LONG lF7702_Mode, BSTR strdialer_prefix, VARIANT* result) = 0;
  /* 27 */ virtual HRESULT ini_write_16Bit(BSTR Section, BSTR Key, VARIANT stringvalue) = 0;
  /* 28 */ virtual HRESULT ini_getE2Path(BSTR* result) = 0;
};

struct _clsProfile : IDispatch {
  /* 7 */ virtual HRESULT AddClientEntry() = 0;
  /* 8 */ virtual HRESULT GetProfileFile() = 0;
  /* 9 */ virtual HRESULT ReorderCommands(SAFEARRAY** strCommands, SAFEARRAY** lCommandID) = 0;
  /* 10 */ virtual HRESULT ResetCommands() = 0;
  /* 11 */ virtual HRESULT ReadFromProfile() = 0;
  /* 12 */ virtual HRESULT get_GetClientID(LONG* result) = 0;
  /* 13 */ virtual HRESULT put_SetClientID(LONG lNewValue) = 0;
  /* 14 */ virtual HRESULT get_GetAccountID(LONG* result) = 0;
  /* 15 */ virtual HRESULT put_SetAccountID(LONG lNewValue) = 0;
  /* 16 */ virtual HRESULT get_GetRequestID(LONG* result) = 0;
  /* 17 */ virtual HRESULT put_SetRequestID(LONG lNewValue) = 0;
  /* 18 */ virtual HRESULT get_GetCommandID(LONG* result) = 0;
  /* 19 */ virtual HRESULT put_SetCommandID(LONG lNewValue) = 0;
  /* 20 */ virtual HRESULT SetCommands(BSTR* strCommands, LONG* lCommandID, SHORT* intIndex) = 0;
  /* 21 */ virtual HRESULT GetCommands(SAFEARRAY** strCommands, SAFEARRAY** lCommandID) = 0;
  /* 22 */ virtual HRESULT get_GetMaxRecord(LONG* result) = 0;
  /* 23 */ virtual HRESULT put_SetMaxRecord(LONG* lNewValue) = 0;
  /* 24 */ virtual HRESULT GetAccountIDIndex(LONG* lAccountId, SHORT* result) = 0;
  /* 25 */ virtual HRESULT GetConnectionStatus(VARIANT_BOOL* result) = 0;
  /* 26 */ virtual HRESULT DeleteClientEntry(SHORT* intIndex) = 0;
  /* 27 */ virtual HRESULT GetRequestIDStatus(SHORT* intStatus) = 0;
};

struct _clsCommon : IDispatch {
  /* 7 */ virtual HRESULT GetVelmora20InstalledPath(BSTR* result) = 0;
  /* 8 */ virtual HRESULT getViewLogEnabledValues(LONG lPTRID, LONG lParentPTRID, SHORT* blnEventLog,
                                                  SHORT* blnECPLog, SHORT* blnFIRELog, SHORT* blnALARMLog,
                                                  VARIANT* result) = 0;
  /* 9 */ virtual HRESULT GetCompanyIdFromPTRID(LONG* lPTRID, LONG* result) = 0;
};

#else /* C */

typedef struct _clsSubscriber _clsSubscriber;
typedef struct _clsINIData _clsINIData;
typedef struct _clsProfile _clsProfile;
typedef struct _clsCommon _clsCommon;

typedef struct _clsSubscriberVtbl {
  KT_IDISPATCH_SLOTS(_clsSubscriber)
  HRESULT (*SavePanelPhoneNumber)(_clsSubscriber* This, BSTR panelNumber, LONG PanelID);
  HRESULT (*UpdateTheStatus)(_clsSubscriber* This, LONG lBatchId, SHORT iState);
  HRESULT (*GetSubscriberInformation)
  (_clsSubscriber* This, LONG lAccountId, BSTR* strSubscriberLastName, BSTR* strSubscriberFirstName,
   BSTR* strSubscriberRcvrGroup, BSTR* strSubscriberAcctNumber, BSTR* strPanelPhoneNUmber);
  HRESULT (*GetPanelInformation)
  (_clsSubscriber* This, LONG lPanelTyperevId, BSTR* strPanelname, LONG* lParentPanelTypeRevId);
  HRESULT (*GetPanelName)(_clsSubscriber* This, LONG lPanelNameID, BSTR* strPanelname);
  HRESULT (*GetPanelNamebyProductid)
  (_clsSubscriber* This, LONG lProductId, LONG lFamilyId, BSTR* strPanelname);
  HRESULT (*GetCommandIDFromPanelCommandDataID)
  (_clsSubscriber* This, LONG panel_command_data_id, LONG* result);
  HRESULT (*GetPanelNamebyRevid)(_clsSubscriber* This, LONG lPanelTyperevId, BSTR* strPanelname);
  HRESULT (*SavePanelLastConnectionType)(_clsSubscriber* This, BSTR panelConnType, LONG PanelID);
  HRESULT (*GetSubscriber_Information)
  (_clsSubscriber* This, LONG lAccountId, BSTR* strSubscriberLastName, BSTR* strSubscriberFirstName,
   BSTR* strSubscriberRcvrGroup, BSTR* strSubscriberAcctNumber, BSTR* strPanelPhoneNUmber,
   BSTR* strLastConnectionMode);
  HRESULT (*GetPanelNamebyProductidAndPanel_NameID)
  (_clsSubscriber* This, LONG lProductId, LONG lFamilyId, LONG lPanelName_id, BSTR* strPanelname);
  HRESULT (*GetPanelNamebyProductidFamilyidRevNum)
  (_clsSubscriber* This, LONG lProductId, LONG lFamilyId, BSTR strRevNum, BSTR* strPanelname);
} _clsSubscriberVtbl;
struct _clsSubscriber {
  const _clsSubscriberVtbl* lpVtbl;
};

typedef struct _clsINIDataVtbl {
  KT_IDISPATCH_SLOTS(_clsINIData)
  HRESULT (*GetTheValueFromCmdArgument)
  (_clsINIData* This, BSTR* cmdArgument, LONG* lUserId, SHORT* lOdbc, SHORT* lCommPort, SHORT* intSchedule);
  HRESULT (*ini_get)(_clsINIData* This, BSTR Section, BSTR Key, BSTR szDefault, BSTR* result);
  HRESULT (*command_Line_Get)
  (_clsINIData* This, BSTR command_option, VARIANT szDefault, BSTR cmdArg, VARIANT* result);
  HRESULT (*GetModemInformation)
  (_clsINIData* This, LONG* lCompanyId, LONG* lProtocolID, SAFEARRAY** strModem);
  HRESULT (*GetTCPIPPortInformation)
  (_clsINIData* This, LONG* lCompanyId, LONG* lProtocolID, SAFEARRAY** strTCPIP);
  HRESULT (*ini_write)(_clsINIData* This, BSTR Section, BSTR Key, VARIANT stringvalue);
  HRESULT (*get_command_line_option)
  (_clsINIData* This, BSTR Section, BSTR Key, VARIANT szDefault, BSTR suffix, VARIANT* result);
  HRESULT (*get_CommandLineArgument)(_clsINIData* This, BSTR* result);
  HRESULT (*put_CommandLineArgument)(_clsINIData* This, BSTR New_CommandLineArgument);
  HRESULT (*GetAccountID)(_clsINIData* This, BSTR* cmdArgument, LONG* lAcctId);
  HRESULT (*GetClassValueToInstatiate)
  (_clsINIData* This, LONG* lAcctId, LONG* lPanelTyperevId, LONG* lPanelId, LONG* lPanelNameID,
   SHORT* CompanyId, SHORT* result);
  HRESULT (*ChangeDateTimeToXMLFormat)(_clsINIData* This, DATE* dtValue, BSTR* result);
  HRESULT (*GetCommandType)(_clsINIData* This, LONG* lCommandID, LONG* result);
  HRESULT (*GetCommandTypeIndex)(_clsINIData* This, LONG* lCommandID, LONG* result);
  HRESULT (*GetProtocolIndex)(_clsINIData* This, SHORT* lCompanyId, LONG* result);
  HRESULT (*UpdateConnectionString)
  (_clsINIData* This, LONG* frmHWND, BSTR* strFilePath, SHORT* intODBC, VARIANT_BOOL* result);
  HRESULT (*IsSupported)
  (_clsINIData* This, LONG* lAccountId, BSTR* strProtocol, SHORT* nSupport, SHORT* result);
  HRESULT (*IsTCPSupport)(_clsINIData* This, LONG* lPanelTyperevId, SHORT* result);
  HRESULT (*getCommSections)(_clsINIData* This, LONG* company, BSTR* SectionInteractive, BSTR* SectionServer);
  HRESULT (*Update16BitModemSettings)
  (_clsINIData* This, LONG lCompanyId, LONG lCommPort, BSTR strModem_Model, VARIANT_BOOL btouch_tone,
   VARIANT_BOOL bspeaker_on, VARIANT_BOOL bspeaker_off_after_connect, LONG lspeaker_volume,
   BSTR strAux_AT_Commands, BSTR strF7702_Local_Code, BSTR strF7702_Remote_Code, BSTR strF7702_Ring_Count,
   BSTR strF7702_Carrier_Duration, LONG lF7702_Mode, BSTR strdialer_prefix, VARIANT* result);
  HRESULT (*ini_write_16Bit)(_clsINIData* This, BSTR Section, BSTR Key, VARIANT stringvalue);
  HRESULT (*ini_getE2Path)(_clsINIData* This, BSTR* result);
} _clsINIDataVtbl;
struct _clsINIData {
  const _clsINIDataVtbl* lpVtbl;
};

typedef struct _clsProfileVtbl {
  KT_IDISPATCH_SLOTS(_clsProfile)
  HRESULT (*AddClientEntry)(_clsProfile* This);
  HRESULT (*GetProfileFile)(_clsProfile* This);
  HRESULT (*ReorderCommands)(_clsProfile* This, SAFEARRAY** strCommands, SAFEARRAY** lCommandID);
  HRESULT (*ResetCommands)(_clsProfile* This);
  HRESULT (*ReadFromProfile)(_clsProfile* This);
  HRESULT (*get_GetClientID)(_clsProfile* This, LONG* result);
  HRESULT (*put_SetClientID)(_clsProfile* This, LONG lNewValue);
  HRESULT (*get_GetAccountID)(_clsProfile* This, LONG* result);
  HRESULT (*put_SetAccountID)(_clsProfile* This, LONG lNewValue);
  HRESULT (*get_GetRequestID)(_clsProfile* This, LONG* result);
  HRESULT (*put_SetRequestID)(_clsProfile* This, LONG lNewValue);
  HRESULT (*get_GetCommandID)(_clsProfile* This, LONG* result);
  HRESULT (*put_SetCommandID)(_clsProfile* This, LONG lNewValue);
  HRESULT (*SetCommands)(_clsProfile* This, BSTR* strCommands, LONG* lCommandID, SHORT* intIndex);
  HRESULT (*GetCommands)(_clsProfile* This, SAFEARRAY** strCommands, SAFEARRAY** lCommandID);
  HRESULT (*get_GetMaxRecord)(_clsProfile* This, LONG* result);
  HRESULT (*put_SetMaxRecord)(_clsProfile* This, LONG* lNewValue);
  HRESULT (*GetAccountIDIndex)(_clsProfile* This, LONG* lAccountId, SHORT* result);
  HRESULT (*GetConnectionStatus)(_clsProfile* This, VARIANT_BOOL* result);
  HRESULT (*DeleteClientEntry)(_clsProfile* This, SHORT* intIndex);
  HRESULT (*GetRequestIDStatus)(_clsProfile* This, SHORT* intStatus);
} _clsProfileVtbl;
struct _clsProfile {
  const _clsProfileVtbl* lpVtbl;
};

typedef struct _clsCommonVtbl {
  KT_IDISPATCH_SLOTS(_clsCommon)
  HRESULT (*GetVelmora20InstalledPath)(_clsCommon* This, BSTR* result);
  HRESULT (*getViewLogEnabledValues)
  (_clsCommon* This, LONG lPTRID, LONG lParentPTRID, SHORT* blnEventLog, SHORT* blnECPLog, SHORT* blnFIRELog,
   SHORT* blnALARMLog, VARIANT* result);
  HRESULT (*GetCompanyIdFromPTRID)(_clsCommon* This, LONG* lPTRID, LONG* result);
} _clsCommonVtbl;
struct _clsCommon {
  const _clsCommonVtbl* lpVtbl;
};

#endif /* __cplusplus */

#endif /* KELTRANE_KELTRANE_H */
