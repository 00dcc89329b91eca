#!/usr/bin/env python3
"""The console's start-up as an outside sender sees it: from launching `quorvane --headless` until
its socket accepts a connection (the dialog stands then), and the most memory it ever holds.
Each run gets a fresh sandbox on the simulated terminal and is ended the ordinary way, with
command 1006, which must end the console with status 0.

  bench/startup_bench.py [BUILD_DIR [RUNS]]     (defaults: build/bench, 20)

Exit status: 0 when both targets are met, 1 when one is missed, 2 when a run failed.
"""

import os
import statistics
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import Console, describe_machine, run_bench

TARGET_READY_MS = 50
TARGET_RSS_MIB = 20


def one_start(build_dir, work_dir):
    """Milliseconds from launch until the socket answers, and the peak resident set (VmHWM) in
    KiB when ready and as last seen before the console was gone. The peak comes from /proc, not
    from wait4 or GNU time: a child carries the high-water mark of the process that spawned it
    (here python) across exec, and launching through GNU time would add its own start."""
    console = Console(build_dir, work_dir)
    launched = time.monotonic_ns()
    with console:
        console.wait_ready()
        ready = time.monotonic_ns()
        console.note_peak()
        peak_at_ready = console.peak_kib
        console.end()
    return (ready - launched) / 1e6, peak_at_ready, console.peak_kib


def measure(build_dir, runs, work):
    print(f"{describe_machine(build_dir)}, {runs} starts")
    starts = [one_start(build_dir, os.path.join(work, f"start{run}")) for run in range(runs)]
    ready_ms = [ready for ready, _, _ in starts]
    median = statistics.median(ready_ms)
    ready_peak_kib = max(peak for _, peak, _ in starts)
    last_peak_kib = max(peak for _, _, peak in starts)
    ready_met = median <= TARGET_READY_MS
    rss_met = last_peak_kib <= TARGET_RSS_MIB * 1024
    print(f"start to ready: min {min(ready_ms):.1f} ms, median {median:.1f} ms, "
          f"max {max(ready_ms):.1f} ms (target: median <= {TARGET_READY_MS} ms) "
          f"{'ok' if ready_met else 'MISSED'}")
    print(f"peak resident set (VmHWM): {ready_peak_kib / 1024:.1f} MiB when ready, "
          f"{last_peak_kib / 1024:.1f} MiB last seen before exit "
          f"(target: <= {TARGET_RSS_MIB} MiB) {'ok' if rss_met else 'MISSED'}")
    return 0 if ready_met and rss_met else 1


run_bench("startup_bench", measure, "RUNS", 20, int)
