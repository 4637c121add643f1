// Resident memory around 1M calls of GetMaxRecord (clsProfile) and 1M calls
// of GetPanelName (clsSubscriber on the real components and a generated
// database of 1,000 panel names), both through the vtable of the library's
// COM objects.  BENCH_SCALE scales the call counts.  Not a Google Benchmark:
// it prints one line per stage.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench_com.h"
#include "bench_db.h"

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Report(const char* stage, long calls, double seconds) {
  std::printf("%-34s resident %7ld KiB", stage, ResidentKiB());
  if (calls > 0) std::printf("   (%ld calls, %.2f s, %.0f ns/call)", calls, seconds, seconds * 1e9 / calls);
  std::printf("\n");
  std::fflush(stdout);
}

template <class F>
double Time(long n, F f) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < n; ++i) f(i);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const long calls = static_cast<long>(1000000 * std::min(1.0, kt::bench::Scale()));
  KtSetHostSetting("log", "memory_bench.log");  // a real file, rotated at its default size
  const kt::bench::BenchDb db = kt::bench::MakeDatabase(1000);
  KtSetHostSetting("db", db.path.c_str());

  _clsProfile* profile = kt::bench::Create<_clsProfile>(CLSID_clsProfile, IID__clsProfile);
  _clsSubscriber* subscriber = kt::bench::Create<_clsSubscriber>(CLSID_clsSubscriber, IID__clsSubscriber);
  LONG v = 0;
  BSTR name = nullptr;
  // Warm-up: the first calls load the components and fill the caches.
  for (int i = 0; i < 1000; ++i) {
    profile->get_GetMaxRecord(&v);
    subscriber->GetPanelName(i % 1000 + 1, &name);
  }
  Report("after 1,000 warm-up calls each", 0, 0);

  double t = Time(calls, [&](long) {
    if (profile->get_GetMaxRecord(&v) != S_OK) std::abort();
  });
  Report("after GetMaxRecord loop", calls, t);

  t = Time(calls, [&](long i) {
    if (subscriber->GetPanelName(static_cast<LONG>(i % 1000 + 1), &name) != S_OK) std::abort();
  });
  Report("after GetPanelName loop", calls, t);

  SysFreeString(name);
  subscriber->Release();
  profile->Release();
  kt::bench::RemoveDatabase(db);
  return 0;
}
