#!/usr/bin/env python3
"""From launching the console in a window (Qt's offscreen platform, so no display is needed) to
its dialog's first painted frame, over a number of starts on fresh sandboxes of the simulated
terminal. Each start must end with status 0.

  bench/first_frame_bench.py [BUILD_DIR [RUNS]]     (defaults: build/bench, 20)

Exit status: 0 when the median meets the target, 1 when it misses, 2 when a run failed.
"""

import os
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import RunFailed, describe_machine, run_bench

TARGET_MS = 500


def one_start(probe, sandbox):
    """Milliseconds from launch to the probe's "first frame" line."""
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    environment.pop("QUORVANE_BOARD", None)  # the simulated terminal
    launched = time.monotonic_ns()
    run = subprocess.Popen([probe, sandbox], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           env=environment, text=True)
    line = run.stdout.readline()
    shown = time.monotonic_ns()
    try:
        status = run.wait(timeout=20)
    except subprocess.TimeoutExpired:
        run.kill()
        run.wait()
        raise RunFailed("the console did not end after its first frame")
    if line.strip() != "first frame" or status != 0:
        raise RunFailed(f"no first frame (status {status}): {run.stderr.read()[-2000:]}")
    return (shown - launched) / 1e6


def measure(build_dir, runs, work):
    probe = os.path.join(build_dir, "bench", "first_frame_probe")
    if not os.access(probe, os.X_OK):
        raise RunFailed(f"{probe} is not built (cmake --build {build_dir})")
    print(describe_machine(build_dir).splitlines()[0])
    print(f"console: {probe}, {runs} starts on the offscreen platform")
    times = [one_start(probe, os.path.join(work, f"sandbox{run}")) for run in range(runs)]
    median = statistics.median(times)
    verdict = "ok" if median <= TARGET_MS else "MISSED"
    print(f"launch to first painted frame: min {min(times):.1f} ms, median {median:.1f} ms, "
          f"max {max(times):.1f} ms (target: median <= {TARGET_MS} ms) {verdict}")
    return 0 if verdict == "ok" else 1


run_bench("first_frame_bench", measure, "RUNS", 20, int)
