// What the runner needs of a console: hand it input, read a control, wait for a text to show,
// and tell where its session record stands. The socket link is the one a plan runs over; keeping
// the runner to this face lets it be exercised against any console that answers it. Each request
// goes on through `stops_allowed` stops and is called off by the next one (kStopped).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "plan/plan.h"
#include "sender/protocol.h"

namespace plan {

// How an exchange with the console ended.
enum class LinkStatus {
  kDone,         // carried out; `text` holds what a read or an expectation found
  kRefused,      // the console refused the request; `message` says why
  kTimedOut,     // an expectation's time ran out; `text` holds the pane's last lines
  kUnreachable,  // no console answered, or the exchange broke off
  kStopped,      // a stop called the request off before the console answered
};

struct LinkReply {
  LinkStatus status = LinkStatus::kDone;
  std::string text;
  std::string message;
};

// A position in the console's session record.
using RecordMark = sender::RecordMark;

class ConsoleLink {
 public:
  virtual ~ConsoleLink() = default;
  // Input as a person gives it, answered once the dialog's handler has run.
  virtual LinkReply Send(const sender::Action& action, int stops_allowed) = 0;
  virtual LinkReply Read(std::int64_t id, int stops_allowed) = 0;
  virtual LinkReply Expect(const sender::ExpectRequest& expect, int stops_allowed) = 0;
  // Where the record stands now; nothing, with `error` set, when the console cannot tell.
  virtual std::optional<RecordMark> Mark(std::string& error, int stops_allowed) = 0;
};

}  // namespace plan
