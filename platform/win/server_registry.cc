// Registering an in-process server for the current user: the values under
// HKEY_CURRENT_USER\Software\Classes, which the system's class lookups read
// before the machine's classes.  Unregistering removes exactly those keys.
#include <string>

#include "rt/registration.h"
#include "rt/rt_internal.h"
#include "win/text.h"

namespace {

const std::wstring kClassesRoot = L"Software\\Classes\\";

// The library carries no type library, so its TypeLib key is not written.
constexpr const char* kNoTypeLib = nullptr;

LSTATUS SetValue(const kt::rt::RegValue& v) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, (kClassesRoot + kt::win::Wide(v.key)).c_str(), 0,
                                   nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const std::wstring name = kt::win::Wide(v.name);
  const std::wstring value = kt::win::Wide(v.value);
  status = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status;
}

// Removes a key with everything below it; a key that is not there is fine.
LSTATUS DeleteKey(const std::string& key) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, (kClassesRoot + kt::win::Wide(key)).c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT Failure(LSTATUS status, const std::string& what, const std::string& key) {
  return kt::rt::ReportError(kt::rt::kSelfRegClass, "Cannot " + what +
                                                        " HKEY_CURRENT_USER\\Software\\Classes\\" + key +
                                                        " (error " + std::to_string(status) + ")");
}

}  // namespace

STDAPI KtServerRegister(const KtServerDesc* server) {
  HRESULT hr = kt::rt::CheckServerDesc(server);
  if (FAILED(hr)) return hr;
  std::string path;
  hr = kt::rt::ServerModulePath(*server, &path);
  if (FAILED(hr)) return hr;
  for (const kt::rt::RegValue& v : kt::rt::RegistrationValues(*server, path, kNoTypeLib)) {
    const LSTATUS status = SetValue(v);
    if (status != ERROR_SUCCESS) {
      // Nothing half registered stays behind.
      for (const std::string& key : kt::rt::RegistrationKeys(*server, kNoTypeLib != nullptr)) DeleteKey(key);
      return Failure(status, "write", v.key);
    }
  }
  return S_OK;
}

STDAPI KtServerUnregister(const KtServerDesc* server) {
  HRESULT hr = kt::rt::CheckServerDesc(server);
  if (FAILED(hr)) return hr;
  // Every key is tried; the first that stays is reported.
  for (const std::string& key : kt::rt::RegistrationKeys(*server, kNoTypeLib != nullptr)) {
    const LSTATUS status = DeleteKey(key);
    if (status != ERROR_SUCCESS && SUCCEEDED(hr)) hr = Failure(status, "remove", key);
  }
  return hr;
}
