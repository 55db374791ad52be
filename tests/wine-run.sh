#!/usr/bin/env bash
# Runs a Windows test program under Wine: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# Every run shares one private prefix, one persistent wineserver and, when there is no
# display, one virtual X display, so a test process starts in milliseconds. wine-user.sh
# decides which user runs Wine and where the prefix lives (in the build tree where it can).
set -euo pipefail

build=$(cd "$1" && pwd); shift
. "$(dirname "$0")/wine-user.sh"
choose_wine_user "$build"
record_wine_prefix "$build"

export WINEPREFIX="$wine_prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export LC_ALL=zh_CN.UTF-8
# Tells a test why Read-only does not stop writes when root runs Wine.
if [ "$wine_user" = root ]; then export VANDREL_WINE_RUN_BY_ROOT=1; else unset VANDREL_WINE_RUN_BY_ROOT; fi
unset LANGUAGE

exec 9>"$build/.wine-run.lock"
flock 9
if [ "$(id -u)" -eq 0 ]; then
    give_prefix_to_wine_user
    stage_programs "$build"
fi
if [ -z "${DISPLAY:-}" ]; then
    if [ ! -f "$build/.xvfb-display" ] || ! kill -0 "$(cat "$build/.xvfb-pid" 2>/dev/null)" 2>/dev/null; then
        for n in $(seq 90 130); do
            [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
            setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null 9>&- &
            echo $! > "$build/.xvfb-pid"
            echo ":$n" > "$build/.xvfb-display"
            for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
            if [ ! -e "/tmp/.X11-unix/X$n" ] || ! kill -0 "$(cat "$build/.xvfb-pid")" 2>/dev/null; then
                rm -f "$build/.xvfb-pid" "$build/.xvfb-display"
                echo "wine-run.sh: the virtual display Xvfb :$n did not come up" >&2
                exit 1
            fi
            break
        done
    fi
    if [ ! -f "$build/.xvfb-display" ]; then
        echo "wine-run.sh: no free X display number for Xvfb" >&2
        exit 1
    fi
    export DISPLAY=$(cat "$build/.xvfb-display")
    managed=N
else
    managed=Y
fi
# The display comes first: the desktop process that wineboot or the first window starts
# keeps the display it saw for as long as the wineserver runs.
if [ "$(cat "$build/.wine-display" 2>/dev/null)" != "$DISPLAY" ]; then
    as_wine_user wineserver -k >/dev/null 2>&1 9>&- || true
    echo "$DISPLAY" > "$build/.wine-display"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    as_wine_user wineboot -i >/dev/null 2>&1 9>&- || true
    rm -f "$build/.wine-managed"  # a new prefix has none of the settings below
fi
# On a display without a window manager Wine draws the frames itself and does not wait
# for a manager to answer; on the user's display the window manager takes them.
if [ "$(cat "$build/.wine-managed" 2>/dev/null)" != "$managed" ]; then
    as_wine_user wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1 9>&- || true
    echo "$managed" > "$build/.wine-managed"
fi
# -p keeps the server alive between test processes. Daemons must not inherit the lock.
as_wine_user wineserver -p >/dev/null 2>&1 9>&- || true
flock -u 9

# Wine starts helpers that outlive the program (the services, the desktop process) and
# hand them the program's standard error. Had they the caller's pipe, a caller waiting for
# the end of the output (CTest) would wait for as long as the wineserver lives; they get a
# file instead, which is passed on when the program has ended.
out=$(mktemp "$build/.wine-output.XXXXXX")
program=$1; shift
# A program of the build runs from its copy when the Wine user cannot reach the build tree.
if [ "$wine_programs" != "$build" ]; then
    case $program in
        */*) [ "$(cd "${program%/*}" 2>/dev/null && pwd)" = "$build" ] && program=$wine_programs/${program##*/} ;;
    esac
    cd "$wine_programs"
fi
set +e
as_wine_user wine "$program" "$@" >"$out" 2>&1 </dev/null 9>&-
status=$?
cat "$out"
rm -f "$out"
exit $status
