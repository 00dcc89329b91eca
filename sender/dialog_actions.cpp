#include "sender/dialog_actions.h"

#include "platform/ports/person_input.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/utf16.h"
#include "platform/terminal/window.h"
#include "sender/overloaded.h"

namespace sender {

namespace {

using platform::InputVerdict;

Reply Answer(InputVerdict verdict, int id) {
  if (verdict == InputVerdict::Taken) return Reply::Done();
  return Reply::Failed(platform::RefusalText(verdict, id));
}

Reply Click(HWND dialog, const CommandRequest& command) {
  const int id = static_cast<int>(command.id);
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    return Answer(platform::TakePersonInput(dialog, platform::Command{static_cast<WORD>(id)}), id);
  }
  return Answer(platform::TakePersonInput(control, platform::Tap{}), id);
}

Reply SendToDialog(HWND dialog, const MessageRequest& message) {
  // WPARAM carries the 32-bit pattern, LPARAM the signed value, as on the 32-bit terminal.
  const auto wparam = static_cast<WPARAM>(static_cast<std::uint32_t>(message.wparam));
  const auto lparam = static_cast<LPARAM>(message.lparam);
  SendMessageW(dialog, static_cast<UINT>(message.number), wparam, lparam);
  return Reply::Done();
}

Reply Type(HWND dialog, const TextRequest& text) {
  const int id = static_cast<int>(text.id);
  platform::Typing typing{platform::FromUtf8(text.text).value_or(L""), std::nullopt};
  return Answer(platform::TakePersonInput(dialog, id, typing), id);
}

Reply Select(HWND dialog, const SelectRequest& select) {
  const int id = static_cast<int>(select.id);
  const platform::Selecting selecting{static_cast<std::intptr_t>(select.start),
                                      static_cast<std::intptr_t>(select.end)};
  return Answer(platform::TakePersonInput(dialog, id, selecting), id);
}

Reply Read(HWND dialog, const ReadRequest& read) {
  const HWND window = read.id == 0 ? dialog : GetDlgItem(dialog, static_cast<int>(read.id));
  const platform::WindowState* state = platform::FindWindowState(window);
  if (state == nullptr) {
    return Reply::Failed("no control " + std::to_string(read.id) + " in the dialog");
  }
  return Reply::Text(platform::ToUtf8(state->text));
}

}  // namespace

Reply CarryOut(HWND dialog, const Request& request) {
  if (platform::FindWindowState(dialog) == nullptr) return Reply::Failed(kConsoleClosing);
  return std::visit(
      Overloaded{
          [&](const CommandRequest& command) { return Click(dialog, command); },
          [&](const MessageRequest& message) { return SendToDialog(dialog, message); },
          [&](const TextRequest& text) { return Type(dialog, text); },
          [&](const SelectRequest& select) { return Select(dialog, select); },
          [&](const ReadRequest& read) { return Read(dialog, read); },
      },
      request.action);
}

}  // namespace sender
