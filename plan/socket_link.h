// The console link over the console's local socket: each request is one exchange, answered
// once the dialog's handler has run. A stop beyond those a request goes on through closes its
// connection at once: the console then drops an expectation nobody waits for.
#pragma once

#include <filesystem>

#include "plan/console_link.h"
#include "plan/stop_request.h"
#include "sender/client.h"

namespace plan {

class SocketLink : public ConsoleLink {
 public:
  SocketLink(std::filesystem::path socket, const StopRequest& stop)
      : socket_(std::move(socket)), stop_(stop) {}

  LinkReply Send(const sender::Action& action, int stops_allowed) override;
  LinkReply Read(std::int64_t id, int stops_allowed) override;
  LinkReply Expect(const sender::ExpectRequest& expect, int stops_allowed) override;
  std::optional<RecordMark> Mark(std::string& error, int stops_allowed) override;

 private:
  // The exchange's result; nothing when a stop called it off.
  std::optional<sender::ExchangeResult> Exchange(const std::string& line,
                                                 std::chrono::milliseconds timeout,
                                                 int stops_allowed);
  LinkReply Reply(const std::string& line, std::chrono::milliseconds timeout, int stops_allowed);

  std::filesystem::path socket_;
  const StopRequest& stop_;
};

}  // namespace plan
