#!/usr/bin/env bash
# From launching the console in a window (Qt's offscreen platform, so no display is needed) to
# its dialog's first painted frame, over a number of starts on fresh sandboxes of the simulated
# terminal. Each start must end with status 0.
#
#   bench/first_frame_bench.sh [BUILD_DIR [RUNS]]     (defaults: build/bench, 20)
#
# Exit status: 0 when the median meets the target, 1 when it misses, 2 when a run failed.
set -euo pipefail

bench_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${1:-build/bench}
runs=${2:-20}

if ! command -v python3 >/dev/null; then
  echo "first_frame_bench: python3 is needed to time the start" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

PYTHONDONTWRITEBYTECODE=1 python3 - "$bench_dir" "$build_dir" "$runs" "$work" <<'PY'
import os, statistics, subprocess, sys, time

bench_dir, build_dir, runs, work = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
sys.path.insert(0, bench_dir)
from console_session import describe_machine

TARGET_MS = 500
probe = os.path.join(build_dir, "bench", "first_frame_probe")
if not os.access(probe, os.X_OK):
    sys.exit(f"first_frame_bench: {probe} is not built (cmake --build {build_dir})")
environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
environment.pop("QUORVANE_BOARD", None)  # the simulated terminal


def one_start(sandbox):
    """Milliseconds from launch to the probe's "first frame" line."""
    launched = time.monotonic_ns()
    run = subprocess.Popen([probe, sandbox], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           env=environment, text=True)
    line = run.stdout.readline()
    shown = time.monotonic_ns()
    try:
        status = run.wait(timeout=20)
    except subprocess.TimeoutExpired:
        run.kill()
        sys.exit("first_frame_bench: the console did not end after its first frame")
    if line.strip() != "first frame" or status != 0:
        sys.exit(f"first_frame_bench: no first frame (status {status}): "
                 f"{run.stderr.read()[-2000:]}")
    return (shown - launched) / 1e6


print(describe_machine(build_dir).splitlines()[0])
print(f"console: {probe}, {runs} starts on the offscreen platform")
times = [one_start(os.path.join(work, f"sandbox{run}")) for run in range(runs)]
median = statistics.median(times)
verdict = "ok" if median <= TARGET_MS else "MISSED"
print(f"launch to first painted frame: min {min(times):.1f} ms, median {median:.1f} ms, "
      f"max {max(times):.1f} ms (target: median <= {TARGET_MS} ms) {verdict}")
sys.exit(0 if verdict == "ok" else 1)
PY
