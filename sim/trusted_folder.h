// Opening a folder by a path nobody else can have tampered with, as careful daemons do before
// they keep private things in it. Walking from the root down, every folder on the way must
// belong to this user or root and be closed to other users' writes, except a sticky one such as
// /tmp, where others may add names but cannot take away or replace ours (and the next folder must
// be ours or root's, like every other). A link is followed only when this user or root owns it.
// Each step opens the next name relative to the folder opened before, never by a whole path, so
// that what was checked is what gets used.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/linux/posix_calls.h"

namespace sim {

// A folder on the way that cannot be trusted, or a system call that failed on it.
class UntrustedPathError : public std::runtime_error {
 public:
  UntrustedPathError(std::filesystem::path where, const std::string& what)
      : std::runtime_error(what), where_(std::move(where)) {}
  // The folder or link at fault, as reached from the root (links resolved).
  const std::filesystem::path& Where() const { return where_; }

 private:
  std::filesystem::path where_;
};

struct TrustedFolder {
  platform::posix::UniqueFd descriptor;  // open for reading
  bool created = false;                  // the last folder did not exist before
};

// Opens the folder at `absolute`, creating the missing folders on the way (mode 0700). The last
// folder passes the same checks as those on the way. Throws UntrustedPathError.
TrustedFolder OpenTrustedFolder(const std::filesystem::path& absolute);

}  // namespace sim
