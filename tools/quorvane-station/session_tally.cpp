#include "tools/quorvane-station/session_tally.h"

#include <cmath>

namespace station {

void SessionTally::Count(const std::string& unit, bool passed) {
  ++tally_.runs;
  if (passed) ++tally_.passed;
  if (!tested_.insert(unit).second) return;
  ++tally_.units;
  if (passed) ++tally_.first_pass;
}

int FirstPassYieldPercent(const Tally& tally) {
  if (tally.units == 0) return 0;
  return static_cast<int>(std::lround(100.0 * tally.first_pass / tally.units));
}

}  // namespace station
