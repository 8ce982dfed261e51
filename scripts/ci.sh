#!/usr/bin/env bash
# The builds the CI runs besides the default one of scripts/test.sh:
#   1. a Release build for /usr (as packagers build it) and the whole suite on it;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build and the whole suite on it;
#   3. the Debian package from the Release build, unpacked with `dpkg -x` into a scratch
#      folder, and the unpacked programs run (their versions, moru-device add and list, a
#      calendar screenshot that starts the unpacked companion);
#   4. scripts/lint.sh.
# Build folders: build-release/ and build-asan/ (kept between runs; ccache speeds them up).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
step() { printf '\n== ci: %s (%s)\n' "$1" "$(date -u +%H:%M:%S)"; }

step "Release build and tests"
BUILD_DIR="$here/build-release" BUILD_TYPE=Release CMAKE_ARGS="-DCMAKE_INSTALL_PREFIX=/usr" \
  scripts/test.sh

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
# The benchmarks are left out: they measure, and a sanitizer build measures nothing.
# Leaks are reported for our own code only (tests/lsan.supp lists the libraries' own).
ASAN_OPTIONS="abort_on_error=0:detect_leaks=1:strict_string_checks=1" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
  BUILD_DIR="$here/build-asan" BUILD_TYPE=RelWithDebInfo \
  CMAKE_ARGS="-DMORU_SANITIZE=ON -DMORU_BUILD_BENCH=OFF" scripts/test.sh

step "Debian package, unpacked and run"
deb=$(BUILD_DIR="$here/build-release" scripts/package.sh | tail -1)
scripts/smoke-package.sh "$deb"

step "lint"
BUILD_DIR="$here/build-release" scripts/lint.sh

step "done"
