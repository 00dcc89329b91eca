// What a front end hears of the window model and what it presents for it. The model calls these
// on the user-interface thread right after each change, with the window's state as it now
// stands, so a front end never has to look a window up again. With no front end installed
// nothing is shown and every message box is acknowledged at once.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

#include "platform/ports/window_model.h"
#include "platform/terminal/win_types.h"

namespace platform {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // A dialog came to be with its controls, in template order.
  virtual void WindowCreated(const WindowState& /*dialog*/,
                             std::span<const WindowState* const> /*controls*/) {}
  // The window is about to go; a dialog's controls have gone before it.
  virtual void WindowDestroyed(const WindowState&) {}
  // The window's text changed as a whole (WM_SETTEXT).
  virtual void TextSet(const WindowState&) {}
  // An edit control's units [start, end) were replaced by `inserted` (EM_REPLACESEL, WM_CLEAR),
  // which now stands at state.text[start, start + inserted.size()). When the control outgrows
  // its capacity, its oldest lines go as a replacement of [0, n) by nothing.
  virtual void TextReplaced(const WindowState&, std::size_t /*start*/, std::size_t /*end*/,
                            std::u16string_view /*inserted*/) {}
  virtual void SelectionChanged(const WindowState&) {}
  virtual void CheckChanged(const WindowState&) {}
  virtual void EnabledChanged(const WindowState&) {}
  virtual void PlacementChanged(const WindowState&) {}
  virtual void IconChanged(const WindowState&) {}
  // The user-interface thread is about to pause (Sleep) without handling anything: what has
  // changed should be on the screen now, since no event processing comes before the pause ends.
  virtual void Pausing() {}
  // Someone outside the console is about to hear that what it asked for has been handled: what
  // the front end still holds back goes out first.
  virtual void Flush() {}

  // Presents a message box. Call `dismiss` with the button once the person has answered; it may
  // be called before this returns. The model's loop keeps running until then.
  virtual void ShowMessageBox(HWND /*owner*/, std::wstring_view /*text*/,
                              std::wstring_view /*caption*/, UINT /*type*/,
                              std::function<void(int)> dismiss) {
    dismiss(IDOK);
  }
};

// Installs the front end (null: none); on the user-interface thread, before windows exist.
void SetFrontEnd(FrontEnd* front_end);
// Has the installed front end put out what it holds back; on the user-interface thread.
void FlushFrontEnd();

}  // namespace platform
