#!/usr/bin/env bash
# Configures the Windows cross build in build/windows (or $1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
# The test wrapper is handed this path and runs from elsewhere: it must be absolute.
mkdir -p "$build"
build=$(cd "$build" && pwd)
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/wine-run.sh;$build" >/dev/null
