#include "tools/unit_run/run_folders.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/linux/file_calls.h"
#include "platform/ports/sandbox_location.h"
#include "sender/client.h"

namespace unit_run {

namespace fs = std::filesystem;
namespace posix = platform::posix;

namespace {

constexpr char kPrefix[] = "quorvane-plan.";
constexpr char kMark[] = "runner.pid";
constexpr std::size_t kMarkLongest = 32;

// The runner's id from the mark in `folder`, when the mark is what a runner of this user wrote.
std::optional<pid_t> MarkedRunner(const fs::path& folder) {
  const auto opened = posix::OpenAt(AT_FDCWD, (folder / kMark).c_str(),
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (!opened.ok()) return std::nullopt;
  const posix::UniqueFd mark(static_cast<int>(opened.value));
  struct stat status {};
  std::string text;
  if (!posix::Status(mark.get(), &status).ok() || !S_ISREG(status.st_mode) ||
      status.st_uid != ::geteuid() || !posix::ReadUpTo(mark.get(), kMarkLongest, &text).ok() ||
      !text.ends_with('\n')) {
    return std::nullopt;
  }
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size() - 1, pid);
  if (error != std::errc() || end != text.data() + text.size() - 1 || pid <= 0) {
    return std::nullopt;
  }
  return pid;
}

// A folder a runner made: this user's own, private, a folder rather than a link to one.
bool MadeByARunner(const fs::path& folder) {
  const std::string name = folder.filename().string();
  if (!name.starts_with(kPrefix) || name.size() != std::strlen(kPrefix) + 6) return false;
  struct stat status {};
  return posix::LinkStatusAt(AT_FDCWD, folder.c_str(), &status).ok() && S_ISDIR(status.st_mode) &&
         status.st_uid == ::geteuid() && (status.st_mode & 07777) == 0700;
}

bool Running(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }

}  // namespace

fs::path TemporaryFolders() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
}

std::optional<fs::path> MakeRunFolder(const fs::path& parent, std::string& error) {
  std::string pattern = (parent / (std::string(kPrefix) + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = "cannot make a folder for the simulated terminal in " + parent.string() + " (" +
            std::strerror(errno) + ")";
    return std::nullopt;
  }
  const fs::path folder = pattern;
  const std::string pid = std::to_string(::getpid()) + "\n";
  posix::CallResult marked =
      posix::OpenAt(AT_FDCWD, (folder / kMark).c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (marked.ok()) {
    const posix::UniqueFd mark(static_cast<int>(marked.value));
    marked = posix::WriteAll(mark.get(), pid.data(), pid.size());
  }
  if (!marked.ok()) {
    error = "cannot mark " + folder.string() + " as this run's (" + marked.Describe() + ")";
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return std::nullopt;
  }
  return folder;
}

void UnmarkRunFolder(const fs::path& folder) { ::unlink((folder / kMark).c_str()); }

void RemoveFoldersOfDeadRuns(const fs::path& parent) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(parent, error)) {
    const fs::path& folder = entry.path();
    if (!MadeByARunner(folder)) continue;
    const auto runner = MarkedRunner(folder);
    if (!runner || *runner == ::getpid() || Running(*runner)) continue;
    // A console that outlived its runner still works in the folder.
    if (sender::ConsoleAnswers(platform::ConsoleSocketIn(SandboxIn(folder)))) continue;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
}

}  // namespace unit_run
