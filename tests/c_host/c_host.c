/* A host written in plain C: creates each class through DllGetClassObject,
 * checks that every member of the four vtables sits at its slot, calls
 * members by vtable index, asks for every earlier interface id and reads a
 * class's type information as an automation client does.
 *
 * On Windows (run under Wine by scripts/test-windows.sh) it creates the
 * classes as any host there does, through the registration and the system's
 * CoCreateInstance, and reaches the entry points in the DLL that COM loaded. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "keltrane/keltrane.h"

static int failures = 0;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                \
    }                                                            \
  } while (0)
#define SLOT(vtbl, member, n) CHECK(offsetof(vtbl, member) / sizeof(void*) == (n))

static void check_layouts(void) {
  SLOT(_clsSubscriberVtbl, QueryInterface, 0);
  SLOT(_clsSubscriberVtbl, Release, 2);
  SLOT(_clsSubscriberVtbl, Invoke, 6);
  SLOT(_clsSubscriberVtbl, SavePanelPhoneNumber, 7);
  SLOT(_clsSubscriberVtbl, UpdateTheStatus, 8);
  SLOT(_clsSubscriberVtbl, GetSubscriberInformation, 9);
  SLOT(_clsSubscriberVtbl, GetPanelInformation, 10);
  SLOT(_clsSubscriberVtbl, GetPanelName, 11);
  SLOT(_clsSubscriberVtbl, GetPanelNamebyProductid, 12);
  SLOT(_clsSubscriberVtbl, GetCommandIDFromPanelCommandDataID, 13);
  SLOT(_clsSubscriberVtbl, GetPanelNamebyRevid, 14);
  SLOT(_clsSubscriberVtbl, SavePanelLastConnectionType, 15);
  SLOT(_clsSubscriberVtbl, GetSubscriber_Information, 16);
  SLOT(_clsSubscriberVtbl, GetPanelNamebyProductidAndPanel_NameID, 17);
  SLOT(_clsSubscriberVtbl, GetPanelNamebyProductidFamilyidRevNum, 18);
  CHECK(sizeof(_clsSubscriberVtbl) / sizeof(void*) == 19);

  SLOT(_clsINIDataVtbl, GetTheValueFromCmdArgument, 7);
  SLOT(_clsINIDataVtbl, ini_get, 8);
  SLOT(_clsINIDataVtbl, command_Line_Get, 9);
  SLOT(_clsINIDataVtbl, GetModemInformation, 10);
  SLOT(_clsINIDataVtbl, GetTCPIPPortInformation, 11);
  SLOT(_clsINIDataVtbl, ini_write, 12);
  SLOT(_clsINIDataVtbl, get_command_line_option, 13);
  SLOT(_clsINIDataVtbl, get_CommandLineArgument, 14);
  SLOT(_clsINIDataVtbl, put_CommandLineArgument, 15);
  SLOT(_clsINIDataVtbl, GetAccountID, 16);
  SLOT(_clsINIDataVtbl, GetClassValueToInstatiate, 17);
  SLOT(_clsINIDataVtbl, ChangeDateTimeToXMLFormat, 18);
  SLOT(_clsINIDataVtbl, GetCommandType, 19);
  SLOT(_clsINIDataVtbl, GetCommandTypeIndex, 20);
  SLOT(_clsINIDataVtbl, GetProtocolIndex, 21);
  SLOT(_clsINIDataVtbl, UpdateConnectionString, 22);
  SLOT(_clsINIDataVtbl, IsSupported, 23);
  SLOT(_clsINIDataVtbl, IsTCPSupport, 24);
  SLOT(_clsINIDataVtbl, getCommSections, 25);
  SLOT(_clsINIDataVtbl, Update16BitModemSettings, 26);
  SLOT(_clsINIDataVtbl, ini_write_16Bit, 27);
  SLOT(_clsINIDataVtbl, ini_getE2Path, 28);
  CHECK(sizeof(_clsINIDataVtbl) / sizeof(void*) == 29);

  SLOT(_clsProfileVtbl, AddClientEntry, 7);
  SLOT(_clsProfileVtbl, GetProfileFile, 8);
  SLOT(_clsProfileVtbl, ReorderCommands, 9);
  SLOT(_clsProfileVtbl, ResetCommands, 10);
  SLOT(_clsProfileVtbl, ReadFromProfile, 11);
  SLOT(_clsProfileVtbl, get_GetClientID, 12);
  SLOT(_clsProfileVtbl, put_SetClientID, 13);
  SLOT(_clsProfileVtbl, get_GetAccountID, 14);
  SLOT(_clsProfileVtbl, put_SetAccountID, 15);
  SLOT(_clsProfileVtbl, get_GetRequestID, 16);
  SLOT(_clsProfileVtbl, put_SetRequestID, 17);
  SLOT(_clsProfileVtbl, get_GetCommandID, 18);
  SLOT(_clsProfileVtbl, put_SetCommandID, 19);
  SLOT(_clsProfileVtbl, SetCommands, 20);
  SLOT(_clsProfileVtbl, GetCommands, 21);
  SLOT(_clsProfileVtbl, get_GetMaxRecord, 22);
  SLOT(_clsProfileVtbl, put_SetMaxRecord, 23);
  SLOT(_clsProfileVtbl, GetAccountIDIndex, 24);
  SLOT(_clsProfileVtbl, GetConnectionStatus, 25);
  SLOT(_clsProfileVtbl, DeleteClientEntry, 26);
  SLOT(_clsProfileVtbl, GetRequestIDStatus, 27);
  CHECK(sizeof(_clsProfileVtbl) / sizeof(void*) == 28);

  SLOT(_clsCommonVtbl, GetVelmora20InstalledPath, 7);
  SLOT(_clsCommonVtbl, getViewLogEnabledValues, 8);
  SLOT(_clsCommonVtbl, GetCompanyIdFromPTRID, 9);
  CHECK(sizeof(_clsCommonVtbl) / sizeof(void*) == 10);

  CHECK(sizeof(VARIANT) == 24);
  CHECK(offsetof(VARIANT, lVal) == 8);
  CHECK(sizeof(SAFEARRAY) == 32);
  CHECK(sizeof(GUID) == 16);
  CHECK(sizeof(LONG) == 4 && sizeof(VARIANT_BOOL) == 2);

  SLOT(ITypeInfoVtbl, GetTypeAttr, 3);
  SLOT(ITypeInfoVtbl, GetNames, 7);
  SLOT(ITypeInfoVtbl, Invoke, 11);
  SLOT(ITypeInfoVtbl, GetDocumentation, 12);
  SLOT(ITypeInfoVtbl, GetContainingTypeLib, 18);
  SLOT(ITypeInfoVtbl, ReleaseVarDesc, 21);
  CHECK(sizeof(ITypeInfoVtbl) / sizeof(void*) == 22);
  CHECK(sizeof(TYPEATTR) == 96 && offsetof(TYPEATTR, cFuncs) == 48 && offsetof(TYPEATTR, wTypeFlags) == 58);
  CHECK(sizeof(FUNCDESC) == 88 && offsetof(FUNCDESC, oVft) == 40 && offsetof(FUNCDESC, elemdescFunc) == 48);
  CHECK(sizeof(ELEMDESC) == 32 && offsetof(ELEMDESC, paramdesc) == 16);
}

/* Whether a BSTR holds the ASCII text. */
static int same_text(BSTR b, const char* text) {
  size_t i = 0;
  if (b == NULL) return 0;
  for (; text[i] != 0; ++i)
    if (b[i] != (OLECHAR)text[i]) return 0;
  return b[i] == 0;
}

#ifdef _WIN32
static IUnknown* create(const CLSID* clsid, const IID* iid) {
  IUnknown* object = NULL;
  /* clsINIData creates suite components: KeltraneSuite.dll is registered too. */
  CHECK(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, iid, (void**)&object) == S_OK);
  return object;
}

typedef HRESULT(STDAPICALLTYPE* get_class_object_fn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* can_unload_fn)(void);
static get_class_object_fn dll_get_class_object;
static can_unload_fn dll_can_unload_now;

/* The entry points of the Keltrane.dll that CoCreateInstance loaded from
 * the registration. */
static int find_entry_points(void) {
  HMODULE dll = GetModuleHandleW(L"Keltrane.dll");
  CHECK(dll != NULL);
  if (dll == NULL) return 0;
  dll_get_class_object = (get_class_object_fn)(void (*)(void))GetProcAddress(dll, "DllGetClassObject");
  dll_can_unload_now = (can_unload_fn)(void (*)(void))GetProcAddress(dll, "DllCanUnloadNow");
  CHECK(dll_get_class_object != NULL && dll_can_unload_now != NULL);
  return dll_get_class_object != NULL && dll_can_unload_now != NULL;
}
#define DllGetClassObject dll_get_class_object
#define DllCanUnloadNow dll_can_unload_now
#else
static IUnknown* create(const CLSID* clsid, const IID* iid) {
  IClassFactory* factory = NULL;
  IUnknown* object = NULL;
  CHECK(DllGetClassObject(clsid, &IID_IClassFactory, (void**)&factory) == S_OK);
  if (factory == NULL) return NULL;
  CHECK(factory->lpVtbl->CreateInstance(factory, NULL, iid, (void**)&object) == S_OK);
  factory->lpVtbl->Release(factory);
  return object;
}
#endif

/* Calls through the raw function table by index, as a host bound to slot
 * numbers does. */
typedef HRESULT (*slot_ptr_long)(void*, LONG*);
typedef HRESULT (*slot_long)(void*, LONG);
typedef HRESULT (*slot_ptr_short)(void*, SHORT*);
typedef HRESULT (*slot_ptr_ptr_short)(void*, LONG*, SHORT*);
#define VTBL(obj) (*(void***)(obj))

static void call_profile_by_index(void) {
  void* p = create(&CLSID_clsProfile, &IID__clsProfile);
  LONG value = 0, five = 5, three = 3, one = 1, max = 2147483647;
  SHORT index = 9;
  if (p == NULL) return;
  CHECK(((slot_ptr_long)VTBL(p)[23])(p, &five) == S_OK); /* SetMaxRecord */
  CHECK(((slot_ptr_long)VTBL(p)[23])(p, &three) == S_OK);
  CHECK(((slot_ptr_long)VTBL(p)[22])(p, &value) == S_OK); /* GetMaxRecord */
  CHECK(value == 8);
  CHECK(((slot_long)VTBL(p)[13])(p, 77) == S_OK);         /* SetClientID */
  CHECK(((slot_ptr_long)VTBL(p)[12])(p, &value) == S_OK); /* GetClientID */
  CHECK(value == 77);
  CHECK(((slot_long)VTBL(p)[15])(p, 12) == S_OK); /* SetAccountID */
  CHECK(((slot_ptr_long)VTBL(p)[14])(p, &value) == S_OK && value == 12);
  CHECK(((slot_long)VTBL(p)[17])(p, 13) == S_OK); /* SetRequestID */
  CHECK(((slot_ptr_long)VTBL(p)[16])(p, &value) == S_OK && value == 13);
  CHECK(((slot_long)VTBL(p)[19])(p, 14) == S_OK); /* SetCommandID */
  CHECK(((slot_ptr_long)VTBL(p)[18])(p, &value) == S_OK && value == 14);
  CHECK(((slot_ptr_ptr_short)VTBL(p)[24])(p, &five, &index) == S_OK); /* GetAccountIDIndex */
  CHECK(index == 0);
  CHECK(((slot_ptr_long)VTBL(p)[12])(p, &value) == S_OK && value == -1);
  value = -8;
  CHECK(((slot_ptr_long)VTBL(p)[23])(p, &value) == S_OK);
  CHECK(((slot_ptr_long)VTBL(p)[23])(p, &max) == S_OK);
  CHECK(((slot_ptr_long)VTBL(p)[23])(p, &one) == (HRESULT)0x800A0006); /* overflow */
  CHECK(((slot_ptr_long)VTBL(p)[22])(p, &value) == S_OK && value == max);
  index = 3;
  CHECK(((slot_ptr_short)VTBL(p)[26])(p, &index) == S_OK); /* DeleteClientEntry */
  CHECK(((slot_ptr_short)VTBL(p)[27])(p, &index) == S_OK && index == 3);
  ((IUnknown*)p)->lpVtbl->Release((IUnknown*)p);
}

/* The interface's name, a member's dispatch id and its names, as a generic
 * client (a script engine, a type browser) reads them. */
static void read_type_info(void) {
  IDispatch* p = (IDispatch*)create(&CLSID_clsProfile, &IID_IDispatch);
  ITypeInfo* info = NULL;
  TYPEATTR* attr = NULL;
  FUNCDESC* func = NULL;
  BSTR names[3] = {NULL, NULL, NULL};
  OLECHAR wanted[] = {'G', 'e', 't', 'A', 'c', 'c', 'o', 'u', 'n', 't', 'I', 'D', 'I', 'n', 'd', 'e', 'x', 0};
  LPOLESTR wanted_names[1];
  MEMBERID id = 0;
  UINT count = 0;
  if (p == NULL) return;
  CHECK(p->lpVtbl->GetTypeInfoCount(p, &count) == S_OK && count == 1);
  CHECK(p->lpVtbl->GetTypeInfo(p, 0, 0, &info) == S_OK && info != NULL);
  if (info != NULL) {
    CHECK(info->lpVtbl->GetTypeAttr(info, &attr) == S_OK);
    if (attr != NULL) {
      CHECK(attr->typekind == TKIND_DISPATCH && attr->cFuncs == 21 && (attr->wTypeFlags & TYPEFLAG_FDUAL));
      CHECK(IsEqualGUID(&attr->guid, &IID__clsProfile));
      info->lpVtbl->ReleaseTypeAttr(info, attr);
    }
    CHECK(info->lpVtbl->GetDocumentation(info, MEMBERID_NIL, &names[0], NULL, NULL, NULL) == S_OK);
    CHECK(same_text(names[0], "_clsProfile"));
    SysFreeString(names[0]);
    wanted_names[0] = wanted;
    CHECK(info->lpVtbl->GetIDsOfNames(info, wanted_names, 1, &id) == S_OK && id == 0x6003002A);
    CHECK(info->lpVtbl->GetNames(info, id, names, 3, &count) == S_OK && count == 2);
    CHECK(count == 2 && same_text(names[0], "GetAccountIDIndex") && same_text(names[1], "lAccountId"));
    for (; count > 0; --count) SysFreeString(names[count - 1]);
    CHECK(info->lpVtbl->GetFuncDesc(info, 17, &func) == S_OK); /* GetAccountIDIndex, slot 24 */
    if (func != NULL) {
      CHECK(func->memid == id && func->cParams == 1 && func->oVft == 24 * (SHORT)sizeof(void*));
      CHECK(func->lprgelemdescParam[0].tdesc.vt == VT_PTR && func->elemdescFunc.tdesc.vt == VT_I2);
      info->lpVtbl->ReleaseFuncDesc(info, func);
    }
    info->lpVtbl->Release(info);
  }
  p->lpVtbl->Release(p);
}

static void query_earlier_ids(void) {
  struct {
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {&CLSID_clsSubscriber, &IID__clsSubscriber, S_OK},
      {&CLSID_clsSubscriber, &IID__clsSubscriber___v0, S_OK},
      {&CLSID_clsSubscriber, &IID__clsSubscriber___v1, S_OK},
      {&CLSID_clsSubscriber, &IID__clsSubscriber___v2, S_OK},
      {&CLSID_clsINIData, &IID__clsINIData, S_OK},
      {&CLSID_clsINIData, &IID__clsINIData___v0, S_OK},
      {&CLSID_clsINIData, &IID__clsINIData___v1, S_OK},
      {&CLSID_clsINIData, &IID__clsINIData___v2, S_OK},
      {&CLSID_clsProfile, &IID__clsProfile, S_OK},
      {&CLSID_clsProfile, &IID__clsCommon___v0, E_NOINTERFACE},
      {&CLSID_clsCommon, &IID__clsCommon, S_OK},
      {&CLSID_clsCommon, &IID__clsCommon___v0, S_OK},
  };
  size_t i;
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    IUnknown* object = create(cases[i].clsid, &IID_IDispatch);
    void* current = NULL;
    void* asked = NULL;
    if (object == NULL) continue;
    object->lpVtbl->QueryInterface(object, &IID_IDispatch, &current);
    CHECK(object->lpVtbl->QueryInterface(object, cases[i].iid, &asked) == cases[i].expected);
    if (cases[i].expected == S_OK) {
      CHECK(asked == current);
      ((IUnknown*)asked)->lpVtbl->Release((IUnknown*)asked);
    }
    ((IUnknown*)current)->lpVtbl->Release((IUnknown*)current);
    object->lpVtbl->Release(object);
  }
}

int main(void) {
  static const CLSID stranger = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  void* factory = &factory;
  check_layouts();
#ifdef _WIN32
  CHECK(SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)));
#endif
  call_profile_by_index();
  read_type_info();
  query_earlier_ids();
#ifdef _WIN32
  if (!find_entry_points()) return 1;
#endif
  CHECK(DllGetClassObject(&stranger, &IID_IClassFactory, &factory) == CLASS_E_CLASSNOTAVAILABLE);
  CHECK(factory == NULL);
  CHECK(DllCanUnloadNow() == S_OK);
#ifdef _WIN32
  CoUninitialize();
#endif
  printf("%s\n", failures ? "c host: FAILED" : "c host: all slots, ids and type information as declared");
  return failures ? 1 : 0;
}
