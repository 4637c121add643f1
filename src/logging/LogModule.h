// LogModule: the two diagnostic logging routines.  Each hands one line to
// the suite's logging component; logging never fails its caller.
#pragma once

#include <cstdint>
#include <string>

#include "components/env.h"
#include "frame/error.h"

namespace kt {

// A trace line.  Like any routine with a handler, it clears the current error record.
void WriteLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
              const std::string& strMessage);
// An error line; the caller's current error record is the same afterwards.
void WriteErrorLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
                   const std::string& strMessage, const int32_t& lErrorNumber);

// The handler of a member that logs its errors: the error record is
// cleared, `body` runs, an error it raises is written as an error line with
// `source` and goes no further; `on_exit` runs either way (a member's exit
// line), and the record is cleared again so the caller never sees it.
template <class Body, class Exit>
void LogErrorsAndLeave(Env& env, int32_t level, const std::string& source, Body&& body, Exit&& on_exit) {
  Err().Clear();
  try {
    body();
  } catch (...) {
    CaptureCurrentException();
    WriteErrorLog(env, level, source, Err().description, Err().number);
  }
  on_exit();
  Err().Clear();
}

// Each thread keeps one logger reference per Env it logs through.  Whether
// the calling thread holds any, and dropping them all: for tests whose fake
// Envs go away while the thread lives on.
bool ThreadHasLogger();
void DropThreadLogger();

}  // namespace kt
