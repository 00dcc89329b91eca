#!/usr/bin/env python3
"""Many outside senders reading a full log pane at once: the console opens COM1, a flood into
COM1's far end fills the pane to its capacity (4,000,000 characters on the simulated terminal),
and then 24 senders read it (`quorvane-send read 1010`) side by side, 1,000 reads in all by
default, while a record a few milliseconds keeps arriving on COM1, so that the pane changes under
them and no two reads need find the same text. Every read's reply holds the whole pane, so the
console's resident set shows what the replies that wait for their senders hold at once.

  bench/concurrent_read_bench.py [BUILD_DIR [READS]]     (defaults: build/bench, 1000)

Exit status: 0 when the targets are met, 1 when one is missed, 2 when the run failed.
"""

import os
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import Console, RunFailed, describe_machine, run_bench
from serial_flood import RECORD_BYTES, Feeder, flood_pattern

LOG_PANE = 1010
CAPACITY = 4_000_000      # the simulated terminal's edit control capacity, in UTF-16 units
FILL_BYTES = 6_000_000    # with each burst's own lines, well past the capacity
SENDERS = 24
PEAK_TARGET_MIB = 64
READ_TIMEOUT_S = 60
QUIET_S = 2               # after the fill, the console has caught up once its output stays still
TRICKLE_EVERY_S = 0.005


class Readers:
    """`senders` threads, each running `quorvane-send read 1010` again and again until `reads`
    have been started in all; every read's size and time, and the first failure."""

    def __init__(self, console, senders, reads):
        self.console = console
        self.left = reads
        self.lock = threading.Lock()
        self.results = []
        self.failure = None
        self.threads = [threading.Thread(target=self._read, daemon=True) for _ in range(senders)]

    def _take_one(self):
        with self.lock:
            if self.left == 0 or self.failure:
                return False
            self.left -= 1
            return True

    def _read(self):
        command = [self.console.sender, "--sandbox", self.console.sandbox, "read", str(LOG_PANE)]
        while self._take_one():
            started = time.monotonic()
            read = subprocess.run(command, capture_output=True, timeout=READ_TIMEOUT_S)
            took = time.monotonic() - started
            with self.lock:
                if read.returncode != 0:
                    self.failure = (f"read {LOG_PANE} failed ({read.returncode}) after "
                                    f"{took:.2f} s: {read.stderr.decode(errors='replace').strip()}")
                self.results.append((len(read.stdout), took))

    def run(self):
        for thread in self.threads:
            thread.start()
        while any(thread.is_alive() for thread in self.threads):
            self.console.note_peak()
            time.sleep(0.01)
        for thread in self.threads:
            thread.join()


def fill_pane(console, pattern):
    """Floods COM1 until the pane has been trimmed to its capacity, then waits until the console
    has caught up (its output stays still)."""
    with Feeder(console.far_end(1), pattern) as feeder:
        feeder.finished.wait()
        if feeder.error:
            raise RunFailed(f"writing to COM1's far end failed: {feeder.error}")
        last_size, last_growth = -1, time.monotonic()
        while time.monotonic() - last_growth < QUIET_S:
            size = os.stat(console.log_path).st_size
            if size != last_size:
                last_size, last_growth = size, time.monotonic()
            time.sleep(0.05)


def measure(build_dir, reads, work):
    print(describe_machine(build_dir))
    print(f"pane: filled with {FILL_BYTES:,} bytes of {RECORD_BYTES}-byte ASCII records on COM1; "
          f"then {reads:,} reads of {LOG_PANE} by {SENDERS} senders at once, while a record "
          f"arrives every {TRICKLE_EVERY_S * 1000:g} ms")
    pattern = flood_pattern(FILL_BYTES)
    with Console.with_com1_open(build_dir, work) as console:
        fill_pane(console, pattern)
        console.note_peak()
        filled_kib = console.peak_kib
        readers = Readers(console, SENDERS, reads)
        started = time.monotonic()
        with Feeder(console.far_end(1), pattern, until=float("inf"),
                    pace=(RECORD_BYTES, TRICKLE_EVERY_S)) as trickle:
            readers.run()
        took = time.monotonic() - started
        console.note_peak()
        peak_kib = console.peak_kib
        console.end()

    if readers.failure:
        raise RunFailed(readers.failure)
    sizes = [size for size, _ in readers.results]
    times = sorted(took for _, took in readers.results)
    records = trickle.written // RECORD_BYTES
    print(f"reads: {len(sizes):,}, all answered, in {took:.1f} s ({len(sizes) / took:.1f} a "
          f"second); {min(sizes):,} to {max(sizes):,} bytes; median "
          f"{times[len(times) // 2]:.2f} s, slowest {times[-1]:.2f} s; {records:,} records "
          f"arrived meanwhile")
    print(f"resident set: {filled_kib / 1024:.1f} MiB at the peak with the pane full, "
          f"{peak_kib / 1024:.1f} MiB at the peak after the reads (VmHWM)")
    # ASCII: every character of the pane is one byte of the read.
    if max(sizes) > CAPACITY or min(sizes) < CAPACITY * 7 // 8 - 64 * 1024:
        print(f"concurrent_read_bench: a read is not the full pane ({min(sizes):,} to "
              f"{max(sizes):,} bytes)", file=sys.stderr)
        return 2
    met = peak_kib / 1024 < PEAK_TARGET_MIB
    print(f"peak resident set {peak_kib / 1024:.1f} MiB (target: under {PEAK_TARGET_MIB} MiB) "
          f"{'ok' if met else 'MISSED'}")
    return 0 if met else 1


run_bench("concurrent_read_bench", measure, "READS", 1000, parse_amount=int)
