#include "tools/quorvane-send/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/ports/sandbox_location.h"

namespace quorvane_send {

using tools::EarlyExit;

namespace {

// A malformed argument, with the message that says why.
struct BadArgument {
  std::string message;
};

std::int64_t ParseInteger(const std::string& name, const std::string& text) {
  std::string_view digits = text;
  const bool negative = digits.starts_with('-');
  if (negative) digits.remove_prefix(1);
  int base = 10;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (digits.empty() || end != digits.data() + digits.size() ||
      error == std::errc::invalid_argument) {
    throw BadArgument{name + " must be an integer, not \"" + text + "\""};
  }
  constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (error == std::errc::result_out_of_range || magnitude > kLargest) {
    throw BadArgument{name + " " + text + " is out of range"};
  }
  const auto value = static_cast<std::int64_t>(magnitude);
  return negative ? -value : value;
}

// Seconds as the milliseconds a request carries.
std::int64_t Milliseconds(double seconds) {
  constexpr double kLongest = sender::kLongestExpectMilliseconds / 1000.0;
  if (!std::isfinite(seconds) || seconds < 0.001 || seconds > kLongest) {
    throw BadArgument{"TIMEOUT must be from 0.001 to " + std::to_string(std::lround(kLongest)) +
                      " seconds"};
  }
  return std::llround(seconds * 1000);
}

std::filesystem::path SocketPath(const std::string& socket, const std::string& sandbox) {
  if (!socket.empty()) return socket;
  try {
    const std::filesystem::path folder =
        sandbox.empty() ? platform::DefaultSandboxFolder() : std::filesystem::path(sandbox);
    return platform::ConsoleSocketIn(folder);
  } catch (const platform::NoDefaultSandbox& error) {
    throw BadArgument{error.what()};
  }
}

}  // namespace

std::variant<Invocation, EarlyExit> ParseCommandLine(int argc, char** argv) {
  CLI::App app{
      "Hands the running console a click, a window message, typing or a selection, prints a "
      "control's text, waits for the log pane to show a pattern, or marks the session record. "
      "Exit status: 0 taken (or matched), 1 refused (busy, a message box is open, permission "
      "denied), malformed or timed out, 2 no console listens.",
      "quorvane-send"};
  app.require_subcommand(1);
  app.fallthrough();  // --sync and the socket options may also follow the verb

  std::string socket, sandbox;
  bool sync = false;
  auto* socket_option = app.add_option("--socket", socket, "the console's socket");
  auto* sandbox_option =
      app.add_option("--sandbox", sandbox,
                     "the simulated terminal's folder, holding console.sock (default: "
                     "$XDG_STATE_HOME/quorvane/sim or ~/.local/state/quorvane/sim)");
  socket_option->excludes(sandbox_option);
  app.add_flag("--sync", sync,
               "return only when the dialog's handler has run (without: once the console has "
               "taken the request)");

  std::string id, number, wparam, lparam, text, start, end;
  // Numbers are taken as text and parsed below, so that "010" is ten, not eight.
  const auto integer = [](CLI::App* verb, const char* name, std::string& value, const char* help) {
    verb->add_option(name, value, help)->required()->type_name("INT");
  };
  auto* command = app.add_subcommand(
      "command", "a click on control ID, or the bare command when no control carries ID");
  integer(command, "ID", id, "control or command id, 0 to 65535");
  auto* message = app.add_subcommand("message", "a window message to the dialog");
  integer(message, "NUMBER", number, "message number, 0 to 65535");
  integer(message, "WPARAM", wparam, "signed 32-bit value");
  integer(message, "LPARAM", lparam, "signed 32-bit value");
  auto* typing = app.add_subcommand("text", "sets an edit control's text, as typing would");
  integer(typing, "ID", id, "edit control id");
  typing->add_option("TEXT", text, "the whole new text, UTF-8")->required();
  auto* select = app.add_subcommand("select", "selects text in an edit control");
  integer(select, "ID", id, "edit control id");
  integer(select, "START", start, "first character; -1 removes the selection");
  integer(select, "END", end, "character after the last; -1 is the end");
  auto* read = app.add_subcommand("read", "prints a control's whole text, exactly as held");
  integer(read, "ID", id, "control id; 0 is the dialog's own text");
  std::string pattern;
  double timeout_seconds = sender::kDefaultExpectMilliseconds / 1000.0;
  bool whole = false, box = false;
  auto* expect = app.add_subcommand(
      "expect",
      "waits until text that reaches the log pane from now on matches PATTERN and prints the "
      "match; on timeout prints the pane's last lines and exits with 1");
  expect->add_option("PATTERN", pattern, "a regular expression (PCRE2), UTF-8")->required();
  expect->add_option("--timeout", timeout_seconds, "seconds to wait (default 10, at most 3600)");
  auto* whole_flag = expect->add_flag("--whole", whole,
                                      "matches the pane's whole text, what it holds already too");
  expect->add_flag("--box", box, "matches the text of each message box shown from now on")
      ->excludes(whole_flag);
  app.add_subcommand("mark",
                     "prints where the session record stands once everything before is written: "
                     "OFFSET SEQUENCE FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return tools::EarlyExitFrom(app, error, 1);
  }

  try {
    sender::Request request;
    request.delivery = sync ? sender::Delivery::AfterHandler : sender::Delivery::Queued;
    if (*command) {
      request.action = sender::CommandRequest{ParseInteger("ID", id)};
    } else if (*message) {
      request.action =
          sender::MessageRequest{ParseInteger("NUMBER", number), ParseInteger("WPARAM", wparam),
                                 ParseInteger("LPARAM", lparam)};
    } else if (*typing) {
      request.action = sender::TextRequest{ParseInteger("ID", id), text};
    } else if (*select) {
      request.action = sender::SelectRequest{ParseInteger("ID", id), ParseInteger("START", start),
                                             ParseInteger("END", end)};
    } else if (*read) {
      request.action = sender::ReadRequest{ParseInteger("ID", id)};
    } else if (*expect) {
      const auto scope = whole ? sender::ExpectScope::kWhole
                               : (box ? sender::ExpectScope::kBox : sender::ExpectScope::kNew);
      request.action = sender::ExpectRequest{pattern, scope, Milliseconds(timeout_seconds)};
    } else {
      request.action = sender::MarkRequest{};
    }
    return Invocation{SocketPath(socket, sandbox), std::move(request)};
  } catch (const BadArgument& bad) {
    return EarlyExit{1, bad.message};
  }
}

}  // namespace quorvane_send
