// The default Env's calls to the operating system on Linux.
#include <dlfcn.h>

#include <cstdlib>

#include "com/env/system.h"
#include "keltrane/ktrt.h"

namespace kt::com::sys {

std::string WindowsDir(const std::string& module_dir) {
  if (std::string chosen = HostSetting("windows-dir"); !chosen.empty()) return chosen;
  // Without a host's choice the Windows directory is a folder Windows
  // beside the library's folder, next to Storage.
  const size_t slash = module_dir.find_last_of('/');
  return (slash == std::string::npos ? std::string(".") : module_dir.substr(0, slash)) + "/Windows";
}

InstalledPathFn LoadInstalledPathProvider(const std::string& module_dir, int* error) {
  const std::string name = "libRared16uzeRozudivovavuv.so";
  void* lib = dlopen((module_dir + "/" + name).c_str(), RTLD_NOW);
  if (lib == nullptr) lib = dlopen(name.c_str(), RTLD_NOW);
  if (lib == nullptr) {
    *error = 48;
    return nullptr;
  }
  auto fn = reinterpret_cast<InstalledPathFn>(dlsym(lib, "GetVelmora20InstallPath"));
  if (fn == nullptr) *error = 453;
  return fn;
}

std::string ProviderText(BSTR answer) {
  // The bytes are taken as they come: UTF-8 is the ANSI code page here.
  return answer ? std::string(reinterpret_cast<const char*>(answer), SysStringByteLen(answer)) : "";
}

}  // namespace kt::com::sys
