#include "ui/qt/person_input.h"

namespace ui {

void PersonInput::Deliver(HWND window, platform::PersonAction action) const {
  loop_->Post([window, action = std::move(action)] { platform::TakePersonInput(window, action); });
}

void PersonInput::Click(HWND button) const { Deliver(button, platform::Tap{}); }

void PersonInput::Type(HWND edit, std::wstring text, platform::Selection selection) const {
  Deliver(edit, platform::Typing{std::move(text), selection});
}

void PersonInput::Select(HWND edit, platform::Selection selection) const {
  Deliver(edit, platform::Selecting{static_cast<std::intptr_t>(selection.anchor),
                                    static_cast<std::intptr_t>(selection.caret)});
}

void PersonInput::CaptionOk(HWND dialog) const { Deliver(dialog, platform::Command{IDOK}); }

void PersonInput::CaptionClose(HWND dialog) const { Deliver(dialog, platform::Close{}); }

}  // namespace ui
