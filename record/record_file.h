// One run's record on disk as it is written: lines gather in memory and go to the current part
// (record/record_names.h) when the writer flushes them; a line that would take the part past its
// size starts the run's next part, and the part that many files back is removed. No file is
// ever renamed. A flush that fails takes back whatever part of it reached the file, so the file
// holds only the whole lines of the flushes that succeeded. Files are the user's alone (0600), a
// folder made for them too (0700); a part is never opened through a link and never waited on
// (a FIFO put in its place is refused). Every failure throws; the caller decides what it means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/linux/posix_calls.h"

namespace record {

class RecordFile {
 public:
  // Goes on with the part `file`, of which `size` bytes were flushed before (0 for a new one);
  // what lies beyond them, a flush that failed and could not be taken back, is cut off. Makes
  // the file, and its folder, when missing.
  RecordFile(std::filesystem::path file, std::uintmax_t size, std::size_t max_file_bytes,
             std::size_t max_files);

  // Whether what waits must be flushed before a line of `line_bytes` is taken: the lines in
  // memory reach their most, or the line starts the next part.
  bool MustFlushBefore(std::size_t line_bytes) const;
  // One line, without its newline; the next part starts first when the line would take the
  // current one past its size (a line longer than that has a part of its own).
  void Write(std::string_view line);
  void Flush();

  // The part lines go to now, and its size up to the last flush.
  const std::filesystem::path& CurrentFile() const { return file_; }
  std::uintmax_t FlushedSize() const { return flushed_size_; }

 private:
  static constexpr std::size_t kMostWaitingBytes = 256 * 1024;

  bool StartsNextPart(std::size_t line_bytes) const;
  void StartNextPart();

  const std::size_t max_file_bytes_;
  const std::size_t max_files_;
  std::filesystem::path file_;
  std::uint64_t part_;
  platform::posix::UniqueFd fd_;
  std::uintmax_t flushed_size_;
  std::string waiting_;
};

}  // namespace record
