// What a phase reads: the pane's text since it began, its slice of the session record, and the
// records it leaves, written whole or not at all.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "plan/atomic_file.h"
#include "plan/record_slice.h"
#include "plan/runner.h"
#include "testing/temp_dir.h"

namespace {

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

TEST(PhaseTextTest, RecordIsWrittenWholeOrNotAtAllAndNeverReplaced) {
  testing_support::TempDir folder;
  const auto file = folder.path() / "SN-1-plan.json";
  ASSERT_EQ(plan::WriteNewFileWhole(file, "{\"first\":1}\n"), std::nullopt);
  EXPECT_NE(plan::WriteNewFileWhole(file, "{\"second\":2}\n").value_or("").find("File exists"),
            std::string::npos);
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  EXPECT_EQ(text.str(), "{\"first\":1}\n");
  // A record that cannot take the name (a folder has it): refused, nothing left beside it.
  const auto blocked = folder.path() / "SN-1-plan.xml";
  std::filesystem::create_directory(blocked);
  EXPECT_TRUE(plan::WriteNewFileWhole(blocked, "<testsuites/>\n").has_value());
  EXPECT_TRUE(std::filesystem::is_empty(blocked));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

}  // namespace
