// The console program: it puts the board together (the simulated terminal unless a profile says
// otherwise), installs the resources and runs the console in a window when there is a screen,
// headless otherwise. A warm restart the console asks for ends the run and starts the program
// again in place: the same process, image and arguments, after the run has taken everything down.
// A stop signal that comes at any moment of that wins: the program ends and does not come back.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <QApplication>

#include "board/build_board.h"
#include "framework/cwinapp.h"
#include "platform/linux/screen_choice.h"
#include "platform/ports/sandbox_location.h"
#include "res/install_resources.h"
#include "res/resource.h"
#include "sender/client.h"
#include "ui/headless/flushing_loop_waiter.h"
#include "ui/headless/headless_front_end.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_loop_waiter.h"
#include "ui/qt/terminal_look.h"
#include "ui/run_console.h"
#include "ui/stop_signals.h"

namespace {

struct Options {
  bool headless = false;
  std::string sandbox;
  std::string board;
};

board::BoardOptions BoardOptionsFrom(const Options& options) {
  board::BoardOptions board_options;
  board_options.sandbox = options.sandbox.empty() ? platform::DefaultSandboxFolder()
                                                  : std::filesystem::path(options.sandbox);
  board_options.profile = options.board.empty()
                              ? board::ProfileFromEnvironment()
                              : std::optional<std::filesystem::path>(options.board);
  return board_options;
}

// Asked on the user-interface thread while the dialog stands: it closes the way its close button
// does, so its clean-up runs before the program starts again.
void EndForRestart(bool& restart_requested) {
  restart_requested = true;
  PostMessageW(AfxGetApp()->m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
}

int RunProgram(int argc, char** argv, bool& restart_requested) {
  Options options;
  CLI::App cli{"Quorvane: the taxi terminal's service and factory test console"};
  cli.add_flag("--headless", options.headless,
               "no window even where there is a screen: the log pane goes to standard output, "
               "message boxes to standard error (the default without a display)");
  cli.add_option("--sandbox", options.sandbox,
                 "the simulated terminal's folder (default ~/.local/state/quorvane/sim)");
  cli.add_option("--board", options.board,
                 "a board profile (TOML); default: the QUORVANE_BOARD environment variable");
  CLI11_PARSE(cli, argc, argv);

  ui::StopOnSignals stop_signals;  // before any other thread starts
  std::signal(SIGPIPE, SIG_IGN);   // a vanished reader is an error to handle, not a reason to die
  // They mean nothing here; left to their default they would end the console without clean-up.
  std::signal(SIGUSR1, SIG_IGN);
  std::signal(SIGUSR2, SIG_IGN);

  board::BoardOptions board_options;
  platform::ScreenChoice screen;
  try {
    board_options = BoardOptionsFrom(options);
    // A second console on the same sandbox would share its volumes and empty its journal.
    if (sender::ConsoleAnswers(platform::ConsoleSocketIn(board_options.sandbox))) {
      std::fprintf(stderr, "quorvane: a console already runs on %s\n",
                   board_options.sandbox.c_str());
      return 2;
    }
    screen = options.headless ? platform::ScreenChoice{} : platform::ChooseScreen();
    board_options.before_serial_lines = [&stop_signals] { stop_signals.Hold(); };
    board_options.restart_in_place = [&restart_requested] { EndForRestart(restart_requested); };
    platform::InstallBoard(board::BuildBoard(board_options));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvane: %s\n", error.what());
    return 2;
  }
  res::InstallResources();
  if (const auto signal = stop_signals.Held()) {
    platform::InstallBoard({});
    return ui::StartUpEndedBy(*signal);
  }

  int status = 0;
  if (screen.windowed) {
    const auto qt = ui::MakeTerminalApplication(argc, argv);
    ui::QtFrontEnd front_end;
    status = ui::RunConsole(board_options.sandbox, front_end, std::make_unique<ui::QtLoopWaiter>(),
                            stop_signals);
  } else {
    if (!options.headless) std::fprintf(stderr, "quorvane: %s\n", screen.why_headless.c_str());
    // Written out when the console goes idle or answers an outside sender; between those a flood
    // of bursts fills a buffer of this size before it costs a write.
    constexpr std::size_t kLogBuffer = 64 * 1024;
    std::setvbuf(stdout, nullptr, _IOFBF, kLogBuffer);
    ui::HeadlessFrontEnd front_end(IDC_EDIT_LOG, stdout, stderr);
    status = ui::RunConsole(board_options.sandbox, front_end,
                            std::make_unique<ui::FlushingLoopWaiter>(stdout), stop_signals);
  }
  platform::InstallBoard({});  // the simulated parts stop here, not among static destructors
  if (restart_requested) {
    // A stop that closed the dialog or came as it went ends the program as it would have without
    // the restart. One that comes now is left pending: it is still the program's to act on, as
    // the start-up it would end, here or, blocked across the exec, in the new image.
    stop_signals.EndWatching();
    if (stop_signals.StopCame()) {
      restart_requested = false;
    } else if (const auto signal = ui::PendingStopSignal()) {
      restart_requested = false;
      status = ui::StartUpEndedBy(*signal);
    }
  }
  return status;
}

// Starts the program image again with the arguments it was given (the front end may have taken
// some out of argv); returns only when that fails.
void StartAgain(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv("/proc/self/exe", argv.data());
  std::fprintf(stderr, "quorvane: cannot restart: %s\n", std::strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  bool restart_requested = false;
  const int status = RunProgram(argc, argv, restart_requested);
  if (restart_requested) StartAgain(arguments);
  return status;
}
