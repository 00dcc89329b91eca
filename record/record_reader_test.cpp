#include "record/record_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "record/line_format.h"
#include "testing/temp_dir.h"

namespace record {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using platform::SerialDirection;

constexpr std::string_view kTimes = "2024-05-01T03:34:56.789Z 8231.004512 ";

std::string Line(std::string_view rest) { return std::string(kTimes) + std::string(rest); }

TEST(RecordLineTest, ABlocksBytesComeFromItsHexAndItsTextMustAgree) {
  const struct {
    std::string line;
    std::string port;
    SerialDirection direction;
    std::string bytes;
  } cases[] = {
      {Line("6 rx COM1 bytes=4 hex=4f4b0d0a text=\"OK<CR><LF>\""), "COM1",
       SerialDirection::kReceived, "OK\r\n"},
      {Line("7 tx COM12 bytes=5 hex=00227fB03c text=\"<NUL><QUOT><DEL><xB0><LT>\""), "COM12",
       SerialDirection::kSent, std::string("\0\"\x7f\xb0<", 5)},
      {Line("8 rx COM2 bytes=2 hex=6869"), "COM2", SerialDirection::kReceived, "hi"},
      {Line("9 rx COM3 bytes=0 hex= text=\"\""), "COM3", SerialDirection::kReceived, ""},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseRecordLine(c.line);
    ASSERT_TRUE(std::holds_alternative<RecordedLine>(parsed)) << c.line;
    const RecordedLine& line = std::get<RecordedLine>(parsed);
    EXPECT_EQ(line.monotonic, 8231s + 4512us);
    ASSERT_TRUE(line.block) << c.line;
    EXPECT_EQ(line.block->port, c.port);
    EXPECT_EQ(line.block->direction, c.direction);
    EXPECT_EQ(line.block->bytes, c.bytes);
  }
  const auto lost = ParseRecordLine(Line("10 lost - events=42"));
  EXPECT_EQ(std::get<RecordedLine>(lost).lost_events, 42u);
  const auto pane = ParseRecordLine(Line("11 pane 1010 op=insert text=\"a b=\\c\""));
  EXPECT_EQ(std::get<RecordedLine>(pane).kind, "pane");
}

TEST(RecordLineTest, MalformedLinesAreRefusedWithWhy) {
  const struct {
    std::string line;
    std::string why;
  } cases[] = {
      {"", "no wall clock"},
      {"2024-05-01 03:34:56 8231.004512 1 stop -", "the wall clock is not"},
      {"2024-05-01T03:34:56.789Z 8231.0045 1 stop -", "the monotonic time is not"},
      {"2024-05-01T03:34:56.789Z 99999999999999999999.000000 1 stop -", "the monotonic time"},
      // Beyond what the steady clock counts in nanoseconds (292 years).
      {"2024-05-01T03:34:56.789Z 9223372037.000000 1 stop -", "the monotonic time"},
      {Line("0 stop -"), "the line number is not"},
      {Line("18446744073709551616 stop -"), "the line number is not"},
      {Line("1 Stop -"), "the kind is not"},
      {Line("1 stop"), "no subject"},
      {Line("1 stop - "), "ends with a space"},
      {Line("1  stop -"), "no kind"},
      {Line("2 cmd - verb"), "a field without '='"},
      {Line("2 cmd - Verb=x"), "a field's name"},
      {Line("2 cmd - text=\"open"), "without its closing quote"},
      {Line("2 cmd - text=\"a\"b"), "runs into the next field"},
      {Line("2 cmd - id=1 id=2"), "appears twice"},
      {Line("3 rx COM0 bytes=1 hex=41"), "port is not"},
      {Line("3 rx ../COM1 bytes=1 hex=41"), "port is not"},
      {Line("3 rx COM100 bytes=1 hex=41"), "port is not"},
      {Line("3 rx COM1 hex=41"), "no bare field bytes"},
      {Line("3 rx COM1 bytes=\"1\" hex=41"), "no bare field bytes"},
      {Line("3 rx COM1 bytes=65537 hex=41"), "is not a count up to 65536"},
      {Line("3 rx COM1 bytes=2 hex=41"), "not bytes= bytes long"},
      {Line("3 rx COM1 bytes=1 hex=4g"), "no hex digit"},
      {Line("3 rx COM1 bytes=1 hex=41 text=\"B\""), "does not say the same bytes"},
      {Line("3 rx COM1 bytes=1 hex=41 text=A"), "does not say the same bytes"},
      {Line("3 rx COM1 bytes=1 hex=0d text=\"<CRLF>\""), "names a byte that has no name"},
      {Line("3 rx COM1 bytes=1 hex=0d text=\"<CR\""), "names a byte that has no name"},
      {Line("4 lost - events=many"), "lost events= is not a count"},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseRecordLine(c.line);
    ASSERT_TRUE(std::holds_alternative<LineFault>(parsed)) << c.line;
    EXPECT_NE(std::get<LineFault>(parsed).what.find(c.why), std::string::npos)
        << c.line << ": " << std::get<LineFault>(parsed).what;
  }
}

TEST(RecordLineTest, EveryByteTheWriterRecordsReadsBackAsItWas) {
  std::string all_bytes;
  for (int byte = 0; byte < 256; ++byte) all_bytes += static_cast<char>(byte);
  const Event event{{system_clock::now(), steady_clock::time_point(12s + 7us)},
                    SerialBlock{"COM6", SerialDirection::kSent, all_bytes}};
  std::string written;
  FormatLine(written, 3, event);
  const auto parsed = ParseRecordLine(written);
  ASSERT_TRUE(std::holds_alternative<RecordedLine>(parsed));
  const RecordedLine& line = std::get<RecordedLine>(parsed);
  EXPECT_EQ(line.sequence, 3u);
  EXPECT_EQ(line.monotonic, 12s + 7us);
  EXPECT_EQ(line.block->bytes, all_bytes);
  EXPECT_EQ(line.block->direction, SerialDirection::kSent);
}

class RecordReaderTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::string& text) const {
    fs::path file = dir_.path() / name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  static std::string Block(int sequence, int seconds, std::string_view hex) {
    return "2024-05-01T03:34:56.789Z " + std::to_string(seconds) + ".000000 " +
           std::to_string(sequence) + " rx COM1 bytes=" + std::to_string(hex.size() / 2) +
           " hex=" + std::string(hex) + "\n";
  }

  testing_support::TempDir dir_;
};

TEST_F(RecordReaderTest, ARunIsFollowedThroughItsPartsOldestFirst) {
  const fs::path first = Write("session-X.part0009.log", Block(1, 10, "61"));
  const fs::path second = Write("session-X.part0010.log", Block(2, 11, "62"));
  const fs::path current = Write("session-X.part0011.log", Block(3, 12, "63") + Block(4, 13, "64"));
  Write("session-X-2.part0001.log",
        Block(1, 20, "7a"));  // another run that started the same moment
  Write("session-X.part0012.log.bak", Block(1, 30, "7a"));

  for (const fs::path& file : {current, first}) {
    const RunRecord run = ReadRunRecord(file);
    EXPECT_EQ(run.files, (std::vector<fs::path>{first, second, current}));
    std::string bytes;
    for (const BlockInRecord& block : run.blocks) bytes += block.block.bytes;
    EXPECT_EQ(bytes, "abcd") << file;
    ASSERT_EQ(run.blocks.size(), 4u);
    EXPECT_EQ(run.blocks[3].where.Describe(), current.string() + ":2");
    EXPECT_EQ(run.blocks[3].monotonic, 13s);
    EXPECT_TRUE(run.notes.empty());
  }
}

TEST_F(RecordReaderTest, RefusedLinesAndMissingOnesAreNotedAtTheirFileAndLine) {
  const fs::path file =
      Write("run.log", Block(2, 10, "61") + "garbage\n" + std::string(300, 'x') + "\n" +
                           Block(3, 11, "62") + Block(7, 12, "63") +
                           // 8 to 10 are the lost events' numbers
                           "2024-05-01T03:34:56.789Z 12.500000 11 lost - events=3\n" +
                           Block(12, 13, "64") + Block(5, 14, "65") +
                           "2024-05-01T03:34:56.789Z 15.000000 10 rx COM1 by");
  const RunRecord run = ReadRunRecord(file, 200);
  std::vector<std::string> notes;
  for (const RecordNote& note : run.notes) {
    notes.push_back(note.where.Describe() + ": " + note.what);
  }
  const std::string at = file.string() + ":";
  EXPECT_EQ(notes, (std::vector<std::string>{
                       at + "1: the run's first 1 line(s) are not in the record (its oldest "
                            "files are gone)",
                       at + "2: skipped: the wall clock is not a UTC time with milliseconds",
                       at + "3: skipped: longer than 200 bytes",
                       at + "5: lines 4 to 6 of the run are missing",
                       at + "6: the record lost 3 event(s) here; blocks among them are not in "
                            "it",
                       at + "8: line 5 comes after line 12: the files are not one run in order",
                       at + "9: skipped: a field without '='",
                   }));
  EXPECT_EQ(run.blocks.size(), 5u);
}

TEST_F(RecordReaderTest, ARecordThatCannotBeReadIsAnError) {
  fs::create_directory(dir_.path() / "folder.log");
  for (const fs::path& file : {dir_.path() / "missing.log", dir_.path() / "folder.log"}) {
    EXPECT_THROW(ReadRunRecord(file), RecordReadError) << file;
  }
}

}  // namespace
}  // namespace record
