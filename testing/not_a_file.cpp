#include "testing/not_a_file.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace testing_support {

namespace {

// A socket file stays behind its closed socket, as one a program forgot to remove.
void MakeSocketFile(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.native().size() >= sizeof address.sun_path) {
    throw std::runtime_error("socket path too long: " + path.string());
  }
  std::strcpy(address.sun_path, path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool bound =
      fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  const int error = errno;
  if (fd >= 0) ::close(fd);
  if (!bound) throw std::runtime_error("socket " + path.string() + ": " + std::strerror(error));
}

}  // namespace

std::string NameOf(NotAFile what) {
  switch (what) {
    case NotAFile::kFifo:
      return "FIFO";
    case NotAFile::kSocket:
      return "socket";
    case NotAFile::kDanglingLink:
      return "dangling link";
    case NotAFile::kCharacterDevice:
      return "character device";
  }
  return "?";
}

std::string Plant(NotAFile what, const std::filesystem::path& path) {
  switch (what) {
    case NotAFile::kFifo:
      if (::mkfifo(path.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo " + path.string() + ": " + std::strerror(errno));
      }
      return {};
    case NotAFile::kSocket:
      MakeSocketFile(path);
      return {};
    case NotAFile::kCharacterDevice:
      // The null device's numbers: harmless even where it is opened.
      if (::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        return "cannot make a device node (" + std::string(std::strerror(errno)) + ")";
      }
      return {};
    case NotAFile::kDanglingLink:
      std::filesystem::create_symlink(path.parent_path() / "nowhere" / "missing", path);
      return {};
  }
  return "unknown kind";
}

}  // namespace testing_support
