// Where a loaded library lives, so a server can register its own path and
// find files installed beside it.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "rt/rt_internal.h"

namespace {

// The real path of a loaded file, resolved once per name: a library keeps the
// name it was loaded under until it is unloaded, and resolving it again
// (getcwd and a readlink per path component) would cost every component made
// in every member call.
std::string RealPath(const char* name) {
  static std::mutex mutex;
  static std::unordered_map<std::string, std::string> resolved;
  std::lock_guard lock(mutex);
  auto it = resolved.find(name);
  if (it != resolved.end()) return it->second;
  std::string found = name;
  if (char* real = ::realpath(name, nullptr)) {
    found = real;
    ::free(real);
  }
  if (resolved.size() >= 64) resolved.clear();  // libraries loaded under many names
  return resolved.emplace(name, found).first->second;
}

}  // namespace

STDAPI KtGetModulePath(const void* addr, char** path) {
  if (path == nullptr) return E_POINTER;
  *path = nullptr;
  // Without an address the run time reports its own file.
  if (addr == nullptr) addr = reinterpret_cast<const void*>(&KtGetModulePath);
  Dl_info info{};
  if (::dladdr(addr, &info) == 0) {
    return kt::rt::ReportError(E_FAIL, "No loaded library holds the given address");
  }
  // The main program is listed under argv[0], which may be empty or a bare
  // name found on PATH; the kernel knows its real file.
  const char* name = info.dli_fname;
  if (name == nullptr || std::strchr(name, '/') == nullptr) name = "/proc/self/exe";
  *path = kt::rt::TaskMemDup(RealPath(name));
  return *path == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDAPI KtGetModuleDir(const void* addr, char** dir) {
  if (dir == nullptr) return E_POINTER;
  *dir = nullptr;
  char* setting = nullptr;
  if (KtGetHostSetting("module-dir", &setting) == S_OK && setting != nullptr && *setting != '\0') {
    std::string value(setting);
    CoTaskMemFree(setting);
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    *dir = kt::rt::TaskMemDup(value);
    return *dir == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  CoTaskMemFree(setting);
  char* path = nullptr;
  HRESULT hr = KtGetModulePath(addr, &path);
  if (FAILED(hr)) return hr;
  std::string folder(path);
  CoTaskMemFree(path);
  size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
  *dir = kt::rt::TaskMemDup(folder);
  return *dir == nullptr ? E_OUTOFMEMORY : S_OK;
}
