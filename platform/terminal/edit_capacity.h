// An edit control's capacity: when its text grows past it, the oldest whole lines go, enough of
// them to bring the text down to seven eighths of the capacity, so that a pane fed line by line
// drops a block now and then rather than moving its whole text on every append. A line ends
// after "\n", or after a "\r" that no "\n" follows. When not even the newest line fits whole,
// its newest part is kept (never splitting a surrogate pair): a device that sends no line ends
// must not make the pane grow without bound.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/ports/window_model.h"

namespace platform {

// How many units at the start of `text` go; 0 while it is within `capacity`.
std::size_t UnitsToDrop(std::u16string_view text, std::size_t capacity);

// Where a position ends up once the first `dropped` units have gone: inside them, at the start.
inline std::size_t AfterDropping(std::size_t position, std::size_t dropped) {
  return position < dropped ? 0 : position - dropped;
}

inline Selection AfterDropping(const Selection& selection, std::size_t dropped) {
  return {AfterDropping(selection.anchor, dropped), AfterDropping(selection.caret, dropped)};
}

}  // namespace platform
