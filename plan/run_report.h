// The two reports of a run: JSON, as plans/record.schema.json describes it (its
// "schema_version" says which), and JUnit XML for CI systems: one testsuite for the run, one
// testcase for each phase, a failure or error with its message where a phase did not pass,
// properties for the unit, the station and every measurement.
#pragma once

#include <string>

#include "plan/run_result.h"

namespace plan {

inline constexpr int kReportSchemaVersion = 1;

std::string JsonReport(const RunResult& run);
std::string JunitReport(const RunResult& run);

// The wall clock as both reports write it: UTC with milliseconds, 2024-05-01T03:34:56.789Z.
std::string WallTimeText(WallTime time);

}  // namespace plan
