// What a phase reads: the pane's text since it began, its slice of the session record, and the
// reports it leaves, written whole or not at all.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "plan/atomic_file.h"
#include "plan/phase_text.h"
#include "plan/record_slice.h"
#include "plan/testing_pattern.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::Compiled;

TEST(PhaseTextTest, PaneTextSinceThePhaseBegan) {
  const std::string tail(300, 'x');
  const struct {
    std::string baseline;
    std::string pane;
    std::string after;
  } kCases[] = {
      {"COM1 OPEN!! \r\n", "COM1 OPEN!! \r\nEAS ch[1]=1a \r\n", "EAS ch[1]=1a \r\n"},
      {"", "all of it", "all of it"},
      // The pane dropped its oldest lines: what follows the baseline's ending counts.
      {"old line\r\n" + tail, tail + "new\r\n", "new\r\n"},
      // The pane's whole text was replaced: all of it is new.
      {"Delete:a", "Copy Completed", "Copy Completed"},
  };
  for (const auto& c : kCases) EXPECT_EQ(plan::TextAfter(c.baseline, c.pane), c.after) << c.pane;
}

TEST(PhaseTextTest, NewestMatchOfACaptureCounts) {
  const struct {
    std::string pattern;
    std::string text;
    std::optional<std::string> value;
  } kCases[] = {
      {"ch\\[1\\]=(?<v>\\w+)", "ch[1]=1a\r\nch[1]=2b\r\nch[2]=3c\r\n", "2b"},
      {"ch\\[1\\]=(?<v>\\w+)", "nothing read yet", std::nullopt},
      // A pattern that can match nothing still moves on and ends at the text's last byte.
      {"(?<v>\\d*)", "12 34", ""},
  };
  for (const auto& c : kCases) {
    std::string error;
    const auto match = plan::LastMatch(*Compiled(c.pattern), c.text, error);
    EXPECT_EQ(error, "") << c.pattern;
    ASSERT_EQ(match.has_value(), c.value.has_value()) << c.pattern << " in " << c.text;
    if (match) {
      EXPECT_EQ(match->groups.at("v"), *c.value) << c.pattern << " in " << c.text;
    }
  }
}

TEST(PhaseTextTest, ElapsedIsTheMonotonicClockFromOneLineToTheNextMatchAfterIt) {
  const std::string lines[] = {
      "2024-05-01T03:34:56.000Z 100.000000 1 rx COM1 done\n",
      "2024-05-01T03:34:56.100Z 100.250000 2 cmd - verb=command id=1009\n",
      "2024-05-01T03:34:56.200Z 100.400000 3 rx COM1 done\n",
      "2024-05-01T03:34:56.300Z 101.000000 4 rx COM1 done\n",
  };
  const auto from = Compiled("id=1009");
  const auto to = Compiled("done");
  const auto no_clock = Compiled("clockless");
  const struct {
    std::string text;
    const plan::Pattern* from;
    std::optional<double> milliseconds;
    bool error;
  } kCases[] = {
      // The "to" line before the "from" line does not count; the first after it does.
      {lines[0] + lines[1] + lines[2] + lines[3], from.get(), 150.0, false},
      // The "from" line has not ended yet, or nothing matched after it: not yet, no error.
      {lines[0] + lines[1].substr(0, 60), from.get(), std::nullopt, false},
      {lines[0] + lines[1], from.get(), std::nullopt, false},
      {"clockless line\n" + lines[2], no_clock.get(), std::nullopt, true},
  };
  for (const auto& c : kCases) {
    std::string error;
    const auto milliseconds = plan::ElapsedMilliseconds(*c.from, *to, c.text, error);
    ASSERT_EQ(milliseconds.has_value(), c.milliseconds.has_value()) << c.text;
    if (milliseconds) {
      EXPECT_NEAR(*milliseconds, *c.milliseconds, 1e-6) << c.text;
    }
    EXPECT_EQ(!error.empty(), c.error) << c.text << ": " << error;
  }
}

TEST(PhaseTextTest, RecordSliceLiesBetweenTheMarks) {
  testing_support::TempDir folder;
  const std::string file = (folder.path() / "session.log").string();
  const std::string first = "2024-05-01T03:34:56.789Z 8231.004512 3 cmd - verb=command id=1009\n";
  const std::string second = "2024-05-01T03:34:56.912Z 8231.127733 6 rx COM1 bytes=4\n";
  std::ofstream(file) << first << second;
  std::string error;
  const auto slice = plan::ReadRecordSlice({file, first.size(), 6},
                                           {file, first.size() + second.size(), 7}, error);
  EXPECT_EQ(slice, second) << error;
  EXPECT_EQ(plan::LineMonotonicSeconds(second), 8231.127733);
  EXPECT_EQ(plan::LineMonotonicSeconds("no clock here"), std::nullopt);
  // Marks that go backwards, or past the file's end, give no slice.
  EXPECT_EQ(plan::ReadRecordSlice({file, 20, 1}, {file, 10, 2}, error), std::nullopt);
  EXPECT_EQ(plan::ReadRecordSlice({file, 0, 1}, {file, 4096, 2}, error), std::nullopt);
}

TEST(PhaseTextTest, ReportIsWrittenWholeOrNotAtAllAndNeverReplaced) {
  testing_support::TempDir folder;
  const auto file = folder.path() / "SN-1-plan.json";
  ASSERT_EQ(plan::WriteNewFileWhole(file, "{\"first\":1}\n"), std::nullopt);
  EXPECT_NE(plan::WriteNewFileWhole(file, "{\"second\":2}\n").value_or("").find("File exists"),
            std::string::npos);
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  EXPECT_EQ(text.str(), "{\"first\":1}\n");
  // A report that cannot take the name (a folder has it): refused, nothing left beside it.
  const auto blocked = folder.path() / "SN-1-plan.xml";
  std::filesystem::create_directory(blocked);
  EXPECT_TRUE(plan::WriteNewFileWhole(blocked, "<testsuites/>\n").has_value());
  EXPECT_TRUE(std::filesystem::is_empty(blocked));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

}  // namespace
