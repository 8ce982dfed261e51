#!/usr/bin/env bash
# The CI's builds and checks besides the default build:
#   release   a Release build for /usr (as packagers build it) and the whole suite on it;
#   sanitize  an AddressSanitizer + UndefinedBehaviorSanitizer build and the whole suite on it;
#   package   the Debian package from the Release build, unpacked with `dpkg -x` into a
#             scratch folder, and the unpacked programs run (their versions, moru-device add
#             and list, a calendar screenshot that starts the unpacked companion);
#   lint      scripts/lint.sh (clang-format and clang-tidy) over every file.
# `scripts/ci.sh` runs all four in that order; `scripts/ci.sh sanitize package lint` runs the
# ones named (.ci/run does so after it has built and tested the Release build itself).
# Build folders: build-release/ and build-asan/ (kept between runs; ccache speeds them up).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
step() { printf '\n== ci: %s (%s)\n' "$1" "$(date -u +%H:%M:%S)"; }

steps=("$@")
((${#steps[@]})) || steps=(release sanitize package lint)
for s in "${steps[@]}"; do
  case $s in
    release | sanitize | package | lint) ;;
    *) echo "ci: unknown step '$s' (release, sanitize, package, lint)" >&2; exit 2 ;;
  esac
done

for s in "${steps[@]}"; do
  case $s in
    release)
      step "Release build and tests"
      BUILD_DIR="$here/build-release" BUILD_TYPE=Release \
        CMAKE_ARGS="-DCMAKE_INSTALL_PREFIX=/usr" scripts/test.sh
      ;;
    sanitize)
      step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
      # The benchmarks are left out: they measure, and a sanitizer build measures nothing.
      # Leaks are reported for our own code only (tests/lsan.supp lists the libraries' own).
      ASAN_OPTIONS="abort_on_error=0:detect_leaks=1:strict_string_checks=1" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
        BUILD_DIR="$here/build-asan" BUILD_TYPE=RelWithDebInfo \
        CMAKE_ARGS="-DMORU_SANITIZE=ON -DMORU_BUILD_BENCH=OFF" scripts/test.sh
      ;;
    package)
      step "Debian package, unpacked and run"
      deb=$(BUILD_DIR="$here/build-release" scripts/package.sh | tail -1)
      scripts/smoke-package.sh "$deb"
      ;;
    lint)
      step "lint"
      BUILD_DIR="$here/build-release" scripts/lint.sh
      ;;
  esac
done
step "done"
