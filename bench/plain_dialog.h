// A dialog procedure that leaves everything to the system, as the console's dialog does for the
// log pane's messages: what the append benchmarks put their panes in.
#pragma once

#include "platform/terminal/window.h"

namespace bench {

class PlainDialog final : public platform::WindowProcedure {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

}  // namespace bench
