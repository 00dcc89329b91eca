// One run's record on disk: a file named by the run's start in the record's folder, rotated by
// size through the logging library's rotating file sink (the full file becomes NAME.1.log, the
// one before NAME.2.log, and so on, the oldest going once the run has its number of files), and
// the earlier runs' files thinned out to a number. Files are the user's alone (0600), a folder
// made for them too (0700). Every failure to open, write or rotate throws; the caller decides
// what a failure means.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace spdlog::sinks {
template <typename Mutex>
class rotating_file_sink;
}  // namespace spdlog::sinks
namespace spdlog::details {
struct null_mutex;
}  // namespace spdlog::details

namespace record {

// session-20240501T033456.789Z.log for a run started then (UTC); with -2, -3 ... behind the time
// when the folder already has that name.
std::filesystem::path NewRecordFile(const std::filesystem::path& folder,
                                    std::chrono::system_clock::time_point start);

// Removes the record files in `folder` that are not `current`'s, oldest content first, until at
// most `keep` of them are left. Files of other names are never touched.
void RemoveOldRecords(const std::filesystem::path& folder, const std::filesystem::path& current,
                      std::size_t keep);

// The files of the run that `file` belongs to, NAME.log or one of its rotations NAME.N.log,
// oldest first: from the highest N down to NAME.1.log, then NAME.log. A file whose name does not
// end in ".log" is taken alone.
std::vector<std::filesystem::path> RunFiles(const std::filesystem::path& file);

class RecordFile {
 public:
  // Opens `file` for appending, making its folder when missing. A file that a failed write left
  // ending within a line gets its line ended first, so every line of it stays whole.
  RecordFile(const std::filesystem::path& file, std::size_t max_file_bytes,
             std::size_t max_files);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // One line, without its newline; the file rotates first when the line would take it past its
  // size (a line longer than that has a file of its own).
  void Write(std::string_view line);
  void Flush();
  // The file lines are written to now, and its size once flushed.
  std::filesystem::path CurrentFile();
  std::uintmax_t FlushedSize();

 private:
  static constexpr std::size_t kBufferBytes = 256 * 1024;

  std::unique_ptr<char[]> buffer_;  // before the sink, which writes through it until it goes
  std::unique_ptr<spdlog::sinks::rotating_file_sink<spdlog::details::null_mutex>> sink_;
};

}  // namespace record
