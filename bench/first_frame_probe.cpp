// The console started as `quorvane` starts it in a window, ended as soon as its dialog has been
// painted for the first time: it prints "first frame" at that moment and closes the dialog the
// way its close button does. first_frame_bench.sh times it from launch to that line.
//
//   first_frame_probe SANDBOX
#include <cstdio>

#include <QApplication>

#include "board/build_board.h"
#include "framework/cwinapp.h"
#include "res/install_resources.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_loop_waiter.h"
#include "ui/qt/terminal_look.h"
#include "ui/run_console.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: first_frame_probe SANDBOX\n", stderr);
    return 2;
  }
  ui::StopOnSignals stop_signals;
  const std::filesystem::path sandbox = argv[1];
  platform::InstallBoard(board::BuildBoard({sandbox, std::nullopt}));
  res::InstallResources();
  const auto qt = ui::MakeTerminalApplication(argc, argv);
  ui::QtFrontEnd front_end;
  front_end.OnFirstFrame([] {
    std::puts("first frame");
    std::fflush(stdout);
    PostMessageW(AfxGetApp()->m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
  });
  const int status =
      ui::RunConsole(sandbox, front_end, std::make_unique<ui::QtLoopWaiter>(), stop_signals);
  platform::InstallBoard({});
  return status;
}
