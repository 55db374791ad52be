#!/usr/bin/env bash
# Makes the README's pictures in docs/: the main window at 96 DPI and at 144 DPI, and the help
# window, each whole with its frame, on a virtual display where Wine draws the frames itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
"$root/scripts/install-deps.sh"
"$root/scripts/configure-windows.sh" "$build"
cmake --build "$build" -j"$(nproc)" --target Vandrel
unset DISPLAY

wine_reg() { "$root/tests/wine-run.sh" "$build" reg "$@" >/dev/null 2>&1 || true; }
desktop='HKCU\Control Panel\Desktop'
app=
finish() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    wine_reg delete "$desktop" /v LogPixels /f
    "$root/scripts/stop-wine.sh" "$build"
}
trap finish EXIT
trap 'exit 130' INT TERM

# A first, empty run sets up the display and the Wine prefix. Only the X tools are told the
# display; the wrapper keeps track of it itself.
"$root/tests/wine-run.sh" "$build" cmd /c exit >/dev/null
x() { DISPLAY=$(cat "$build/.xvfb-display") "$@"; }
# Wine draws the caption buttons with Marlett (from fonts-wine); this Wine build does not look
# in the package's font folder, so the font goes where every Windows program finds fonts.
fonts=$build/wineprefix/drive_c/windows/Fonts
if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    "$root/scripts/stop-wine.sh" "$build"
    "$root/tests/wine-run.sh" "$build" cmd /c exit >/dev/null
fi

window_of() {
    local found=
    for _ in $(seq 100); do
        found=$(x xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] && break
        sleep 0.2
    done
    [ -n "$found" ] || { echo "no window '$1' came up" >&2; exit 1; }
    echo "$found"
}

shoot() {  # window, picture
    sleep 1
    x import -window root -crop "$(x xdotool getwindowgeometry --shell "$1" | awk -F= '
        /^WIDTH/{w=$2} /^HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{printf "%dx%d+%d+%d", w, h, x, y}')" +repage "$2"
    echo "saved $2"
}

# Starts Vandrel at this DPI and leaves its window id in $main.
start_at() {
    wine_reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f
    "$root/tests/wine-run.sh" "$build" "$build/Vandrel.exe" &
    app=$!
    main=$(window_of '^Vandrel$')
}

stop_app() {
    "$root/tests/wine-run.sh" "$build" taskkill /f /im Vandrel.exe >/dev/null 2>&1 || true
    wait "$app" 2>/dev/null || true
    app=
}

start_at 96
shoot "$main" "$root/docs/vandrel-window.png"
# The focus starts on the first control; seven Tabs reach the help button.
x xdotool key Tab Tab Tab Tab Tab Tab Tab space
shoot "$(window_of '^Vandrel V1.5$')" "$root/docs/vandrel-help.png"
stop_app

start_at 144
shoot "$main" "$root/docs/vandrel-window-144dpi.png"
