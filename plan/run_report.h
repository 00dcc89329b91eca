// The two reports of a run: JSON, as plans/record.schema.json describes it (its
// "schema_version" says which), and JUnit XML for CI systems, which show a test case's name, its
// failure's text and the suite's output, but not properties: one testsuite for the run; one
// testcase for each phase, with a failure or error where it did not pass and the reason where it
// was skipped; one testcase for each measurement that decided a run of a phase, its name holding
// the reading (the value in decimal with its units, the limit, the verdict); every measurement of
// every attempt as a line of the suite's output; properties for the unit, the station, the
// outcome, the plan's revision and each instrument's address and identity. Paths in either are
// relative to the folder the record is written to, so that a folder of records can be moved with
// what it holds.
#pragma once

#include <filesystem>
#include <string>

#include "plan/run_result.h"

namespace plan {

inline constexpr int kReportSchemaVersion = 2;

// `folder`: where the record is written.
std::string JsonReport(const RunResult& run, const std::filesystem::path& folder);
std::string JunitReport(const RunResult& run, const std::filesystem::path& folder);

// `path` as a record in `folder` names it: relative to that folder (an empty path stays empty).
std::string PathInRecord(const std::string& path, const std::filesystem::path& folder);

// The wall clock as both reports write it: UTC with milliseconds, 2024-05-01T03:34:56.789Z.
std::string WallTimeText(WallTime time);

}  // namespace plan
