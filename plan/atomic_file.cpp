#include "plan/atomic_file.h"

#include <fcntl.h>

#include <cstring>

#include "platform/linux/file_calls.h"

namespace plan {

namespace {

namespace posix = platform::posix;

std::string Failed(const std::string& what, const std::filesystem::path& file,
                   const posix::CallResult& call) {
  return what + " " + file.string() + " (" + std::strerror(call.error) + ")";
}

}  // namespace

std::optional<std::string> WriteNewFileWhole(const std::filesystem::path& file,
                                             std::string_view text) {
  const std::filesystem::path folder =
      file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  std::string temporary = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
  const posix::CallResult made = posix::MakeUniqueFile(&temporary, O_CLOEXEC);
  if (!made.ok()) return Failed("cannot create a file beside", file, made);
  std::optional<std::string> fault;
  {
    const posix::UniqueFd fd(static_cast<int>(made.value));
    if (const auto written = posix::WriteAll(fd.get(), text.data(), text.size()); !written.ok()) {
      fault = Failed("cannot write", temporary, written);
    } else if (const auto mode = posix::ChangeMode(fd.get(), 0644); !mode.ok()) {
      fault = Failed("cannot set the mode of", temporary, mode);
    } else if (const auto synced = posix::SyncFile(fd.get()); !synced.ok()) {
      fault = Failed("cannot flush", temporary, synced);
    }
  }
  // A link, unlike a rename, never takes the place of a file that is already there.
  if (!fault) {
    const auto linked = posix::LinkAt(AT_FDCWD, temporary.c_str(), AT_FDCWD, file.c_str());
    if (!linked.ok()) fault = Failed("cannot write", file, linked);
  }
  posix::UnlinkAt(AT_FDCWD, temporary.c_str());
  if (fault) return fault;
  // The link itself reaches the disk with the folder's entry.
  const posix::CallResult opened = posix::Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (opened.ok()) posix::SyncFile(posix::UniqueFd(static_cast<int>(opened.value)).get());
  return std::nullopt;
}

}  // namespace plan
