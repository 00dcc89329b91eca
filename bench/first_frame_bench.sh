#!/usr/bin/env bash
# From launching the console in a window (Qt's offscreen platform, so no display is needed) to
# its dialog's first painted frame, over a number of starts on fresh sandboxes of the simulated
# terminal. Each start must end with status 0.
#
#   bench/first_frame_bench.sh [BUILD_DIR [RUNS]]     (defaults: build/default, 20)
#
# Exit status: 0 when the median meets the target, 1 when it misses, 2 when a run failed.
set -euo pipefail

build_dir=${1:-build/default}
runs=${2:-20}
readonly target_ms=500

probe=$build_dir/bench/first_frame_probe
if [[ ! -x $probe ]]; then
  echo "first_frame_bench: $probe is not built (cmake --build $build_dir)" >&2
  exit 2
fi
if ! command -v python3 >/dev/null; then
  echo "first_frame_bench: python3 is needed to time the start" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One start: prints the milliseconds from launch to the probe's "first frame" line.
measure_one_start() {
  python3 - "$probe" "$1" <<'PY'
import os, subprocess, sys, time

probe, sandbox = sys.argv[1:3]
environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
environment.pop("QUORVANE_BOARD", None)
launched = time.monotonic_ns()
run = subprocess.Popen([probe, sandbox], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       env=environment, text=True)
line = run.stdout.readline()
shown = time.monotonic_ns()
try:
    status = run.wait(timeout=20)
except subprocess.TimeoutExpired:
    run.kill()
    sys.exit("first_frame_bench: the console did not end after its first frame")
if line.strip() != "first frame" or status != 0:
    sys.exit(f"first_frame_bench: no first frame (status {status}): {run.stderr.read()[-2000:]}")
print(f"{(shown - launched) / 1e6:.1f}")
PY
}

cpu_model=$(grep -m1 -E '^(model name|Hardware|Processor)' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "machine: $(nproc) CPUs, ${cpu_model:-unknown CPU}, Linux $(uname -r)"
echo "console: $probe, $runs starts on the offscreen platform"
for ((run = 1; run <= runs; run++)); do
  measure_one_start "$work/sandbox$run" >>"$work/results" || exit 2
done

read -r low median high < <(sort -g "$work/results" | awk '
  { t[NR] = $1 }
  END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "%.1f %.1f %.1f\n", t[1], m, t[NR] }')
verdict=$(awk -v m="$median" -v t="$target_ms" 'BEGIN { print (m <= t ? "ok" : "MISSED") }')
echo "launch to first painted frame: min $low ms, median $median ms, max $high ms" \
  "(target: median <= $target_ms ms) $verdict"
[[ $verdict == ok ]]
