// A small dialog for tests of the window model: an edit control, radio buttons split by a group
// box and by a WS_GROUP control, a push button, and a procedure that records what reaches it.
#pragma once

#include <vector>

#include "platform/terminal/window.h"

namespace testing_support {

inline constexpr int kEditId = 10;
inline constexpr int kRadioA = 11;
inline constexpr int kRadioB = 12;
inline constexpr int kRadioC = 13;  // behind a group box: still the same group
inline constexpr int kButtonId = 14;
inline constexpr int kRadioD = 15;  // WS_GROUP: starts a second group
inline constexpr int kRadioE = 16;

// A dialog template of a plain test dialog around `items`.
platform::DialogTemplate TestDialogTemplate(std::wstring caption,
                                            std::vector<platform::DialogItem> items);
platform::DialogTemplate SmallDialogTemplate();

struct ReceivedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class RecordingProcedure final : public platform::WindowProcedure {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  std::vector<ReceivedMessage> received;
  // What the procedure answers to messages it records.
  LRESULT answer = 0;
};

}  // namespace testing_support
