#!/usr/bin/env python3
"""The log pane under a long flood: the console opens COM1 and an outside program writes a known
pattern into COM1's far end as fast as the pseudo-terminal takes it, for a minute by default.
Meanwhile an outside sender reads the pane (`quorvane-send read 1010`) every few seconds. The
pane's edit control holds at most its capacity (4,000,000 characters on the simulated terminal),
so the console's resident set must stay bounded however long the flood lasts, every read must
answer, and the pane must end up holding the newest bursts, in order, up to its capacity.

  bench/pane_flood_bench.py [BUILD_DIR [SECONDS]]     (defaults: build/bench, 60)

Exit status: 0 when the targets are met, 1 when one is missed, 2 when the run failed.
"""

import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import Console, RunFailed, describe_machine, run_bench
from serial_flood import BURST, RECORD_BYTES, Feeder, flood_pattern

LOG_PANE = 1010
CAPACITY = 4_000_000      # the simulated terminal's edit control capacity, in UTF-16 units
PEAK_TARGET_MIB = 64
READ_EVERY_S = 3
READ_TIMEOUT_S = 30
QUIET_S = 2               # after the flood, the console has caught up once its output stays still
PATTERN_BYTES = 16 * 1024 * 1024


def read_pane(console):
    """The pane's text as `quorvane-send read 1010` prints it, and how long the read took."""
    started = time.monotonic()
    read = subprocess.run([console.sender, "--sandbox", console.sandbox, "read", str(LOG_PANE)],
                          capture_output=True, timeout=READ_TIMEOUT_S)
    took = time.monotonic() - started
    if read.returncode != 0:
        console.fail(f"read {LOG_PANE} failed ({read.returncode}) after {took:.2f} s: "
                     f"{read.stderr.decode(errors='replace').strip()}")
    return read.stdout, took


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def keep_log_small(console):
    """The console's log pane also goes to its standard output, a file that a minute's flood
    would fill with gigabytes: emptying it leaves a sparse file behind the console's offset."""
    os.truncate(console.log_path, 0)


def newest_bursts_in_order(pane, pattern, written):
    """How many bytes the bursts in the pane repeat of the flood's end, and whether that is all
    of them: the pane must hold the newest bytes written, in order, with nothing missing."""
    payload = b"".join(burst.group(2) for burst in BURST.finditer(pane))
    if not payload or len(payload) > written:
        return 0, False
    start = written - len(payload)
    expected = bytearray()
    while len(expected) < len(payload):
        offset = (start + len(expected)) % len(pattern)
        expected += pattern[offset:offset + len(payload) - len(expected)]
    return len(payload), payload == bytes(expected)


def measure(build_dir, duration, work):
    print(describe_machine(build_dir))
    print(f"flood: {duration:g} s of {RECORD_BYTES}-byte ASCII records into COM1 as fast as the "
          f"pty takes them; read {LOG_PANE} every {READ_EVERY_S} s")
    pattern = flood_pattern(PATTERN_BYTES)
    reads = []
    rss_samples = []
    with Console.with_com1_open(build_dir, work) as console:
        console.note_peak()
        before_kib = console.peak_kib
        with Feeder(console.far_end(1), pattern, until=time.monotonic() + duration) as feeder:
            next_read = time.monotonic() + READ_EVERY_S
            while not feeder.finished.wait(0.2):
                console.note_peak()
                rss_samples.append(resident_kib(console.pid))
                keep_log_small(console)
                if time.monotonic() >= next_read:
                    pane, took = read_pane(console)
                    reads.append((len(pane), took))
                    next_read = time.monotonic() + READ_EVERY_S
            if feeder.error:
                raise RunFailed(f"writing to COM1's far end failed: {feeder.error}")
            written = feeder.written
            last_size, last_growth = -1, time.monotonic()
            while time.monotonic() - last_growth < QUIET_S:
                size = os.stat(console.log_path).st_size
                if size != last_size:
                    last_size, last_growth = size, time.monotonic()
                console.note_peak()
                time.sleep(0.05)
        pane, took = read_pane(console)
        reads.append((len(pane), took))
        console.note_peak()
        peak_kib = console.peak_kib
        console.end()

    in_order, all_newest = newest_bursts_in_order(pane, pattern, written)
    sizes = [size for size, _ in reads]
    print(f"written: {written / 1e6:,.1f} MB in {duration:g} s "
          f"({written / duration / 1e6:.2f} MB/s)")
    print(f"reads of {LOG_PANE}: {len(reads)}, all answered; {min(sizes):,} to {max(sizes):,} "
          f"bytes; slowest {max(took for _, took in reads):.2f} s")
    print(f"pane at the end: {len(pane):,} characters (capacity {CAPACITY:,}); its bursts repeat "
          f"the newest {in_order:,} bytes written "
          f"{'in order' if all_newest else 'NOT in order or not the newest'}")
    print(f"resident set: {before_kib / 1024:.1f} MiB with COM1 open, {peak_kib / 1024:.1f} MiB "
          f"at the peak (VmHWM), {max(rss_samples, default=0) / 1024:.1f} MiB the most sampled")
    failures = []
    if not all_newest:
        failures.append("the pane does not hold the newest bytes in order")
    if len(pane) > CAPACITY:
        failures.append(f"the pane holds {len(pane):,} characters, past its capacity")
    if len(pane) < CAPACITY * 7 // 8 - 64 * 1024 and written > 2 * CAPACITY:
        failures.append(f"the pane holds only {len(pane):,} characters after the flood")
    for why in failures:
        print(f"pane_flood_bench: {why}", file=sys.stderr)
    if failures:
        return 2
    met = peak_kib / 1024 < PEAK_TARGET_MIB
    print(f"peak resident set {peak_kib / 1024:.1f} MiB (target: under {PEAK_TARGET_MIB} MiB) "
          f"{'ok' if met else 'MISSED'}")
    return 0 if met else 1


run_bench("pane_flood_bench", measure, "SECONDS", 60)
