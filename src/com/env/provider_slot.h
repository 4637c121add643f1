// The installed-path provider's function, loaded on first use and kept once
// it has loaded.  A failed load is not kept: the provider may be installed,
// or the host may name the library's folder, after the first call, so every
// call until one succeeds tries again.
#pragma once

#include <atomic>
#include <mutex>

#include "com/env/system.h"

namespace kt::com::sys {

class ProviderSlot {
 public:
  // The function, loading it with load(&error) while none is kept; nullptr
  // with *error set when this attempt failed.
  template <class Load>
  InstalledPathFn Get(Load&& load, int* error) {
    if (InstalledPathFn fn = fn_.load(std::memory_order_acquire)) return fn;
    std::lock_guard lock(mutex_);
    InstalledPathFn fn = fn_.load(std::memory_order_relaxed);
    if (fn == nullptr) {
      fn = load(error);
      fn_.store(fn, std::memory_order_release);
    }
    return fn;
  }

 private:
  std::mutex mutex_;
  std::atomic<InstalledPathFn> fn_{nullptr};
};

}  // namespace kt::com::sys
