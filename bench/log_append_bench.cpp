// What appending to the log pane costs as the pane fills. Every result of the console reaches the
// pane as one EM_REPLACESEL at the caret, and a technician's session can run for hours, so an
// append must cost the same at line 1,000,000 as at line 1. The panes here are real edit controls
// of the window model on a real message loop, fed exactly as AppendLog feeds the console's pane.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/plain_dialog.h"
#include "platform/ports/board.h"
#include "platform/terminal/clock.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/window.h"

namespace {

using Stopwatch = std::chrono::steady_clock;

constexpr int kLogPaneId = 1010;
constexpr std::size_t kLongSessionAppends = 1'000'000;
constexpr std::size_t kDeciles = 10;
constexpr double kMaxLastToFirstRatio = 1.5;

platform::DialogTemplate LogPaneDialog() {
  platform::DialogTemplate dialog;
  dialog.id = 900;
  dialog.caption = L"bench";
  dialog.font_face = L"MS Shell Dlg";
  dialog.font_points = 9;
  dialog.cx = 400;
  dialog.cy = 240;
  dialog.style = WS_POPUP | WS_CAPTION;
  dialog.ex_style = 0;
  dialog.items = {{kLogPaneId, platform::ControlKind::Edit, L"", 5, 5, 200, 230,
                   ES_MULTILINE | ES_READONLY | WS_VSCROLL}};
  return dialog;
}

// A dialog holding one empty log pane, on a message loop of the calling thread.
class LogPane {
 public:
  LogPane()
      : dialog_(platform::CreateDialogFromTemplate(LogPaneDialog(), nullptr, &procedure_)),
        pane_(GetDlgItem(dialog_, kLogPaneId)) {}
  ~LogPane() { DestroyWindow(dialog_); }
  LogPane(const LogPane&) = delete;
  LogPane& operator=(const LogPane&) = delete;

  void Append(const std::wstring& text) const {
    SendMessageW(pane_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::size_t Length() const { return static_cast<std::size_t>(GetWindowTextLengthW(pane_)); }
  // Takes the pane back to `length` characters, the caret at the end.
  void TruncateTo(std::size_t length) const {
    SendMessageW(pane_, EM_SETSEL, length, -1);
    SendMessageW(pane_, WM_CLEAR, 0, 0);
  }

 private:
  platform::MonotonicClock clock_;
  platform::MessageLoop loop_{clock_};
  bench::PlainDialog procedure_;
  HWND dialog_;
  HWND pane_;  // held, as the console's edit object holds its control
};

// What a session writes: port opens, receive headers and the received texts, of varied lengths.
std::vector<std::wstring> SessionTexts() {
  std::vector<std::wstring> texts;
  std::array<wchar_t, 64> buffer{};
  for (int i = 0; i < 997; ++i) {  // a prime, so the rotation does not line up with the deciles
    const int port = 1 + i % 6;
    switch (i % 4) {
      case 0:
        std::swprintf(buffer.data(), buffer.size(), L"COM%d OPEN!! \r\n", port);
        break;
      case 1:
        std::swprintf(buffer.data(), buffer.size(), L"\r\ncom[%d] recvdatasize:%d\r\n", port,
                      1 + (i * 37) % 3048);
        break;
      case 2:
        std::swprintf(buffer.data(), buffer.size(), L"aaaaa w:%d>", 1 + (i * 13) % 3048);
        break;
      default:
        std::swprintf(buffer.data(), buffer.size(), L"+CAD: %d\r\nOK\r\n", i % 5);
        break;
    }
    texts.emplace_back(buffer.data());
  }
  return texts;
}

std::size_t TotalLength(const std::vector<std::wstring>& texts, std::size_t appends) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < appends; ++i) total += texts[i % texts.size()].size();
  return total;
}

// Whether a pane of `length` holds what `appended` characters of short lines leave in it: all of
// them within the capacity, else at least the seven eighths a trim keeps, less one line.
bool HoldsTheNewest(std::size_t length, std::size_t appended) {
  const std::size_t capacity = platform::CurrentBoard().edit_control_capacity;
  if (appended <= capacity) return length == appended;
  return length <= capacity && length + 64 >= capacity - capacity / 8;
}

double Seconds(Stopwatch::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// One session of a million appends on a fresh pane per iteration, timed in tenths; only the
// appends are timed, trims of the pane's oldest lines at its capacity included. The pane must
// end up holding the newest characters, or nothing was measured.
void BM_AppendMillionLines(benchmark::State& state) {
  const std::vector<std::wstring> texts = SessionTexts();
  const std::size_t expected_length = TotalLength(texts, kLongSessionAppends);
  constexpr std::size_t decile_appends = kLongSessionAppends / kDeciles;
  std::array<Stopwatch::duration, kDeciles> decile_totals{};

  for (auto _ : state) {
    const LogPane pane;
    std::array<Stopwatch::time_point, kDeciles + 1> marks;
    std::size_t next = 0;
    marks[0] = Stopwatch::now();
    for (std::size_t decile = 0; decile < kDeciles; ++decile) {
      for (std::size_t i = 0; i < decile_appends; ++i, ++next) {
        pane.Append(texts[next % texts.size()]);
      }
      marks[decile + 1] = Stopwatch::now();
    }
    state.SetIterationTime(Seconds(marks[kDeciles] - marks[0]));
    for (std::size_t decile = 0; decile < kDeciles; ++decile) {
      decile_totals[decile] += marks[decile + 1] - marks[decile];
    }

    if (!HoldsTheNewest(pane.Length(), expected_length)) {
      state.SkipWithError("the pane does not hold the newest characters up to its capacity");
      break;
    }
  }
  if (state.error_occurred()) return;

  const double appends_per_decile = static_cast<double>(state.iterations() * decile_appends);
  const auto nanoseconds_per_append = [&](Stopwatch::duration total) {
    return Seconds(total) * 1e9 / appends_per_decile;
  };
  const double first_ns = nanoseconds_per_append(decile_totals.front());
  const double last_ns = nanoseconds_per_append(decile_totals.back());
  const double ratio = last_ns / first_ns;
  state.counters["first10%_ns"] = first_ns;
  state.counters["last10%_ns"] = last_ns;
  state.counters["ratio"] = ratio;
  // The text is one contiguous buffer: the tenth in which it is moved to a bigger one stands out
  // whether or not that is the last tenth, so it is shown beside the ratio.
  state.counters["worst10%_ns"] =
      nanoseconds_per_append(*std::max_element(decile_totals.begin(), decile_totals.end()));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kLongSessionAppends));
  if (ratio > kMaxLastToFirstRatio) {
    std::array<char, 160> message{};
    std::snprintf(message.data(), message.size(),
                  "an append over the last 10%% costs %.2f times one over the first 10%% "
                  "(%.0f ns against %.0f ns); the limit is %.2f",
                  ratio, last_ns, first_ns, kMaxLastToFirstRatio);
    state.SkipWithError(message.data());
  }
}
BENCHMARK(BM_AppendMillionLines)->UseManualTime()->Unit(benchmark::kMillisecond);

// One append to a pane that already holds state.range(0) log texts (a quarter more lines, as some
// texts carry two line ends and some none). Appends are timed in batches of 1000, as one append is
// about as short as a clock read; after each batch the pane is cut back untimed, so it holds the
// same text throughout. An iteration is one batch; the per_append counter is one append's time.
void BM_AppendToFilledPane(benchmark::State& state) {
  constexpr std::size_t kBatch = 1000;
  const std::vector<std::wstring> texts = SessionTexts();
  const LogPane pane;
  const auto lines = static_cast<std::size_t>(state.range(0));
  for (std::size_t i = 0; i < lines; ++i) pane.Append(texts[i % texts.size()]);
  const std::size_t filled_length = pane.Length();

  std::size_t next = lines;
  for (auto _ : state) {
    const auto start = Stopwatch::now();
    for (std::size_t i = 0; i < kBatch; ++i, ++next) pane.Append(texts[next % texts.size()]);
    state.SetIterationTime(Seconds(Stopwatch::now() - start));
    if (pane.Length() == filled_length) {
      state.SkipWithError("the appends did not reach the pane");
      break;
    }
    pane.TruncateTo(filled_length);
  }
  if (!state.error_occurred() && pane.Length() != filled_length) {
    state.SkipWithError("the pane was not cut back");
  }
  state.counters["per_append"] = benchmark::Counter(
      kBatch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AppendToFilledPane)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
