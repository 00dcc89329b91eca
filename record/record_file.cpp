#include "record/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include <spdlog/sinks/rotating_file_sink.h>

#include "platform/linux/posix_calls.h"
#include "record/line_format.h"

namespace record {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "session-";
constexpr std::string_view kSuffix = ".log";

// A record file's place in time: its run's start, then its rotation (a higher one is older).
struct RecordName {
  std::string run;
  unsigned long rotation = 0;
};

// A file name's part before ".log" as its run and rotation: "X.3" is the third file before X's.
RecordName SplitRotation(std::string stem) {
  const auto dot = stem.rfind('.');
  const std::string tail = dot == std::string::npos ? "" : stem.substr(dot + 1);
  if (!tail.empty() && tail.size() <= 6 &&
      std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return RecordName{stem.substr(0, dot), std::stoul(tail)};
  }
  return RecordName{std::move(stem), 0};
}

std::optional<RecordName> ParseRecordName(const std::string& name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix) ||
      name.size() <= kPrefix.size() + kSuffix.size()) {
    return std::nullopt;
  }
  return SplitRotation(
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size()));
}

// Whether the file exists and its last byte is not a newline.
bool EndsWithinALine(const fs::path& file) {
  const platform::posix::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  struct stat status {};
  if (!fd || ::fstat(fd.get(), &status) != 0 || status.st_size == 0) return false;
  char last = '\n';
  return ::pread(fd.get(), &last, 1, status.st_size - 1) == 1 && last != '\n';
}

// `buffer` holds what the writer writes between its flushes: a flood's lines reach the disk a
// batch at a time instead of one system call each. Every file of the run takes it in turn, as the
// library closes one before it opens the next.
spdlog::file_event_handlers Handlers(std::span<char> buffer) {
  spdlog::file_event_handlers handlers;
  handlers.after_open = [buffer](const spdlog::filename_t& name, std::FILE* file) {
    std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    ::fchmod(::fileno(file), 0600);
    if (EndsWithinALine(name)) std::fputc('\n', file);
  };
  return handlers;
}

void MakeFolder(const fs::path& folder) {
  if (folder.empty() || fs::is_directory(folder)) return;
  MakeFolder(folder.parent_path());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::system_error(errno, std::generic_category(), "cannot make " + folder.string());
  }
}

}  // namespace

fs::path NewRecordFile(const fs::path& folder, std::chrono::system_clock::time_point start) {
  const std::string stamp = FormatUtc(start, UtcForm::kCompact);
  std::error_code error;
  fs::path file = folder / (std::string(kPrefix) + stamp + std::string(kSuffix));
  for (int again = 2; fs::exists(file, error); ++again) {
    file = folder / (std::string(kPrefix) + stamp + "-" + std::to_string(again) +
                     std::string(kSuffix));
  }
  return file;
}

void RemoveOldRecords(const fs::path& folder, const fs::path& current, std::size_t keep) {
  const auto current_run = ParseRecordName(current.filename().string());
  std::vector<std::pair<RecordName, fs::path>> earlier;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const auto name = ParseRecordName(entry.path().filename().string());
    if (!name || (current_run && name->run == current_run->run)) continue;
    if (!entry.is_regular_file(error)) continue;
    earlier.emplace_back(*name, entry.path());
  }
  if (earlier.size() <= keep) return;
  // Oldest first: the earlier run first, and within a run the higher rotation.
  std::sort(earlier.begin(), earlier.end(), [](const auto& a, const auto& b) {
    if (a.first.run != b.first.run) return a.first.run < b.first.run;
    return a.first.rotation > b.first.rotation;
  });
  for (std::size_t index = 0; index + keep < earlier.size(); ++index) {
    fs::remove(earlier[index].second, error);
  }
}

std::vector<fs::path> RunFiles(const fs::path& file) {
  const std::string name = file.filename().string();
  if (!name.ends_with(kSuffix) || name.size() == kSuffix.size()) return {file};
  const std::string run = SplitRotation(name.substr(0, name.size() - kSuffix.size())).run;
  const fs::path folder = file.parent_path();
  std::vector<std::pair<unsigned long, fs::path>> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::string entry_name = entry.path().filename().string();
    if (!entry_name.ends_with(kSuffix)) continue;
    const RecordName entry_run =
        SplitRotation(entry_name.substr(0, entry_name.size() - kSuffix.size()));
    if (entry_run.run == run) files.emplace_back(entry_run.rotation, folder / entry_name);
  }
  // The higher the rotation the older the file; the current one, 0, is the newest.
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<fs::path> oldest_first;
  for (auto& [rotation, path] : files) oldest_first.push_back(std::move(path));
  if (oldest_first.empty()) oldest_first.push_back(file);  // missing: its reader says so
  return oldest_first;
}

RecordFile::RecordFile(const fs::path& file, std::size_t max_file_bytes, std::size_t max_files)
    : buffer_(std::make_unique<char[]>(kBufferBytes)) {
  MakeFolder(file.parent_path());
  // The library counts the files rotated out; the run's current file is one more.
  sink_ = std::make_unique<spdlog::sinks::rotating_file_sink_st>(
      file.string(), max_file_bytes, max_files - 1, false,
      Handlers({buffer_.get(), kBufferBytes}));
  sink_->set_pattern("%v");
}

RecordFile::~RecordFile() = default;

void RecordFile::Write(std::string_view line) {
  sink_->log(spdlog::details::log_msg(spdlog::source_loc{}, "", spdlog::level::info,
                                      spdlog::string_view_t(line.data(), line.size())));
}

void RecordFile::Flush() { sink_->flush(); }

fs::path RecordFile::CurrentFile() { return sink_->filename(); }

std::uintmax_t RecordFile::FlushedSize() {
  Flush();
  return fs::file_size(CurrentFile());
}

}  // namespace record
