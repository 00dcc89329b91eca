#!/usr/bin/env python3
"""The serial link under a flood: the console opens COM1 and an outside program writes a known
pattern into COM1's far end (SANDBOX/tty/COM1) as fast as the pseudo-terminal takes it. Every
burst the console receives is logged as "\\r\\ncom[1] recvdatasize:N\\r\\n", the bytes, "\\r\\n", so
its standard output tells what arrived. Beside it, in the same run, a reference line of the same
shape takes the same bytes: two pseudo-terminals joined by socat in the relay's place, and socat
reading the console side into a file in the console's place.

  bench/serial_flood_bench.py [BUILD_DIR [MEGABYTES]]     (defaults: build/bench, 200)

Exit status: 0 when the targets are met, 1 when one is missed, 2 when a run failed (the console
misbehaved, or a byte was lost, duplicated or changed on either line).
"""

import os
import signal
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import (CLOCK_TICKS_PER_S, Console, RunFailed, describe_machine, run_bench,
                             thread_usage)
from serial_flood import BURST, RECORD_BYTES, WRITE_CHUNK, Feeder, flood_pattern

POLL_S = 0.005
QUIET_S = 2    # once everything is written, a receiver this long without output has finished
STALL_S = 10   # a receiver this long without output while bytes are still being written is stuck
LINE_BYTES_PER_S = 115200 / 10  # 115200 baud, 8 data bits, no parity, 1 stop bit
LEAST_SHARE_OF_REFERENCE = 0.5  # of a plain reader's pace on a line of the same shape


class BurstLog:
    """The console's log. While the flood runs it is followed as cheaply as the reference's file:
    its size, and whether it ends with the flood's last record and the handler's line end. The
    bursts are read from it once, after the flood, so that parsing them takes no processor time
    from the console while it is measured."""

    def __init__(self, path, data):
        self.path = path
        self.start = os.path.getsize(path)
        self.expected = len(data)
        self.ending = data[-RECORD_BYTES:] + b"\r\n"
        self.burst_sizes = []
        self.payload = bytearray()
        self.miscounted = 0  # bursts whose text is not as long as their recvdatasize says
        self.other_text = bytearray()

    def poll(self):
        """Returns (the flood's size once the log ends with its last record, else 0; log size)."""
        with open(self.path, "rb") as log:
            size = log.seek(0, os.SEEK_END)
            log.seek(max(size - len(self.ending), self.start))
            finished = log.read() == self.ending
        return (self.expected if finished else 0), size

    def close(self):
        """Reads the bursts the console logged since the flood began."""
        with open(self.path, "rb") as log:
            log.seek(self.start)
            text = log.read()
        parsed = 0
        for burst in BURST.finditer(text):
            self.other_text += text[parsed:burst.start()]
            declared = int(burst.group(1))
            self.burst_sizes.append(declared)
            self.miscounted += declared != len(burst.group(2))
            self.payload += burst.group(2)
            parsed = burst.end()
        self.other_text += text[parsed:]


class ReceivedFile:
    """The reference reader's output: every byte it took, nothing else."""

    def __init__(self, path):
        self.path = path

    def poll(self):
        size = os.path.getsize(self.path) if os.path.exists(self.path) else 0
        return size, size

    def payload(self):
        with open(self.path, "rb") as received:
            return received.read()


def follow(name, receiver, feeder, expected, on_poll=lambda: None):
    """Polls until every byte is counted, or until the receiver has been quiet for QUIET_S after
    the last write. Returns the moment its output last grew."""
    last_size, last_growth = -1, time.monotonic()
    while True:
        counted, size = receiver.poll()
        on_poll()
        now = time.monotonic()
        if size != last_size:
            last_size, last_growth = size, now
        if feeder.error:
            raise RunFailed(f"writing to {name}'s far end failed: {feeder.error}")
        if counted >= expected:
            return last_growth
        if feeder.finished.is_set():
            if now - last_growth > QUIET_S:
                return last_growth
        elif now - last_growth > STALL_S:
            raise RunFailed(f"{name} took nothing for {STALL_S} s with {feeder.written} of "
                            f"{expected} bytes written")
        time.sleep(POLL_S)


class Result:
    """One line's counts: `received` as the receiver reports it, `payload` the bytes it shows."""

    def __init__(self, name, sent, received, payload, seconds):
        self.name, self.sent, self.received, self.seconds = name, sent, received, seconds
        self.in_order = common_prefix(sent, payload)

    @property
    def lost(self):
        return len(self.sent) - self.received

    @property
    def bytes_per_s(self):
        return self.received / self.seconds if self.seconds > 0 else 0.0

    def row(self):
        return (f"{self.name:<22}{len(self.sent):>12,}{self.received:>12,}{self.lost:>10,}"
                f"{self.in_order:>12,}{self.bytes_per_s / 1e6:>10.2f} MB/s "
                f"over {self.seconds:.2f} s")

    def failure(self):
        """Why this line's bytes cannot be trusted, or None."""
        if self.lost > 0:
            return f"{self.name} lost {self.lost:,} of {len(self.sent):,} bytes"
        if self.lost < 0:
            return f"{self.name} received {-self.lost:,} bytes more than were sent"
        if self.in_order < len(self.sent):
            offset = self.in_order
            return (f"{self.name} changed or reordered bytes from offset {offset:,} "
                    f"(record {offset // RECORD_BYTES:,})")
        return None


def common_prefix(expected, received):
    """How many bytes of `received` match `expected` from the start, found by halving."""
    low, high = 0, min(len(expected), len(received))
    view_expected, view_received = memoryview(expected), memoryview(received)
    while low < high:
        middle = (low + high + 1) // 2
        if view_expected[low:middle] == view_received[low:middle]:
            low = middle
        else:
            high = middle - 1
    return low


def flood_console(build_dir, work, data):
    """The console with COM1 open takes the flood; its own counts from the log."""
    with Console.with_com1_open(build_dir, work) as console:
        console.note_peak()
        peak_before_kib = console.peak_kib
        cpu_before, threads_before = console.cpu_ticks(), console.threads()
        bursts = BurstLog(console.log_path, data)
        with Feeder(console.far_end(1), data) as feeder:
            last_growth = follow("the console", bursts, feeder, len(data), console.note_peak)
            seconds = last_growth - feeder.started
        cpu_s = (console.cpu_ticks() - cpu_before) / CLOCK_TICKS_PER_S
        busy_threads = [f"{console.thread_name(tid)} {cpu_ns / 1e9:.2f} s"
                        for tid, cpu_ns, _ in thread_usage(threads_before, console.threads())
                        if cpu_ns >= cpu_s * 1e9 / 100]
        console.end()
        bursts.close()
        with open(console.errors_path, errors="replace") as errors:
            messages = errors.read()
    result = Result("console (COM1)", data, sum(bursts.burst_sizes), bursts.payload, seconds)
    notes = [f"console: {len(bursts.burst_sizes):,} bursts of "
             + (f"{min(bursts.burst_sizes):,} to {max(bursts.burst_sizes):,} bytes "
                f"(median {statistics.median(bursts.burst_sizes):,.0f})"
                if bursts.burst_sizes else "nothing")
             + f"; CPU {cpu_s:.2f} s over the flood ({', '.join(busy_threads)})",
             f"console peak resident set (VmHWM): {console.peak_kib / 1024:.1f} MiB "
             f"({peak_before_kib / 1024:.1f} MiB with COM1 open, before the flood)"]
    if bursts.miscounted:
        notes.append(f"console: {bursts.miscounted} bursts whose text differs in length from "
                     "their recvdatasize")
    other = bytes(bursts.other_text)
    if other:
        notes.append(f"console: {len(other):,} bytes of other log text: {other[:200]!r}")
    if messages:
        notes.append(f"console's standard error: {messages[-500:].strip()}")
    return result, notes


def wait_for(what, ready, timeout=5):
    deadline = time.monotonic() + timeout
    while not ready():
        if time.monotonic() > deadline:
            raise RunFailed(f"{what} within {timeout} s")
        time.sleep(0.001)


def holds(pid, path):
    """Whether process `pid` holds `path` open."""
    target = os.path.realpath(path)
    try:
        fds = os.listdir(f"/proc/{pid}/fd")
    except OSError:
        return False
    for fd in fds:
        try:
            if os.readlink(f"/proc/{pid}/fd/{fd}") == target:
                return True
        except OSError:
            pass
    return False


def flood_reference(work, data):
    """The same flood, written the same way, over socat in the relay's and the console's place."""
    line = os.path.join(work, "reference")
    os.mkdir(line)
    far_end, console_side = os.path.join(line, "COM1"), os.path.join(line, "console-side")
    received = os.path.join(line, "received")
    errors = open(os.path.join(line, "socat.err"), "wb")
    started = []
    try:
        started.append(subprocess.Popen(
            ["socat", f"PTY,link={far_end},raw,echo=0", f"PTY,link={console_side},raw,echo=0"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=errors))
        wait_for("socat did not make the reference line",
                 lambda: os.path.exists(far_end) and os.path.exists(console_side))
        reader = subprocess.Popen(
            ["socat", "-u", f"OPEN:{console_side},raw,echo=0", f"CREATE:{received}"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=errors)
        started.append(reader)
        wait_for("the reference reader did not open its side",
                 lambda: holds(reader.pid, console_side))
        with Feeder(far_end, data) as feeder:
            output = ReceivedFile(received)
            last_growth = follow("the reference line", output, feeder, len(data))
            seconds = last_growth - feeder.started
        payload = output.payload()
        return Result("reference (socat)", data, len(payload), payload, seconds)
    finally:
        for process in started:
            process.send_signal(signal.SIGTERM)
        for process in started:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        errors.close()


def megabytes_in_bytes(text):
    """MEGABYTES as a flood size in bytes; a flood shorter than one record is refused."""
    size = int(float(text) * 1e6)
    if size < RECORD_BYTES:
        raise ValueError(text)
    return size


def measure(build_dir, size, work):
    print(describe_machine(build_dir))
    print(f"flood: {size / 1e6:g} MB ({size:,} bytes) of {RECORD_BYTES}-byte ASCII records, "
          f"written in pieces of up to {WRITE_CHUNK // 1024} KiB as fast as the pty takes them")
    data = flood_pattern(size)
    console, notes = flood_console(build_dir, work, data)
    reference = flood_reference(work, data)

    print(f"{'':<22}{'sent':>12}{'received':>12}{'lost':>10}{'in order':>12}{'throughput':>15}")
    print(console.row())
    print(reference.row())
    for note in notes:
        print(note)
    share = console.bytes_per_s / reference.bytes_per_s if reference.bytes_per_s else 0.0
    print(f"console throughput against the reference: {share:.2f}x")
    failures = [why for why in (console.failure(), reference.failure()) if why]
    for why in failures:
        print(f"serial_flood_bench: {why}", file=sys.stderr)
    if failures:
        return 2
    keeps_the_line = console.bytes_per_s >= LINE_BYTES_PER_S
    keeps_up = share >= LEAST_SHARE_OF_REFERENCE
    print(f"console throughput {console.bytes_per_s / 1e6:.2f} MB/s (target: at least the "
          f"line's {LINE_BYTES_PER_S / 1e6:.4f} MB/s at 115200 baud 8N1, with nothing lost) "
          f"{'ok' if keeps_the_line else 'MISSED'}")
    print(f"console against the reference {share:.2f}x (target: at least "
          f"{LEAST_SHARE_OF_REFERENCE:.2f}x in the same run) {'ok' if keeps_up else 'MISSED'}")
    return 0 if keeps_the_line and keeps_up else 1


run_bench("serial_flood_bench", measure, "MEGABYTES", 200, megabytes_in_bytes, tools=["socat"])
