#include "tools/quorvane-replay/replay.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace quorvane_replay {

namespace {

using Clock = std::chrono::steady_clock;

// Longer than any replay is watched, and short enough that the clock can count it from now.
constexpr std::chrono::duration<double> kLongestGap = std::chrono::hours(24 * 365 * 100);

// A record whose times run backwards (files of different runs) gets no gap there. A gap that a
// hand-edited record or a slow speed makes longer than a century is waited as a century.
Clock::duration Gap(std::chrono::microseconds recorded, std::optional<double> speed) {
  if (!speed || recorded.count() <= 0) return Clock::duration::zero();
  const std::chrono::duration<double> scaled =
      std::chrono::duration<double, std::micro>(static_cast<double>(recorded.count()) / *speed);
  return std::chrono::duration_cast<Clock::duration>(std::min(scaled, kLongestGap));
}

}  // namespace

std::vector<record::BlockInRecord> ReceivedBlocks(const record::RunRecord& run,
                                                  const std::optional<std::string>& port) {
  std::vector<record::BlockInRecord> received;
  for (const record::BlockInRecord& block : run.blocks) {
    if (block.block.direction != platform::SerialDirection::kReceived) continue;
    if (port && block.block.port != *port) continue;
    received.push_back(block);
  }
  return received;
}

void PlayBack(const std::vector<record::BlockInRecord>& blocks,
              std::map<std::string, FarEnd>& far_ends, std::optional<double> speed) {
  Clock::time_point previous_start;
  for (std::size_t index = 0; index < blocks.size(); ++index) {
    const record::BlockInRecord& block = blocks[index];
    if (index > 0) {
      std::this_thread::sleep_until(previous_start +
                                    Gap(block.monotonic - blocks[index - 1].monotonic, speed));
    }
    previous_start = Clock::now();
    try {
      far_ends.at(block.block.port).Write(block.block.bytes);
    } catch (const ReplayError& error) {
      throw ReplayError(block.where.Describe() + ": " + error.what());
    }
  }
}

}  // namespace quorvane_replay
