// The operator's answer to the one question the station loop waits on: the window gives it on the
// GUI thread and the loop's thread takes it, waiting on an eventfd beside the stop's descriptor,
// so a stop ends the wait at once. Each question has a number: an answer given to a question that
// a stop already ended is dropped, never taken as the answer to the next one.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "plan/stop_request.h"
#include "platform/linux/posix_calls.h"

namespace station {

class AnswerSlot {
 public:
  // Throws std::system_error when no eventfd can be made.
  AnswerSlot();

  // The loop's thread: opens a new question and gives its number; from now on only answers to
  // it are kept.
  int Open();
  // Any thread: the operator's answer to question `question`.
  void Give(int question, std::string answer);
  // The loop's thread: the answer to the open question, or nothing once a stop came (or the wait
  // failed); `why` then says so. The question stays open, to be answered again.
  std::optional<std::string> Wait(const plan::StopRequest& stop, std::string& why);

 private:
  platform::posix::WakeFd given_;
  std::mutex mutex_;
  int open_ = 0;
  std::optional<std::string> answer_;
};

}  // namespace station
