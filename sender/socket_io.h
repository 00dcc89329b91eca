// Lines on the console's local socket. A request and a reply are one line each: LineAssembler
// gathers one from the bytes as they arrive, within a size limit, for the console's server,
// which waits on all of its connections at once. ReadLine and WriteAll are the client's: each
// wait has a deadline, so that neither a silent console nor a stuck one can hold the client
// longer than it allows, and a descriptor the caller names (-1: none) calls the wait off as soon
// as it turns readable (a stop the operator asked for).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/linux/posix_calls.h"

namespace sender {

using Deadline = std::chrono::steady_clock::time_point;

class LineAssembler {
 public:
  // `max_bytes` counts the newline.
  explicit LineAssembler(std::size_t max_bytes) : max_bytes_(max_bytes) {}

  enum class State { Incomplete, Done, TooLong };
  // Takes the next bytes. One line is all either end ever sends, so bytes after it are dropped.
  State Feed(std::string_view bytes);
  State state() const { return state_; }
  // Without its newline; what arrived so far while Incomplete.
  const std::string& line() const { return line_; }

 private:
  std::size_t max_bytes_;
  State state_ = State::Incomplete;
  std::string line_;
};

enum class IoStatus { Done, TimedOut, PeerClosed, TooLong, Failed, CalledOff };

struct LineRead {
  IoStatus status = IoStatus::Failed;
  std::string line;                     // without its newline; what arrived before an early close
  platform::posix::CallResult failure;  // for Failed
};

// Reads up to the first newline, which must come within `max_bytes` bytes (the newline
// included).
LineRead ReadLine(int fd, std::size_t max_bytes, Deadline deadline, int call_off_fd = -1);

// Writes all of `data`.
IoStatus WriteAll(int fd, std::string_view data, Deadline deadline, int call_off_fd = -1);

}  // namespace sender
