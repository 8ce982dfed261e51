#!/usr/bin/env bash
# Builds the Debian package: a Release build installed under /usr, packed by CPack into
# <build>/moru-calendar_<version>_<arch>.deb (the path is printed last). BUILD_DIR chooses
# the build folder (default build-release/); a folder that already holds a Release build
# for /usr, such as the CI's, is reused as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-release}
"$here/scripts/setup.sh"
BUILD_DIR="$build" BUILD_TYPE=Release \
  CMAKE_ARGS="-DCMAKE_INSTALL_PREFIX=/usr ${CMAKE_ARGS:-}" "$here/scripts/build.sh"
cd "$build"
rm -f ./*.deb
cpack -G DEB >/dev/null
ls "$build"/*.deb
