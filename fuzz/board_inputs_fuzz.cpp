// Arbitrary bytes as what a real board's files and input device hand the console: a value
// file's text, a channel file's text, and a stream of input_event records from the meter's input
// device (or a FIFO standing in for it), cut into two reads where the first byte says.
//
// Beyond "no crash": a level is read only from exactly the on or the off text; a channel that is
// taken, written back in decimal, reads as the same channel; the switch changes, and a drop the
// kernel reports, do not depend on where the reads cut the stream.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "board_io/switch_events.h"
#include "board_io/value_text.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto level = board_io::ParseLevel(text, "255\n", "0")) {
    const std::string_view kept = text.substr(0, text.find_first_of(" \t\r\n"));
    fuzz::Check(kept == (*level ? "255" : "0"), "a level is only the on or the off text");
  }

  if (const auto channel = board_io::ParseChannel(text)) {
    fuzz::Check(board_io::ParseChannel(std::to_string(*channel)) == channel,
                "a channel written back reads as the same channel");
  }

  const auto bytes = std::as_bytes(std::span(data, size));
  const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
  board_io::SwitchEventStream whole;
  board_io::SwitchEventStream in_two;
  board_io::SwitchEvents events = in_two.Take(bytes.first(cut));
  const board_io::SwitchEvents rest = in_two.Take(bytes.subspan(cut));
  events.changes.insert(events.changes.end(), rest.changes.begin(), rest.changes.end());
  events.dropped = events.dropped || rest.dropped;
  fuzz::Check(events == whole.Take(bytes), "where a read cuts the stream changes nothing");
  return 0;
}
