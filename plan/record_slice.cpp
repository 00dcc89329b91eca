#include "plan/record_slice.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace plan {

namespace {
// A phase's slice is read while the phase runs; more than this is no sensible phase.
constexpr std::uint64_t kLongestSlice = 64ull * 1024 * 1024;
}  // namespace

std::optional<std::string> ReadRecordSlice(const RecordMark& begin, const RecordMark& end,
                                           std::string& error) {
  const std::uint64_t from = begin.file == end.file ? begin.offset : 0;
  if (end.offset < from) {
    error = "the session record's marks go backwards";
    return std::nullopt;
  }
  if (end.offset - from > kLongestSlice) {
    error = "the phase's slice of the session record is larger than 64 MiB";
    return std::nullopt;
  }
  std::ifstream file(end.file, std::ios::binary);
  std::string text(end.offset - from, '\0');
  if (!file.seekg(static_cast<std::streamoff>(from)) ||
      !file.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    error = "cannot read the session record " + end.file + " (" + std::strerror(errno) + ")";
    return std::nullopt;
  }
  return text;
}

std::optional<double> LineMonotonicSeconds(std::string_view line) {
  const std::size_t first = line.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = line.find(' ', first + 1);
  const std::string field(line.substr(first + 1, second - first - 1));
  char* stop = nullptr;
  const double seconds = std::strtod(field.c_str(), &stop);
  if (field.empty() || stop != field.c_str() + field.size()) return std::nullopt;
  return seconds;
}

}  // namespace plan
