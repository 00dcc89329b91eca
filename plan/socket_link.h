// The console link over the console's local socket: each request is one exchange, answered
// once the dialog's handler has run.
#pragma once

#include <filesystem>

#include "plan/console_link.h"

namespace plan {

class SocketLink : public ConsoleLink {
 public:
  explicit SocketLink(std::filesystem::path socket) : socket_(std::move(socket)) {}

  LinkReply Send(const sender::Action& action) override;
  LinkReply Read(std::int64_t id) override;
  LinkReply Expect(const sender::ExpectRequest& expect) override;
  std::optional<RecordMark> Mark(std::string& error) override;

 private:
  LinkReply Exchange(const std::string& line, std::chrono::milliseconds timeout);

  std::filesystem::path socket_;
};

}  // namespace plan
