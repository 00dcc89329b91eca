// A SCPI instrument a test owns, on a thread of its own: on a real loopback TCP socket or at the
// master of a real pseudo-terminal, whose slave a session opens as a serial line. It answers
// each line's ";"-separated commands from a table (late, never, with bytes that are no text, or
// half an answer and then hanging up), keeps an error queue that SYST:ERR? empties (an unknown
// query or a command the table refuses adds to it), and keeps every line it heard, so that a
// test reads what reached the instrument as plainly as what came back.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "platform/linux/pty_pair.h"

namespace testing_support {

struct ScpiReply {
  std::string answer;  // sent with "\n" unless `hang_up`
  std::chrono::milliseconds delay{0};
  bool never = false;    // the command is taken and nothing comes back
  bool hang_up = false;  // `answer` without its end, then the line closes
  std::string error;     // queued instead of answering: -222,"Data out of range"
};

inline ScpiReply Answers(std::string answer, std::chrono::milliseconds delay = {}) {
  ScpiReply reply;
  reply.answer = std::move(answer);
  reply.delay = delay;
  return reply;
}
inline ScpiReply NeverAnswers() {
  ScpiReply reply;
  reply.never = true;
  return reply;
}
inline ScpiReply HangsUpAfter(std::string half) {
  ScpiReply reply = Answers(std::move(half));
  reply.hang_up = true;
  return reply;
}
inline ScpiReply Queues(std::string error) {
  ScpiReply reply;
  reply.error = std::move(error);
  return reply;
}

class ScpiResponder {
 public:
  enum class Line { kTcp, kPty };

  ScpiResponder(Line line, std::map<std::string, ScpiReply> replies)
      : line_(line), replies_(std::move(replies)) {
    if (line_ == Line::kPty) {
      pty_.emplace();
    } else {
      listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t size = sizeof address;
      // A test whose responder cannot listen fails at its first exchange, naming the address.
      (void)::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size);
      (void)::listen(listener_.get(), 4);
      (void)::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size);
      port_ = ntohs(address.sin_port);
    }
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScpiResponder() {
    done_ = true;
    thread_.join();
  }

  std::string address() const {
    return line_ == Line::kTcp ? "tcp:127.0.0.1:" + std::to_string(port_)
                               : "serial:" + pty_->Slave().string();
  }
  // Every line heard, in order.
  std::vector<std::string> heard() const {
    std::lock_guard lock(mutex_);
    return heard_;
  }

 private:
  // Polls the way a test's helper may: briefly, so that the destructor's flag is seen soon.
  bool Readable(int fd) const {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 10) > 0 && (watched.revents & (POLLIN | POLLHUP)) != 0;
  }

  void Serve() {
    platform::posix::UniqueFd connection;
    std::string pending;
    while (!done_) {
      if (line_ == Line::kTcp && !connection) {
        if (Readable(listener_.get()))
          connection.reset(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        continue;
      }
      const int fd = line_ == Line::kTcp ? connection.get() : pty_->Master();
      if (!Readable(fd)) continue;
      char chunk[512];
      const ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got <= 0) {
        connection.reset();
        pending.clear();
        continue;
      }
      pending.append(chunk, static_cast<std::size_t>(got));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!Answer(fd, line)) {
          connection.reset();
          pending.clear();
          break;
        }
      }
    }
  }

  // Answers each command of `line`; false when the instrument hangs up.
  bool Answer(int fd, const std::string& line) {
    {
      std::lock_guard lock(mutex_);
      heard_.push_back(line);
    }
    std::size_t from = 0;
    for (;;) {
      const std::size_t end = line.find(';', from);
      const std::string command = line.substr(from, end - from);
      if (!AnswerOne(fd, command)) return false;
      if (end == std::string::npos) return true;
      from = end + 1;
    }
  }

  bool AnswerOne(int fd, const std::string& command) {
    if (command == "SYST:ERR?") {
      const std::string answer = errors_.empty() ? "0,\"No error\"" : errors_.front();
      if (!errors_.empty()) errors_.pop_front();
      return Send(fd, answer + "\n");
    }
    const auto reply = replies_.find(command);
    if (reply == replies_.end()) {
      if (command.ends_with('?')) errors_.push_back("-113,\"Undefined header\"");
      return true;
    }
    const ScpiReply& how = reply->second;
    std::this_thread::sleep_for(how.delay);
    if (!how.error.empty()) errors_.push_back(how.error);
    if (how.never || (how.answer.empty() && !how.hang_up)) return true;
    if (how.hang_up) {
      Send(fd, how.answer);
      return false;
    }
    return Send(fd, how.answer + "\n");
  }

  bool Send(int fd, const std::string& bytes) const {
    return (line_ == Line::kTcp ? ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                : ::write(fd, bytes.data(), bytes.size())) >= 0;
  }

  Line line_;
  std::map<std::string, ScpiReply> replies_;
  std::optional<platform::posix::PtyPair> pty_;
  platform::posix::UniqueFd listener_;
  int port_ = 0;
  std::deque<std::string> errors_;  // the responder thread's alone
  mutable std::mutex mutex_;
  std::vector<std::string> heard_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace testing_support
