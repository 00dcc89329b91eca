// A dialog template as the resource compiler would have laid it down: the dialog's own caption,
// font, size and styles, and its items in order, all in dialog units. Front ends render from it;
// the window model creates one control per item.
#pragma once

#include <string>
#include <vector>

#include "platform/terminal/win_types.h"

namespace platform {

enum class ControlKind { Dialog, PushButton, AutoRadioButton, GroupBox, Edit };

struct DialogItem {
  int id;  // -1 for items nobody addresses (the group boxes)
  ControlKind kind;
  std::wstring caption;
  int x, y, cx, cy;  // dialog units
  DWORD style;       // WS_*, BS_* and ES_* bits, WS_CHILD implied
};

struct DialogTemplate {
  UINT id;
  std::wstring caption;
  std::wstring font_face;
  int font_points;
  int cx, cy;  // dialog units
  DWORD style;
  DWORD ex_style;
  std::vector<DialogItem> items;
};

}  // namespace platform
