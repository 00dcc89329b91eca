// The wire between two pseudo-terminals: every byte a program writes on one pair's slave comes
// out of the other pair's slave, in order, both ways at once.
//
// Bytes are only lost where a real line loses them too: when nobody holds the slave they are
// headed for, they go nowhere (a closed port or an unplugged device hears nothing), rather than
// piling up for whoever opens it next. Between two held ends nothing is dropped: a side that does
// not keep up holds the other back, as hardware flow control would, down to the writer's own
// write() blocking.
//
// A master whose slave nobody holds reports a hang-up on every poll. Such a side is looked at
// again only every kHangUpRecheck, so an empty line costs a handful of wake-ups a second, not a
// spinning thread. Bytes headed for it are never held up by that: each delivery asks afresh
// whether someone is there.
#pragma once

#include <chrono>

#include "platform/linux/posix_calls.h"

namespace sim {

inline constexpr std::chrono::milliseconds kHangUpRecheck{100};

// Whether a program holds the slave of `master` now: a master reports a hang-up exactly while
// nobody does. Any thread.
bool PtySlaveHeld(int master);

// Relays between the two non-blocking masters until `stop` is raised.
void RelayUntilStopped(int master_a, int master_b, const platform::posix::WakeFd& stop);

}  // namespace sim
