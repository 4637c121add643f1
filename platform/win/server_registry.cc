// Registering an in-process server for the current user: the values under
// HKEY_CURRENT_USER\Software\Classes, which the system's class lookups read
// before the machine's classes.  Unregistering removes exactly those keys.
#include <cstdio>
#include <string>

#include "rt/registration.h"
#include "rt/rt_internal.h"
#include "win/text.h"

namespace {

const std::wstring kClassesRoot = L"Software\\Classes\\";

// A server's type library is its DLL's TYPELIB resource 1; its TypeLib key
// names the DLL for 64-bit Windows.
constexpr const char* kTypeLibPlatform = "win64";

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

// The TypeLib key of the library's id once its version key is gone: removed
// when no other version is registered under it.
void DeleteEmptyTypeLibKey(const KtServerDesc& server) {
  const std::wstring key =
      kClassesRoot + L"TypeLib\\" + kt::win::Wide(kt::rt::GuidToString(*server.typelib_id));
  RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());  // fails, as it should, while a version is left
}

// Whether the server's DLL carries a type library (Keltrane.dll does, the
// suite's stand-ins do not and register their classes only).
bool CarriesTypeLib(const KtServerDesc& server) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(server.module_anchor), &module)) {
    return false;
  }
  return FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB") != nullptr;
}

// The type library a DLL carries is registered only when the system can load
// it from the file and it is the server's own (id and version): a broken one
// is refused rather than registered with a TypeLib key that leads nowhere.
HRESULT CheckTypeLib(const KtServerDesc& server, const std::string& path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(kt::win::Wide(path).c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return kt::rt::ReportError(kt::rt::kSelfRegClass,
                               "Cannot load the type library of " + path + " (" + code + ")");
  }
  TLIBATTR* attr = nullptr;
  bool same = false;
  if (SUCCEEDED(lib->GetLibAttr(&attr))) {
    same = IsEqualGUID(attr->guid, *server.typelib_id) && attr->wMajorVerNum == server.version_major &&
           attr->wMinorVerNum == server.version_minor;
    lib->ReleaseTLibAttr(attr);
  }
  lib->Release();
  if (!same) {
    return kt::rt::ReportError(
        kt::rt::kSelfRegClass,
        "The type library in " + path + " is not the one the server describes (id or version)");
  }
  return S_OK;
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
  const bool with_typelib = CarriesTypeLib(*server);
  if (with_typelib) {
    hr = CheckTypeLib(*server, path);
    if (FAILED(hr)) return hr;
  }
  for (const kt::rt::RegValue& v :
       kt::rt::RegistrationValues(*server, path, with_typelib ? kTypeLibPlatform : nullptr)) {
    const LSTATUS status = SetValue(v);
    if (status != ERROR_SUCCESS) {
      // Nothing half registered stays behind.
      for (const std::string& key : kt::rt::RegistrationKeys(*server, true)) DeleteKey(key);
      DeleteEmptyTypeLibKey(*server);
      return Failure(status, "write", v.key);
    }
  }
  return S_OK;
}

STDAPI KtServerUnregister(const KtServerDesc* server) {
  HRESULT hr = kt::rt::CheckServerDesc(server);
  if (FAILED(hr)) return hr;
  // Every key is tried; the first that stays is reported.
  for (const std::string& key : kt::rt::RegistrationKeys(*server, true)) {
    const LSTATUS status = DeleteKey(key);
    if (status != ERROR_SUCCESS && SUCCEEDED(hr)) hr = Failure(status, "remove", key);
  }
  DeleteEmptyTypeLibKey(*server);
  return hr;
}
