// Shared helpers of the fuzz targets: one scratch folder per process, removed
// at exit, and a loud failure for a broken invariant.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace kt::fuzz {

// A fresh folder for this process, removed at exit.  Profile writes fsync,
// so a memory file system is preferred when there is one.
inline const std::string& ScratchDir() {
  // Kept in plain storage: the exit handler runs after static strings are gone.
  static char path[4096];
  static const std::string dir = [] {
    std::string base;
    if (const char* t = std::getenv("TMPDIR"); t != nullptr && *t != '\0') {
      base = t;
    } else if (access("/dev/shm", W_OK) == 0) {
      base = "/dev/shm";
    } else {
      base = "/tmp";
    }
    std::string templ = base + "/kt-fuzz-XXXXXX";
    if (templ.size() >= sizeof path || mkdtemp(templ.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    templ.copy(path, templ.size());
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    });
    return templ;
  }();
  return dir;
}

[[noreturn]] inline void Fail(std::string_view what, std::string_view detail = {}) {
  std::fprintf(stderr, "invariant broken: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace kt::fuzz
