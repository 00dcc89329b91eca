#include "plan/socket_link.h"

#include <nlohmann/json.hpp>

#include "sender/client.h"

namespace plan {

namespace {

using namespace std::chrono_literals;

// A handler may take long (registration pauses for seconds, a box waits for a person).
constexpr std::chrono::milliseconds kHandlerTimeout = 60s;
// Beyond an expectation's own time, for the exchange around it.
constexpr std::chrono::milliseconds kExpectMargin = 10s;

std::string_view ScopeName(ExpectScope scope) {
  switch (scope) {
    case ExpectScope::kNew: return "new";
    case ExpectScope::kWhole: return "whole";
    case ExpectScope::kBox: return "box";
  }
  return "new";
}

}  // namespace

LinkReply SocketLink::Exchange(const std::string& line, std::chrono::milliseconds timeout) {
  const sender::ExchangeResult result = sender::Exchange(socket_, line, timeout);
  if (result.status != sender::ExchangeStatus::Replied) {
    return {LinkStatus::kUnreachable, "", result.reply.error.value_or("")};
  }
  if (!result.reply.ok()) {
    const bool timed_out = *result.reply.error == "timeout";
    return {timed_out ? LinkStatus::kTimedOut : LinkStatus::kRefused,
            result.reply.text.value_or(""), *result.reply.error};
  }
  return {LinkStatus::kDone, result.reply.text.value_or(""), ""};
}

LinkReply SocketLink::Send(const sender::Action& action) {
  auto line = sender::EncodeRequest({action, sender::Delivery::AfterHandler});
  if (auto* error = std::get_if<sender::ProtocolError>(&line)) {
    return {LinkStatus::kRefused, "", error->message};
  }
  return Exchange(std::get<std::string>(line), kHandlerTimeout);
}

LinkReply SocketLink::Read(std::int64_t id) { return Send(sender::ReadRequest{id}); }

LinkReply SocketLink::Expect(const ExpectStep& expect) {
  const nlohmann::json request = {{"verb", "expect"},
                                  {"pattern", expect.pattern},
                                  {"scope", ScopeName(expect.scope)},
                                  {"timeout_ms", expect.timeout_ms}};
  return Exchange(request.dump() + "\n",
                  std::chrono::milliseconds(expect.timeout_ms) + kExpectMargin);
}

std::optional<RecordMark> SocketLink::Mark(std::string& error) {
  const LinkReply reply = Exchange(nlohmann::json{{"verb", "mark"}}.dump() + "\n",
                                   kHandlerTimeout);
  error = "the console does not tell where its session record stands: " + reply.message;
  return std::nullopt;
}

}  // namespace plan
