// A run for the stores' tests: every field set, every limit kind, a prompt, a session-record
// slice, and a skipped phase with the NULLs a skipped phase has. Test code only.
#pragma once

#include <string>

#include "results/stored_run.h"

namespace results {

inline StoredRun FullRun(const std::string& id = "0123456789abcdef0123456789abcdef") {
  StoredMeasurement range{"vcc", "3.31", 3.31,   "V",  "range", 3.0, 3.6, 0.05,
                          {},    {},     "PASS", true, "",      2,   3};
  StoredMeasurement equals_number{"ch1", "0x40", 64,     "count", "equals",           {}, {}, {},
                                  32,    {},     "FAIL", false,   "64 count, not 32", 1,  1};
  StoredMeasurement equals_text{"mdn", "0101", {},     "",    "equals", {}, {}, {},
                                {},    "0101", "PASS", false, "",       1,  1};
  StoredMeasurement matches{"ver", "v1.2",     {},     "",    "matches", {}, {}, {},
                            {},    "v[0-9.]+", "PASS", false, "",        1,  1};
  StoredMeasurement never_matched{"ch2", {}, {},     "",    "none",         {}, {}, {},
                                  {},    {}, "FAIL", false, "did not show", 1,  1};
  StoredPhase ran{"modem",
                  "FAIL",
                  "plan.toml:7: ch1 out of range",
                  2,
                  3,
                  false,
                  "2026-12-09T22:15:03.123Z",
                  "2026-12-09T22:15:09.001Z",
                  "teardown failed",
                  StoredMark{"STEM.session/session-1.log", 120, 4},
                  StoredMark{"STEM.session/session-2.log", 9, 17},
                  {range, equals_number, equals_text, matches, never_matched},
                  {{"plug", "plug COM1, then OK", "ok", "operator", "2026-12-09T22:15:04.500Z"}}};
  StoredPhase skipped{
      "storage", "SKIPPED", "skipped: phase 'modem' failed", 0, 0, false, {}, {}, "", {}, {},
      {},        {}};
  return {id,
          2,
          "T-0412 ünit",
          "modem",
          "plans/modem.toml",
          "sha256:" + std::string(64, 'a'),
          "line-3",
          "Kim",
          "0.1.0",
          "boards/bench.toml",
          "2026-12-09T22:15:03.000Z",
          "2026-12-09T22:15:10.250Z",
          "FAIL",
          false,
          "",
          "T-0412_modem_20261209T221503Z.json",
          {ran, skipped}};
}

}  // namespace results
