#include "board_io/switch_events.h"

#include <algorithm>
#include <cstring>

namespace board_io {

SwitchEvents SwitchEventStream::Take(std::span<const std::byte> bytes) {
  SwitchEvents events;
  while (!bytes.empty()) {
    const std::size_t taken = std::min(bytes.size(), partial_.size() - partial_size_);
    std::memcpy(partial_.data() + partial_size_, bytes.data(), taken);
    partial_size_ += taken;
    bytes = bytes.subspan(taken);
    if (partial_size_ < partial_.size()) break;
    partial_size_ = 0;
    input_event event{};
    std::memcpy(&event, partial_.data(), sizeof event);
    if (event.type == EV_SW) events.changes.push_back({event.code, event.value != 0});
    if (event.type == EV_SYN && event.code == SYN_DROPPED) events.dropped = true;
  }
  return events;
}

}  // namespace board_io
