#include "record/session_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "record/record_line.h"
#include "testing/temp_dir.h"
#include "testing/test_mount.h"

namespace record {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadWhole(const fs::path& file) {
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  return text.str();
}

std::vector<fs::path> RecordFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("session-")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Every line of every record file in the folder, in the order of their numbers.
std::vector<std::string> RecordLines(const fs::path& folder) {
  std::vector<std::pair<std::uint64_t, std::string>> numbered;
  for (const fs::path& file : RecordFiles(folder)) {
    std::istringstream lines(ReadWhole(file));
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      std::string wall, monotonic;
      std::uint64_t sequence = 0;
      fields >> wall >> monotonic >> sequence;
      numbered.emplace_back(sequence, line);
    }
  }
  std::sort(numbered.begin(), numbered.end());
  std::vector<std::string> lines;
  for (auto& [sequence, line] : numbered) lines.push_back(std::move(line));
  return lines;
}

std::size_t CountWith(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(),
                    [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// How long a test waits for the writer: it runs in the idle class, and on a busy machine may wait
// long for a processor. A test that passes waits only as long as the writer needs.
constexpr auto kPatience = 60s;

class SessionRecordTest : public ::testing::Test {
 protected:
  RecordSettings Settings(const fs::path& folder) {
    RecordSettings settings;
    settings.folder = folder;
    settings.batch_pause = 1ms;
    settings.retry_pause = 10ms;
    settings.last_catch_up = kPatience;  // a busy machine must not cut a test's record short
    settings.warn = [this](const std::string& warning) {
      std::lock_guard lock(mutex_);
      warnings_.push_back(warning);
    };
    return settings;
  }
  std::vector<std::string> Warnings() {
    std::lock_guard lock(mutex_);
    return warnings_;
  }
  void AwaitWarning() {
    const auto give_up = std::chrono::steady_clock::now() + kPatience;
    while (Warnings().empty() && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(1ms);
    }
  }
  static void Receive(SessionRecord& record, const std::string& bytes) {
    record.SerialBlock("COM1", platform::SerialDirection::kReceived,
                       std::as_bytes(std::span(bytes.data(), bytes.size())));
  }

  testing_support::TempDir temp_;
  std::mutex mutex_;
  std::vector<std::string> warnings_;
};

// A test plan cuts a phase's slice out of the record by file and offset.
TEST_F(SessionRecordTest, AMarkTellsWhereTheLinesRecordedAfterItBegin) {
  SessionRecord record(Settings(temp_.path() / "logs"));
  Receive(record, "before\r\n");
  const auto mark = record.Mark(kPatience);
  ASSERT_TRUE(mark.has_value());
  EXPECT_EQ(mark->next_sequence, 3u) << "start, then the block";
  Receive(record, "after\r\n");
  record.PaneText(1010, platform::PaneChange::kInserted, u"after\r\n");
  const auto end = record.Mark(kPatience);
  ASSERT_TRUE(end.has_value());
  ASSERT_EQ(end->file, mark->file);

  const std::string slice = ReadWhole(mark->file).substr(mark->offset, end->offset - mark->offset);
  const std::regex expected(
      R"(\S+Z \d+\.\d{6} 3 rx COM1 bytes=7 hex=61667465720d0a text="after<CR><LF>"\n)"
      R"(\S+Z \d+\.\d{6} 4 pane 1010 op=insert text="after<CR><LF>"\n)");
  EXPECT_TRUE(std::regex_match(slice, expected)) << slice;
  EXPECT_EQ(fs::status(mark->file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

// Ending never waits long for a backlog a flood left: what there was no time to write is counted,
// and the stop still ends the record.
TEST_F(SessionRecordTest, EndingCountsWhatItHadNoTimeToWriteAndStillStops) {
  RecordSettings settings = Settings(temp_.path() / "logs");
  settings.batch_pause = 1h;  // after the start line the writer waits for the end
  settings.last_catch_up = 0ms;
  {
    SessionRecord record(settings);
    ASSERT_TRUE(record.Mark(kPatience).has_value()) << "the start line is written";
    for (int block = 0; block < 1000; ++block) Receive(record, "burst\r\n");
  }
  const auto lines = RecordLines(temp_.path() / "logs");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(" 1 start - pid="), std::string::npos) << lines[0];
  // The lost events had the numbers 2 to 1001.
  EXPECT_NE(lines[1].find(" 1002 lost - events=1000"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(" 1003 stop -"), std::string::npos) << lines[2];
}

TEST_F(SessionRecordTest, RotationKeepsTheRunsNumberOfFilesWithItsNewestLines) {
  RecordSettings settings = Settings(temp_.path() / "logs");
  settings.max_file_bytes = 4096;
  settings.max_files = 3;
  constexpr int kBlocks = 300;
  {
    SessionRecord record(settings);
    for (int block = 0; block < kBlocks; ++block) {
      Receive(record, std::string(40, static_cast<char>('a' + block % 26)));
    }
  }
  const std::vector<fs::path> files = RecordFiles(settings.folder);
  ASSERT_EQ(files.size(), 3u);
  for (const fs::path& file : files) EXPECT_LE(fs::file_size(file), 4096u) << file;
  // The newest lines, without a gap, up to the stop.
  const std::vector<std::string> lines = RecordLines(settings.folder);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_NE(lines.back().find(" stop -"), std::string::npos) << lines.back();
  const std::size_t last = static_cast<std::size_t>(kBlocks) + 2;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string number = " " + std::to_string(last - lines.size() + 1 + index) + " ";
    EXPECT_NE(lines[index].find(number), std::string::npos) << lines[index];
  }
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(SessionRecordTest, EarlierRunsFilesAreThinnedToTheNumberOfFilesOldestFirst) {
  const fs::path folder = temp_.path() / "logs";
  fs::create_directories(folder);
  const std::vector<std::string> earlier = {
      "session-20240101T000000.000Z.part0001.log", "session-20240101T000000.000Z.part0002.log",
      "session-20240102T000000.000Z.part0008.log", "session-20240102T000000.000Z.part0009.log",
      "session-20240102T000000.000Z.part0010.log", "notes.txt"};
  for (const std::string& name : earlier) std::ofstream(folder / name) << "x\n";
  RecordSettings settings = Settings(folder);
  settings.max_files = 2;
  { SessionRecord record(settings); }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  ASSERT_EQ(left.size(), 4u);
  EXPECT_EQ(left[0], "notes.txt");
  EXPECT_EQ(left[1], "session-20240102T000000.000Z.part0009.log");
  EXPECT_EQ(left[2], "session-20240102T000000.000Z.part0010.log");
  EXPECT_FALSE(left[3].starts_with("session-2024")) << "this run's own: " << left[3];
}

// A folder that cannot take the record: the run goes on, one warning, and once the folder takes
// it again the record resumes, saying how many events did not fit while it waited.
TEST_F(SessionRecordTest, AFolderThatCannotBeWrittenIsToldOnceAndTheRecordResumes) {
  if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
    GTEST_SKIP() << "no small file systems on this machine: " << why;
  }
  using testing_support::TestMount;
  const struct {
    const char* what;
    std::function<void(const TestMount&)> strike, mend;
    const char* warning;
  } faults[] = {
      {"read-only", &TestMount::MakeReadOnly, &TestMount::MakeWritable, "Read-only file system"},
      {"full", [](const TestMount& m) { m.FillUp(); }, &TestMount::Free, "No space left on device"},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    warnings_.clear();
    const fs::path folder = temp_.path() / fault.what;
    const TestMount mount = TestMount::SmallFileSystem(folder, 256 * 1024);
    fault.strike(mount);
    RecordSettings settings = Settings(folder);
    settings.queue_bytes = 16 * 1024;
    constexpr int kDuring = 300, kAfter = 20;
    {
      SessionRecord record(settings);
      for (int block = 0; block < kDuring; ++block) Receive(record, "during\r\n");
      AwaitWarning();
      EXPECT_FALSE(record.Mark(20ms).has_value()) << "nothing can be written";
      fault.mend(mount);
      EXPECT_TRUE(record.Mark(kPatience).has_value()) << "what waited is written";
      for (int block = 0; block < kAfter; ++block) Receive(record, "after\r\n");
    }
    const std::vector<std::string> warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].starts_with("quorvane: session record: ")) << warnings[0];
    EXPECT_NE(warnings[0].find(fault.warning), std::string::npos) << warnings[0];

    // Every event is either a line or counted as lost.
    const std::vector<std::string> lines = RecordLines(folder);
    std::uint64_t lost = 0;
    for (const std::string& line : lines) {
      if (const auto at = line.find(" lost - events="); at != std::string::npos) {
        lost += std::stoull(line.substr(at + 15));
      }
    }
    EXPECT_GT(lost, 0u);
    EXPECT_EQ(CountWith(lines, "text=\"after<CR><LF>\""), static_cast<std::size_t>(kAfter));
    EXPECT_EQ(CountWith(lines, " start - ") + CountWith(lines, "text=\"during<CR><LF>\"") + lost,
              1u + kDuring);
    EXPECT_EQ(CountWith(lines, " stop -"), 1u);
  }
}

// What a record file says of the events it stands for.
struct Tally {
  std::uint64_t written = 0;  // lines that stand for an event: all but "lost" and "stop"
  std::uint64_t lost = 0;
};

// Reads the folder's one record file line by line: each line must be whole, and each "lost"
// line must follow exactly as many missing numbers as it counts.
void TallyRecord(const fs::path& folder, Tally& tally) {
  const std::vector<fs::path> files = RecordFiles(folder);
  ASSERT_EQ(files.size(), 1u);
  const std::string text = ReadWhole(files.front());
  ASSERT_TRUE(text.ends_with('\n'));
  EXPECT_NE(text.find(" stop -\n"), std::string::npos);
  std::istringstream lines(text);
  std::uint64_t last = 0;
  for (std::string line; std::getline(lines, line);) {
    const auto parsed = ParseRecordLine(line);
    const auto* taken = std::get_if<RecordedLine>(&parsed);
    ASSERT_NE(taken, nullptr) << "half a line: " << line;
    const std::uint64_t missing = taken->sequence - last - 1;
    EXPECT_EQ(missing, taken->lost_events.value_or(0)) << line;
    tally.lost += taken->lost_events.value_or(0);
    if (taken->kind != "lost" && taken->kind != "stop") ++tally.written;
    last = taken->sequence;
  }
}

// A disk that fills while the record writes: the part of a write that got onto the disk is
// taken back, so every line in the file is whole, and each "lost" line follows exactly as many
// missing numbers as it counts.
TEST_F(SessionRecordTest, ADiskFillingMidWriteLeavesWholeLinesAndCountsEveryMissingNumber) {
  if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
    GTEST_SKIP() << "no small file systems on this machine: " << why;
  }
  const fs::path folder = temp_.path() / "small";
  const auto mount = testing_support::TestMount::SmallFileSystem(folder, 256 * 1024);
  const fs::path filler = folder / "filler";
  std::ofstream(filler) << std::string(208 * 1024, 'f');  // leaves room for some 40 blocks
  constexpr int kBefore = 200, kAfter = 20;
  {
    SessionRecord record(Settings(folder));
    for (int block = 0; block < kBefore; ++block) {
      Receive(record, std::string(500, static_cast<char>('a' + block % 26)));
      if (block % 10 == 0) std::this_thread::sleep_for(1ms);  // lets writes fill the disk in turn
    }
    AwaitWarning();
    ASSERT_FALSE(Warnings().empty()) << "the disk filled";
    fs::remove(filler);
    EXPECT_TRUE(record.Mark(kPatience).has_value()) << "the record goes on";
    for (int block = 0; block < kAfter; ++block) Receive(record, "after");
  }
  Tally tally;
  ASSERT_NO_FATAL_FAILURE(TallyRecord(folder, tally));
  EXPECT_GT(tally.lost, 0u);
  // The start line too may have gone with a batch the disk refused.
  EXPECT_EQ(tally.written + tally.lost, 1u + kBefore + kAfter);
}

// A batch whose lines outgrow what the writer keeps in memory is flushed part way through; when
// that flush is refused, the events of the batch after it are counted as lost all the same.
TEST_F(SessionRecordTest, AFlushRefusedPartWayThroughABatchCountsTheRestOfTheBatch) {
  if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
    GTEST_SKIP() << "no small file systems on this machine: " << why;
  }
  const fs::path folder = temp_.path() / "small";
  const auto mount = testing_support::TestMount::SmallFileSystem(folder, 512 * 1024);
  const fs::path room = folder / "room";
  std::ofstream(room) << std::string(64 * 1024, 'r');
  mount.FillUp();
  // Some 300 KiB of lines, all queued while the disk is full, so that the writer takes them as
  // one batch once there is room for a few of them.
  constexpr int kBefore = 200, kAfter = 20;
  {
    SessionRecord record(Settings(folder));
    AwaitWarning();
    ASSERT_EQ(Warnings().size(), 1u) << "the start line is refused";
    for (int block = 0; block < kBefore; ++block) {
      Receive(record, std::string(500, static_cast<char>('a' + block % 26)));
    }
    fs::remove(room);
    EXPECT_TRUE(record.Mark(kPatience).has_value()) << "the refused batch is told as lost";
    EXPECT_EQ(Warnings().size(), 2u) << "the flush part way was refused";
    for (int block = 0; block < kAfter; ++block) Receive(record, "after");
  }
  Tally tally;
  ASSERT_NO_FATAL_FAILURE(TallyRecord(folder, tally));
  EXPECT_EQ(tally.written, static_cast<std::uint64_t>(kAfter));
  EXPECT_EQ(tally.lost, 1u + kBefore) << "the start line and every block before the room ran out";
}

}  // namespace
}  // namespace record
