#include "plan/socket_link.h"

namespace plan {

namespace {

using namespace std::chrono_literals;

// A handler may take long (registration pauses for seconds, a box waits for a person).
constexpr std::chrono::milliseconds kHandlerTimeout = 60s;
// Beyond an expectation's own time, for the exchange around it.
constexpr std::chrono::milliseconds kExpectMargin = 10s;

}  // namespace

std::optional<sender::ExchangeResult> SocketLink::Exchange(const std::string& line,
                                                           std::chrono::milliseconds timeout,
                                                           int stops_allowed) {
  sender::ExchangeResult result =
      sender::Exchange(socket_, line, timeout, stop_.WakeDescriptor(stops_allowed));
  if (result.status != sender::ExchangeStatus::Replied && stop_.count() > stops_allowed) {
    return std::nullopt;
  }
  return result;
}

LinkReply SocketLink::Reply(const std::string& line, std::chrono::milliseconds timeout,
                            int stops_allowed) {
  const auto result = Exchange(line, timeout, stops_allowed);
  if (!result) return {LinkStatus::kStopped, "", "stopped"};
  if (result->status != sender::ExchangeStatus::Replied) {
    return {LinkStatus::kUnreachable, "", result->reply.error.value_or("")};
  }
  if (!result->reply.ok()) {
    const bool timed_out = *result->reply.error == "timeout";
    return {timed_out ? LinkStatus::kTimedOut : LinkStatus::kRefused,
            result->reply.text.value_or(""), *result->reply.error};
  }
  return {LinkStatus::kDone, result->reply.text.value_or(""), ""};
}

LinkReply SocketLink::Send(const sender::Action& action, int stops_allowed) {
  auto line = sender::EncodeRequest({action, sender::Delivery::AfterHandler});
  if (auto* error = std::get_if<sender::ProtocolError>(&line)) {
    return {LinkStatus::kRefused, "", error->message};
  }
  return Reply(std::get<std::string>(line), kHandlerTimeout, stops_allowed);
}

LinkReply SocketLink::Read(std::int64_t id, int stops_allowed) {
  return Send(sender::ReadRequest{id}, stops_allowed);
}

LinkReply SocketLink::Expect(const sender::ExpectRequest& expect, int stops_allowed) {
  auto line = sender::EncodeRequest({expect, sender::Delivery::Queued});
  if (auto* error = std::get_if<sender::ProtocolError>(&line)) {
    return {LinkStatus::kRefused, "", error->message};
  }
  return Reply(std::get<std::string>(line),
               std::chrono::milliseconds(expect.timeout_ms) + kExpectMargin, stops_allowed);
}

std::optional<RecordMark> SocketLink::Mark(std::string& error, int stops_allowed) {
  auto line = sender::EncodeRequest({sender::MarkRequest{}, sender::Delivery::Queued});
  const auto result = Exchange(std::get<std::string>(line), kHandlerTimeout, stops_allowed);
  if (!result) {
    error = "stopped before the console told where its session record stands";
    return std::nullopt;
  }
  if (result->status == sender::ExchangeStatus::Replied && result->reply.mark) {
    return result->reply.mark;
  }
  error = "the console does not tell where its session record stands: " +
          result->reply.error.value_or("no mark in its reply");
  return std::nullopt;
}

}  // namespace plan
