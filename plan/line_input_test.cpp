// Lines from a real pipe: what the operator typed, trimmed; a line too long to keep dropped
// whole; the end of the input and a stop each end the wait with a reason.
#include "plan/line_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe(ends_), 0); }
  ~Pipe() {
    ::close(ends_[0]);
    CloseWriter();
  }
  void Write(const std::string& text) {
    EXPECT_EQ(::write(ends_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseWriter() {
    if (ends_[1] >= 0) ::close(ends_[1]);
    ends_[1] = -1;
  }
  int reader() const { return ends_[0]; }

 private:
  int ends_[2] = {-1, -1};
};

TEST(LineInputTest, GivesTrimmedLinesAndDropsOneTooLongToKeep) {
  Pipe pipe;
  const std::string too_long(plan::LineInput::kLongestLine + 10, '7');
  pipe.Write("  T-0001 \r\n" + too_long + "\nT-0002\nhalf");
  pipe.CloseWriter();
  plan::LineInput input(pipe.reader());
  plan::StopRequest stop;
  std::string why;
  std::vector<std::string> lines;
  while (auto line = input.ReadLine(stop, why)) lines.push_back(*line);
  EXPECT_EQ(lines, (std::vector<std::string>{"T-0001", "", "T-0002"}));
  EXPECT_EQ(why, "standard input ended before an answer came");
}

TEST(LineInputTest, AStopEndsTheWaitForALine) {
  Pipe pipe;
  pipe.Write("no end yet");
  plan::LineInput input(pipe.reader());
  plan::StopRequest stop;
  stop.Raise();
  std::string why;
  EXPECT_EQ(input.ReadLine(stop, why), std::nullopt);
  EXPECT_EQ(why, "stopped while waiting for an answer");
}

}  // namespace
