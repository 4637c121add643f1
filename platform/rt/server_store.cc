// Registering an in-process server in the registration store: every value
// in one transaction, and unregistering removes exactly those keys.
#include <string>

#include "rt/registration.h"
#include "rt/registry_store.h"
#include "rt/rt_internal.h"

STDAPI KtServerRegister(const KtServerDesc* server) {
  HRESULT hr = kt::rt::CheckServerDesc(server);
  if (FAILED(hr)) return hr;
  std::string path;
  hr = kt::rt::ServerModulePath(*server, &path);
  if (FAILED(hr)) return hr;
  const auto values = kt::rt::RegistrationValues(*server, path, "linux");
  hr = kt::rt::RegTransact([&](kt::rt::RegStore& store) {
    for (const kt::rt::RegValue& v : values) store.Set(v.key, v.name, v.value);
    return true;
  });
  return FAILED(hr) ? kt::rt::kSelfRegClass : S_OK;
}

STDAPI KtServerUnregister(const KtServerDesc* server) {
  HRESULT hr = kt::rt::CheckServerDesc(server);
  if (FAILED(hr)) return hr;
  const auto keys = kt::rt::RegistrationKeys(*server, true);
  hr = kt::rt::RegTransact([&](kt::rt::RegStore& store) {
    bool changed = false;
    for (const std::string& key : keys) changed |= store.DeleteTree(key);
    return changed;
  });
  return FAILED(hr) ? kt::rt::kSelfRegClass : S_OK;
}
