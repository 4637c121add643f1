// Where a loaded library lives: the file of the module that holds an
// address, from the system's module list.
#include <string>

#include "rt/rt_internal.h"
#include "win/text.h"

namespace {

// The module's full path; empty when the system cannot tell.
std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    // A name that fills the buffer may have been cut short.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

STDAPI KtGetModulePath(const void* addr, char** path) {
  if (path == nullptr) return E_POINTER;
  *path = nullptr;
  // Without an address the library reports its own file.
  if (addr == nullptr) addr = reinterpret_cast<const void*>(&KtGetModulePath);
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(addr), &module)) {
    return kt::rt::ReportError(E_FAIL, "No loaded module holds the given address");
  }
  const std::wstring file = ModuleFileName(module);
  if (file.empty()) return kt::rt::ReportError(E_FAIL, "The system does not name the module's file");
  *path = kt::rt::TaskMemDup(kt::win::Utf8(file));
  return *path == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDAPI KtGetModuleDir(const void* addr, char** dir) {
  if (dir == nullptr) return E_POINTER;
  *dir = nullptr;
  // A host may name the folder that stands for the library's own.
  char* setting = nullptr;
  if (KtGetHostSetting("module-dir", &setting) == S_OK && setting != nullptr && *setting != '\0') {
    std::string value(setting);
    CoTaskMemFree(setting);
    while (value.size() > 1 && (value.back() == '\\' || value.back() == '/') &&
           value[value.size() - 2] != ':')
      value.pop_back();
    *dir = kt::rt::TaskMemDup(value);
    return *dir == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  CoTaskMemFree(setting);
  char* path = nullptr;
  HRESULT hr = KtGetModulePath(addr, &path);
  if (FAILED(hr)) return hr;
  const std::string file(path);
  CoTaskMemFree(path);
  // The folder keeps its separator only at a drive's root ("C:\").
  const size_t sep = file.find_last_of("\\/");
  const std::string folder = sep == std::string::npos
                                 ? std::string(".")
                                 : file.substr(0, sep > 0 && file[sep - 1] == ':' ? sep + 1 : sep);
  *dir = kt::rt::TaskMemDup(folder);
  return *dir == nullptr ? E_OUTOFMEMORY : S_OK;
}
