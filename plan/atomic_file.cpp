#include "plan/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace plan {

namespace {

std::string Failed(const std::string& what, const std::filesystem::path& file) {
  return what + " " + file.string() + " (" + std::strerror(errno) + ")";
}

}  // namespace

std::optional<std::string> WriteNewFileWhole(const std::filesystem::path& file,
                                               std::string_view text) {
  const std::filesystem::path folder =
      file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  std::string temporary = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Failed("cannot create a file beside", file);
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    written += static_cast<std::size_t>(put);
  }
  std::optional<std::string> fault;
  if (written < text.size()) fault = Failed("cannot write", temporary);
  if (!fault && ::fchmod(fd, 0644) != 0) fault = Failed("cannot set the mode of", temporary);
  if (!fault && ::fsync(fd) != 0) fault = Failed("cannot flush", temporary);
  ::close(fd);
  // A link, unlike a rename, never takes the place of a file that is already there.
  if (!fault && ::link(temporary.c_str(), file.c_str()) != 0) {
    fault = Failed("cannot write", file);
  }
  ::unlink(temporary.c_str());
  if (fault) return fault;
  // The rename itself reaches the disk with the folder's entry.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return std::nullopt;
}

}  // namespace plan
