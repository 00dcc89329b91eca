// A program for tests to put where a launcher looks: a shell script that reports how it was
// started (its pid, its name and arguments, its working folder, its signal mask and ignored
// signals, what its descriptors lead to) into a report file, written whole or not at all. With
// it, what tests need to see a started process end: whether it is gone, and the zombies left.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ProbeReport {
  pid_t pid = 0;
  std::string name;  // $0
  int arguments = -1;
  std::string folder;
  std::string blocked_signals;  // the hexadecimal masks of /proc/PID/status
  std::string ignored_signals;
  std::map<int, std::string> descriptors;  // what each open descriptor leads to
};

// An executable probe at `program` that writes its report to `report`.
void WriteProbeProgram(const std::filesystem::path& program, const std::filesystem::path& report);
// The report once the probe has written it within `timeout`.
std::optional<ProbeReport> WaitForProbeReport(const std::filesystem::path& report,
                                              std::chrono::milliseconds timeout);
// Whether the process `pid` has ended and been waited for (it is gone from /proc) in `timeout`.
bool WaitUntilGone(pid_t pid, std::chrono::milliseconds timeout);
// Whether the process `pid` has ended in `timeout`: gone, or left as a zombie for a parent that
// has not waited for it (an orphan's init may never).
bool WaitUntilEnded(pid_t pid, std::chrono::milliseconds timeout);
// The ended children of this process that nobody has waited for.
std::vector<pid_t> ZombieChildren();

}  // namespace testing_support
