#include "record/line_format.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace record {
namespace {

using namespace std::chrono;

EventTimes FixedTimes() {
  return {sys_days{2024y / 5 / 1} + 3h + 34min + 56s + 789ms,
          steady_clock::time_point(8231s + 4512us)};
}

TEST(LineFormatTest, EachKindOfEventIsOneLineOfItsFields) {
  using platform::PaneChange;
  using platform::SerialDirection;
  const struct {
    const char* what;
    EventBody body;
    std::string fields;  // after the times and the number
  } cases[] = {
      {"a received block: control bytes by name, bytes from 0x80 as hex, quote and '<' escaped",
       SerialBlock{"COM1", SerialDirection::kReceived, std::string("OK\r\n\0\x1b\x7f\"<>\xb0", 11)},
       "rx COM1 bytes=11 hex=4f4b0d0a001b7f223c3eb0 "
       "text=\"OK<CR><LF><NUL><ESC><DEL><QUOT><LT>><xB0>\""},
      {"a sent block", SerialBlock{"COM2", SerialDirection::kSent, "at*rx*mdn?\r\n"},
       "tx COM2 bytes=12 hex=61742a72782a6d646e3f0d0a text=\"at*rx*mdn?<CR><LF>\""},
      {"a driver request with its input, no output buffer",
       DriverRequest{"ETC1:", 9125, std::string("\x01\0\0\0", 4), 4, 0, std::nullopt, true, 0},
       "ioctl ETC1: code=9125 in_size=4 in=01000000 out_size=0 out=- result=ok error=0"},
      {"a refused request with an empty output",
       DriverRequest{"EAS1:", 8002, std::nullopt, 0, 48, std::string(), false, 13},
       "ioctl EAS1: code=8002 in_size=0 in=- out_size=48 out= result=error error=13"},
      {"pane text in UTF-8 with its line end by name",
       PaneText{1010, PaneChange::kInserted, u"COM1 OPEN!! \r\n승차"},
       "pane 1010 op=insert text=\"COM1 OPEN!! <CR><LF>승차\""},
      {"a pane's whole new text", PaneText{1010, PaneChange::kSet, u"Copy Completed"},
       "pane 1010 op=set text=\"Copy Completed\""},
      {"a cleared selection", PaneText{1010, PaneChange::kCleared, u""},
       "pane 1010 op=clear text=\"\""},
      {"a message box and its answer", MessageBoxShown{L"포트를 여세요\r\n", L"Quorvane", 1},
       "box - answer=1 caption=\"Quorvane\" text=\"포트를 여세요<CR><LF>\""},
      {"an outside request, numbers bare and texts quoted",
       OutsideRequest{"text", {{"id", 1017}, {"text", "0101 \"x\""}, {"sync", 1}}},
       "cmd - verb=text id=1017 text=\"0101 <QUOT>x<QUOT>\" sync=1"},
      {"a refused request",
       OutsideRequest{"command", {{"id", 1009}, {"sync", 0}, {"refused", "a message box is open"}}},
       "cmd - verb=command id=1009 sync=0 refused=\"a message box is open\""},
      {"lost events", EventsLost{42}, "lost - events=42"},
      {"the start", RecordStarted{4242}, "start - pid=4242"},
      {"the stop", RecordStopped{}, "stop -"},
  };
  std::string line;  // one string for every line, as the writer does
  for (const auto& c : cases) {
    FormatLine(line, 17, {FixedTimes(), c.body});
    EXPECT_EQ(line, "2024-05-01T03:34:56.789Z 8231.004512 17 " + c.fields) << c.what;
  }
}

}  // namespace
}  // namespace record
