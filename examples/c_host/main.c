/* A host in plain C: creates clsProfile through its class factory and calls
 * members by vtable slot. */
#include <stdio.h>

#include <keltrane/keltrane.h>

int main(void) {
  IClassFactory* factory = NULL;
  _clsProfile* profile = NULL;
  LONG add = 5, count = 0;
  HRESULT hr = DllGetClassObject(&CLSID_clsProfile, &IID_IClassFactory, (void**)&factory);
  if (FAILED(hr)) {
    fprintf(stderr, "DllGetClassObject failed: 0x%08X\n", (unsigned)hr);
    return 1;
  }
  hr = factory->lpVtbl->CreateInstance(factory, NULL, &IID__clsProfile, (void**)&profile);
  factory->lpVtbl->Release(factory);
  if (FAILED(hr)) {
    fprintf(stderr, "CreateInstance failed: 0x%08X\n", (unsigned)hr);
    return 1;
  }
  profile->lpVtbl->put_SetMaxRecord(profile, &add); /* slot 23 */
  profile->lpVtbl->put_SetMaxRecord(profile, &add);
  profile->lpVtbl->get_GetMaxRecord(profile, &count); /* slot 22 */
  printf("record count %d\n", (int)count);
  profile->lpVtbl->Release(profile);
  return count == 10 ? 0 : 1;
}
