#include "record/record_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/linux/posix_calls.h"
#include "record/record_names.h"

namespace record {

namespace {

namespace posix = platform::posix;

// Hands a file's lines one by one, each without its newline (the last one also without), and
// tells the lines longer than the limit apart without holding more of them than the limit.
template <typename OnLine, typename OnOverlong>
void ForEachLine(const std::filesystem::path& file, std::size_t max_line_bytes, OnLine on_line,
                 OnOverlong on_overlong) {
  const auto fail = [&file](const std::string& what, const posix::CallResult& call) {
    throw RecordReadError(file.string() + ": " + what + " (" + call.Describe() + ")");
  };
  // Not waiting on the open: a FIFO named by mistake is refused below, not waited for.
  const posix::CallResult opened =
      posix::Open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (!opened.ok()) fail("cannot be opened", opened);
  const posix::UniqueFd fd(static_cast<int>(opened.value));
  struct stat status {};
  if (const auto examined = posix::FileStatus(fd.get(), &status); !examined.ok()) {
    fail("cannot be examined", examined);
  }
  if (!S_ISREG(status.st_mode)) throw RecordReadError(file.string() + ": is not a plain file");

  std::array<char, 64 * 1024> chunk{};
  std::string line;
  bool overlong = false;
  std::uint64_t number = 1;
  const auto end_line = [&] {
    if (overlong) {
      on_overlong(number);
    } else {
      on_line(number, std::string_view(line));
    }
    line.clear();
    overlong = false;
    ++number;
  };
  for (;;) {
    const posix::CallResult read = posix::Read(fd.get(), chunk.data(), chunk.size());
    if (!read.ok()) fail("cannot be read", read);
    if (read.value == 0) break;
    std::string_view rest(chunk.data(), static_cast<std::size_t>(read.value));
    while (!rest.empty()) {
      const auto newline = rest.find('\n');
      const std::string_view part = rest.substr(0, newline);
      if (!overlong && line.size() + part.size() > max_line_bytes) {
        overlong = true;
        line.clear();
      }
      if (!overlong) line.append(part);
      if (newline == std::string_view::npos) break;
      end_line();
      rest.remove_prefix(newline + 1);
    }
  }
  if (!line.empty() || overlong) end_line();
}

// Follows the run's lines in order, noting where the line numbers jump.
class RunCollector {
 public:
  explicit RunCollector(RunRecord& run) : run_(run) {}

  void Line(const SourceLine& where, std::string_view text) {
    auto parsed = ParseRecordLine(text);
    if (const auto* fault = std::get_if<LineFault>(&parsed)) {
      Note(where, "skipped: " + fault->what);
      ++refused_since_;
      return;
    }
    auto& line = std::get<RecordedLine>(parsed);
    FollowNumbering(where, line.sequence, line.lost_events.value_or(0));
    if (line.lost_events) {
      Note(where, "the record lost " + std::to_string(*line.lost_events) +
                      " event(s) here; blocks among them are not in it");
    }
    if (line.block) run_.blocks.push_back({where, line.monotonic, std::move(*line.block)});
  }

  void Overlong(const SourceLine& where, std::size_t max_line_bytes) {
    Note(where, "skipped: longer than " + std::to_string(max_line_bytes) + " bytes");
    ++refused_since_;
  }

 private:
  // A jump in the numbering as wide as the lines refused since the last good one is theirs; the
  // events a "lost" line counts had their numbers too.
  void FollowNumbering(const SourceLine& where, std::uint64_t sequence, std::uint64_t lost) {
    const std::optional<std::uint64_t> last = std::exchange(last_sequence_, sequence);
    const std::uint64_t expected = last.value_or(0) + 1;
    const std::uint64_t explained = std::exchange(refused_since_, 0) + lost;
    if (sequence >= expected && sequence - expected <= explained) return;
    if (!last) {
      Note(where, "the run's first " + std::to_string(sequence - 1) +
                      " line(s) are not in the record (its oldest files are gone)");
    } else if (sequence > expected) {
      Note(where, "lines " + std::to_string(expected) + " to " + std::to_string(sequence - 1) +
                      " of the run are missing");
    } else {
      Note(where, "line " + std::to_string(sequence) + " comes after line " +
                      std::to_string(*last) + ": the files are not one run in order");
    }
  }

  void Note(const SourceLine& where, std::string what) {
    run_.notes.push_back({where, std::move(what)});
  }

  RunRecord& run_;
  std::optional<std::uint64_t> last_sequence_;
  std::uint64_t refused_since_ = 0;
};

}  // namespace

std::string SourceLine::Describe() const { return file.string() + ":" + std::to_string(line); }

RunRecord ReadRunRecord(const std::filesystem::path& file, std::size_t max_line_bytes) {
  RunRecord run;
  RunCollector collector(run);
  run.files = RunFiles(file);
  for (const std::filesystem::path& part : run.files) {
    ForEachLine(
        part, max_line_bytes,
        [&](std::uint64_t line, std::string_view text) {
          collector.Line({part, line}, text);
        },
        [&](std::uint64_t line) {
          collector.Overlong({part, line}, max_line_bytes);
        });
  }
  return run;
}

}  // namespace record
