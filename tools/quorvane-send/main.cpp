// quorvane-send: the command-line client of the console's local socket (see command_line.h).
// Exit status: 0 when the console took the request (and, with --sync, ran its handler), 1 when
// the console refused it (busy, a message box is open, permission denied), the arguments are
// malformed or the exchange broke off, 2 when no console listens on the socket.
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

int Fail(int status, const std::string& error) {
  std::cerr << "quorvane-send: " << error << '\n';
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = quorvane_send::ParseCommandLine(argc, argv);
  if (auto* early = std::get_if<quorvane_send::EarlyExit>(&parsed)) {
    if (early->status == 0) {
      std::cout << early->text;
      return 0;
    }
    return Fail(early->status, early->text);
  }
  const auto& invocation = std::get<quorvane_send::Invocation>(parsed);

  auto encoded = sender::EncodeRequest(invocation.request);
  if (auto* error = std::get_if<sender::ProtocolError>(&encoded)) {
    return Fail(kRefused, error->message);
  }
  const auto timeout =
      sender::WaitsForHandler(invocation.request) ? kAfterHandlerTimeout : kQueuedTimeout;
  const auto result =
      sender::Exchange(invocation.socket_path, std::get<std::string>(encoded), timeout);
  switch (result.status) {
    case sender::ExchangeStatus::NoConsole:
      return Fail(kNoConsole, *result.reply.error);
    case sender::ExchangeStatus::Failed:
      return Fail(kRefused, *result.reply.error);
    case sender::ExchangeStatus::Replied:
      break;
  }
  if (!result.reply.ok()) return Fail(kRefused, *result.reply.error);
  // Taken all the same (an unknown command reaches the dialog's default processing).
  if (result.reply.note) std::cerr << "quorvane-send: " << *result.reply.note << '\n';
  if (result.reply.text) {
    // The text exactly as the control holds it: no newline of our own.
    const std::string& text = *result.reply.text;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
      return Fail(kRefused, "cannot write the text to standard output");
    }
  }
  return 0;
}
