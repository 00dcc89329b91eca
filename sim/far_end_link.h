// The name under which outside programs find a simulated port's far end: a symbolic link such as
// SANDBOX/tty/COM1 -> /dev/pts/7. Pseudo-terminal numbers change from run to run and are handed
// out again to other programs, so a link left by an earlier run may point at a stranger's
// terminal: it is replaced, never trusted, and a port that publishes no far end takes an old
// link away.
#pragma once

#include <filesystem>

namespace sim {

class FarEndLink {
 public:
  // Puts the link in place in one step, over whatever link was there. Throws
  // std::filesystem::filesystem_error.
  FarEndLink(std::filesystem::path link, std::filesystem::path far_end);
  // Removes the link, unless it has since been replaced by one to another far end (a newer board
  // for the same sandbox).
  ~FarEndLink();
  FarEndLink(const FarEndLink&) = delete;
  FarEndLink& operator=(const FarEndLink&) = delete;

  // For a port with no far end to offer. Throws std::filesystem::filesystem_error.
  static void RemoveStale(const std::filesystem::path& link);

 private:
  const std::filesystem::path link_;
  const std::filesystem::path far_end_;
};

}  // namespace sim
