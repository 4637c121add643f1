// Process-wide text settings a host hands to the libraries it loads.  On
// Windows this table is each library's own copy and the entry points are
// platform/win/host_seam.cc's, which ask the program's table first.
#include <map>
#include <mutex>
#include <string>

#include "rt/rt_internal.h"

namespace {

struct Settings {
  std::mutex mutex;
  std::map<std::string, std::string> values;
};

Settings& settings() {
  static Settings* s = new Settings();  // usable from other static destructors
  return *s;
}

}  // namespace

HRESULT kt::rt::SetLocalHostSetting(const char* name, const char* value) {
  if (name == nullptr || *name == '\0') return E_INVALIDARG;
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  if (value == nullptr) {
    s.values.erase(name);
  } else {
    s.values[name] = value;
  }
  return S_OK;
}

HRESULT kt::rt::GetLocalHostSetting(const char* name, char** value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  if (name == nullptr) return E_INVALIDARG;
  std::string found;
  {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    auto it = s.values.find(name);
    if (it == s.values.end()) return S_FALSE;
    found = it->second;
  }
  *value = kt::rt::TaskMemDup(found);
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

#ifndef _WIN32
STDAPI KtSetHostSetting(const char* name, const char* value) {
  return kt::rt::SetLocalHostSetting(name, value);
}

STDAPI KtGetHostSetting(const char* name, char** value) {
  return kt::rt::GetLocalHostSetting(name, value);
}
#endif
