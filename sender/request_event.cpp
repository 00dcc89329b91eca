#include "sender/request_event.h"

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/ports/session_events.h"
#include "sender/overloaded.h"

namespace sender {

void EmitRequestEvent(const Request& request, const std::optional<std::string>& refusal) {
  platform::SessionEvents* const events = platform::CurrentSessionEvents();
  if (events == nullptr) return;
  using Argument = platform::RequestArgument;
  std::vector<Argument> arguments = std::visit(
      Overloaded{
          [](const CommandRequest& command) {
            return std::vector<Argument>{{"id", command.id}};
          },
          [](const MessageRequest& message) {
            return std::vector<Argument>{
                {"number", message.number}, {"wparam", message.wparam}, {"lparam", message.lparam}};
          },
          [](const TextRequest& text) {
            return std::vector<Argument>{{"id", text.id}, {"text", std::string_view(text.text)}};
          },
          [](const SelectRequest& select) {
            return std::vector<Argument>{
                {"id", select.id}, {"start", select.start}, {"end", select.end}};
          },
          [](const ReadRequest& read) {
            return std::vector<Argument>{{"id", read.id}};
          },
          [](const ExpectRequest& expect) {
            return std::vector<Argument>{{"pattern", std::string_view(expect.pattern)},
                                         {"scope", NameOf(expect.scope)},
                                         {"timeout_ms", expect.timeout_ms}};
          },
          [](const MarkRequest&) { return std::vector<Argument>{}; },
      },
      request.action);
  arguments.push_back({"sync", std::int64_t{WaitsForHandler(request)}});
  if (refusal) arguments.push_back({"refused", std::string_view(*refusal)});
  events->OutsideRequest(VerbOf(request.action), arguments);
}

}  // namespace sender
