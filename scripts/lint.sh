#!/usr/bin/env bash
# Checks the formatting of every C++ file against .clang-format and runs clang-tidy
# (.clang-tidy) over every source file, and over the project's headers through them. Any
# finding fails. BUILD_DIR names the build whose compile_commands.json clang-tidy reads
# (default build/, configured here when it has none). LINT_BASE=<commit> checks only the
# files changed since that commit.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cd "$here"
folders='app|store|screens|editors|ringset|platform|tools|resources|tests|bench'

if [ -n "${LINT_BASE:-}" ]; then
  mapfile -t files < <({ git diff --name-only --diff-filter=d "$LINT_BASE" -- '*.cpp' '*.h'
                         git ls-files --others --exclude-standard -- '*.cpp' '*.h'; } | sort -u)
else
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
fi
if ((${#files[@]} == 0)); then
  echo "lint: no C++ files to check"
  exit 0
fi

status=0
echo "lint: clang-format on ${#files[@]} files"
clang-format --dry-run --Werror "${files[@]}" || status=1

if [ ! -f "$build/compile_commands.json" ]; then
  BUILD_DIR="$build" "$here/scripts/build.sh"
fi
sources=()
for f in "${files[@]}"; do
  [[ $f == *.cpp ]] && sources+=("^$here/$f\$")
done
if ((${#sources[@]})); then
  echo "lint: clang-tidy on ${#sources[@]} sources and the headers they include"
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  # Only the project's own headers, never Qt's or the system's; the build folder's generated
  # files are left to their generators.
  tidy=0
  run-clang-tidy -p "$build" -j "$(nproc)" -quiet \
    -header-filter "^$here/($folders)/" "${sources[@]}" >"$log" 2>&1 || tidy=$?
  sed -i 's/\x1b\[[0-9;]*m//g' "$log"
  if grep -E ': (warning|error):' "$log" >/dev/null; then
    # A header's finding is reported once for each source that includes it.
    grep -E ': (warning|error):' "$log" | sort -u
    echo "lint: clang-tidy found $(grep -E ': (warning|error):' "$log" | sort -u | wc -l) problems"
    status=1
  elif ((tidy != 0)); then
    # No finding, yet clang-tidy failed: it did not check what it was given.
    tail -20 "$log"
    echo "lint: clang-tidy failed (status $tidy) without a finding"
    status=1
  fi
fi
exit $status
