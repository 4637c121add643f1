// The four in-process server entry points; each hands the library's
// description to the object run time, which does the work.
#include "com/object.h"
#include "keltrane/keltrane.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  return KtServerGetClassObject(&kt::com::Server(), rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow(void) {
  return KtServerCanUnloadNow(&kt::com::Server());
}

STDAPI DllRegisterServer(void) {
  return KtServerRegister(&kt::com::Server());
}

STDAPI DllUnregisterServer(void) {
  return KtServerUnregister(&kt::com::Server());
}
