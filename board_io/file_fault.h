// What went wrong with one of a board's files, and the telling of it. A file that is missing, not
// writable, or answers garbage fails the request that needed it, every time; standard error hears
// of it once for each file and kind of fault, for as long as the fault stays, so that a console
// polling a broken input or a cycle writing a broken line does not flood the output a person
// reads.
#pragma once

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace board_io {

enum class FaultKind { kMissing, kNotAFile, kCannotOpen, kCannotWrite, kCannotRead, kGarbage };

struct FileFault {
  std::filesystem::path file;
  FaultKind kind;
  std::string what;  // "/sys/class/gpio/gpio17/value: does not exist"
};

// Safe from any thread: the meter's watch thread and the requests share one.
class FaultTeller {
 public:
  // `device`, "ETC1:", begins each line.
  explicit FaultTeller(std::string device) : device_(std::move(device)) {}

  // What the last access to `file` came to: `fault`, told unless it was already, or null when
  // the file worked, so that its next fault is told again.
  void Heard(const std::filesystem::path& file, const FileFault* fault);

 private:
  const std::string device_;
  std::mutex mutex_;
  std::set<std::pair<std::filesystem::path, FaultKind>> told_;
};

}  // namespace board_io
