// A fresh private folder for one test, removed with everything in it at the
// end.  It lives under TMPDIR, or in memory-backed /dev/shm when `memory` is
// asked and there is one: tests that write thousands of times with fsync
// each check locking, not the disk.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kt::test {

class TempFolder {
 public:
  explicit TempFolder(bool memory = false) {
    const std::filesystem::path base = memory && access("/dev/shm", W_OK) == 0
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "kt-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a folder under " << base;
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string operator/(const std::string& name) const { return (path / name).string(); }

  std::filesystem::path path;
};

}  // namespace kt::test
