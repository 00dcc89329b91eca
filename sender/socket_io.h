// Socket input and output for the console's local socket, on both of its ends. Every wait has a
// deadline and may also watch a stop signal, so that neither a silent peer nor a stuck one can
// hold a thread for longer than the caller allows, and a stopping server is never kept waiting.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace sender {

using Deadline = std::chrono::steady_clock::time_point;

// A file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release();
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Raised once, it stays raised: its descriptor becomes readable for good, waking every wait that
// watches it.
class StopSignal {
 public:
  StopSignal();
  void Raise();
  int fd() const { return read_end_.get(); }

 private:
  UniqueFd read_end_;
  UniqueFd write_end_;
};

enum class IoStatus { Done, TimedOut, Stopped, PeerClosed, TooLong, Failed };

struct LineRead {
  IoStatus status = IoStatus::Failed;
  std::string line;  // without its newline; what arrived so far when the peer closed early
  int error = 0;     // errno for Failed
};

// Reads up to the first newline, which must come within `max_bytes` bytes (the newline
// included). One line is all either end ever sends, so bytes after it are dropped.
LineRead ReadLine(int fd, std::size_t max_bytes, Deadline deadline, const StopSignal* stop);

// Writes all of `data`. Data that the socket takes at once goes out even when `stop` is raised.
IoStatus WriteAll(int fd, std::string_view data, Deadline deadline, const StopSignal* stop);

}  // namespace sender
