#include "testing/program_probe.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kPollInterval{5};

// Single-quoted for the shell: every ' becomes '\''.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

template <typename Condition>
bool WaitFor(std::chrono::milliseconds timeout, Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

struct ProcessStat {
  char state = 0;
  pid_t parent = 0;
};

// From /proc/PID/stat; nothing for a process that is gone.
std::optional<ProcessStat> StatOf(const fs::path& process_folder) {
  std::ifstream stat_file(process_folder / "stat");
  std::string stat;
  if (!std::getline(stat_file, stat)) return std::nullopt;
  // "pid (name) state ppid ...": the name may hold spaces and parentheses of its own.
  const auto name_end = stat.rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  std::istringstream rest(stat.substr(name_end + 1));
  ProcessStat result;
  rest >> result.state >> result.parent;
  return result;
}

ProbeReport ParseReport(std::istream& in) {
  ProbeReport report;
  std::string key;
  while (in >> key) {
    if (key == "pid") {
      in >> report.pid;
    } else if (key == "arguments") {
      in >> report.arguments;
    } else if (key == "fd") {
      int fd = -1;
      in >> fd;
      in >> std::ws;
      std::getline(in, report.descriptors[fd]);
      continue;
    } else {
      std::string value;
      in >> std::ws;
      std::getline(in, value);
      if (key == "name") report.name = value;
      if (key == "folder") report.folder = value;
      if (key == "SigBlk:") report.blocked_signals = value;
      if (key == "SigIgn:") report.ignored_signals = value;
      continue;
    }
    in.ignore(1);
  }
  return report;
}

}  // namespace

void WriteProbeProgram(const fs::path& program, const fs::path& report) {
  fs::remove(program);
  std::ofstream(program) << "#!/bin/sh\n"
                         << "report=" << Quoted(report.string()) << "\n"
                         << "{\n"
                         << "  echo \"pid $$\"\n"
                         << "  echo \"name $0\"\n"
                         << "  echo \"arguments $#\"\n"
                         << "  echo \"folder $(pwd -P)\"\n"
                         // Read by the shell itself: it blocks signals while it starts a command.
                         << "  while read -r line; do\n"
                         << "    case $line in SigBlk:*|SigIgn:*) echo \"$line\";; esac\n"
                         << "  done < /proc/$$/status\n"
                         << "  for fd in /proc/$$/fd/*; do\n"
                         << "    echo \"fd ${fd##*/} $(readlink \"$fd\")\"\n"
                         << "  done\n"
                         << "} > \"$report.part\"\n"
                         << "mv \"$report.part\" \"$report\"\n";
  fs::permissions(program, fs::perms::owner_all);
}

std::optional<ProbeReport> WaitForProbeReport(const fs::path& report,
                                              std::chrono::milliseconds timeout) {
  if (!WaitFor(timeout, [&] { return fs::exists(report); })) return std::nullopt;
  std::ifstream in(report);
  return ParseReport(in);
}

bool WaitUntilGone(pid_t pid, std::chrono::milliseconds timeout) {
  const fs::path entry = "/proc/" + std::to_string(pid);
  return WaitFor(timeout, [&] { return !fs::exists(entry); });
}

bool WaitUntilEnded(pid_t pid, std::chrono::milliseconds timeout) {
  const fs::path folder = "/proc/" + std::to_string(pid);
  return WaitFor(timeout, [&] {
    const auto stat = StatOf(folder);
    return !stat || stat->state == 'Z';
  });
}

std::vector<pid_t> ZombieChildren() {
  std::vector<pid_t> zombies;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const auto stat = StatOf(entry.path());
    if (stat && stat->state == 'Z' && stat->parent == ::getpid()) {
      zombies.push_back(std::stoi(entry.path().filename().string()));
    }
  }
  return zombies;
}

}  // namespace testing_support
