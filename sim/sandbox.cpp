#include "sim/sandbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "platform/linux/posix_calls.h"

namespace sim {

namespace {

constexpr mode_t kPrivateFolder = 0700;

[[noreturn]] void Fail(const std::filesystem::path& folder, const std::string& what) {
  throw SandboxError("sandbox: " + folder.string() + ": " + what);
}

[[noreturn]] void FailWithErrno(const std::filesystem::path& folder, const std::string& what) {
  const int error = errno;
  Fail(folder, what + ": " + std::generic_category().message(error));
}

// A folder already there will do, as long as it is a folder (or a link to one).
void MakeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), kPrivateFolder) == 0) return;
  if (errno != EEXIST) FailWithErrno(folder, "cannot be created");
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) Fail(folder, "is there but not a folder");
}

void MakeFolderWithParents(const std::filesystem::path& folder) {
  std::filesystem::path partial;
  for (const auto& component : folder) {
    partial /= component;
    MakeFolder(partial);
  }
}

// Checks the folder through one descriptor, so that what is checked is what gets tightened.
void MakePrivate(const std::filesystem::path& folder) {
  const platform::posix::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) FailWithErrno(folder, "cannot be opened as a folder");
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) FailWithErrno(folder, "cannot be examined");
  if (status.st_uid != ::geteuid()) {
    Fail(folder, "belongs to another user (uid " + std::to_string(status.st_uid) +
                     "); refusing to use it");
  }
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    Fail(folder, "other users may write to it; refusing to use it (chmod 700 would allow it)");
  }
  if ((status.st_mode & 07777) != kPrivateFolder && ::fchmod(fd.get(), kPrivateFolder) != 0) {
    FailWithErrno(folder, "cannot be made private to its user");
  }
}

}  // namespace

Sandbox Sandbox::Prepare(const std::filesystem::path& folder) {
  std::filesystem::path absolute = std::filesystem::absolute(folder).lexically_normal();
  if (!absolute.has_filename()) absolute = absolute.parent_path();  // a trailing slash
  Sandbox sandbox(std::move(absolute));
  const auto& root = sandbox.folder_;
  MakeFolderWithParents(root);
  MakePrivate(root);
  MakeFolder(root / "volumes");
  for (std::string_view volume : kVolumeNames) MakeFolder(sandbox.VolumeFolder(volume));
  MakeFolder(root / "tty");
  return sandbox;
}

std::filesystem::path Sandbox::VolumeFolder(std::string_view volume) const {
  return folder_ / "volumes" / volume;
}

std::filesystem::path Sandbox::SerialFarEnd(int port) const {
  return folder_ / "tty" / ("COM" + std::to_string(port));
}

}  // namespace sim
