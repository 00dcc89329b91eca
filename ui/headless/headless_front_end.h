// The console without a screen: every text that reaches the log pane goes to standard output, in
// UTF-8 and otherwise byte for byte, written out whenever the console pauses or waits (see
// FlushingLoopWaiter) and before an outside sender hears that its request was handled; a new text
// for the whole pane stands on a line of its own; each message box goes to standard error as
// "message box: TEXT" and is answered with OK at once.
#pragma once

#include <cstdio>

#include "platform/ports/front_end.h"

namespace ui {

class HeadlessFrontEnd final : public platform::FrontEnd {
 public:
  HeadlessFrontEnd(int log_pane_id, std::FILE* log_out, std::FILE* box_out)
      : log_pane_id_(log_pane_id), log_out_(log_out), box_out_(box_out) {}

  void TextReplaced(const platform::WindowState& window, std::size_t start, std::size_t end,
                    std::u16string_view inserted) override;
  void TextSet(const platform::WindowState& window) override;
  void Pausing() override;
  void Flush() override;
  void ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type,
                      std::function<void(int)> dismiss) override;

 private:
  bool IsLogPane(const platform::WindowState& window) const;
  void Write(std::string_view bytes);

  int log_pane_id_;
  std::FILE* log_out_;
  std::FILE* box_out_;
  bool at_line_start_ = true;
};

}  // namespace ui
