// The edit control: its text and its selection, where an empty selection is the caret. Text
// replaces the selection and leaves the caret behind it, so that appends follow one another for
// as long as nobody moves the caret. The text is UTF-16 and bounded by the board's capacity.
#include <algorithm>

#include "platform/ports/board.h"
#include "platform/ports/session_events.h"
#include "platform/terminal/edit_capacity.h"
#include "platform/terminal/utf16.h"
#include "platform/terminal/window_manager.h"

namespace platform {

namespace {

// EM_SETSEL's positions: -1 as the end means the end of the text; anything past it is clamped.
std::size_t ClampPosition(WPARAM position, std::size_t length) {
  const auto signed_position = static_cast<std::intptr_t>(position);
  if (signed_position < 0) return length;
  return std::min(static_cast<std::size_t>(signed_position), length);
}

// Drops the oldest lines past the capacity; the selection moves along with the text.
void KeepWithinCapacity(WindowState& state) {
  const std::size_t dropped = UnitsToDrop(state.text, CurrentBoard().edit_control_capacity);
  if (dropped == 0) return;
  state.text.DropFront(dropped);
  state.selection = AfterDropping(state.selection, dropped);
  WindowManager::Instance().front_end().TextReplaced(state, 0, dropped, {});
}

// A pane's text goes into the session's record as it arrives; a one-line field's does not.
void TellSession(const WindowState& state, PaneChange change, std::u16string_view text) {
  SessionEvents* const events = CurrentSessionEvents();
  if (events != nullptr && (state.style & ES_MULTILINE) != 0) {
    events->PaneText(state.id, change, text);
  }
}

void Replace(WindowRecord& window, std::u16string_view inserted, PaneChange change) {
  auto& state = window.state;
  const std::size_t start = state.selection.start();
  const std::size_t end = state.selection.end();
  state.text.Replace(start, end - start, inserted);
  state.selection = {start + inserted.size(), start + inserted.size()};
  TellSession(state, change, inserted);
  auto& front_end = WindowManager::Instance().front_end();
  front_end.TextReplaced(state, start, end, inserted);
  KeepWithinCapacity(state);
  front_end.SelectionChanged(state);
}

}  // namespace

LRESULT EditControlProc(WindowRecord& window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& state = window.state;
  switch (message) {
    case EM_REPLACESEL:
      Replace(window, lParam ? ToUtf16(reinterpret_cast<LPCWSTR>(lParam)) : u"",
              PaneChange::kInserted);
      return 0;
    case WM_CLEAR:
      if (state.selection.start() != state.selection.end()) {
        Replace(window, u"", PaneChange::kCleared);
      }
      return 0;
    case WM_SETTEXT: {
      // A new text puts the caret at its start, as on the terminal.
      const LRESULT result = DefWindowProcW(state.hwnd, message, wParam, lParam);
      TellSession(state, PaneChange::kSet, state.text);
      KeepWithinCapacity(state);
      state.selection = {};
      WindowManager::Instance().front_end().SelectionChanged(state);
      return result;
    }
    case EM_SETSEL: {
      if (static_cast<std::intptr_t>(wParam) == -1) {
        state.selection.anchor = state.selection.caret;
      } else {
        state.selection = {ClampPosition(wParam, state.text.size()),
                           ClampPosition(static_cast<WPARAM>(lParam), state.text.size())};
      }
      WindowManager::Instance().front_end().SelectionChanged(state);
      return 0;
    }
    case EM_GETSEL: {
      const auto start = static_cast<DWORD>(state.selection.start());
      const auto end = static_cast<DWORD>(state.selection.end());
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return static_cast<LRESULT>(std::min<DWORD>(start, 0xFFFF) |
                                  (std::min<DWORD>(end, 0xFFFF) << 16));
    }
    default:
      return DefWindowProcW(state.hwnd, message, wParam, lParam);
  }
}

}  // namespace platform
