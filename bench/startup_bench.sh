#!/usr/bin/env bash
# The console's start-up as an outside sender sees it: from launching `quorvane --headless` until
# its socket accepts a connection (the dialog stands then), and the most memory it ever holds.
# Each run gets a fresh sandbox on the simulated terminal and is ended the ordinary way, with
# command 1006, which must end the console with status 0.
#
#   bench/startup_bench.sh [BUILD_DIR [RUNS]]     (defaults: build/bench, 20)
#
# Exit status: 0 when both targets are met, 1 when one is missed, 2 when a run failed.
set -euo pipefail

build_dir=${1:-build/bench}
runs=${2:-20}
readonly target_ready_ms=50 target_rss_mib=20

console=$build_dir/ui/quorvane
sender=$build_dir/tools/quorvane-send/quorvane-send
for binary in "$console" "$sender"; do
  if [[ ! -x $binary ]]; then
    echo "startup_bench: $binary is not built (cmake --build $build_dir)" >&2
    exit 2
  fi
done
if ! command -v python3 >/dev/null; then
  echo "startup_bench: python3 is needed to time the socket" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run: launch, poll the socket every millisecond, end the console, and follow its peak
# resident set (VmHWM) until it is gone. Prints "READY_MS VMHWM_READY_KIB VMHWM_LAST_KIB".
# The peak is read from /proc rather than from wait4 or GNU time: a child carries the high-water
# mark of the process that spawned it (here python) across exec, and launching through GNU time
# would add its own start to the time measured.
measure_one_start() {
  python3 - "$console" "$sender" "$1" "$2" <<'PY'
import os, signal, socket, subprocess, sys, time

console, sender, sandbox, output = sys.argv[1:5]
socket_path = os.path.join(sandbox, "console.sock")
environment = {k: v for k, v in os.environ.items() if k != "QUORVANE_BOARD"}  # the simulated board

def fail(pid, why):
    if pid:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
    with open(output + ".err", errors="replace") as errors:
        sys.exit(f"startup_bench: {why}\n{errors.read()[-2000:]}")

def how_it_ended(wait_status):
    code = os.waitstatus_to_exitcode(wait_status)
    return f"exit status {code}" if code >= 0 else f"signal {-code}"

def exited(pid):
    reaped, status, _ = os.wait4(pid, os.WNOHANG)
    return status if reaped else None

def peak_kib(pid):
    """VmHWM, or None once the process has let go of its memory."""
    try:
        with open(f"/proc/{pid}/status") as status:
            return next((int(line.split()[1]) for line in status if line.startswith("VmHWM:")), None)
    except OSError:
        return None

launched = time.monotonic_ns()
pid = os.posix_spawn(console, [console, "--headless", "--sandbox", sandbox], environment,
                     file_actions=[
                         (os.POSIX_SPAWN_OPEN, 1, output, os.O_WRONLY | os.O_CREAT, 0o600),
                         (os.POSIX_SPAWN_OPEN, 2, output + ".err", os.O_WRONLY | os.O_CREAT, 0o600)])
while True:
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        probe.connect(socket_path)
        ready = time.monotonic_ns()
        break
    except (FileNotFoundError, ConnectionRefusedError):
        pass
    finally:
        probe.close()
    if (wait_status := exited(pid)) is not None:
        fail(None, f"the console ended before its socket answered ({how_it_ended(wait_status)})")
    if time.monotonic_ns() - launched > 10e9:
        fail(pid, "the console's socket did not answer within 10 s")
    time.sleep(0.001)
peak_at_ready = last_peak = peak_kib(pid)

sent = subprocess.run([sender, "--sandbox", sandbox, "command", "1006"], capture_output=True,
                      text=True, timeout=15)
if sent.returncode != 0:
    fail(pid, f"quorvane-send command 1006 failed ({sent.returncode}): {sent.stderr.strip()}")
while (wait_status := exited(pid)) is None:
    last_peak = peak_kib(pid) or last_peak
    if time.monotonic_ns() - ready > 10e9:
        fail(pid, "the console did not end within 10 s of command 1006")
    time.sleep(0.001)
if os.waitstatus_to_exitcode(wait_status) != 0:
    fail(None, f"the console ended with {how_it_ended(wait_status)} after command 1006")
print(f"{(ready - launched) / 1e6:.2f} {peak_at_ready} {last_peak}")
PY
}

cpu_model=$(grep -m1 -E '^(model name|Hardware|Processor)' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
echo "machine: $(nproc) CPUs, ${cpu_model:-unknown CPU}, Linux $(uname -r)"
echo "console: $console (${build_type:-unknown} build), $runs starts"

for ((run = 1; run <= runs; run++)); do
  sandbox=$work/sandbox$run
  if ! measure_one_start "$sandbox" "$work/console$run.out" >>"$work/results"; then
    exit 2
  fi
done

# Median of the start-to-ready times (the target applies to it), min and max beside it; the peak
# of the hungriest run, at ready and as last seen before exit (the target applies to that).
read -r ready_min ready_median ready_max < <(cut -d' ' -f1 "$work/results" | sort -g | awk '
  { t[NR] = $1 }
  END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "%.1f %.1f %.1f\n", t[1], m, t[NR] }')
read -r ready_peak_kib last_peak_kib < <(awk '
  $2 > r { r = $2 } $3 > l { l = $3 } END { print r, l }' "$work/results")

verdict() { awk -v value="$1" -v limit="$2" 'BEGIN { print (value <= limit ? "ok" : "MISSED") }'; }
mib() { awk -v kib="$1" 'BEGIN { printf "%.1f", kib / 1024 }'; }
ready_verdict=$(verdict "$ready_median" "$target_ready_ms")
rss_verdict=$(verdict "$last_peak_kib" "$((target_rss_mib * 1024))")
echo "start to ready: min $ready_min ms, median $ready_median ms, max $ready_max ms" \
  "(target: median <= $target_ready_ms ms) $ready_verdict"
echo "peak resident set (VmHWM): $(mib "$ready_peak_kib") MiB when ready," \
  "$(mib "$last_peak_kib") MiB last seen before exit" \
  "(target: <= $target_rss_mib MiB) $rss_verdict"
[[ $ready_verdict == ok && $rss_verdict == ok ]] || exit 1
