#!/usr/bin/env bash
# What the console costs while it waits: it opens COM1 and nothing arrives. A technician leaves
# the console open on a port for hours, on a terminal that also runs the meter and the modem, so
# an idle watch thread, relay or message loop must cost next to nothing. The measure is the
# console's CPU time (utime + stime from /proc/PID/stat) over the window, as a share of one core;
# each thread's share and its wake-ups (context switches) are shown beside it.
#
#   bench/serial_idle_cpu_bench.sh [BUILD_DIR [SECONDS]]     (defaults: build/bench, 10)
#
# Exit status: 0 when the target is met, 1 when it is missed, 2 when the run failed.
set -euo pipefail

bench_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${1:-build/bench}
seconds=${2:-10}

if ! command -v python3 >/dev/null; then
  echo "serial_idle_cpu_bench: python3 is needed" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

PYTHONDONTWRITEBYTECODE=1 python3 - "$bench_dir" "$build_dir" "$seconds" "$work" <<'PY'
import os, sys, time

bench_dir, build_dir, seconds, work = sys.argv[1:5]
sys.path.insert(0, bench_dir)
from console_session import CLOCK_TICKS_PER_S, Console, RunFailed, describe_machine, run_bench, thread_usage

TARGET_PERCENT = 1.0


def main():
    try:
        window = float(seconds)
    except ValueError:
        window = 0.0
    if window <= 0:
        print(f"serial_idle_cpu_bench: SECONDS must be a positive number, not {seconds!r}",
              file=sys.stderr)
        return 2
    print(describe_machine(build_dir))
    try:
        with Console(build_dir, os.path.join(work, "console")) as console:
            console.wait_ready()
            console.open_com1()
            ticks_before, threads_before = console.cpu_ticks(), console.threads()
            started = time.monotonic()
            time.sleep(window)
            ticks_after, threads_after = console.cpu_ticks(), console.threads()
            elapsed = time.monotonic() - started
            usage = [(console.thread_name(tid), cpu_ns, switches)
                     for tid, cpu_ns, switches in thread_usage(threads_before, threads_after)]
            console.end()
    except RunFailed as failure:
        print(f"serial_idle_cpu_bench: {failure}", file=sys.stderr)
        return 2

    print(f"idle: COM1 open, nothing on the line, {elapsed:.2f} s, {len(threads_after)} threads")
    for name, cpu_ns, switches in usage:
        print(f"  {name:<14} CPU {cpu_ns / 1e6:8.2f} ms, {switches / elapsed:6.1f} wake-ups/s")
    percent = (ticks_after - ticks_before) / CLOCK_TICKS_PER_S / elapsed * 100
    met = percent < TARGET_PERCENT
    print(f"console CPU while idle (utime + stime, clock ticks of {1000 // CLOCK_TICKS_PER_S} ms): "
          f"{ticks_after - ticks_before} ticks, {percent:.2f}% of a core "
          f"(target: < {TARGET_PERCENT:g}%) {'ok' if met else 'MISSED'}")
    return 0 if met else 1


run_bench("serial_idle_cpu_bench", main)
PY
