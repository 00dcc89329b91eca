// What a front end hears of the window model and what it presents for it. The model calls these
// on the user-interface thread right after each change; a front end reads further state through
// window_model.h. With no front end installed nothing is shown and every message box is
// acknowledged at once.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/terminal/win_types.h"

namespace platform {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  virtual void WindowCreated(HWND) {}
  virtual void WindowDestroyed(HWND) {}
  // The window's text changed as a whole (WM_SETTEXT).
  virtual void TextSet(HWND, std::wstring_view /*text*/) {}
  // An edit control's characters [start, end) were replaced by `inserted` (EM_REPLACESEL, WM_CLEAR).
  virtual void TextReplaced(HWND, std::size_t /*start*/, std::size_t /*end*/,
                            std::wstring_view /*inserted*/) {}
  virtual void SelectionChanged(HWND) {}
  virtual void CheckChanged(HWND) {}
  virtual void EnabledChanged(HWND) {}
  virtual void PlacementChanged(HWND) {}
  virtual void IconChanged(HWND) {}

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

}  // namespace platform
