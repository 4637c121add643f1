// The host's tap on the logging component: every line the library hands to
// the logging component is recorded for the call's JSON "log" array and
// passed on to the suite's logging component, which writes the log file.
#pragma once

#include <nlohmann/json.hpp>

#include "keltrane/oleauto.h"

namespace kt::host {

class LogTap {
 public:
  // Registers the tap for the logging component's class id in this process.
  explicit LogTap(nlohmann::ordered_json* lines);
  ~LogTap();
  LogTap(const LogTap&) = delete;
  LogTap& operator=(const LogTap&) = delete;

 private:
  IClassFactory* inner_ = nullptr;  // the suite's logging component, when present
  IClassFactory* factory_ = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace kt::host
