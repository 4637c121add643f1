// libKeltraneSuite.so as an in-process server: the class table handed to the
// object run time, which makes the class factories, and the two entry points
// (the only symbols the library exports, see exports.map).
#include "com_object.h"
#include "components.h"
#include "keltrane/components.h"
#include "keltrane/ktrt.h"

namespace kt::suite {
namespace {

// {6D1F4B2A-3C85-4E7A-9B10-5A2E7C9D4F31}
KT_DEFINE_GUID(LIBID_KeltraneSuite, 0x6D1F4B2A, 0x3C85, 0x4E7A, 0x9B, 0x10, 0x5A, 0x2E, 0x7C, 0x9D, 0x4F,
               0x31);

LONG g_lock_count = 0;

const KtClassDesc kClasses[] = {
    {&CLSID_KtDownloadApplication, "SuiteDownloadApplication", "KeltraneSuite.DownloadApplication",
     &IID_IKtDownloadApplication, "IKtDownloadApplication", nullptr, 0, &CreateDownloadApplication},
    {&CLSID_KtFixedApplication, "SuiteFixedApplication", "KeltraneSuite.FixedApplication",
     &IID_IKtFixedApplication, "IKtFixedApplication", nullptr, 0, &CreateFixedApplication},
    {&CLSID_KtConfigServices, "SuiteConfigServices", "KeltraneSuite.ConfigServices", &IID_IKtConfigServices,
     "IKtConfigServices", nullptr, 0, &CreateConfigServices},
    {&CLSID_KtSettings, "SuiteSettings", "KeltraneSuite.Settings", &IID_IKtSettings, "IKtSettings", nullptr,
     0, &CreateSettings},
    {&CLSID_KtCompanyList, "SuiteCompanyList", "KeltraneSuite.CompanyList", &IID_IKtCompanyList,
     "IKtCompanyList", nullptr, 0, &CreateCompanyList},
    {&CLSID_KtLogger, "SuiteLogger", "KeltraneSuite.Logger", &IID_IKtLogger, "IKtLogger", nullptr, 0,
     &CreateLogger},
    {&CLSID_KtRecordset, "SuiteRecordset", "KeltraneSuite.Recordset", &IID_IKtRecordset, "IKtRecordset",
     nullptr, 0, &CreateRecordset},
};

const KtServerDesc& Server() {
  static const KtServerDesc desc{"KeltraneSuite",
                                 &LIBID_KeltraneSuite,
                                 1,
                                 0,
                                 0x409,
                                 "Apartment",
                                 kClasses,
                                 sizeof kClasses / sizeof kClasses[0],
                                 reinterpret_cast<const void*>(&Server),
                                 &g_lock_count};
  return desc;
}

}  // namespace

void LockServer(int delta) {
  KtServerLock(&Server(), delta);
}

}  // namespace kt::suite

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  return KtServerGetClassObject(&kt::suite::Server(), rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow(void) {
  return KtServerCanUnloadNow(&kt::suite::Server());
}

#ifdef _WIN32
// regsvr32 KeltraneSuite.dll: the components' classes in the user's
// registry, as the suite's own installer would register its components.
STDAPI DllRegisterServer(void) {
  return KtServerRegister(&kt::suite::Server());
}

STDAPI DllUnregisterServer(void) {
  return KtServerUnregister(&kt::suite::Server());
}
#endif
