// A small results store for the report's tests, the same on every run: two stations over three
// days, a unit retested after a failure, a phase that timed out, measurements with limits and a
// marginal band, units named with bytes HTML and file names must not take as they are, one run
// whose phase's session record is there and one whose record is gone.
#pragma once

#include <filesystem>

namespace report_testing {

// The unit whose first run's "power" phase has its session record in the records' folder, and
// the unit whose record file is gone.
inline constexpr const char* kRecordedUnit = "T-0412";
inline constexpr const char* kUnitWithoutRecord = "T-0411";
// A unit named to break a page that does not escape it, and a path that does not encode it.
inline constexpr const char* kHostileUnit = "a/b <script>x()</script> & \"%41\"";

// Writes the store as `records`/results.sqlite with the session record it names; its path.
std::filesystem::path WriteSampleStore(const std::filesystem::path& records);

}  // namespace report_testing
