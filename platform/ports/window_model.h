// Read access to the window model for front ends and outside senders, on the user-interface
// thread. Changes go through messages (window.h), never through these records.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ports/model_text.h"
#include "platform/terminal/dialog_template.h"
#include "platform/terminal/win_types.h"

namespace platform {

struct Selection {
  std::size_t anchor = 0;  // where the selection started
  std::size_t caret = 0;   // where it ends and typing goes
  std::size_t start() const { return anchor < caret ? anchor : caret; }
  std::size_t end() const { return anchor < caret ? caret : anchor; }
};

struct Placement {
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct WindowState {
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  int id = 0;
  ControlKind kind = ControlKind::Dialog;
  DWORD style = 0;
  DWORD ex_style = 0;
  ModelText text;
  Placement template_rect;  // dialog units, from the template
  Placement placement;      // pixels, once SetWindowPos has placed the window
  Selection selection;      // edit controls
  bool checked = false;     // radio buttons
  bool enabled = true;
  HICON big_icon = nullptr;
  HICON small_icon = nullptr;
  std::vector<HWND> children;  // in template order
};

// The window's state, or null for a handle that names no window.
const WindowState* FindWindowState(HWND hwnd);
// Whether the window's procedure has a handler of its own for command `id`; false for a handle
// that names no window and for the platform's own controls.
bool KnowsCommand(HWND hwnd, UINT id);

}  // namespace platform
