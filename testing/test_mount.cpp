#include "testing/test_mount.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

constexpr char kFillerName[] = ".filler";

[[noreturn]] void ThrowFromErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

bool WriteText(const char* file, const std::string& text) {
  std::ofstream out(file);
  return static_cast<bool>(out << text << std::flush);
}

// Without the right to mount, a user namespace of our own may give it, as its root.
std::string EnterUserNamespace() {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
    return std::string("no user namespace: ") + std::strerror(errno);
  }
  if (!WriteText("/proc/self/setgroups", "deny") ||
      !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
      !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
    return "the user namespace's ids cannot be mapped";
  }
  return "";
}

std::string EnterPrivateMountNamespace() {
  if (::unshare(CLONE_NEWNS) != 0) {
    if (errno != EPERM) return std::string("no mount namespace: ") + std::strerror(errno);
    if (std::string why = EnterUserNamespace(); !why.empty()) return why;
  }
  // Nothing mounted here may reach the machine's namespace.
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::string("mounts cannot be made private: ") + std::strerror(errno);
  }
  return "";
}

}  // namespace

std::string MountsUnavailable() {
  static std::once_flag entered;
  static std::string why;
  std::call_once(entered, [] { why = EnterPrivateMountNamespace(); });
  return why;
}

TestMount TestMount::SmallFileSystem(const fs::path& folder, std::size_t bytes) {
  fs::create_directories(folder);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    ThrowFromErrno("cannot mount a file system at " + folder.string());
  }
  return TestMount(folder);
}

TestMount TestMount::Bind(const fs::path& source, const fs::path& folder) {
  fs::create_directories(folder);
  if (::mount(source.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    ThrowFromErrno("cannot bind " + source.string() + " at " + folder.string());
  }
  return TestMount(folder);
}

TestMount::TestMount(TestMount&& other) noexcept
    : folder_(std::move(other.folder_)), mounted_(other.mounted_) {
  other.mounted_ = false;
}

TestMount::~TestMount() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::size_t TestMount::FillUp() const {
  const fs::path filler = folder_ / kFillerName;
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) ThrowFromErrno("cannot open " + filler.string());
  const std::string block(4096, 'f');
  std::size_t written = 0;
  for (;;) {
    const ssize_t put = ::write(fd, block.data(), block.size());
    if (put <= 0) break;
    written += static_cast<std::size_t>(put);
  }
  ::close(fd);
  return written;
}

void TestMount::Free() const { fs::remove(folder_ / kFillerName); }

void TestMount::MakeReadOnly() const { Remount(MS_RDONLY); }
void TestMount::MakeWritable() const { Remount(0); }

void TestMount::Remount(unsigned long flags) const {
  // A bind mount takes new flags only on its own; a file system's options stay as they were.
  if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | flags, nullptr) != 0) {
    ThrowFromErrno("cannot remount " + folder_.string());
  }
}

void TestMount::Pull() {
  if (::umount2(folder_.c_str(), MNT_DETACH) != 0) {
    ThrowFromErrno("cannot pull " + folder_.string());
  }
  mounted_ = false;
  fs::remove(folder_);
}

}  // namespace testing_support
