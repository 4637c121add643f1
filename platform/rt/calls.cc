// Numbers of member calls, so that checks of outside files run once a call.
// Plain C++: the Windows server carries it too.
#include <atomic>

#include "keltrane/ktrt.h"

namespace {

std::atomic<ULONG> last_number{0};
thread_local ULONG depth = 0;
thread_local ULONG number = 0;

}  // namespace

// A member calling others through their interfaces stays one call: only the
// outermost takes a number.
STDAPI_(void) KtEnterCall(void) {
  if (depth++ == 0) {
    number = last_number.fetch_add(1, std::memory_order_relaxed) + 1;
    if (number == 0) number = last_number.fetch_add(1, std::memory_order_relaxed) + 1;  // 0 means "no call"
  }
}

STDAPI_(void) KtLeaveCall(void) {
  if (depth > 0) --depth;
}

STDAPI_(ULONG) KtCallNumber(void) {
  return depth > 0 ? number : 0;
}
