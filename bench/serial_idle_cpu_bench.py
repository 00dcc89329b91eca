#!/usr/bin/env python3
"""What the console costs while it waits: it opens COM1 and nothing arrives. A technician leaves
the console open on a port for hours, on a terminal that also runs the meter and the modem, so
an idle watch thread, relay or message loop must cost next to nothing. The measure is the
console's CPU time (utime + stime from /proc/PID/stat) over the window, as a share of one core;
each thread's share and its wake-ups (context switches) are shown beside it.

  bench/serial_idle_cpu_bench.py [BUILD_DIR [SECONDS]]     (defaults: build/bench, 10)

Exit status: 0 when the target is met, 1 when it is missed, 2 when the run failed.
"""

import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import CLOCK_TICKS_PER_S, Console, describe_machine, run_bench, thread_usage

TARGET_PERCENT = 1.0


def measure(build_dir, window, work):
    print(describe_machine(build_dir))
    with Console.with_com1_open(build_dir, work) as console:
        ticks_before, threads_before = console.cpu_ticks(), console.threads()
        started = time.monotonic()
        time.sleep(window)
        ticks_after, threads_after = console.cpu_ticks(), console.threads()
        elapsed = time.monotonic() - started
        usage = [(console.thread_name(tid), cpu_ns, switches)
                 for tid, cpu_ns, switches in thread_usage(threads_before, threads_after)]
        console.end()

    print(f"idle: COM1 open, nothing on the line, {elapsed:.2f} s, {len(threads_after)} threads")
    for name, cpu_ns, switches in usage:
        print(f"  {name:<14} CPU {cpu_ns / 1e6:8.2f} ms, {switches / elapsed:6.1f} wake-ups/s")
    percent = (ticks_after - ticks_before) / CLOCK_TICKS_PER_S / elapsed * 100
    met = percent < TARGET_PERCENT
    print(f"console CPU while idle (utime + stime, clock ticks of {1000 // CLOCK_TICKS_PER_S} ms): "
          f"{ticks_after - ticks_before} ticks, {percent:.2f}% of a core "
          f"(target: < {TARGET_PERCENT:g}%) {'ok' if met else 'MISSED'}")
    return 0 if met else 1


run_bench("serial_idle_cpu_bench", measure, "SECONDS", 10)
