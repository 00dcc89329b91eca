"""One run of the built console for the whole-process benchmarks, and the start they share.

Every benchmark program takes `[BUILD_DIR [AMOUNT]]` (build/bench and its own default amount),
measures in a fresh work folder that is removed afterwards, and exits with 0 when its targets are
met, 1 when one is missed and 2 when the run failed. A Console starts `quorvane --headless` on a
fresh sandbox of the simulated terminal with its log pane going to a file, waits until the outside
senders' socket answers, drives it with quorvane-send, follows its peak resident set and CPU time
through /proc, and ends it the ordinary way, with command 1006, which must end it with status 0.
A console that fails any of this is killed, never left running.

Standard library only, so that the benchmarks need nothing but python3.
"""

import contextlib
import os
import platform
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback

READY_TIMEOUT_S = 10
END_TIMEOUT_S = 10
CHOOSE_COM1, OPEN_PORT, END_CONSOLE = 1050, 1007, 1006
CLOCK_TICKS_PER_S = os.sysconf("SC_CLK_TCK")


class RunFailed(Exception):
    """The run cannot be measured: the console misbehaved, or the bench's own setup broke."""


def describe_machine(build_dir):
    """The machine and build a result belongs to, as two lines."""
    model = "unknown CPU"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.split(":")[0].strip() in ("model name", "Hardware", "Processor"):
                model = line.split(":", 1)[1].strip()
                break
    build_type = "unknown"
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
            for line in cache:
                if line.startswith("CMAKE_BUILD_TYPE:STRING="):
                    build_type = line.split("=", 1)[1].strip() or "unknown"
    except OSError:
        pass
    return (f"machine: {os.cpu_count()} CPUs, {model}, Linux {platform.release()}\n"
            f"console: {os.path.join(build_dir, 'ui', 'quorvane')} ({build_type} build)")


def cpu_ticks(stat_path):
    """utime + stime of a process or thread, in clock ticks, or None once it is gone."""
    try:
        with open(stat_path) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return int(fields[11]) + int(fields[12])  # fields 14 and 15 of proc(5), after pid and comm


def thread_sample(task_dir):
    """One thread's (CPU ns, wake-ups so far), or None once it is gone. Per thread, the
    scheduler's nanoseconds rather than clock ticks: an idle thread's share is far below a tick.
    Wake-ups are its voluntary and involuntary context switches."""
    try:
        with open(os.path.join(task_dir, "schedstat")) as schedstat:
            cpu_ns = int(schedstat.read().split()[0])
        with open(os.path.join(task_dir, "status")) as status:
            switches = sum(int(line.split()[1]) for line in status
                           if line.startswith(("voluntary_ctxt_switches:",
                                               "nonvoluntary_ctxt_switches:")))
    except OSError:
        return None
    return cpu_ns, switches


def thread_usage(before, after):
    """What each thread alive at the end used between two samples of Console.threads(), as
    (thread id, CPU ns, wake-ups), busiest first."""
    usage = []
    for tid, (cpu_ns, switches) in after.items():
        cpu_ns_then, switches_then = before.get(tid, (0, 0))
        usage.append((tid, cpu_ns - cpu_ns_then, switches - switches_then))
    return sorted(usage, key=lambda used: (-used[1], used[0]))


class Console:
    """The console process on its own sandbox under `work_dir`; use it as a context manager."""

    def __init__(self, build_dir, work_dir, extra_args=()):
        self.console = os.path.join(build_dir, "ui", "quorvane")
        self.extra_args = list(extra_args)
        self.sender = os.path.join(build_dir, "tools", "quorvane-send", "quorvane-send")
        for binary in (self.console, self.sender):
            if not os.access(binary, os.X_OK):
                raise RunFailed(f"{binary} is not built (cmake --build {build_dir})")
        os.makedirs(work_dir, exist_ok=True)
        self.sandbox = os.path.join(work_dir, "sandbox")
        self.log_path = os.path.join(work_dir, "console.out")
        self.errors_path = os.path.join(work_dir, "console.err")
        self.pid = None
        self.peak_kib = 0

    @classmethod
    @contextlib.contextmanager
    def with_com1_open(cls, build_dir, work):
        """A console on a sandbox under `work`, ready for senders, with COM1 chosen and open."""
        with cls(build_dir, os.path.join(work, "console")) as console:
            console.wait_ready()
            console.open_com1()
            yield console

    def __enter__(self):
        environment = {k: v for k, v in os.environ.items() if k != "QUORVANE_BOARD"}
        self.pid = os.posix_spawn(
            self.console,
            [self.console, "--headless", "--sandbox", self.sandbox, *self.extra_args], environment,
            file_actions=[
                (os.POSIX_SPAWN_OPEN, 1, self.log_path, os.O_WRONLY | os.O_CREAT, 0o600),
                (os.POSIX_SPAWN_OPEN, 2, self.errors_path, os.O_WRONLY | os.O_CREAT, 0o600)])
        return self

    def __exit__(self, *_):
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.pid = None

    def far_end(self, port):
        """The name an outside program opens to be the far end of COMn."""
        return os.path.join(self.sandbox, "tty", f"COM{port}")

    def wait_ready(self):
        socket_path = os.path.join(self.sandbox, "console.sock")
        deadline = time.monotonic() + READY_TIMEOUT_S
        while True:
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
                try:
                    probe.connect(socket_path)
                    return
                except (FileNotFoundError, ConnectionRefusedError):
                    pass
            self._fail_if_ended("before its socket answered")
            if time.monotonic() > deadline:
                self.fail(f"the console's socket did not answer within {READY_TIMEOUT_S} s")
            time.sleep(0.001)

    def command(self, command_id, sync=True):
        verb = ["--sync"] if sync else []
        sent = subprocess.run([self.sender, "--sandbox", self.sandbox, *verb, "command",
                               str(command_id)], capture_output=True, text=True, timeout=15)
        if sent.returncode != 0:
            self.fail(f"quorvane-send command {command_id} failed ({sent.returncode}): "
                      f"{sent.stderr.strip()}")

    def open_com1(self):
        """Chooses COM1 and opens it, as a technician's two taps would."""
        self.command(CHOOSE_COM1)
        self.command(OPEN_PORT)
        with open(self.log_path, "rb") as log:
            if b"COM1 OPEN!! \r\n" not in log.read():
                self.fail("COM1 did not open")

    def note_peak(self):
        """Reads the kernel's high-water mark of the resident set (VmHWM) into peak_kib.

        Read from /proc rather than from wait4: a child carries the high-water mark of the
        process that spawned it (here python) across exec."""
        try:
            with open(f"/proc/{self.pid}/status") as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        self.peak_kib = max(self.peak_kib, int(line.split()[1]))
        except OSError:
            pass

    def cpu_ticks(self):
        return cpu_ticks(f"/proc/{self.pid}/stat")

    def threads(self):
        """Each live thread's (CPU ns, wake-ups so far) by thread id."""
        sample = {}
        for tid in os.listdir(f"/proc/{self.pid}/task"):
            if (taken := thread_sample(f"/proc/{self.pid}/task/{tid}")) is not None:
                sample[int(tid)] = taken
        return sample

    def thread_name(self, tid):
        return "main thread" if tid == self.pid else f"thread {tid}"

    def end(self):
        """Command 1006, then waits for the console to end with status 0."""
        self.command(END_CONSOLE, sync=False)
        deadline = time.monotonic() + END_TIMEOUT_S
        while (status := self._exit_status()) is None:
            self.note_peak()
            if time.monotonic() > deadline:
                self.fail(f"the console did not end within {END_TIMEOUT_S} s of command 1006")
            time.sleep(0.001)
        if os.waitstatus_to_exitcode(status) != 0:
            self.fail(f"the console ended with {how_it_ended(status)} after command 1006")

    def fail(self, why):
        with open(self.errors_path, errors="replace") as errors:
            raise RunFailed(f"{why}\n{errors.read()[-2000:]}".rstrip())

    def _exit_status(self):
        reaped, status, _ = os.wait4(self.pid, os.WNOHANG)
        if not reaped:
            return None
        self.pid = None
        return status

    def _fail_if_ended(self, when):
        if (status := self._exit_status()) is not None:
            self.fail(f"the console ended {when} ({how_it_ended(status)})")


def how_it_ended(wait_status):
    code = os.waitstatus_to_exitcode(wait_status)
    return f"exit status {code}" if code >= 0 else f"signal {-code}"


def run_bench(name, measure, amount_name, default_amount, parse_amount=float, tools=()):
    """Runs `measure(build_dir, amount, work)` as the program `name [BUILD_DIR [AMOUNT]]` and
    exits with its status. `parse_amount` turns the text into the amount and raises ValueError
    when it is unusable; an amount that is not above zero is refused as well. A RunFailed, or a
    crash of the bench itself, is a failed run (2), not a miss."""
    arguments = sys.argv[1:]
    if len(arguments) > 2:
        print(f"usage: {sys.argv[0]} [BUILD_DIR [{amount_name}]]", file=sys.stderr)
        sys.exit(2)
    build_dir = arguments[0] if arguments else "build/bench"
    text = arguments[1] if len(arguments) > 1 else str(default_amount)
    try:
        amount = parse_amount(text)
    except ValueError:
        amount = 0
    if not amount > 0:
        print(f"{name}: {amount_name} must be a positive number, not {text!r}", file=sys.stderr)
        sys.exit(2)
    for tool in tools:
        if shutil.which(tool) is None:
            print(f"{name}: {tool} is needed", file=sys.stderr)
            sys.exit(2)
    # A terminated bench still ends its console and removes its work folder.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(2))
    with tempfile.TemporaryDirectory() as work:
        try:
            status = measure(build_dir, amount, work)
        except RunFailed as failure:
            print(f"{name}: {failure}", file=sys.stderr)
            status = 2
        except Exception as unexpected:
            traceback.print_exc()
            print(f"{name}: the bench itself failed: {unexpected!r}", file=sys.stderr)
            status = 2
    sys.exit(status)
