// For tests: an outside program that keeps a serial line busy. A thread of its own writes a
// repeating text into the far end of the line, either at a line's pace (`chunk` bytes every
// `period`) or, with a period of zero, as fast as the line takes it. It stops when the object goes,
// or by itself after `at_most`, so that a port that never lets go fails its test instead of
// stalling the suite. The descriptor stays the caller's; it is switched to non-blocking.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace testing_support {

class StreamingFarEnd {
 public:
  StreamingFarEnd(int fd, std::size_t chunk, std::chrono::milliseconds period,
                  std::chrono::milliseconds at_most)
      : fd_(fd), period_(period), at_most_(at_most) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    for (std::size_t i = 0; i < chunk; ++i) chunk_ += static_cast<char>('a' + i % 26);
    writer_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  ~StreamingFarEnd() = default;  // the jthread asks the writer to stop and waits for it
  StreamingFarEnd(const StreamingFarEnd&) = delete;
  StreamingFarEnd& operator=(const StreamingFarEnd&) = delete;

  // Waits for the writer to stop; what it wrote is then final.
  void Stop() {
    writer_.request_stop();
    writer_.join();
  }
  std::size_t written() const { return written_.load(); }

 private:
  void Run(const std::stop_token& stop) {
    const auto give_up = std::chrono::steady_clock::now() + at_most_;
    auto next_chunk = std::chrono::steady_clock::now();
    while (!stop.stop_requested() && std::chrono::steady_clock::now() < give_up) {
      if (!WriteChunk(stop, give_up)) return;
      if (period_.count() == 0) continue;
      next_chunk += period_;
      std::unique_lock lock(mutex_);
      std::condition_variable_any().wait_until(lock, stop, std::min(next_chunk, give_up),
                                               [] { return false; });
    }
  }

  // Writes the chunk whole, waiting while the line holds back; false once the line is gone.
  bool WriteChunk(const std::stop_token& stop, std::chrono::steady_clock::time_point give_up) {
    for (std::size_t at = 0; at < chunk_.size();) {
      if (stop.stop_requested() || std::chrono::steady_clock::now() >= give_up) return true;
      const ssize_t put = ::write(fd_, chunk_.data() + at, chunk_.size() - at);
      if (put > 0) {
        at += static_cast<std::size_t>(put);
        written_ += static_cast<std::size_t>(put);
      } else if (put < 0 && errno == EAGAIN) {
        pollfd ready{fd_, POLLOUT, 0};
        ::poll(&ready, 1, 10);
      } else {
        return false;
      }
    }
    return true;
  }

  const int fd_;
  const std::chrono::milliseconds period_;
  const std::chrono::milliseconds at_most_;
  std::string chunk_;
  std::atomic<std::size_t> written_{0};
  std::mutex mutex_;
  std::jthread writer_;
};

}  // namespace testing_support
