#include "tools/unit_run/kept_session_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "platform/linux/file_calls.h"

namespace unit_run {

namespace fs = std::filesystem;
namespace posix = platform::posix;

namespace {

std::string Failed(const std::string& what, const posix::CallResult& call) {
  return "cannot keep the session record: " + what + " (" + call.Describe() + ")";
}

std::string Failed(const std::string& what) {
  return "cannot keep the session record: " + what + " (" + std::strerror(errno) + ")";
}

// Copies the file `name` of `from`, when it is a regular file, into `to` and flushes it, adding
// it to `copied`; what went wrong, or nothing.
std::optional<std::string> CopyFlushed(int from, int to, const std::string& name,
                                       std::set<std::string>& copied) {
  const auto source =
      posix::OpenAt(from, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (!source.ok()) return Failed("cannot read " + name, source);
  const posix::UniqueFd in(static_cast<int>(source.value));
  struct stat status {};
  if (const auto looked = posix::Status(in.get(), &status); !looked.ok()) {
    return Failed("cannot read " + name, looked);
  }
  if (!S_ISREG(status.st_mode)) return std::nullopt;  // nothing the console wrote
  const auto copy = posix::OpenAt(to, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (!copy.ok()) return Failed("cannot write " + name, copy);
  const posix::UniqueFd out(static_cast<int>(copy.value));
  if (const auto contents = posix::CopyContents(in.get(), out.get()); !contents.ok()) {
    return Failed("cannot write " + name, contents);
  }
  if (::fsync(out.get()) != 0) return Failed("cannot flush " + name);
  copied.insert(name);
  return std::nullopt;
}

// Copies every file of `logs` into the folder `staging`; what went wrong, or nothing.
std::optional<std::string> CopyAll(const fs::path& logs, const fs::path& staging,
                                   std::set<std::string>& copied) {
  const auto opened = posix::OpenAt(AT_FDCWD, logs.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!opened.ok()) return Failed("cannot read " + logs.string(), opened);
  const posix::UniqueFd from(static_cast<int>(opened.value));
  const auto made = posix::OpenAt(AT_FDCWD, staging.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!made.ok()) return Failed("cannot write " + staging.string(), made);
  const posix::UniqueFd to(static_cast<int>(made.value));
  std::vector<std::string> names;
  if (const auto listed = posix::ListFolder(from.get(), &names); !listed.ok()) {
    return Failed("cannot read " + logs.string(), listed);
  }
  for (const std::string& name : names) {
    if (auto fault = CopyFlushed(from.get(), to.get(), name, copied)) return fault;
  }
  // mkdtemp made the folder private; the reports beside it are for everyone to read.
  if (const auto opened_up = posix::ChangeMode(to.get(), 0755); !opened_up.ok()) {
    return Failed("cannot open " + staging.string() + " to readers", opened_up);
  }
  // The folder's entries reach the disk before the folder takes its name.
  if (::fsync(to.get()) != 0) return Failed("cannot flush " + staging.string());
  return std::nullopt;
}

}  // namespace

bool KeepSessionRecord(const fs::path& logs, const fs::path& destination, plan::RunResult& run,
                       std::string& error) {
  const fs::path folder = destination.parent_path().empty() ? "." : destination.parent_path();
  std::string staging = (folder / ("." + destination.filename().string() + ".XXXXXX")).string();
  if (::mkdtemp(staging.data()) == nullptr) {
    error = Failed("cannot make a folder beside " + destination.string());
    return false;
  }
  std::set<std::string> copied;
  if (auto fault = CopyAll(logs, staging, copied)) {
    error = *fault;
  } else if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, destination.c_str(),
                         RENAME_NOREPLACE) != 0) {
    error = Failed("cannot name " + destination.string());
  }
  if (!error.empty()) {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    return false;
  }
  for (auto& phase : run.phases) {
    if (!phase.record) continue;
    for (auto* mark : {&phase.record->begin, &phase.record->end}) {
      const fs::path file = mark->file;
      if (file.parent_path() == logs && copied.contains(file.filename().string())) {
        mark->file = (destination / file.filename()).string();
      }
    }
  }
  return true;
}

}  // namespace unit_run
