#include "sender/message_policy.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/terminal/win_types.h"

namespace sender {

namespace {

// The serial watch thread's notice of received bytes: its count indexes the receive buffer.
constexpr UINT kCommReadMessage = WM_USER + 1;
constexpr UINT kLastUserMessage = 0x7FFF;
constexpr UINT kFirstAppMessage = 0x8000;
constexpr UINT kLastAppMessage = 0xBFFF;

struct NamedMessage {
  UINT number;
  std::string_view name;
};

constexpr std::array kNamedMessages{
    NamedMessage{WM_DESTROY, "WM_DESTROY"},   NamedMessage{WM_SETTEXT, "WM_SETTEXT"},
    NamedMessage{WM_GETTEXT, "WM_GETTEXT"},   NamedMessage{WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
    NamedMessage{WM_SETICON, "WM_SETICON"},   NamedMessage{WM_INITDIALOG, "WM_INITDIALOG"},
    NamedMessage{WM_CLEAR, "WM_CLEAR"},       NamedMessage{EM_GETSEL, "EM_GETSEL"},
    NamedMessage{EM_SETSEL, "EM_SETSEL"},     NamedMessage{EM_REPLACESEL, "EM_REPLACESEL"},
    NamedMessage{BM_GETCHECK, "BM_GETCHECK"}, NamedMessage{BM_SETCHECK, "BM_SETCHECK"},
    NamedMessage{BM_CLICK, "BM_CLICK"},       NamedMessage{kCommReadMessage, "WM_COMM_READ"},
};

bool CarriesPlainValues(UINT number) {
  switch (number) {
    case WM_NULL:
    case WM_CLOSE:
    case WM_COMMAND:
    case WM_TIMER:
      return true;
    case kCommReadMessage:
      return false;
    default:
      return (number >= WM_USER && number <= kLastUserMessage) ||
             (number >= kFirstAppMessage && number <= kLastAppMessage);
  }
}

std::string NameOf(UINT number) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", number);
  std::string name = std::to_string(number) + " (";
  for (const NamedMessage& named : kNamedMessages) {
    if (named.number == number) return name.append(named.name).append(")");
  }
  return name.append(hex).append(")");
}

}  // namespace

std::optional<std::string> RefusalOfMessage(std::int64_t number) {
  const auto message = static_cast<UINT>(number);
  if (CarriesPlainValues(message)) return std::nullopt;
  return "message " + NameOf(message) +
         " is refused: outside senders may send only messages whose parameters are plain values "
         "(WM_NULL, WM_CLOSE, WM_COMMAND, WM_TIMER, WM_USER to 0x7FFF but WM_COMM_READ, "
         "0x8000 to 0xBFFF)";
}

}  // namespace sender
