// What a command-line tool does instead of its work: print its help, or say why its command line
// cannot be used, and exit. The tools share it so that each says so the same way: the help as it
// is on standard output, a fault on one line on standard error after the tool's name.
#pragma once

#include <iostream>
#include <string>
#include <string_view>

namespace tools {

// Help (status 0) or a command line that cannot be used (its message and status).
struct EarlyExit {
  int status = 0;
  std::string text;
};

// CLI11 breaks some of its messages over lines; a tool says each on one.
inline std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// What `app`'s parse `error` asks for: the help, or the fault with `usage_status`. CLI11's types
// are parameters of a template so that only the command lines compile CLI11's headers, which cost
// every file that includes them three seconds, and not every file that reads what they parsed.
template <class App, class ParseError>
EarlyExit EarlyExitFrom(const App& app, const ParseError& error, int usage_status) {
  if (error.get_exit_code() == 0) return EarlyExit{0, app.help()};
  return EarlyExit{usage_status, OneLine(error.what())};
}

// Prints `early` where it belongs and gives the status to exit with.
inline int ExitEarly(std::string_view tool, const EarlyExit& early) {
  if (early.status == 0) {
    std::cout << early.text;
    return 0;
  }
  std::cerr << tool << ": " << early.text << '\n';
  return early.status;
}

}  // namespace tools
