// Database and log file locations from the host's settings.
#include "locations.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/paths.h"
#include "components.h"
#include "keltrane/ktrt.h"

namespace kt::suite {
std::string StorageFolder() {
  char* dir = nullptr;
  std::string module = ".";
  if ((KtGetCreatorModuleDir(&dir) == S_OK ||
       SUCCEEDED(KtGetModuleDir(reinterpret_cast<const void*>(&StorageFolder), &dir))) &&
      dir != nullptr)
    module = dir;
  CoTaskMemFree(dir);
  // Every component asks as it is made, several times a member call, and
  // almost always for the same folder: the path arithmetic is done once.
  thread_local std::string last_module, last_storage;
  if (module != last_module || last_storage.empty()) {
    last_storage = base::Utf8FromPath((base::PathFromUtf8(module) / ".." / "Storage").lexically_normal());
    last_module = module;
  }
  return last_storage;
}

std::string DatabaseTarget(const std::string& storage) {
  std::string setting = HostSetting("db");
  if (!setting.empty()) return setting;
  // A site points every workstation's hosts at one database without
  // changing them: the environment of the process.
  if (const char* site = std::getenv("KELTRANE_DB"); site != nullptr && *site != '\0') return site;
  return base::Utf8FromPath(base::PathFromUtf8(storage) / "Suite.db");
}

std::function<std::string()> DatabaseLocator() {
  return [storage = StorageFolder()] { return DatabaseTarget(storage); };
}

std::function<void(const std::string&)> FailureLog(std::string component) {
  return [storage = StorageFolder(), component = std::move(component)](const std::string& error) {
    LogDiagnostic(storage, component, error, E_FAIL);
  };
}

std::string LogPath(const std::string& storage) {
  std::string setting = HostSetting("log");
  return setting.empty() ? base::Utf8FromPath(base::PathFromUtf8(storage) / "Keltrane.log") : setting;
}

namespace {

long long NumberSetting(const char* name, long long fallback) {
  const std::string text = HostSetting(name);
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  return (end == text.c_str() || *end != '\0' || value < 0) ? fallback : value;
}

}  // namespace

long long LogMaxBytes() {
  return NumberSetting("log-max-bytes", 10LL * 1024 * 1024);
}
int LogKeep() {
  return static_cast<int>(std::min<long long>(NumberSetting("log-keep", 5), 99));
}

}  // namespace kt::suite
