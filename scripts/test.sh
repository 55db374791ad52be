#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the text code natively under the
# sanitizers, then the Windows program and its tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

host=$root/build/host
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$host" -j"$(nproc)"
ctest --test-dir "$host" --output-on-failure

windows=$root/build/windows
"$root/scripts/configure-windows.sh" "$windows"
cmake --build "$windows" -j"$(nproc)"
# Says who runs the Windows programs; wine-run.sh decides it the same way for every run.
(. "$root/tests/wine-user.sh"; choose_wine_user "$windows"; echo "Windows programs run under Wine as $wine_user")
stop_wine() { "$root/scripts/stop-wine.sh" "$windows"; }
trap stop_wine EXIT
ctest --test-dir "$windows" --output-on-failure --timeout 600
