// The library's COM objects for the benchmarks, made through its class
// factory as a host makes them: every call goes through the member frame
// (call number, error handling), as callers' calls do.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "com/object.h"
#include "keltrane/keltrane.h"

namespace kt::bench {

template <class T>
T* Create(REFCLSID clsid, REFIID iid) {
  IClassFactory* factory = nullptr;
  if (KtServerGetClassObject(&kt::com::Server(), clsid, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)) != S_OK)
    std::abort();
  T* object = nullptr;
  if (factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)) != S_OK) std::abort();
  factory->Release();
  return object;
}

// Marks the start and end of a counted stretch in a trace of the process
// (scripts/syscalls-per-call.py): a probe of a name that does not exist,
// which strace shows with its text ("begin NAME CALLS", "end NAME").
inline void SyscallMark(const std::string& what) {
  struct stat st {};
  ::stat(("/kt-syscalls-mark/" + what).c_str(), &st);
}

// KT_BENCH_SYSCALLS=N: the binary runs each counted member N times between
// marks instead of timing it (0: not asked).
inline long SyscallCalls() {
  const char* text = std::getenv("KT_BENCH_SYSCALLS");
  return text == nullptr ? 0 : std::atol(text);
}

// Runs f n times between the marks "begin <name>" and "end <name>", after a
// few warm-up calls (the first calls load components and fill caches).
template <class F>
void CountSyscalls(const std::string& name, long n, F f) {
  for (long i = 0; i < std::min(n, 20L); ++i) f(i);
  SyscallMark("begin " + name + " " + std::to_string(n));
  for (long i = 0; i < n; ++i) f(i);
  SyscallMark("end " + name);
}

}  // namespace kt::bench
