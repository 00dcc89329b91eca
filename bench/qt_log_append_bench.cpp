// What appending to the log pane costs on the screen when the pane already holds 100,000 lines:
// the console's own dialog (template 102) shown by the Qt front end on the offscreen platform,
// each append a real EM_REPLACESEL through the window model followed by the repaint Qt makes for
// it, the pane scrolled so the caret stays in sight. Target: at most 1 ms an append.
#include <benchmark/benchmark.h>

#include <chrono>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "bench/plain_dialog.h"
#include "platform/terminal/clock.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/resources.h"
#include "platform/terminal/window.h"
#include "res/install_resources.h"
#include "res/resource.h"
#include "ui/qt/offscreen_application.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_loop_waiter.h"

namespace {

constexpr int kFilledLines = 100'000;
constexpr double kTargetSecondsPerAppend = 0.001;

void Append(HWND pane, const wchar_t* text) {
  SendMessageW(pane, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
}

void BM_AppendToShownPane(benchmark::State& state) {
  qt_testing::EnsureOffscreenApplication();
  res::InstallResources();
  ui::QtFrontEnd front_end;
  platform::SetFrontEnd(&front_end);
  platform::MonotonicClock clock;
  platform::MessageLoop loop(clock, std::make_unique<ui::QtLoopWaiter>());
  bench::PlainDialog procedure;
  const HWND dialog =
      platform::CreateDialogFromTemplate(platform::LoadDialogTemplate(102), nullptr, &procedure);
  SetWindowPos(dialog, nullptr, 0, 0, 800, 480, SWP_FRAMECHANGED);
  const HWND pane = GetDlgItem(dialog, IDC_EDIT_LOG);
  auto* shown = qobject_cast<QPlainTextEdit*>(front_end.WidgetOf(pane));
  for (int line = 0; line < kFilledLines; ++line) Append(pane, L"COM1 OPEN!! \r\n");
  QCoreApplication::processEvents();

  const auto started = std::chrono::steady_clock::now();
  for (auto _ : state) {
    Append(pane, L"\r\ncom[1] recvdatasize:10\r\n");
    QCoreApplication::processEvents();  // the repaint and scroll of this append
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
  const double per_append = elapsed.count() / static_cast<double>(state.iterations());

  const int lines = shown->document()->blockCount() - 1;
  state.counters["per_append_us"] = per_append * 1e6;
  state.counters["lines"] = lines;
  state.counters["scrolled_to_line"] = shown->verticalScrollBar()->value();
  if (lines != kFilledLines + static_cast<int>(state.iterations()) * 2) {
    state.SkipWithError("the pane does not hold every appended line");
  } else if (!shown->viewport()->rect().contains(shown->cursorRect())) {
    state.SkipWithError("the caret was left out of sight: the pane did not scroll");
  } else if (per_append > kTargetSecondsPerAppend) {
    state.SkipWithError("an append took longer than 1 ms");
  }
  DestroyWindow(dialog);
  platform::SetFrontEnd(nullptr);
}
// Filling the pane takes seconds, so the benchmark runs once, with a fixed number of appends.
BENCHMARK(BM_AppendToShownPane)->Unit(benchmark::kMicrosecond)->Iterations(5000);

}  // namespace
