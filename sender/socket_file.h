// The console's socket file. Only the console's user can reach it: the socket (mode 0600) lies in
// a folder that must be 0700 and owned by that user. A socket file that nobody answers on is a
// leftover of a console that ended without removing it and is replaced; one that a console
// answers on is left alone. On the way out the file goes only if it is still the one bound here.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/posix_calls.h"

namespace sender {

class SocketFile {
 public:
  SocketFile() = default;
  ~SocketFile() { Close(); }
  SocketFile(const SocketFile&) = delete;
  SocketFile& operator=(const SocketFile&) = delete;

  // Binds `path` and listens on it without blocking. Nothing when it listens; otherwise why not.
  std::optional<std::string> Open(const std::filesystem::path& path);
  int listener() const { return listener_.get(); }
  bool is_open() const { return static_cast<bool>(listener_); }
  // Stops listening and removes the file if it is still ours.
  void Close();

 private:
  std::filesystem::path path_;
  platform::posix::UniqueFd listener_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

}  // namespace sender
