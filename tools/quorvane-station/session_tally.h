// The station's count for this session: a unit is its serial number as given, and only its
// first run decides whether it passed at the first try, so a retest never lifts the first-pass
// yield.
#pragma once

#include <set>
#include <string>

#include "tools/quorvane-station/operator_desk.h"

namespace station {

class SessionTally {
 public:
  void Count(const std::string& unit, bool passed);
  const Tally& tally() const { return tally_; }

 private:
  Tally tally_;
  std::set<std::string> tested_;
};

// first_pass / units in percent, rounded; 0 before the first unit.
int FirstPassYieldPercent(const Tally& tally);

}  // namespace station
