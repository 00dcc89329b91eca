// A front end for tests: it remembers every message box and every text change, follows each
// window's text from the notifications, and answers message boxes the way the test says (at
// once by default).
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/ports/front_end.h"
#include "platform/terminal/utf16.h"

namespace testing_support {

struct ShownMessageBox {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

class RecordingFrontEnd final : public platform::FrontEnd {
 public:
  RecordingFrontEnd() { platform::SetFrontEnd(this); }
  ~RecordingFrontEnd() override { platform::SetFrontEnd(nullptr); }

  // How a shown box is answered; the default dismisses it with IDOK before returning.
  std::function<void(const ShownMessageBox&, std::function<void(int)> dismiss)> answer =
      [](const ShownMessageBox&, std::function<void(int)> dismiss) { dismiss(IDOK); };

  std::vector<ShownMessageBox> message_boxes;
  std::vector<std::wstring> inserted_texts;  // what EM_REPLACESEL put into any edit control
  std::vector<std::wstring> set_texts;       // what WM_SETTEXT set as any window's whole text
  // Each window's text as a front end following the notifications alone would hold it.
  std::map<HWND, std::u16string> followed_texts;

  void WindowCreated(const platform::WindowState& dialog,
                     std::span<const platform::WindowState* const> controls) override {
    followed_texts[dialog.hwnd] = dialog.text;
    for (const auto* control : controls) followed_texts[control->hwnd] = control->text;
  }
  void TextSet(const platform::WindowState& window) override {
    set_texts.push_back(platform::FromUtf16(window.text));
    followed_texts[window.hwnd] = window.text;
  }
  void TextReplaced(const platform::WindowState& window, std::size_t start, std::size_t end,
                    std::u16string_view inserted) override {
    inserted_texts.push_back(platform::FromUtf16(inserted));
    followed_texts[window.hwnd].replace(start, end - start, inserted);
  }
  void ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type,
                      std::function<void(int)> dismiss) override {
    message_boxes.push_back({owner, std::wstring(text), std::wstring(caption), type});
    answer(message_boxes.back(), std::move(dismiss));
  }
};

}  // namespace testing_support
