// quorvane-send: the command-line client of the console's local socket (see command_line.h).
// Exit status: 0 when the console took the request (and, with --sync, ran its handler; an
// expect, matched), 1 when the console refused it (busy, a message box is open, permission
// denied), an expect timed out, the arguments are malformed or the exchange broke off, 2 when no
// console listens on the socket.
#include <chrono>
#include <cstdio>
#include <iostream>

#include "sender/client.h"
#include "tools/quorvane-send/command_line.h"

namespace {

constexpr int kRefused = 1;
constexpr int kNoConsole = 2;

// A reply that comes after the handler may wait for a long handler (registration pauses for
// seconds, a message box waits for a person); a queued request is answered once taken, which
// waits for one handler at most.
constexpr std::chrono::seconds kAfterHandlerTimeout{60};
constexpr std::chrono::seconds kQueuedTimeout{10};
// An expect's reply comes within its own timeout; this much more lets a busy console answer.
constexpr std::chrono::seconds kExpectMargin{10};

std::chrono::milliseconds ReplyTimeout(const sender::Request& request) {
  if (const auto* expect = std::get_if<sender::ExpectRequest>(&request.action)) {
    return std::chrono::milliseconds(expect->timeout_ms) + kExpectMargin;
  }
  // A mark waits its turn behind other senders' marks, each waiting for the record's writer.
  if (std::holds_alternative<sender::MarkRequest>(request.action)) return kAfterHandlerTimeout;
  if (sender::WaitsForHandler(request)) return kAfterHandlerTimeout;
  return kQueuedTimeout;
}

// `text` exactly as it came: no newline of our own.
bool Print(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

int Fail(int status, const std::string& error) {
  std::cerr << "quorvane-send: " << error << '\n';
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = quorvane_send::ParseCommandLine(argc, argv);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-send", *early);
  }
  const auto& invocation = std::get<quorvane_send::Invocation>(parsed);

  auto encoded = sender::EncodeRequest(invocation.request);
  if (auto* error = std::get_if<sender::ProtocolError>(&encoded)) {
    return Fail(kRefused, error->message);
  }
  const auto result = sender::Exchange(invocation.socket_path, std::get<std::string>(encoded),
                                       ReplyTimeout(invocation.request));
  switch (result.status) {
    case sender::ExchangeStatus::NoConsole:
      return Fail(kNoConsole, *result.reply.error);
    case sender::ExchangeStatus::Failed:
      return Fail(kRefused, *result.reply.error);
    case sender::ExchangeStatus::Replied:
      break;
  }
  const sender::Reply& reply = result.reply;
  const auto* expect = std::get_if<sender::ExpectRequest>(&invocation.request.action);
  if (expect != nullptr && reply.error == sender::kExpectTimedOut) {
    // The pane's last lines (the last box's text) show what came instead.
    Print(reply.text.value_or(""));
    return Fail(kRefused, "nothing matched within " + std::to_string(expect->timeout_ms) + " ms");
  }
  if (!reply.ok()) return Fail(kRefused, *reply.error);
  // Taken all the same (an unknown command reaches the dialog's default processing).
  if (reply.note) std::cerr << "quorvane-send: " << *reply.note << '\n';
  if (reply.text && !Print(*reply.text)) {
    return Fail(kRefused, "cannot write the text to standard output");
  }
  if (reply.mark && !Print(std::to_string(reply.mark->offset) + ' ' +
                           std::to_string(reply.mark->sequence) + ' ' + reply.mark->file + '\n')) {
    return Fail(kRefused, "cannot write the mark to standard output");
  }
  return 0;
}
