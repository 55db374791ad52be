#!/usr/bin/env bash
# Builds Vandrel.exe and starts it under Wine: on your display when there is one; with none,
# on a virtual display, saving a screenshot of the window and printing where it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
"$root/scripts/install-deps.sh"
"$root/scripts/configure-windows.sh" "$build"
cmake --build "$build" -j"$(nproc)" --target Vandrel
echo "built $build/Vandrel.exe"

# Whatever the wrapper starts (the wineserver, a virtual display) goes when this script ends,
# on every path out of it.
app=
stop_all() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    "$root/scripts/stop-wine.sh" "$build"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

if [ -n "${DISPLAY:-}" ]; then
    "$root/tests/wine-run.sh" "$build" "$build/Vandrel.exe"
    exit
fi

# No display: the wrapper starts a virtual one, where Wine draws the window frames itself.
# A first, empty run sets up the display and the Wine prefix before the program starts.
"$root/tests/wine-run.sh" "$build" cmd /c exit >/dev/null
"$root/tests/wine-run.sh" "$build" "$build/Vandrel.exe" &
app=$!
# Only the X tools below use the virtual display; the wrapper keeps track of it itself.
export DISPLAY=$(cat "$build/.xvfb-display")
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vandrel$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "${window:-}" ]; then
    echo "Vandrel did not show its window" >&2
    exit 1
fi
sleep 1
shot=$build/vandrel-window.png
import -window root -crop "$(xdotool getwindowgeometry --shell "$window" | awk -F= '
    /^WIDTH/{w=$2} /^HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{printf "%dx%d+%d+%d", w, h, x, y}')" "$shot"
echo "Vandrel is running on the virtual display $DISPLAY; screenshot of its window: $shot"
echo "Press Ctrl-C to end it."
wait "$app" || true
app=
