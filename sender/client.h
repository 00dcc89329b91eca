// The sending end of the console's socket: connects, sends one request line and waits for the
// reply line, all within one timeout.
#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

#include "sender/protocol.h"

namespace sender {

enum class ExchangeStatus {
  Replied,    // the console replied; the reply says whether it carried the request out
  NoConsole,  // nothing listens on the socket
  Failed,     // the exchange broke off, timed out or was not allowed; the reply's error says how
};

struct ExchangeResult {
  ExchangeStatus status;
  Reply reply;
};

// `request_line` as EncodeRequest made it. Once `call_off_fd` (-1: none) turns readable the
// exchange ends at once, Failed, and its connection closes, which tells the console that nobody
// waits for the reply any more.
ExchangeResult Exchange(const std::filesystem::path& socket_path, std::string_view request_line,
                        std::chrono::milliseconds timeout, int call_off_fd = -1);

// Whether a console answers on the socket (within a short time).
bool ConsoleAnswers(const std::filesystem::path& socket_path);

}  // namespace sender
