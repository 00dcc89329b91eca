#include "instrument/session.h"

#include <algorithm>
#include <charconv>

namespace instrument {

namespace {

// SCPI answers are printable ASCII; anything else is a line gone wrong or another protocol.
bool IsText(const std::string& answer) {
  return std::all_of(answer.begin(), answer.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 0x20 && byte < 0x7F);
  });
}

std::int64_t MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::optional<QueuedError> ReadQueuedError(const std::string& answer) {
  QueuedError error;
  const char* const end = answer.data() + answer.size();
  const char* at = answer.data();
  if (at != end && *at == '+') ++at;  // some instruments write "+0,..."
  const auto [after, failed] = std::from_chars(at, end, error.code);
  if (failed != std::errc() || after == at || after == end || *after != ',') return std::nullopt;
  const std::string_view text(after + 1, static_cast<std::size_t>(end - after - 1));
  if (text.size() < 2 || !text.starts_with('"') || !text.ends_with('"')) return std::nullopt;
  error.text = std::string(text.substr(1, text.size() - 2));
  return error;
}

std::unique_ptr<Session> Session::Open(const std::string& role, const Address& address,
                                       std::chrono::milliseconds timeout, ExchangeSink& sink,
                                       int wake, Fault& fault) {
  std::string error;
  std::optional<Channel> channel = Channel::Open(address, timeout, wake, error);
  if (!channel) {
    fault = {Fault::Kind::kCannotOpen,
             role + " (" + address.text + "): cannot be reached: " + error};
    return nullptr;
  }
  return std::unique_ptr<Session>(new Session(role, address, timeout, sink, std::move(*channel)));
}

Session::Session(std::string role, Address address, std::chrono::milliseconds timeout,
                 ExchangeSink& sink, Channel channel)
    : role_(std::move(role)),
      address_(std::move(address)),
      timeout_(timeout),
      sink_(sink),
      channel_(std::move(channel)) {}

Fault Session::Failure(Fault::Kind kind, const std::string& what) const {
  return {kind, role_ + " (" + address_.text + "): " + what};
}

std::optional<Fault> Session::Converse(const std::string& sent, std::string* answer, int wake) {
  instrument::Exchange logged{
      role_, sent, std::nullopt, "", std::chrono::system_clock::now(), MonotonicMs()};
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  const std::string quoted = "\"" + sent + "\"";
  std::optional<Fault> fault;
  if (answer != nullptr) channel_.DropPending();
  IoResult io = channel_.Send(sent, deadline, wake);
  if (io.status == IoStatus::kDone && answer != nullptr) {
    io = channel_.Receive(*answer, kMostAnswerBytes, deadline, wake);
    if (io.status == IoStatus::kDone) {
      logged.answer = *answer;
      if (!IsText(*answer)) {
        fault = Failure(Fault::Kind::kGarbage, "the answer to " + quoted + " is not text");
      }
    }
  }
  const std::string detail = io.detail.empty() ? "" : " (" + io.detail + ")";
  const std::string during = answer != nullptr ? "answering " + quoted : "taking " + quoted;
  switch (io.status) {
    case IoStatus::kDone:
      break;
    case IoStatus::kTimedOut:
      fault = Failure(Fault::Kind::kTimedOut,
                      (answer == nullptr              ? quoted + " not taken"
                       : channel_.pending_bytes() > 0 ? "half an answer to " + quoted
                                                      : "no answer to " + quoted) +
                          " within " + std::to_string(timeout_.count()) + " ms");
      break;
    case IoStatus::kStopped:
      fault = Failure(Fault::Kind::kStopped, "stopped while " + during);
      break;
    case IoStatus::kClosed:
      fault = Failure(Fault::Kind::kVanished, "the instrument went away while " + during + detail);
      break;
    case IoStatus::kFailed:
      fault = Failure(Fault::Kind::kVanished, "the line failed while " + during + detail);
      break;
    case IoStatus::kTooLong:
      fault = Failure(Fault::Kind::kGarbage, "the answer to " + quoted + " is longer than " +
                                                 std::to_string(kMostAnswerBytes) + " bytes");
      break;
  }
  if (fault) logged.error = fault->message;
  sink_.Add(logged);
  return fault;
}

std::optional<std::string> Session::Query(const std::string& query, int wake, Fault& fault) {
  std::string answer;
  if (auto failed = Converse(query, &answer, wake)) {
    fault = std::move(*failed);
    return std::nullopt;
  }
  return answer;
}

std::optional<Fault> Session::Write(const std::string& commands, int wake) {
  if (auto failed = Converse(commands, nullptr, wake)) return failed;
  std::string reported;
  for (int read = 0; read < kMostQueuedErrors; ++read) {
    Fault fault;
    const std::optional<std::string> answer = Query("SYST:ERR?", wake, fault);
    if (!answer) return fault;
    const std::optional<QueuedError> error = ReadQueuedError(*answer);
    if (!error) {
      return Failure(Fault::Kind::kGarbage,
                     "\"" + *answer + "\" is no error queue entry (NUMBER,\"TEXT\")");
    }
    if (error->code == 0) {
      if (reported.empty()) return std::nullopt;
      return Failure(Fault::Kind::kInstrument, "\"" + commands + "\": " + reported);
    }
    reported += (reported.empty() ? "" : "; ") + *answer;
  }
  return Failure(Fault::Kind::kInstrument, "\"" + commands + "\": " + reported + "; the queue " +
                                               "still held errors after " +
                                               std::to_string(kMostQueuedErrors) + " reads");
}

}  // namespace instrument
