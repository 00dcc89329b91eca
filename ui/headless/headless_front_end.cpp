#include "ui/headless/headless_front_end.h"

#include <string>

#include "platform/terminal/code_page.h"
#include "platform/terminal/utf16.h"

namespace ui {

bool HeadlessFrontEnd::IsLogPane(const platform::WindowState& window) const {
  return window.id == log_pane_id_;
}

void HeadlessFrontEnd::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  std::fwrite(bytes.data(), 1, bytes.size(), log_out_);
  at_line_start_ = bytes.back() == '\n';
}

void HeadlessFrontEnd::TextReplaced(const platform::WindowState& window, std::size_t, std::size_t,
                                    std::u16string_view inserted) {
  if (IsLogPane(window)) Write(platform::ToUtf8(inserted));
}

void HeadlessFrontEnd::TextSet(const platform::WindowState& window) {
  if (!IsLogPane(window)) return;
  if (!at_line_start_) Write("\n");
  Write(platform::ToUtf8(window.text) + "\n");
}

void HeadlessFrontEnd::Pausing() { Flush(); }

void HeadlessFrontEnd::Flush() { std::fflush(log_out_); }

void HeadlessFrontEnd::ShowMessageBox(HWND, std::wstring_view text, std::wstring_view, UINT,
                                      std::function<void(int)> dismiss) {
  Flush();  // what led to the box comes out before it
  const std::string line = "message box: " + platform::ToUtf8(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), box_out_);
  std::fflush(box_out_);
  dismiss(IDOK);
}

}  // namespace ui
