// LogModule: the two diagnostic logging routines.  Each hands one line to
// the suite's logging component; logging never fails its caller.
#pragma once

#include <cstdint>
#include <string>

#include "components/env.h"

namespace kt {

// A trace line.  Like any routine with a handler, it clears the current error record.
void WriteLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
              const std::string& strMessage);
// An error line; the caller's current error record is the same afterwards.
void WriteErrorLog(Env& env, const int32_t& lLogLevel, const std::string& strSource,
                   const std::string& strMessage, const int32_t& lErrorNumber);

// Whether the calling thread holds a logger reference, and dropping it: for
// tests whose fake components go away while the thread lives on.
bool ThreadHasLogger();
void DropThreadLogger();

}  // namespace kt
