// The console program: it puts the board together (the simulated terminal unless a profile says
// otherwise), installs the resources and a front end, opens the outside senders' socket once the
// dialog stands, and runs the application object until the dialog ends.
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "board/build_board.h"
#include "framework/cwinapp.h"
#include "platform/message_loop.h"
#include "res/install_resources.h"
#include "res/resource.h"
#include "sender/client.h"
#include "sender/server.h"
#include "sim/sandbox.h"
#include "ui/headless/headless_front_end.h"
#include "ui/stop_signals.h"

namespace {

struct Options {
  bool headless = false;
  std::string sandbox;
  std::string board;
};

board::BoardOptions BoardOptionsFrom(const Options& options) {
  board::BoardOptions board_options;
  board_options.sandbox = options.sandbox.empty() ? sim::DefaultSandboxFolder()
                                                  : std::filesystem::path(options.sandbox);
  board_options.profile = options.board.empty() ? board::ProfileFromEnvironment()
                                                : std::optional<std::filesystem::path>(options.board);
  return board_options;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App cli{"Quorvane: the taxi terminal's service and factory test console"};
  cli.add_flag("--headless", options.headless,
               "no window: the log pane goes to standard output, message boxes to standard error "
               "(the only front end so far)");
  cli.add_option("--sandbox", options.sandbox,
                 "the simulated terminal's folder (default ~/.local/state/quorvane/sim)");
  cli.add_option("--board", options.board,
                 "a board profile (TOML); default: the QUORVANE_BOARD environment variable");
  CLI11_PARSE(cli, argc, argv);

  ui::StopOnSignals stop_signals;  // before any other thread starts
  std::signal(SIGPIPE, SIG_IGN);   // a vanished reader is an error to handle, not a reason to die

  board::BoardOptions board_options;
  try {
    board_options = BoardOptionsFrom(options);
    // A second console on the same sandbox would share its volumes and empty its journal.
    if (sender::ConsoleAnswers(sim::ConsoleSocketIn(board_options.sandbox))) {
      std::fprintf(stderr, "quorvane: a console already runs on %s\n",
                   board_options.sandbox.c_str());
      return 2;
    }
    platform::InstallBoard(board::BuildBoard(board_options));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvane: %s\n", error.what());
    return 2;
  }
  res::InstallResources();

  ui::HeadlessFrontEnd front_end(IDC_EDIT_LOG, stdout, stderr);
  platform::SetFrontEnd(&front_end);

  platform::MonotonicClock clock;
  auto loop = std::make_unique<platform::MessageLoop>(clock);
  std::optional<sender::SenderServer> senders;
  int status = 0;
  // Runs inside the dialog's modal loop, once the dialog has been created and initialised.
  loop->core()->Post([&] {
    const HWND dialog = AfxGetApp()->m_pMainWnd->m_hWnd;
    senders.emplace(sim::ConsoleSocketIn(board_options.sandbox), dialog, loop->core());
    if (const auto error = senders->Start()) {
      std::fprintf(stderr, "quorvane: %s\n", error->c_str());
      status = 2;
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      return;
    }
    stop_signals.Watch(dialog);
  });
  const int app_status = AfxWinMain();
  loop.reset();  // releases any outside sender still waiting for the ended dialog
  senders.reset();
  platform::SetFrontEnd(nullptr);
  platform::InstallBoard({});  // the simulated parts stop here, not among static destructors
  return status != 0 ? status : app_status;
}
