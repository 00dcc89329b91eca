#include "plan/record_slice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "record/record_names.h"

namespace plan {

namespace {

namespace fs = std::filesystem;

// A phase's slice is read while the phase runs; more than this is no sensible phase.
constexpr std::uint64_t kLongestSlice = 64ull * 1024 * 1024;

// One file's part of a slice.
struct Piece {
  fs::path file;
  std::uint64_t from = 0;
  std::optional<std::uint64_t> to;  // nothing: to the file's end
};

// The files from the begin mark's to the end mark's: one file, or the parts of one run between
// the two, each whole but the first and the last.
std::optional<std::vector<Piece>> Pieces(const RecordMark& begin, const RecordMark& end,
                                         std::string& error) {
  if (begin.file == end.file) {
    if (end.offset < begin.offset) {
      error = "the session record's marks go backwards";
      return std::nullopt;
    }
    return std::vector<Piece>{{end.file, begin.offset, end.offset}};
  }
  const auto first = record::PartNumber(begin.file);
  const auto last = record::PartNumber(end.file);
  if (!first || !last || *first > *last || record::WithPart(begin.file, *last) != end.file) {
    error = "the session record's marks " + begin.file + " and " + end.file +
            " are not in one run's files in order";
    return std::nullopt;
  }
  std::vector<Piece> pieces{{begin.file, begin.offset, std::nullopt}};
  for (std::uint64_t part = *first + 1; part < *last; ++part) {
    pieces.push_back({record::WithPart(begin.file, part), 0, std::nullopt});
  }
  pieces.push_back({end.file, 0, end.offset});
  return pieces;
}

// Appends the piece to `text`; false, with `error` set, when it cannot be read whole.
bool ReadPiece(const Piece& piece, std::string& text, std::string& error) {
  const auto fail = [&](const std::string& what) {
    error = "the session record " + piece.file.string() + " " + what;
    return false;
  };
  const platform::posix::UniqueFd fd(
      ::open(piece.file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd && errno == ENOENT) return fail("is gone: the record removed it as it went on");
  if (!fd) return fail(std::string("cannot be read (") + std::strerror(errno) + ")");
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return fail("is not a plain file");
  }
  const auto size = static_cast<std::uint64_t>(status.st_size);
  const std::uint64_t to = piece.to.value_or(size);
  if (to > size || piece.from > to) return fail("is shorter than the marks say");
  if (text.size() + (to - piece.from) > kLongestSlice) {
    error = "the phase's slice of the session record is larger than 64 MiB";
    return false;
  }
  const std::size_t at = text.size();
  text.resize(at + (to - piece.from));
  for (std::size_t done = 0; at + done < text.size();) {
    const ssize_t got = ::pread(fd.get(), text.data() + at + done, text.size() - at - done,
                                static_cast<off_t>(piece.from + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return fail("cannot be read whole");
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadRecordSlice(const RecordMark& begin, const RecordMark& end,
                                           std::string& error) {
  const auto pieces = Pieces(begin, end, error);
  if (!pieces) return std::nullopt;
  std::string text;
  for (const Piece& piece : *pieces) {
    if (!ReadPiece(piece, text, error)) return std::nullopt;
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
