// A phase's slice of the session record, followed after the record has gone on through many
// parts and removed the oldest: it gives exactly the phase's lines, or says they are gone.
#include "plan/record_slice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "record/session_record.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

plan::RecordMark MarkOf(const record::RecordPosition& position) {
  return {position.file.string(), position.offset, position.next_sequence};
}

TEST(RecordSliceTest, EverySliceStaysTrueThroughManyParts) {
  testing_support::TempDir temp;
  record::RecordSettings settings;
  settings.folder = temp.path() / "logs";
  settings.max_file_bytes = 4096;
  settings.max_files = 10;
  settings.batch_pause = 1ms;
  settings.warn = [](const std::string& warning) { ADD_FAILURE() << warning; };
  struct Phase {
    plan::RecordMark begin, end;
    std::string blocks;  // each block's text, one a line
  };
  std::vector<Phase> phases;
  {
    record::SessionRecord record(settings);
    for (int number = 0; number < 60; ++number) {
      const auto begin = record.Mark(5s);
      ASSERT_TRUE(begin.has_value());
      Phase phase;
      // From one block to more than two parts' worth, so that slices span parts.
      for (int block = 0; block <= number % 20; ++block) {
        const std::string text =
            "phase" + std::to_string(number) + "-" + std::to_string(block) + std::string(80, 'x');
        record.SerialBlock("COM1", platform::SerialDirection::kReceived,
                           std::as_bytes(std::span(text.data(), text.size())));
        phase.blocks += text + "\n";
      }
      const auto end = record.Mark(5s);
      ASSERT_TRUE(end.has_value());
      phase.begin = MarkOf(*begin);
      phase.end = MarkOf(*end);
      phases.push_back(std::move(phase));
    }
  }
  std::set<std::string> files;
  std::size_t followed = 0, spanning = 0, gone = 0;
  for (const Phase& phase : phases) {
    files.insert(phase.end.file);
    SCOPED_TRACE(phase.begin.file + " at " + std::to_string(phase.begin.offset));
    std::string error;
    const auto slice = plan::ReadRecordSlice(phase.begin, phase.end, error);
    if (!slice) {
      EXPECT_NE(error.find("is gone"), std::string::npos) << error;
      EXPECT_FALSE(fs::exists(phase.begin.file));
      ++gone;
      continue;
    }
    ++followed;
    if (phase.begin.file != phase.end.file) ++spanning;
    // The slice's lines are the phase's blocks, numbered on from its begin mark.
    std::istringstream lines(*slice);
    std::string blocks;
    std::uint64_t sequence = phase.begin.sequence;
    for (std::string line; std::getline(lines, line); ++sequence) {
      EXPECT_NE(line.find(" " + std::to_string(sequence) + " rx COM1 "), std::string::npos) << line;
      const auto text = line.find("text=\"");
      ASSERT_NE(text, std::string::npos) << line;
      blocks += line.substr(text + 6, line.size() - text - 7) + "\n";
    }
    EXPECT_EQ(sequence, phase.end.sequence);
    EXPECT_EQ(blocks, phase.blocks);
  }
  EXPECT_GT(gone, 0u) << "the oldest parts were removed";
  EXPECT_GT(followed, 3u);
  EXPECT_GT(spanning, 0u) << "slices that run from one part into the next";
  EXPECT_GE(files.size(), 21u) << "at least 20 new parts";
}

}  // namespace
