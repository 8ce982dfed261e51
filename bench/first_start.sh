#!/usr/bin/env bash
# The calendar's first start on a fresh device root, from exec to the PNG written
# (`moru-calendar --screenshot`), in three settings, RUNS times each (20 by default):
#   alone      nothing else runs for the root;
#   companion  the companion starts on the same fresh root at the same moment, as the
#              calendar's own start launches it: both create and open the store, read the
#              registry and write their first files side by side;
#   resident   a companion started on the fresh root a second earlier keeps running.
# Each line gives the median, the slowest run and the CPU time of the calendar (user + system,
# median), so that a slow start can be told apart from a start that waited.
# Usage: bench/first_start.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$here/build}}
calendar="$build/bin/moru-calendar"
companion="$build/bin/ringset"
runs=${RUNS:-20}
for program in "$calendar" "$companion"; do
  [ -x "$program" ] || { echo "no $program; build first" >&2; exit 1; }
done

work=$(mktemp -d)
runtime="$work/runtime"
mkdir -m 700 "$runtime"
companion_pid=""
cleanup() {
  [ -n "$companion_pid" ] && kill "$companion_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen

# One first start on a fresh root; prints "<wall µs> <cpu µs>".
first_start() {
  local root=$1 start end cpu
  start=$(date +%s%N)
  cpu=$( { TIMEFORMAT='%U %S'; time "$calendar" --root "$root" --screenshot "$work/shot.png" \
             2>/dev/null >/dev/null; } 2>&1 | tail -1)
  end=$(date +%s%N)
  [ -s "$work/shot.png" ] || { echo "no screenshot written" >&2; exit 1; }
  rm -f "$work/shot.png"
  awk -v wall="$(( (end - start) / 1000 ))" -v cpu="$cpu" \
    'BEGIN { split(cpu, t, " "); printf "%d %d\n", wall, (t[1] + t[2]) * 1e6 }'
}

stop_companion() {
  if [ -n "$companion_pid" ]; then
    "$companion" --root "$1" --quit >/dev/null 2>&1 || kill "$companion_pid" 2>/dev/null || true
    wait "$companion_pid" 2>/dev/null || true
    companion_pid=""
  fi
}

report() {
  local name=$1 file=$2 wall cpu
  wall=($(cut -d' ' -f1 "$file" | sort -n))
  cpu=($(cut -d' ' -f2 "$file" | sort -n))
  local n=${#wall[@]}
  awk -v name="$name" -v n="$n" -v median="${wall[$(( (n - 1) / 2 ))]}" \
    -v slowest="${wall[$(( n - 1 ))]}" -v cpu="${cpu[$(( (n - 1) / 2 ))]}" 'BEGIN {
      printf "%-10s median %6.1f ms, slowest %6.1f ms, calendar CPU median %5.1f ms (%d runs)\n",
        name, median / 1000, slowest / 1000, cpu / 1000, n }'
}

for setting in alone companion resident; do
  : >"$work/$setting.times"
  for ((i = 0; i < runs; i++)); do
    root="$work/$setting-$i"
    case $setting in
      companion)
        "$companion" --root "$root" >/dev/null 2>&1 &
        companion_pid=$!
        ;;
      resident)
        "$companion" --root "$root" >/dev/null 2>&1 &
        companion_pid=$!
        sleep 1
        ;;
    esac
    first_start "$root" >>"$work/$setting.times"
    stop_companion "$root"
    rm -rf "$root"
  done
  report "$setting" "$work/$setting.times"
done
