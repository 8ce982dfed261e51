#!/usr/bin/env bash
# Start-up and idle cost of the calendar.
#   1. Cold start: `moru-calendar --screenshot` from exec to the PNG written, median of RUNS.
#   2. With the clock visible (repainting every 471 ms) for DURATION seconds: CPU use as a
#      share of one core and resident memory, read from /proc. Runs under Xvfb when it is
#      installed (a real X server, as on a desktop), else on the offscreen platform.
# Usage: bench/startup.sh [build-dir]   (RUNS=20 DURATION=60 by default)
# The companion is replaced by /bin/true so that only the calendar is measured.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$here/build}}
calendar="$build/bin/moru-calendar"
runs=${RUNS:-20}
duration=${DURATION:-60}
[ -x "$calendar" ] || { echo "no $calendar; build first" >&2; exit 1; }

work=$(mktemp -d)
runtime="$work/runtime"; mkdir -m 700 "$runtime"
xvfb_pid=""; cal_pid=""
cleanup() {
  [ -n "$cal_pid" ] && kill "$cal_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$runtime" MORU_RINGSET=/bin/true
root="$work/root"

# --- 1. cold start to PNG ---
"$calendar" --root "$root" --screenshot "$work/warm.png" 2>/dev/null  # creates the store
times=()
for ((i = 0; i < runs; i++)); do
  start=$(date +%s%N)
  "$calendar" --root "$root" --screenshot "$work/shot.png" 2>/dev/null
  end=$(date +%s%N)
  [ -s "$work/shot.png" ] || { echo "no screenshot written" >&2; exit 1; }
  times+=($(( (end - start) / 1000 )))
  rm -f "$work/shot.png"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$(( runs / 2 ))]}
printf 'cold start to PNG: median %d.%03d ms over %d runs (min %d.%03d, max %d.%03d)\n' \
  $((median / 1000)) $((median % 1000)) "$runs" \
  $((sorted[0] / 1000)) $((sorted[0] % 1000)) $((sorted[runs - 1] / 1000)) $((sorted[runs - 1] % 1000))

# --- 2. idle clock: CPU and memory ---
if command -v Xvfb >/dev/null; then
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
  platform="Xvfb"
else
  export QT_QPA_PLATFORM=offscreen
  platform="offscreen"
fi
"$calendar" --root "$root" --scale 1 2>/dev/null &
cal_pid=$!
sleep 3  # start-up done, first paints over
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$cal_pid/stat"; }
t0=$(cpu_ticks); s0=$(date +%s%N)
sleep "$duration"
t1=$(cpu_ticks); s1=$(date +%s%N)
rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$cal_pid/status")
hwm_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$cal_pid/status")
awk -v dt="$((t1 - t0))" -v hz="$ticks" -v ns="$((s1 - s0))" -v p="$platform" \
  'BEGIN { printf "idle clock on %s: CPU %.2f %% of one core over %.0f s\n", p, 100 * dt / hz / (ns / 1e9), ns / 1e9 }'
printf 'resident memory: %d.%d MB now, %d.%d MB peak\n' \
  $((rss_kb / 1024)) $(( (rss_kb % 1024) * 10 / 1024 )) $((hwm_kb / 1024)) $(( (hwm_kb % 1024) * 10 / 1024 ))
"$calendar" --root "$root" --quit
wait "$cal_pid" || true
cal_pid=""
