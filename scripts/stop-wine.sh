#!/usr/bin/env bash
# Stops the persistent wineserver and the virtual display that the tests of a build started.
build=${1:?build directory}
. "$(dirname "$0")/../tests/wine-user.sh"
stop_wineserver_of "$(cat "$build/.wine-prefix" 2>/dev/null || echo "$build/wineprefix")"
if [ -f "$build/.xvfb-pid" ]; then
    kill "$(cat "$build/.xvfb-pid")" >/dev/null 2>&1 || true
    rm -f "$build/.xvfb-pid" "$build/.xvfb-display"
fi
