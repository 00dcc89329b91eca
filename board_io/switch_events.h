// The switch events of an input device (a board's `gpio-keys` node, /dev/input/eventN) as the
// kernel hands them over: a stream of `struct input_event` records, of which only EV_SW ones
// matter here. A read may end inside a record (a FIFO standing in for the device cuts the stream
// anywhere), so the stream keeps the part it has of a record until the rest comes.
#pragma once

#include <linux/input.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace board_io {

struct SwitchChange {
  std::uint16_t code;  // SW_*
  bool on;
  bool operator==(const SwitchChange&) const = default;
};

// What a part of the stream held: the switch changes in their order, and whether the kernel said
// it dropped events (SYN_DROPPED), after which only the device's present state can be trusted.
struct SwitchEvents {
  std::vector<SwitchChange> changes;
  bool dropped = false;
  bool operator==(const SwitchEvents&) const = default;
};

class SwitchEventStream {
 public:
  // What `bytes`, the stream's next part, holds.
  SwitchEvents Take(std::span<const std::byte> bytes);

 private:
  std::array<std::byte, sizeof(input_event)> partial_{};
  std::size_t partial_size_ = 0;
};

}  // namespace board_io
