// Playing a run's received blocks back: which blocks, and when each is written. Each block
// follows the one before it after the gap between their monotonic times in the record, counted
// from when the earlier one began to be written, so that no gap comes out shorter than it was;
// a speed shortens or stretches the gaps, and without one there are none.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "record/record_reader.h"
#include "tools/quorvane-replay/far_end.h"

namespace quorvane_replay {

// The blocks the run received, on `port` alone when given, in the record's order.
std::vector<record::BlockInRecord> ReceivedBlocks(const record::RunRecord& run,
                                                  const std::optional<std::string>& port);

// Writes every block to its port's far end, which `far_ends` holds. Throws ReplayError naming the
// block's place in the record.
void PlayBack(const std::vector<record::BlockInRecord>& blocks,
              std::map<std::string, FarEnd>& far_ends, std::optional<double> speed);

}  // namespace quorvane_replay
