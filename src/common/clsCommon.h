// clsCommon: the suite's installed folder, the company of a panel type
// revision, and which of a panel's four logs can be viewed.
//
// Threads: an object is used by one thread at a time (its COM class is
// apartment-threaded); separate objects may be used from separate threads
// at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/env.h"
#include "frame/variant.h"

namespace kt {

class clsCommon {
 public:
  explicit clsCommon(Env& env) : env_(env) {}

  std::string GetVelmora20InstalledPath();
  // Sets the event, ECP, fire and alarm flags (-1/0) of a revision; the
  // result is always Empty.
  Variant getViewLogEnabledValues(int32_t lPTRID, int32_t lParentPTRID, int16_t& blnEventLog,
                                  int16_t& blnECPLog, int16_t& blnFIRELog, int16_t& blnALARMLog);
  // The company recorded for the revision's panel name; 0 when none.
  int32_t GetCompanyIdFromPTRID(int32_t& lPTRID);

  // Whether the member holds an application component (tests).
  bool HoldsApplication() const { return m_objFxdAppln != nullptr; }

 private:
  // Reads the command ids of a revision's enabled (1) or disabled (0)
  // StateData rows; re-creates lCommandIds only when rows are found.
  int32_t getCommandIds(const int32_t& lPTRID, const int16_t& blnEnabled, std::vector<int32_t>& lCommandIds);

  Env& env_;
  std::unique_ptr<FixedApplication> m_objFxdAppln;
};

}  // namespace kt
