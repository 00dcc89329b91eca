#include "sender/dialog_actions.h"

#include "platform/ports/person_input.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/window.h"
#include "sender/overloaded.h"
#include "sender/text_reply.h"

namespace sender {

namespace {

using platform::InputVerdict;

// A sender's click, typing or selecting as the person's input it stands for; other requests are
// none.
struct PersonRequest {
  int control_id = 0;
  platform::PersonAction action;
  bool bare_command = false;  // no control carries the id: the dialog hears the command itself
};

std::optional<PersonRequest> AsPersonInput(HWND dialog, const Action& action) {
  return std::visit(
      Overloaded{
          [&](const CommandRequest& command) -> std::optional<PersonRequest> {
            const int id = static_cast<int>(command.id);
            if (GetDlgItem(dialog, id) == nullptr) {
              return PersonRequest{id, platform::Command{static_cast<WORD>(id)}, true};
            }
            return PersonRequest{id, platform::Tap{}};
          },
          [](const TextRequest& text) -> std::optional<PersonRequest> {
            return PersonRequest{
                static_cast<int>(text.id),
                platform::Typing{platform::FromUtf8(text.text).value_or(L""), std::nullopt}};
          },
          [](const SelectRequest& select) -> std::optional<PersonRequest> {
            return PersonRequest{static_cast<int>(select.id),
                                 platform::Selecting{static_cast<std::intptr_t>(select.start),
                                                     static_cast<std::intptr_t>(select.end)}};
          },
          [](const auto&) -> std::optional<PersonRequest> { return std::nullopt; },
      },
      action);
}

enum class Judging { kOnly, kAndTaking };

InputVerdict Verdict(HWND dialog, const PersonRequest& input, Judging judging) {
  const bool take = judging == Judging::kAndTaking;
  if (input.bare_command) {
    return take ? platform::TakePersonInput(dialog, input.action)
                : platform::JudgePersonInput(dialog, input.action);
  }
  return take ? platform::TakePersonInput(dialog, input.control_id, input.action)
              : platform::JudgePersonInput(dialog, input.control_id, input.action);
}

ReadReply RefusedRead(std::string error) {
  return {EncodeReply(Reply::Failed(error)), std::move(error)};
}

std::optional<std::string> Refusal(HWND dialog, const PersonRequest& input, Judging judging) {
  const InputVerdict verdict = Verdict(dialog, input, judging);
  if (verdict == InputVerdict::Taken) return std::nullopt;
  return platform::RefusalText(verdict, input.control_id);
}

Reply SendToDialog(HWND dialog, const MessageRequest& message) {
  // WPARAM carries the 32-bit pattern, LPARAM the signed value, as on the 32-bit terminal.
  const auto wparam = static_cast<WPARAM>(static_cast<std::uint32_t>(message.wparam));
  const auto lparam = static_cast<LPARAM>(message.lparam);
  SendMessageW(dialog, static_cast<UINT>(message.number), wparam, lparam);
  return Reply::Done();
}

}  // namespace

std::optional<std::string> RefusalOf(HWND dialog, const Request& request) {
  if (platform::FindWindowState(dialog) == nullptr) return kConsoleClosing;
  const std::optional<PersonRequest> input = AsPersonInput(dialog, request.action);
  return input ? Refusal(dialog, *input, Judging::kOnly) : std::nullopt;
}

Reply CarryOut(HWND dialog, const Request& request) {
  if (platform::FindWindowState(dialog) == nullptr) return Reply::Failed(kConsoleClosing);
  if (const std::optional<PersonRequest> input = AsPersonInput(dialog, request.action)) {
    const auto refusal = Refusal(dialog, *input, Judging::kAndTaking);
    return refusal ? Reply::Failed(*refusal) : Reply::Done();
  }
  return std::visit(
      Overloaded{
          [&](const MessageRequest& message) { return SendToDialog(dialog, message); },
          [](const auto&) { return Reply::Done(); },  // a person's input went above
      },
      request.action);
}

ReadReply Read(HWND dialog, const ReadRequest& read) {
  if (platform::FindWindowState(dialog) == nullptr) return RefusedRead(kConsoleClosing);
  const HWND window = read.id == 0 ? dialog : GetDlgItem(dialog, static_cast<int>(read.id));
  const platform::WindowState* state = platform::FindWindowState(window);
  if (state == nullptr) {
    return RefusedRead("no control " + std::to_string(read.id) + " in the dialog");
  }
  return {EncodeTextReply(state->text), std::nullopt};
}

}  // namespace sender
