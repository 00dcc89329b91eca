// What the board's files and input devices hand over, read as the watch and the drivers read it.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "board_io/switch_events.h"
#include "board_io/value_text.h"

namespace board_io {
namespace {

TEST(ValueTextTest, ALevelIsExactlyTheOnOrTheOffTextWithTrailingBlanksSetAside) {
  struct Case {
    std::string_view text, on, off;
    std::optional<bool> level;
  };
  for (const Case& c : std::vector<Case>{
           {"1\n", "1", "0", true},
           {"0", "1", "0", false},
           {"255 \r\n", "255", "0", true},
           {"on", "on\n", "off\n", true},
           {"", "1", "0", std::nullopt},
           {" 1", "1", "0", std::nullopt},
           {"10", "1", "0", std::nullopt},
           {std::string_view("1\0", 2), "1", "0", std::nullopt},
           {"2\n", "1", "0", std::nullopt},
       }) {
    EXPECT_EQ(ParseLevel(c.text, c.on, c.off), c.level) << c.text;
  }
}

TEST(ValueTextTest, AChannelIsAWholeDecimalNumberThatFitsThirtyTwoBits) {
  struct Case {
    std::string_view text;
    std::optional<std::uint32_t> value;
  };
  for (const Case& c : std::vector<Case>{
           {"3071\n", 3071},
           {"0", 0},
           {"4294967295\n", 4294967295U},
           {"4294967296", std::nullopt},
           {"-1", std::nullopt},
           {"+1", std::nullopt},
           {"0x1a", std::nullopt},
           {"12 13", std::nullopt},
           {"\n", std::nullopt},
           {"1.5", std::nullopt},
       }) {
    EXPECT_EQ(ParseChannel(c.text), c.value) << c.text;
  }
}

std::vector<std::byte> Record(std::uint16_t type, std::uint16_t code, std::int32_t value) {
  input_event event{};
  event.type = type;
  event.code = code;
  event.value = value;
  std::vector<std::byte> bytes(sizeof event);
  std::memcpy(bytes.data(), &event, sizeof event);
  return bytes;
}

// Wherever a read cuts the stream, the same switch changes come out, and only those; a drop the
// kernel reports is told wherever it stands.
TEST(SwitchEventStreamTest, SwitchChangesComeOutWhateverTheReadsCutTheRecordsInto) {
  std::vector<std::byte> stream;
  for (const auto& record :
       {Record(EV_SW, SW_DOCK, 1), Record(EV_SYN, SYN_REPORT, 0), Record(EV_KEY, KEY_A, 1),
        Record(EV_SW, SW_LID, 0), Record(EV_SYN, SYN_DROPPED, 0), Record(EV_SW, SW_DOCK, 7)}) {
    stream.insert(stream.end(), record.begin(), record.end());
  }
  const std::vector<SwitchChange> expected{{SW_DOCK, true}, {SW_LID, false}, {SW_DOCK, true}};
  for (std::size_t cut = 0; cut <= stream.size(); cut += 5) {
    SwitchEventStream reader;
    SwitchEvents events = reader.Take(std::span(stream).first(cut));
    const SwitchEvents rest = reader.Take(std::span(stream).subspan(cut));
    events.changes.insert(events.changes.end(), rest.changes.begin(), rest.changes.end());
    EXPECT_EQ(events.changes, expected) << "cut at " << cut;
    EXPECT_TRUE(events.dropped || rest.dropped) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace board_io
