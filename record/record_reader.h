// A run's session record read back from its files, for replaying what its serial ports carried:
// the blocks in the order the run recorded them, across the parts the run was written in, and
// what a person should know of the record's state, each at its file and line: a line that is
// refused (malformed, cut short by a console that was killed, longer than any line the console
// writes) is skipped and noted with why; lines missing between the line numbers, and events the
// record itself counted as lost, are noted too, since a replay without them may differ.
//
// The blocks are held in memory: a run keeps at most its files' worth of them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "record/record_line.h"

namespace record {

// A block's line at its worst: every byte as <xHH> in the text and two hex digits.
inline constexpr std::size_t kMostLineBytes = 1024 * 1024;
static_assert(kMostLineBytes > kMostBlockBytes * 7 + 1024);

struct SourceLine {
  std::filesystem::path file;
  std::uint64_t line = 0;  // from 1
  // FILE:LINE
  std::string Describe() const;
};

struct BlockInRecord {
  SourceLine where;
  std::chrono::microseconds monotonic{0};
  RecordedBlock block;
};

struct RecordNote {
  SourceLine where;
  std::string what;
};

struct RunRecord {
  std::vector<std::filesystem::path> files;  // oldest first
  std::vector<BlockInRecord> blocks;
  std::vector<RecordNote> notes;
};

// A file of the run that cannot be read at all.
class RecordReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the run that `file` belongs to (see RunFiles). Throws RecordReadError when one of its
// files is missing, is not a plain file or cannot be read.
RunRecord ReadRunRecord(const std::filesystem::path& file,
                        std::size_t max_line_bytes = kMostLineBytes);

}  // namespace record
