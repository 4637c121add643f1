/*
 * keltrane/components.h - the suite's outside components as the Keltrane
 * library calls them: class ids, interface ids and the slots it uses.
 *
 * The library creates each component by class id through the object run time
 * and reaches it only through the slots below; a site may plug in components
 * of its own (CoRegisterClassObject, or a registration) as long as they keep
 * these slots.  Slots not used by the library are kept as Reserved entries so
 * that every used operation sits at its slot.  Recordsets are the library's
 * stand-in for ADO recordsets: one row set, a current row, fields by name.
 */
#ifndef KELTRANE_COMPONENTS_H
#define KELTRANE_COMPONENTS_H

#include "oleauto.h"

KT_DEFINE_GUID(CLSID_KtLogger, 0x9CC92C39, 0x8336, 0x11D5, 0x94, 0x2D, 0x00, 0xB0, 0xD0, 0xAC, 0xD5, 0xB6);
KT_DEFINE_GUID(IID_IKtLogger, 0x9CC92C38, 0x8336, 0x11D5, 0x94, 0x2D, 0x00, 0xB0, 0xD0, 0xAC, 0xD5, 0xB6);
KT_DEFINE_GUID(CLSID_KtDownloadApplication, 0x594B8654, 0x5917, 0x11D6, 0x86, 0x41, 0x00, 0xC0, 0x4F, 0x60,
               0xDC, 0xF4);
KT_DEFINE_GUID(IID_IKtDownloadApplication, 0x594B8653, 0x5917, 0x11D6, 0x86, 0x41, 0x00, 0xC0, 0x4F, 0x60,
               0xDC, 0xF4);
KT_DEFINE_GUID(CLSID_KtFixedApplication, 0xAFE792A3, 0x159A, 0x4B12, 0x9E, 0xAB, 0x8C, 0x75, 0x25, 0xB0, 0xA8,
               0x72);
KT_DEFINE_GUID(IID_IKtFixedApplication, 0xAEA59658, 0x8C56, 0x4EDB, 0xA5, 0x1F, 0x20, 0x1F, 0xE7, 0x98, 0x2F,
               0x14);
KT_DEFINE_GUID(CLSID_KtConfigServices, 0x32EB8F4E, 0x94E4, 0x4DC9, 0x9A, 0x99, 0xA7, 0x4F, 0x2A, 0xCA, 0xA3,
               0x7B);
KT_DEFINE_GUID(IID_IKtConfigServices, 0x48CEA435, 0xD57A, 0x4733, 0x9A, 0x9B, 0x3C, 0x98, 0x39, 0x6A, 0x91,
               0x07);
KT_DEFINE_GUID(CLSID_KtSettings, 0x1E68F527, 0xD8EE, 0x4932, 0x96, 0x75, 0xF2, 0x9F, 0x61, 0x6C, 0x48, 0xD9);
KT_DEFINE_GUID(IID_IKtSettings, 0x8BDEDAA3, 0x5453, 0x4840, 0x83, 0x0B, 0xDE, 0x6C, 0x32, 0x69, 0xD8, 0x4C);
KT_DEFINE_GUID(CLSID_KtCompanyList, 0x8BBD7448, 0x0AA4, 0x4628, 0x8E, 0x9B, 0x0C, 0xED, 0xD2, 0x19, 0x7F,
               0xD4);
KT_DEFINE_GUID(IID_IKtCompanyList, 0x756CA0CB, 0xBF07, 0x4BEC, 0xA2, 0xEF, 0x0F, 0x47, 0x9D, 0x16, 0x9A,
               0x1A);
KT_DEFINE_GUID(CLSID_KtRecordset, 0x00000535, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4);
KT_DEFINE_GUID(IID_IKtRecordset, 0xB7F1A5C2, 0x6E0D, 0x4C1B, 0x9A, 0x53, 0x2D, 0x4E, 0x8F, 0x7A, 0x1C, 0x01);

/* ADO's error for a field name the recordset does not have. */
#define KT_E_ITEM_NOT_FOUND ((HRESULT)0x800A0CC1)
/* ADO's error for reading a field with no current row. */
#define KT_E_NO_CURRENT_ROW ((HRESULT)0x800A0BCD)

#ifdef __cplusplus

struct IKtRecordset : IDispatch {
  /* 7 */ virtual HRESULT get_State(LONG* state) = 0; /* 1 when open, 0 when closed */
  /* 8 */ virtual HRESULT Close() = 0;
  /* 9 */ virtual HRESULT get_RecordCount(LONG* count) = 0; /* rows passing the filter */
  /* 10 */ virtual HRESULT MoveFirst() = 0;
  /* 11 */ virtual HRESULT MoveNext() = 0;
  /* 12 */ virtual HRESULT get_EOF(VARIANT_BOOL* eof) = 0;
  /* 13 */ virtual HRESULT get_Field(BSTR name, VARIANT* value) = 0; /* by name, any case; Null as VT_NULL */
  /* 14 */ virtual HRESULT put_Filter(BSTR filter) = 0;              /* "column = number", or "" for none */
};

/* Download application component. */
struct IKtDownloadApplication : IDispatch {
  /* 7 */ virtual HRESULT OpenRecordset(BSTR statement, IKtRecordset** recordset, LONG options, VARIANT* arg1,
                                        VARIANT* arg2) = 0;
  /* 8 */ virtual HRESULT ExecuteStatement(BSTR statement, IUnknown** result) = 0;
};

/* Fixed application component. */
struct IKtFixedApplication : IDispatch {
  /* 7 */ virtual HRESULT OpenRecordset(BSTR statement, IKtRecordset** recordset, LONG options, VARIANT* arg1,
                                        VARIANT* arg2) = 0;
};

/* Configuration services component. */
struct IKtConfigServices : IDispatch {
  /* 7 */ virtual HRESULT Reserved1() = 0;
  /* 8 */ virtual HRESULT ReadConfigValue(BSTR section, BSTR key, BSTR default_value, BSTR* value) = 0;
  /* 9 */ virtual HRESULT Reserved3() = 0;
  /* 10 */ virtual HRESULT Reserved4() = 0;
  /* 11 */ virtual HRESULT GetMessageText(LONG* number, BSTR* text) = 0;
  /* 12 */ virtual HRESULT GetCompanyClassValue(LONG* company, SHORT* class_value) = 0;
  /* 13 */ virtual HRESULT GetAccountPanel(LONG* account, VARIANT* panel_type_rev, LONG* panel) = 0;
  /* 14 */ virtual HRESULT GetRevisionCompany(LONG* panel_type_rev, LONG* panel_name, LONG* company) = 0;
  /* 15 */ virtual HRESULT GetMappedCompany(LONG* company, LONG* mapped) = 0;
  /* 16 */ virtual HRESULT GetPanelNameFlag(LONG* panel_name, SHORT* flag) = 0;
  /* 17 */ virtual HRESULT Reserved11() = 0;
  /* 18 */ virtual HRESULT Reserved12() = 0;
  /* 19 */ virtual HRESULT Reserved13() = 0;
  /* 20 */ virtual HRESULT GetProtocolSection(LONG protocol, BSTR* scratch, BSTR* section) = 0;
};

/* Settings component. */
struct IKtSettings : IDispatch {
  /* 7 */ virtual HRESULT Reserved1() = 0;
  /* 8 */ virtual HRESULT ReadSetting(BSTR section, BSTR key, BSTR default_value, BSTR* value) = 0;
};

/* Company list component. */
struct IKtCompanyList : IDispatch {
  /* 7 */ virtual HRESULT Reserved1() = 0;
  /* 8 */ virtual HRESULT Reserved2() = 0;
  /* 9 */ virtual HRESULT Reserved3() = 0;
  /* 10 */ virtual HRESULT Reserved4() = 0;
  /* 11 */ virtual HRESULT Reserved5() = 0;
  /* 12 */ virtual HRESULT Reserved6() = 0;
  /* 13 */ virtual HRESULT Reserved7() = 0;
  /* 14 */ virtual HRESULT Reserved8() = 0;
  /* 15 */ virtual HRESULT Reserved9() = 0;
  /* 16 */ virtual HRESULT GetCompanyList(BSTR* list) = 0;
  /* 17 */ virtual HRESULT IsCompanyInList(SHORT* company, BSTR* list, VARIANT_BOOL* listed) = 0;
};

/* Logging component. */
struct IKtLogger : IDispatch {
  /* 7 */ virtual HRESULT Reserved1() = 0;
  /* 8 */ virtual HRESULT Reserved2() = 0;
  /* 9 */ virtual HRESULT LogEntry(LONG level, BSTR source, BSTR message) = 0;
  /* 10 */ virtual HRESULT LogErrorEntry(LONG level, BSTR source, BSTR message, LONG error_number) = 0;
};

#endif /* __cplusplus */

#endif /* KELTRANE_COMPONENTS_H */
