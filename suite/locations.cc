// Database and log file locations from the host's settings.
#include "locations.h"

#include <filesystem>

#include "keltrane/ktrt.h"

namespace kt::suite {
namespace {

std::string HostSetting(const char* name) {
  char* value = nullptr;
  std::string out;
  if (KtGetHostSetting(name, &value) == S_OK && value != nullptr) out = value;
  CoTaskMemFree(value);
  return out;
}

std::string InStorage(const char* file) {
  char* dir = nullptr;
  std::string module = ".";
  if (SUCCEEDED(KtGetModuleDir(reinterpret_cast<const void*>(&InStorage), &dir)) && dir != nullptr)
    module = dir;
  CoTaskMemFree(dir);
  return (std::filesystem::path(module) / ".." / "Storage" / file).lexically_normal().string();
}

}  // namespace

std::string DatabasePath() {
  std::string setting = HostSetting("db");
  if (setting.empty()) return InStorage("Suite.db");
  constexpr std::string_view kScheme = "sqlite:";
  if (setting.compare(0, kScheme.size(), kScheme) == 0) setting.erase(0, kScheme.size());
  return setting;
}

std::string LogPath() {
  std::string setting = HostSetting("log");
  return setting.empty() ? InStorage("Keltrane.log") : setting;
}

}  // namespace kt::suite
