// The names of a run's reports. Every run keeps its own: the stem is the unit, the plan and the
// run's start in UTC, UNIT_PLAN_20261209T221503Z, with _2, _3, ... after it when an earlier run
// in the same second took the name, and the reports are OUT/STEM.json, OUT/STEM.xml and, for a
// simulated run, the session record's folder OUT/STEM.session. A unit's serial number and a
// plan's name are written byte for byte, every byte outside A-Z a-z 0-9 "-" "." (and a leading
// ".") as %XX, so that two serial numbers never share a name and the name reads back as the
// serial number exactly.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "plan/run_result.h"

namespace plan {

// The longest stem a run may have, counter and suffixes aside, well inside a file name's 255
// bytes; a longer unit or plan name is refused before the run.
inline constexpr std::size_t kLongestReportStem = 200;

std::string EncodeNamePart(std::string_view text);

// UNIT_PLAN_START, before any counter.
std::string ReportStem(std::string_view unit, std::string_view plan_name, WallTime start);

// The first of `stem`, `stem`_2, `stem`_3, ... for which `out` holds no report and no session
// folder. The reports are then created without replacing anything, so a run that races another
// for the name fails to write rather than overwrite.
std::string FreeReportStem(const std::filesystem::path& out, const std::string& stem);

}  // namespace plan
