// Reading one key of a profile (INI) file: the library's
// GetPrivateProfileString against Debian's inih parsing the same file.
//
// The file has 25 sections of 20 keys (500 key lines, 525 lines in all); the
// key read is the last key of the last section.  "Changed" runs touch the
// file's time stamp before every read (outside the timing), the case a cache
// could not serve; "Unchanged" runs read the same file again and again.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "profile/profile_file.h"

namespace {

constexpr int kSections = 25;
constexpr int kKeys = 20;
const std::string kSection = "Section" + std::to_string(kSections);
const std::string kKey = "Key" + std::to_string(kKeys);
const std::string kExpected = "value-" + std::to_string(kSections) + "-" + std::to_string(kKeys);

const std::string& IniPath() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kt-ini-bench-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    std::ofstream out(pattern, std::ios::trunc);
    for (int s = 1; s <= kSections; ++s) {
      out << "[Section" << s << "]\r\n";
      for (int k = 1; k <= kKeys; ++k) out << "Key" << k << "=value-" << s << "-" << k << "\r\n";
    }
    std::atexit([] { std::remove(IniPath().c_str()); });
    return pattern;
  }();
  return path;
}

// Gives the file a new modification time (as an editor saving it would).
void Touch(benchmark::State& state) {
  state.PauseTiming();
  utimensat(AT_FDCWD, IniPath().c_str(), nullptr, 0);
  state.ResumeTiming();
}

struct Search {
  std::string value;
  bool found = false;
};

int Handler(void* user, const char* section, const char* name, const char* value) {
  auto* s = static_cast<Search*>(user);
  if (!s->found && strcasecmp(section, kSection.c_str()) == 0 && strcasecmp(name, kKey.c_str()) == 0) {
    s->value = value;
    s->found = true;
  }
  return 1;
}

void Inih(benchmark::State& state, bool changed) {
  const std::string& path = IniPath();
  for (auto _ : state) {
    if (changed) Touch(state);
    Search s;
    if (ini_parse(path.c_str(), Handler, &s) != 0) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(s.value.data());
    if (s.value != kExpected) state.SkipWithError("wrong value");
  }
}

void Library(benchmark::State& state, bool changed) {
  const std::string& path = IniPath();
  std::string buffer;
  for (auto _ : state) {
    if (changed) Touch(state);
    const size_t n = kt::profile::GetPrivateProfileString(kSection, kKey, "", buffer, 256, path);
    benchmark::DoNotOptimize(n);
    if (n != kExpected.size() || buffer != kExpected) state.SkipWithError(("wrong value: " + buffer).c_str());
  }
}

void BM_Ini_Inih_Changed(benchmark::State& state) {
  Inih(state, true);
}
void BM_Ini_Library_Changed(benchmark::State& state) {
  Library(state, true);
}
void BM_Ini_Inih_Unchanged(benchmark::State& state) {
  Inih(state, false);
}
void BM_Ini_Library_Unchanged(benchmark::State& state) {
  Library(state, false);
}
BENCHMARK(BM_Ini_Inih_Changed);
BENCHMARK(BM_Ini_Library_Changed);
BENCHMARK(BM_Ini_Inih_Unchanged);
BENCHMARK(BM_Ini_Library_Unchanged);

}  // namespace

BENCHMARK_MAIN();
