#!/usr/bin/env bash
# Sets up, builds and starts the calendar with the default device root ($MORU_ROOT, else
# ~/.local/share/moru-calendar). Arguments go to moru-calendar, e.g.
#   scripts/run.sh --scale 1
#   scripts/run.sh --screenshot /tmp/clock.png --screen 2
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}

wants_screenshot=0
for arg in "$@"; do
  case "$arg" in
    --screenshot|--screenshot=*|--quit|--help|-h) wants_screenshot=1 ;;
  esac
done
if [ "$wants_screenshot" -eq 0 ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: there is no display to show the calendar on ($DISPLAY and $WAYLAND_DISPLAY are empty).
Start it from a desktop session, or under a virtual display:
    xvfb-run -a scripts/run.sh
or take a picture of a screen without any display:
    scripts/run.sh --screenshot /tmp/clock.png            (the clock)
    scripts/run.sh --screenshot /tmp/month.png --screen 2 (the month calendar)
MSG
  exit 1
fi

"$here/scripts/setup.sh"
BUILD_DIR="$build" "$here/scripts/build.sh"
exec "$build/bin/moru-calendar" "$@"
