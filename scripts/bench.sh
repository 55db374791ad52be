#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=$root/build/windows
"$root/scripts/install-deps.sh"
"$root/scripts/configure-windows.sh" "$windows"
cmake --build "$windows" -j"$(nproc)" --target bench_apply bench_startup
# The wineserver and the virtual display go, however the run ends.
trap '"$root/scripts/stop-wine.sh" "$windows"' EXIT
"$root/tests/wine-run.sh" "$windows" "$windows/bench_apply.exe"
"$root/tests/wine-run.sh" "$windows" "$windows/bench_startup.exe"
