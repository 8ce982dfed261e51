#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite under CTest.
# BUILD_DIR, BUILD_TYPE and CMAKE_ARGS are handed to scripts/build.sh; arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
build=${BUILD_DIR:-$here/build}
cd "$build"
# Widget tests never need a display, not even while CTest lists them.
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
