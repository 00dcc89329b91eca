// What the session record's writer spends turning a flood into lines. During a flood every burst
// of the line becomes two lines, its block (hex beside text) and the pane's text, so the writer
// formats several times the bytes the line carries; it must keep well ahead of the fastest pty.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "record/line_format.h"

namespace {

// The console reads a flood in bursts of this many bytes.
constexpr std::size_t kBurstBytes = 3048;

// A burst as the simulated modem and meters send them: printable text with line ends, and now and
// then a byte from the top half.
std::string Burst(std::size_t size) {
  std::string burst;
  for (std::size_t index = 0; burst.size() < size; ++index) {
    burst += index % 40 == 39 ? "\r\n" : std::string(1, static_cast<char>('A' + index % 26));
    if (index % 97 == 0) burst += '\xB0';
  }
  burst.resize(size);
  return burst;
}

record::EventTimes Times() {
  return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
}

// Formats the event's line again and again into one string, as the writer does; the rate counts
// the burst's bytes.
void FormatRepeatedly(benchmark::State& state, const record::Event& event) {
  std::string line;
  std::uint64_t sequence = 1;
  for (auto _ : state) {
    record::FormatLine(line, sequence++, event);
    benchmark::DoNotOptimize(line.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBurstBytes);
}

void BM_ReceivedBlockLine(benchmark::State& state) {
  using platform::SerialDirection;
  FormatRepeatedly(state, {Times(), record::SerialBlock{"COM1", SerialDirection::kReceived,
                                                        Burst(kBurstBytes)}});
}
BENCHMARK(BM_ReceivedBlockLine);

void BM_PaneTextLine(benchmark::State& state) {
  const std::string burst = Burst(kBurstBytes);
  FormatRepeatedly(state, {Times(), record::PaneText{1010, platform::PaneChange::kInserted,
                                                     std::u16string(burst.begin(), burst.end())}});
}
BENCHMARK(BM_PaneTextLine);

}  // namespace
