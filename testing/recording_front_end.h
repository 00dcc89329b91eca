// A front end for tests: it remembers every message box and every text change, and answers
// message boxes the way the test says (at once by default).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ports/front_end.h"

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

  void TextReplaced(const platform::WindowState&, std::size_t, std::size_t,
                    std::wstring_view inserted) override {
    inserted_texts.emplace_back(inserted);
  }
  void ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type,
                      std::function<void(int)> dismiss) override {
    message_boxes.push_back({owner, std::wstring(text), std::wstring(caption), type});
    answer(message_boxes.back(), std::move(dismiss));
  }
};

}  // namespace testing_support
