#!/usr/bin/env bash
# Installs whatever the build and the tests need and is not there yet.
# Quick and silent when everything is already installed. Needs root (apt-get).
set -euo pipefail

need=()
need_root() {
    if [ "$(id -u)" != 0 ]; then
        echo "install-deps.sh: $1; this needs root. Run it once as root (or with sudo):" >&2
        echo "    sudo $0" >&2
        exit 1
    fi
}
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for pkg in g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 cmake make g++ googletest libgtest-dev xvfb \
           xdotool imagemagick fonts-wqy-microhei fonts-wine locales wine wine32:i386; do
    have_pkg "$pkg" || need+=("$pkg")
done

if ((${#need[@]})); then
    need_root "missing packages: ${need[*]}"
    echo "installing: ${need[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the locale; zh_CN.UTF-8 gives 936.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    need_root "the zh_CN.UTF-8 locale is missing"
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
