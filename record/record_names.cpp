#include "record/record_names.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "record/line_format.h"

namespace record {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "session-";
constexpr std::string_view kPart = ".part";
constexpr std::string_view kSuffix = ".log";
// A part number is written with at least this many digits, so that a folder lists in order.
constexpr std::size_t kPartDigits = 4;
constexpr std::size_t kMostPartDigits = 12;

// A record file's run and part; part 0 for a record file of another form (an earlier version's).
struct RecordName {
  std::string run;
  std::uint64_t part = 0;
};

std::optional<RecordName> ParseRecordName(const std::string& name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix) ||
      name.size() <= kPrefix.size() + kSuffix.size()) {
    return std::nullopt;
  }
  std::string stem = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  const auto mark = stem.rfind(kPart);
  if (mark == std::string::npos || mark == 0) return RecordName{std::move(stem), 0};
  const std::string digits = stem.substr(mark + kPart.size());
  if (digits.empty() || digits.size() > kMostPartDigits ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return RecordName{std::move(stem), 0};
  }
  return RecordName{stem.substr(0, mark), std::stoull(digits)};
}

std::string PartName(const std::string& run, std::uint64_t part) {
  std::string number = std::to_string(part);
  if (number.size() < kPartDigits) number.insert(0, kPartDigits - number.size(), '0');
  return std::string(kPrefix) + run + std::string(kPart) + number + std::string(kSuffix);
}

// Every record file in `folder` with its name taken apart; nothing when it cannot be listed.
std::vector<std::pair<RecordName, fs::path>> RecordFilesIn(const fs::path& folder) {
  std::vector<std::pair<RecordName, fs::path>> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
    const fs::path name = entry.path().filename();
    auto parsed = ParseRecordName(name.string());
    if (parsed && entry.is_regular_file(error))
      files.emplace_back(std::move(*parsed), folder / name);
  }
  return files;
}

bool RunHasFiles(const fs::path& folder, const std::string& run) {
  const auto files = RecordFilesIn(folder);
  return std::any_of(files.begin(), files.end(),
                     [&](const auto& file) { return file.first.run == run; });
}

}  // namespace

fs::path NewRecordFile(const fs::path& folder, std::chrono::system_clock::time_point start) {
  const std::string stamp = FormatUtc(start, UtcForm::kCompact);
  std::string run = stamp;
  for (int again = 2; RunHasFiles(folder, run); ++again) run = stamp + "-" + std::to_string(again);
  return folder / PartName(run, 1);
}

std::optional<std::uint64_t> PartNumber(const fs::path& file) {
  const auto name = ParseRecordName(file.filename().string());
  if (!name || name->part == 0) return std::nullopt;
  return name->part;
}

fs::path WithPart(const fs::path& file, std::uint64_t part) {
  const auto name = ParseRecordName(file.filename().string());
  return file.parent_path() / PartName(name ? name->run : file.stem().string(), part);
}

void RemoveOldRecords(const fs::path& folder, const fs::path& current, std::size_t keep) {
  const auto current_run = ParseRecordName(current.filename().string());
  auto earlier = RecordFilesIn(folder);
  std::erase_if(
      earlier, [&](const auto& file) { return current_run && file.first.run == current_run->run; });
  if (earlier.size() <= keep) return;
  std::sort(earlier.begin(), earlier.end(), [](const auto& a, const auto& b) {
    return std::tie(a.first.run, a.first.part) < std::tie(b.first.run, b.first.part);
  });
  std::error_code error;
  for (std::size_t index = 0; index + keep < earlier.size(); ++index) {
    fs::remove(earlier[index].second, error);
  }
}

std::vector<fs::path> RunFiles(const fs::path& file) {
  const auto name = ParseRecordName(file.filename().string());
  if (!name || name->part == 0) return {file};
  auto files = RecordFilesIn(file.parent_path());
  std::erase_if(files, [&](const auto& other) {
    return other.first.run != name->run || other.first.part == 0;
  });
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.first.part < b.first.part; });
  std::vector<fs::path> oldest_first;
  for (auto& [other, path] : files) oldest_first.push_back(std::move(path));
  if (oldest_first.empty()) oldest_first.push_back(file);  // missing: its reader says so
  return oldest_first;
}

}  // namespace record
