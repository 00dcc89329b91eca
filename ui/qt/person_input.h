// A person's taps and typing on the dialog, queued behind whatever the console's loop already has
// to do, so they are handled in the order they happened and never inside another handler. When
// its turn comes each goes through the rule an outside sender's request goes through
// (platform/ports/person_input.h); input that is refused by then (the window is gone, a message
// box opened meanwhile) is dropped, as the terminal drops a tap on a disabled window.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/person_input.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/message_loop.h"

namespace ui {

class PersonInput {
 public:
  explicit PersonInput(std::shared_ptr<platform::MessageLoop::Core> loop)
      : loop_(std::move(loop)) {}

  // A push button or radio button tapped.
  void Click(HWND button) const;
  // An edit control's text after the person typed, with the caret or selection left behind.
  void Type(HWND edit, std::wstring text, platform::Selection selection) const;
  // The caret moved or text was selected in an edit control.
  void Select(HWND edit, platform::Selection selection) const;
  // The caption bar's OK button: the dialog's IDOK command.
  void CaptionOk(HWND dialog) const;
  // The caption bar's close button.
  void CaptionClose(HWND dialog) const;

 private:
  void Deliver(HWND window, platform::PersonAction action) const;

  std::shared_ptr<platform::MessageLoop::Core> loop_;
};

}  // namespace ui
