#include "plan/socket_link.h"

#include "sender/client.h"

namespace plan {

namespace {

using namespace std::chrono_literals;

// A handler may take long (registration pauses for seconds, a box waits for a person).
constexpr std::chrono::milliseconds kHandlerTimeout = 60s;
// Beyond an expectation's own time, for the exchange around it.
constexpr std::chrono::milliseconds kExpectMargin = 10s;

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

LinkReply SocketLink::Expect(const sender::ExpectRequest& expect) {
  auto line = sender::EncodeRequest({expect, sender::Delivery::Queued});
  if (auto* error = std::get_if<sender::ProtocolError>(&line)) {
    return {LinkStatus::kRefused, "", error->message};
  }
  return Exchange(std::get<std::string>(line),
                  std::chrono::milliseconds(expect.timeout_ms) + kExpectMargin);
}

std::optional<RecordMark> SocketLink::Mark(std::string& error) {
  auto line = sender::EncodeRequest({sender::MarkRequest{}, sender::Delivery::Queued});
  const sender::ExchangeResult result =
      sender::Exchange(socket_, std::get<std::string>(line), kHandlerTimeout);
  if (result.status == sender::ExchangeStatus::Replied && result.reply.mark) {
    return result.reply.mark;
  }
  error = "the console does not tell where its session record stands: " +
          result.reply.error.value_or("no mark in its reply");
  return std::nullopt;
}

}  // namespace plan
