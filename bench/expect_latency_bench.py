#!/usr/bin/env python3
"""How soon `quorvane-send expect` returns once the text it waits for reaches the log pane. The
console opens COM1; for each run an outside sender waits for a token of its own
(`quorvane-send expect TOKEN`), and once the session record shows that the console has taken the
expect, COM1's far end writes the token. Measured on one monotonic clock, the bench's and the
session record's: from the pane's append of the token (its line in the record) to the moment
the sender has exited with the token printed, which is the target; and beside it the whole way
from the far end's write, with the share before the append split at the console's read (the
record's rx line), which ends a burst only once the line has stayed quiet for its read timeout.

  bench/expect_latency_bench.py [BUILD_DIR [RUNS]]     (defaults: build/bench, 50)

Exit status: 0 when every run's sender exits within 50 ms of the append, 1 when one does not, 2
when the run failed.
"""

import glob
import os
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import Console, RunFailed, describe_machine, run_bench

TARGET_MS = 50
TAKEN_TIMEOUT_S = 10
EXPECT_TIMEOUT_S = 10


class Record:
    """The console's session record, read as it grows."""

    def __init__(self, sandbox):
        self.pattern = os.path.join(sandbox, "logs", "session-*.log")
        self.text = b""

    def wait_for(self, part, console, timeout_s):
        """The first record line holding `part`, once it is there."""
        deadline = time.monotonic() + timeout_s
        while True:
            files = sorted(glob.glob(self.pattern))
            if files:
                with open(files[-1], "rb") as record:
                    self.text = record.read()
                at = self.text.find(part)
                if at >= 0:
                    start = self.text.rfind(b"\n", 0, at) + 1
                    return self.text[start:self.text.find(b"\n", at)]
            if time.monotonic() > deadline:
                console.fail(f"the session record showed no {part!r} within {timeout_s} s")
            time.sleep(0.001)


def one_run(console, record, far_end, token):
    """Milliseconds from the far end's write to the console's read, from the read to the pane's
    append, and from the append to the sender's exit."""
    expect = subprocess.Popen(
        [console.sender, "--sandbox", console.sandbox, "expect", "--timeout",
         str(EXPECT_TIMEOUT_S), token], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        record.wait_for(f'verb=expect pattern="{token}"'.encode(), console, TAKEN_TIMEOUT_S)
        os.write(far_end, token.encode() + b"\r\n")
        written = time.monotonic()
        out, err = expect.communicate(timeout=EXPECT_TIMEOUT_S + 5)
        exited = time.monotonic()
    finally:
        if expect.poll() is None:
            expect.kill()
            expect.wait()
    if expect.returncode != 0 or out != token.encode():
        console.fail(f"expect {token} ended with {expect.returncode}, printing {out!r}: "
                     f"{err.decode(errors='replace').strip()}")
    read = record_time(record.wait_for(f'text="{token}'.encode(), console, TAKEN_TIMEOUT_S))
    appended = record_time(
        record.wait_for(f'op=insert text="{token}'.encode(), console, TAKEN_TIMEOUT_S))
    return (read - written) * 1000, (appended - read) * 1000, (exited - appended) * 1000


def record_time(line):
    """A record line's monotonic time, in seconds."""
    return float(line.split()[1])


def measure(build_dir, runs, work):
    print(describe_machine(build_dir))
    print(f"expect: {runs} runs, each waiting for a token of its own that COM1's far end then "
          f"writes")
    parts = []
    with Console.with_com1_open(build_dir, work) as console:
        record = Record(console.sandbox)
        far_end = os.open(console.far_end(1), os.O_WRONLY | os.O_NOCTTY | os.O_CLOEXEC)
        try:
            for run in range(runs):
                parts.append(one_run(console, record, far_end, f"TOKEN-{os.getpid()}-{run}"))
        finally:
            os.close(far_end)
        console.end()
    to_read, to_append, to_exit = zip(*parts)
    whole_way = [sum(part) for part in parts]
    for what, values in (("the pane's append to the sender's exit", to_exit),
                         ("the far end's write to the sender's exit", whole_way),
                         ("  the write to the console's read", to_read),
                         ("  the read to the pane's append", to_append)):
        print(f"{what}: median {statistics.median(values):.1f} ms, worst {max(values):.1f} ms")
    worst = max(to_exit)
    print(f"target: every sender out within {TARGET_MS} ms of the append: "
          f"{'met' if worst <= TARGET_MS else 'MISSED'}")
    return 0 if worst <= TARGET_MS else 1


if __name__ == "__main__":
    run_bench("expect_latency_bench", measure, "RUNS", 50, parse_amount=int)
