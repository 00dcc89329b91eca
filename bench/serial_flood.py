"""A flood into a serial port's far end, for the whole-process serial benchmarks: the known
pattern, the thread that writes it as fast as the pseudo-terminal takes it, and how the console
logs each burst it receives ("\\r\\ncom[1] recvdatasize:N\\r\\n", the bytes, "\\r\\n").

Standard library only, so that the benchmarks need nothing but python3.
"""

import os
import re
import select
import threading
import time

RECORD_BYTES = 16
WRITE_CHUNK = 64 * 1024
BURST = re.compile(rb"\r\ncom\[1\] recvdatasize:(\d+)\r\n([^\r]*)\r\n")


def flood_pattern(size):
    """Records of 15 decimal digits counting up and a letter: ASCII without NUL or CR, so that
    the log shows every byte as it is, and a lost, doubled or swapped record shows up."""
    records = -(-size // RECORD_BYTES)
    return b"".join(b"%015d%c" % (i, 65 + i % 26) for i in range(records))[:size]


class Feeder(threading.Thread):
    """Writes the flood into a far end as fast as the pseudo-terminal takes it, and keeps the far
    end held until closed, so that nothing on the line sees it hang up mid-count. With `until`
    (a time.monotonic() moment) the data is written again and again until then; byte i of what
    was written is then data[i % len(data)]. With `pace`, (bytes, seconds), each write takes at
    most that many bytes and the next follows that many seconds later: a port that keeps talking
    rather than a flood."""

    def __init__(self, far_end, data, until=None, pace=None):
        super().__init__(daemon=True)
        self.data = data
        self.until = until
        self.chunk, self.pause = pace or (WRITE_CHUNK, 0)
        self.fd = os.open(far_end, os.O_WRONLY | os.O_NOCTTY | os.O_NONBLOCK | os.O_CLOEXEC)
        self.written = 0
        self.started = None
        self.error = None
        self.finished = threading.Event()
        self.halt = threading.Event()

    def _more(self):
        if self.halt.is_set():
            return False
        if self.until is None:
            return self.written < len(self.data)
        return time.monotonic() < self.until

    def run(self):
        try:
            ready = select.poll()
            ready.register(self.fd, select.POLLOUT)
            flood = memoryview(self.data)
            self.started = time.monotonic()
            while self._more():
                offset = self.written % len(flood)
                try:
                    self.written += os.write(self.fd, flood[offset:offset + self.chunk])
                except BlockingIOError:
                    ready.poll(100)
                    continue
                if self.pause:
                    self.halt.wait(self.pause)
        except OSError as error:
            self.error = error
        finally:
            self.finished.set()

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *_):
        self.halt.set()
        self.join()
        os.close(self.fd)
