#!/usr/bin/env bash
# Configures and builds into build/ (BUILD_DIR chooses another folder, BUILD_TYPE another
# build type than RelWithDebInfo; CMAKE_ARGS adds configure options, e.g.
# CMAKE_ARGS="-DMORU_SANITIZE=ON"). Warnings are errors.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
read -r -a extra <<<"${CMAKE_ARGS:-}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "${extra[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
