#!/usr/bin/env bash
# Unpacks a built package (`dpkg -x`, no root needed) into a scratch folder and runs the
# programs from there as an installed copy: each one's --version, moru-device add and list,
# a calendar screenshot, and a calendar start, which must start the unpacked companion.
#   scripts/smoke-package.sh build-release/moru-calendar_0.1.0_amd64.deb
set -euo pipefail
deb=$1
scratch=$(mktemp -d)
companion_pid=
cleanup() {
  [ -n "$companion_pid" ] && kill "$companion_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "smoke: $*" >&2; exit 1; }

dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency in $deb"
dpkg -x "$deb" "$scratch/tree"
tree=$scratch/tree
root=$scratch/root
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset MORU_RINGSET MORU_ROOT

version=$(dpkg-deb --field "$deb" Version)
for program in usr/bin/moru-calendar usr/bin/moru-device usr/libexec/moru-calendar/ringset; do
  out=$("$tree/$program" --version)
  [ "$out" = "$(basename "$program") (Moru Calendar) $version" ] || fail "$program --version: $out"
done

oid=$("$tree/usr/bin/moru-device" --root "$root" add --subject "Smoke test" \
  --start "2030-01-02 10:00" --reminder 5)
listed=$("$tree/usr/bin/moru-device" --root "$root" list)
[[ $listed == "$oid"$'\t'"2030-01-02 10:00:00"*"Smoke test" ]] || fail "list: $listed"
# Export runs in the unpacked helper program beside the companion.
exported=$("$tree/usr/bin/moru-device" --root "$root" export 2>&1) || fail "export: $exported"
[[ $exported == *"SUMMARY:Smoke test"* ]] || fail "export: $exported"

"$tree/usr/bin/moru-calendar" --root "$root" --screenshot "$scratch/month.png" --screen 2 \
  2>"$scratch/shot.err" || fail "screenshot: $(cat "$scratch/shot.err")"
[ -s "$scratch/month.png" ] || fail "no screenshot written"

# Started as from the menu, the calendar starts the unpacked companion for its root.
"$tree/usr/bin/moru-calendar" --root "$root" 2>"$scratch/calendar.err" &
calendar_pid=$!
for _ in $(seq 200); do
  [ -f "$root/My Documents/MoruCalendar/MoruCalendar.dat" ] && break
  sleep 0.05
done
for _ in $(seq 100); do
  companion_pid=$(pgrep -x -f "$tree/usr/libexec/moru-calendar/ringset" || true)
  [ -n "$companion_pid" ] && break
  sleep 0.05
done
"$tree/usr/bin/moru-calendar" --root "$root" --quit || fail "moru-calendar --quit"
wait "$calendar_pid" || fail "the calendar ended with status $?"
[ -n "$companion_pid" ] || fail "the unpacked companion did not start: $(cat "$scratch/calendar.err")"
! grep -q companion "$scratch/calendar.err" || fail "$(cat "$scratch/calendar.err")"
"$tree/usr/libexec/moru-calendar/ringset" --root "$root" --quit || fail "ringset --quit"
companion_pid=
echo "smoke: $(basename "$deb") unpacked and ran: versions, add/list/export, screenshot, companion"
