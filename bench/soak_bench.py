#!/usr/bin/env python3
"""The console left at work for an hour, as on a terminal in a taxi: the modem cycle (command
1060: power pulse, COM2 opened, ten number queries, closed, again every 25 s), the meter test
cycle ("빈차제어" and ON/OFF: a meter request every 2 s), the storage soak test (command 1041: the
test file moved once a second) and a line receiving at its full rate (115200 baud 8N1, 11,520
bytes/s, written into COM2's far end, so that every time the modem cycle holds the port open the
console receives the line's flood). Every minute the console's resident set, descriptors, threads
and CPU time are sampled from /proc.

  bench/soak_bench.py [BUILD_DIR [MINUTES]]     (defaults: build/bench, 60)

Prints the samples as a table and writes it, with a plot, to bench/soak.txt and bench/soak.png
(the plot needs python3-matplotlib). Flat means: over the last ten samples the descriptors and
threads stay within 5 % of the first ten's, and the resident set grows by no more than the log
pane's capacity can hold (4,000,000 UTF-16 units, 8 MB, counted twice for the text's copies).
At the end the console must answer, have its test file in exactly one place, and end with
status 0. SOAK_SAMPLE_S sets the sampling period for a short trial run (default 60).

Exit status: 0 when flat, 1 when not, 2 when the run failed.
"""

import os
import sys
import threading
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import CLOCK_TICKS_PER_S, Console, RunFailed, describe_machine, run_bench

LINE_RATE_BYTES_PER_S = 11_520
PANE_CAPACITY_BYTES = 4_000_000 * 2
FLAT_SHARE = 0.05
WINDOW_SAMPLES = 10
PROFILE = '[serial]\nCOM2 = "sim"\n'
HERE = os.path.dirname(os.path.abspath(__file__))

MODEM_CYCLE, VACANCY_CONTROL, ETC_ON_OFF, STORAGE_TEST = 1060, 1062, 1033, 1041


class LineFlood:
    """Writes the line's rate into a far end in tenths of a second, and drains what the console
    sends back (its number queries), until stopped."""

    def __init__(self, far_end):
        self.fd = os.open(far_end, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.stop = threading.Event()
        self.written = 0
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        chunk = (b"0123456789ABCDEF" * LINE_RATE_BYTES_PER_S)[:LINE_RATE_BYTES_PER_S // 10]
        next_write = time.monotonic()
        while not self.stop.is_set():
            try:
                self.written += os.write(self.fd, chunk)
            except BlockingIOError:
                pass  # the line is full: those bytes are lost, as on a cable
            try:
                while os.read(self.fd, 65536):
                    pass
            except BlockingIOError:
                pass
            next_write += 0.1
            self.stop.wait(max(0.0, next_write - time.monotonic()))

    def close(self):
        self.stop.set()
        self.thread.join()
        os.close(self.fd)


def sample(console, ticks_then, seconds_then):
    pid = console.pid
    rss_kib = 0
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                rss_kib = int(line.split()[1])
    ticks, now = console.cpu_ticks(), time.monotonic()
    cpu = (ticks - ticks_then) / CLOCK_TICKS_PER_S / (now - seconds_then) * 100
    return {"rss_kib": rss_kib, "fds": len(os.listdir(f"/proc/{pid}/fd")),
            "threads": len(os.listdir(f"/proc/{pid}/task")), "cpu_percent": cpu}, ticks, now


def mean(values):
    return sum(values) / len(values)


def verdicts(samples):
    window = min(WINDOW_SAMPLES, len(samples) // 2) or 1
    first, last = samples[:window], samples[-window:]
    results = []
    for key in ("fds", "threads"):
        before, after = mean([s[key] for s in first]), mean([s[key] for s in last])
        flat = abs(after - before) <= FLAT_SHARE * before
        results.append((f"{key}: first {window} samples {before:.1f}, last {window} {after:.1f}",
                        flat))
    before = mean([s["rss_kib"] for s in first])
    after = mean([s["rss_kib"] for s in last])
    grown = (after - before) * 1024
    results.append((f"resident set: first {window} samples {before / 1024:.1f} MB, last "
                    f"{window} {after / 1024:.1f} MB (grown {grown / 1e6:+.1f} MB, at most "
                    f"{2 * PANE_CAPACITY_BYTES / 1e6:.0f} MB)", grown <= 2 * PANE_CAPACITY_BYTES))
    return results


def write_table(samples, machine, path):
    lines = [machine, "", " minute   RSS (MB)   descriptors   threads   CPU (% of a core)"]
    for s in samples:
        lines.append(f"{s['minute']:7.1f} {s['rss_kib'] / 1024:10.1f} {s['fds']:13d} "
                     f"{s['threads']:9d} {s['cpu_percent']:19.1f}")
    text = "\n".join(lines) + "\n"
    with open(path, "w") as table:
        table.write(text)
    return text


def write_plot(samples, path):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plot
    except ImportError:
        return "no plot: python3-matplotlib is not installed"
    minutes = [s["minute"] for s in samples]
    figure, axes = plot.subplots(4, 1, sharex=True, figsize=(8, 9))
    for axis, key, label in zip(axes, ("rss_kib", "fds", "threads", "cpu_percent"),
                                ("resident set (MB)", "descriptors", "threads",
                                 "CPU (% of a core)")):
        values = [s[key] / 1024 if key == "rss_kib" else s[key] for s in samples]
        axis.plot(minutes, values, marker=".")
        axis.set_ylabel(label)
        axis.set_ylim(bottom=0)
        axis.grid(True)
    axes[-1].set_xlabel("minutes")
    figure.suptitle("The console at work: modem cycle, meter cycle, storage test, line flood")
    figure.tight_layout()
    figure.savefig(path, dpi=80)
    return f"plot: {path}"


def measure(build_dir, minutes, work):
    machine = describe_machine(build_dir)
    print(machine)
    period = float(os.environ.get("SOAK_SAMPLE_S", "60"))
    profile = os.path.join(work, "board.toml")
    with open(profile, "w") as written:
        written.write(PROFILE)
    with Console(build_dir, os.path.join(work, "console"), ["--board", profile]) as console:
        console.wait_ready()
        flood = LineFlood(console.far_end(2))
        try:
            for command in (MODEM_CYCLE, VACANCY_CONTROL, ETC_ON_OFF, STORAGE_TEST):
                console.command(command)
            started = time.monotonic()
            ticks, then = console.cpu_ticks(), started
            samples = []
            while (elapsed := time.monotonic() - started) < minutes * 60:
                time.sleep(min(period, minutes * 60 - elapsed))
                taken, ticks, then = sample(console, ticks, then)
                taken["minute"] = (then - started) / 60
                samples.append(taken)
                print(f"  {taken['minute']:6.1f} min: {taken['rss_kib'] / 1024:.1f} MB, "
                      f"{taken['fds']} descriptors, {taken['threads']} threads, "
                      f"{taken['cpu_percent']:.1f}% CPU", flush=True)
        finally:
            flood.close()
        test_files = [os.path.exists(os.path.join(console.sandbox, "volumes", volume,
                                                  "rwtest.txt"))
                      for volume in ("SDMMC", "DataStorage")]
        if test_files.count(True) != 1:
            raise RunFailed(f"the storage test's file is in {test_files.count(True)} places")
        console.end()

    print(write_table(samples, machine + f"\nline flood: {flood.written} bytes written",
                      os.path.join(HERE, "soak.txt")))
    print(write_plot(samples, os.path.join(HERE, "soak.png")))
    results = verdicts(samples)
    for text, flat in results:
        print(f"{text}: {'flat' if flat else 'NOT FLAT'}")
    return 0 if all(flat for _, flat in results) else 1


run_bench("soak_bench", measure, "MINUTES", 60)
