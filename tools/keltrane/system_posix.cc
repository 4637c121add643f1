// The host's operating-system needs on Linux (see system.h).
#include <dlfcn.h>

#include <filesystem>

#include "keltrane/ktrt.h"
#include "system.h"

namespace kt::host {

namespace fs = std::filesystem;

void* LoadKeltrane() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const fs::path dir = ec ? fs::current_path() : exe.parent_path();
  for (const fs::path& candidate :
       {dir / "libKeltrane.so.6", dir / KELTRANE_LIBDIR_FROM_BIN / "libKeltrane.so.6"}) {
    if (!fs::exists(candidate)) continue;
    if (void* lib = dlopen(candidate.c_str(), RTLD_NOW)) return lib;
    throw std::runtime_error("cannot load " + candidate.string() + ": " + dlerror());
  }
  if (void* lib = dlopen("libKeltrane.so.6", RTLD_NOW)) return lib;
  throw std::runtime_error("cannot find libKeltrane.so beside " + dir.string() + " or on the library path");
}

void* FindSymbol(void* library, const char* name) {
  return dlsym(library, name);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return {argv, argv + argc};
}

void BinaryStdio() {}

std::string RegistrationPlace() {
  char* path = KtRegistryPath();
  std::string out = path ? path : "";
  CoTaskMemFree(path);
  return out;
}

}  // namespace kt::host
