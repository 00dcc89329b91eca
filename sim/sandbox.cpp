#include "sim/sandbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/file_calls.h"
#include "platform/linux/regular_file.h"
#include "platform/linux/small_file.h"
#include "sim/trusted_folder.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr const char* kMarkName = ".quorvane-sandbox";
constexpr std::string_view kMarkText =
    "This folder is the sandbox of a Quorvane console on the simulated terminal.\n";
// What an earlier version made in a sandbox, before sandboxes were marked: a folder that holds
// these alone, volumes and tty among them, is taken for one of ours and marked.
constexpr std::array<std::string_view, 5> kEarlierLayout{"volumes", "tty", "console.sock",
                                                         "debug.log", "drivers.jsonl"};

[[noreturn]] void Fail(const fs::path& where, const std::string& what) {
  throw SandboxError("sandbox: " + where.string() + ": " + what);
}

[[noreturn]] void FailCall(const fs::path& where, const std::string& what,
                           const posix::CallResult& call) {
  Fail(where, what + " (" + call.Describe() + ")");
}

struct stat StatusOf(int fd, const fs::path& where) {
  struct stat status {};
  const posix::CallResult examined = posix::Status(fd, &status);
  if (!examined.ok()) FailCall(where, "cannot be examined", examined);
  return status;
}

// The path's folders may be root's; the sandbox itself is this user's alone.
void CheckOwnFolder(const struct stat& status, const fs::path& folder) {
  if (status.st_uid != ::geteuid()) {
    Fail(folder,
         "belongs to another user (uid " + std::to_string(status.st_uid) + "); refusing to use it");
  }
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    Fail(folder, "other users may write to it; refusing to use it (chmod 700 would allow it)");
  }
}

// A file is written only when it is what it seems: a plain file of this user's with no other
// name (a hard link would carry the writes elsewhere).
void CheckOwnFile(const struct stat& status, const fs::path& file) {
  if (S_ISLNK(status.st_mode)) Fail(file, "is a link; refusing to follow it");
  if (!S_ISREG(status.st_mode)) Fail(file, "is not a plain file; refusing to write to it");
  if (status.st_uid != ::geteuid()) {
    Fail(file, "belongs to another user (uid " + std::to_string(status.st_uid) +
                   "); refusing to write to it");
  }
  if (status.st_nlink > 1) Fail(file, "has other names (hard links); refusing to write to it");
}

// Why a file of the sandbox was not opened to `verb` ("read", "write to").
[[noreturn]] void FailOpen(const fs::path& file, const posix::CallResult& open,
                           const std::string& verb) {
  if (open.error == ELOOP) Fail(file, "is a link; refusing to follow it");
  if (posix::FoundNoRegularFile(open)) {
    Fail(file, "is not a plain file; refusing to " + verb + " it");
  }
  FailCall(file, "cannot be opened", open);
}

// Whether `name` in the folder is of this type (S_IFDIR, ...) and this user's.
bool IsOwnEntry(int folder, const std::string& name, mode_t type) {
  struct stat status {};
  return posix::LinkStatusAt(folder, name.c_str(), &status).ok() &&
         (status.st_mode & S_IFMT) == type && status.st_uid == ::geteuid();
}

bool LooksLikeAnEarlierSandbox(int folder, const std::vector<std::string>& names) {
  const bool only_known = std::all_of(names.begin(), names.end(), [](const std::string& name) {
    return std::find(kEarlierLayout.begin(), kEarlierLayout.end(), name) != kEarlierLayout.end();
  });
  return only_known && IsOwnEntry(folder, "volumes", S_IFDIR) && IsOwnEntry(folder, "tty", S_IFDIR);
}

// Whether the existing folder still needs the mark; refuses a folder that holds something else.
bool NeedsMark(int folder, const fs::path& path) {
  std::vector<std::string> names;
  const posix::CallResult listed = posix::ListFolder(folder, &names);
  if (!listed.ok()) FailCall(path, "cannot be listed", listed);
  if (names.empty()) return true;
  if (std::find(names.begin(), names.end(), kMarkName) != names.end()) {
    if (!IsOwnEntry(folder, kMarkName, S_IFREG)) {
      Fail(path / kMarkName, "is not a plain file of this user's; refusing to use the folder");
    }
    return false;
  }
  if (LooksLikeAnEarlierSandbox(folder, names)) return true;
  std::sort(names.begin(), names.end());
  Fail(path, "holds other things (such as \"" + names.front() + "\") and is not marked as a " +
                 "sandbox by " + kMarkName + "; refusing to use it: name a new or empty folder");
}

void Mark(int folder, const fs::path& path) {
  const posix::CallResult opened = posix::OpenAt(
      folder, kMarkName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFile);
  if (!opened.ok()) FailCall(path / kMarkName, "cannot be created", opened);
  const posix::UniqueFd mark(static_cast<int>(opened.value));
  const posix::CallResult written = posix::WriteAll(mark.get(), kMarkText.data(), kMarkText.size());
  if (!written.ok()) FailCall(path / kMarkName, "cannot be written", written);
}

// A folder already there will do, as long as it is a folder and not a link to one.
posix::UniqueFd MakeFolderIn(int parent, const fs::path& path) {
  const std::string name = path.filename().string();
  const posix::CallResult made = posix::MakeFolderAt(parent, name.c_str(), kPrivateFolder);
  if (!made.ok() && made.error != EEXIST) FailCall(path, "cannot be created", made);
  const posix::CallResult opened =
      posix::OpenAt(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (!opened.ok()) {
    if (opened.error != ELOOP && opened.error != ENOTDIR) {
      FailCall(path, "cannot be opened", opened);
    }
    struct stat status {};
    const bool link =
        posix::LinkStatusAt(parent, name.c_str(), &status).ok() && S_ISLNK(status.st_mode);
    Fail(path, link ? "is a link; refusing to follow it" : "is there but not a folder");
  }
  return posix::UniqueFd(static_cast<int>(opened.value));
}

TrustedFolder OpenTrusted(const fs::path& folder) {
  try {
    return OpenTrustedFolder(folder);
  } catch (const UntrustedPathError& error) {
    if (error.Where() == folder) Fail(folder, error.what());
    Fail(error.Where(),
         std::string(error.what()) + " (on the way to the sandbox " + folder.string() + ")");
  }
}

}  // namespace

Sandbox Sandbox::Prepare(const std::filesystem::path& folder) {
  std::filesystem::path absolute = std::filesystem::absolute(folder).lexically_normal();
  if (!absolute.has_filename()) absolute = absolute.parent_path();  // a trailing slash
  TrustedFolder trusted = OpenTrusted(absolute);
  Sandbox sandbox(absolute, std::move(trusted.descriptor));
  const int root = sandbox.descriptor_.get();

  // Everything is checked before anything changes, so that a refused folder stays as it was.
  const struct stat status = StatusOf(root, absolute);
  CheckOwnFolder(status, absolute);
  const bool needs_mark = trusted.created || NeedsMark(root, absolute);
  if ((status.st_mode & 07777) != kPrivateFolder) {
    const posix::CallResult tightened = posix::ChangeMode(root, kPrivateFolder);
    if (!tightened.ok()) FailCall(absolute, "cannot be made private to its user", tightened);
  }
  if (needs_mark) Mark(root, absolute);

  const posix::UniqueFd volumes = MakeFolderIn(root, absolute / "volumes");
  for (std::string_view volume : kVolumeNames) {
    MakeFolderIn(volumes.get(), sandbox.VolumeFolder(volume));
  }
  MakeFolderIn(root, absolute / "tty");
  return sandbox;
}

std::filesystem::path Sandbox::VolumeFolder(std::string_view volume) const {
  return platform::VolumeFolderIn(folder_, volume);
}

std::filesystem::path Sandbox::SerialFarEnd(int port) const {
  return platform::SerialFarEndIn(folder_, "COM" + std::to_string(port));
}

platform::posix::UniqueFd Sandbox::OpenFileForAppend(std::string_view name) const {
  const std::string file_name(name);
  const fs::path path = folder_ / file_name;
  const posix::CallResult opened =
      posix::OpenRegularFileAt(descriptor_.get(), file_name.c_str(),
                               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kPrivateFile);
  if (!opened.ok()) FailOpen(path, opened, "write to");
  posix::UniqueFd file(static_cast<int>(opened.value));
  const struct stat status = StatusOf(file.get(), path);
  CheckOwnFile(status, path);
  if ((status.st_mode & 07777) != kPrivateFile) {
    const posix::CallResult tightened = posix::ChangeMode(file.get(), kPrivateFile);
    if (!tightened.ok()) FailCall(path, "cannot be made private to its user", tightened);
  }
  return file;
}

std::optional<std::string> Sandbox::ReadSmallFile(std::string_view name,
                                                  std::size_t max_bytes) const {
  const std::string file_name(name);
  const fs::path path = folder_ / file_name;
  posix::SmallFile read = posix::ReadSmallFileAt(descriptor_.get(), file_name.c_str(), max_bytes);
  switch (read.fault) {
    case posix::SmallFileFault::kCannotOpen:
      if (read.call.error == ENOENT) return std::nullopt;
      [[fallthrough]];
    case posix::SmallFileFault::kNotRegularFile:
      FailOpen(path, read.call, "read");
    case posix::SmallFileFault::kCannotExamine:
      FailCall(path, "cannot be examined", read.call);
    case posix::SmallFileFault::kNone:
    case posix::SmallFileFault::kTooLarge:
    case posix::SmallFileFault::kCannotRead:
      break;
  }
  if (read.status.st_uid != ::geteuid()) {
    Fail(path, "belongs to another user (uid " + std::to_string(read.status.st_uid) +
                   "); refusing to read it");
  }
  if (read.fault == posix::SmallFileFault::kTooLarge) {
    Fail(path, "is larger than " + std::to_string(max_bytes) + " bytes; refusing to read it");
  }
  if (read.fault == posix::SmallFileFault::kCannotRead) FailCall(path, "cannot be read", read.call);
  return std::move(read.text);
}

void Sandbox::SetFileAside(std::string_view name, std::string_view new_name) const {
  const std::string from(name);
  const std::string to(new_name);
  struct stat status {};
  const posix::CallResult examined = posix::LinkStatusAt(descriptor_.get(), from.c_str(), &status);
  if (examined.error == ENOENT) return;
  if (!examined.ok()) FailCall(folder_ / from, "cannot be examined", examined);
  CheckOwnFile(status, folder_ / from);
  const posix::CallResult renamed = posix::RenameAt(descriptor_.get(), from.c_str(), to.c_str());
  if (!renamed.ok()) FailCall(folder_ / from, "cannot be renamed to " + to, renamed);
}

void Sandbox::ReplaceFile(std::string_view name, std::string_view contents) const {
  const std::string final_name(name);
  const std::string new_name = final_name + ".new";
  const posix::CallResult opened = posix::OpenRegularFileAt(
      descriptor_.get(), new_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kPrivateFile);
  if (!opened.ok()) FailOpen(folder_ / new_name, opened, "write to");
  const posix::UniqueFd file(static_cast<int>(opened.value));
  const posix::CallResult written = posix::WriteAll(file.get(), contents.data(), contents.size());
  if (!written.ok()) FailCall(folder_ / new_name, "cannot be written", written);
  const posix::CallResult renamed =
      posix::RenameAt(descriptor_.get(), new_name.c_str(), final_name.c_str());
  if (!renamed.ok()) FailCall(folder_ / new_name, "cannot be renamed to " + final_name, renamed);
}

void Sandbox::RemoveFile(std::string_view name) const noexcept {
  const std::string file_name(name);
  posix::UnlinkAt(descriptor_.get(), file_name.c_str());
}

}  // namespace sim
