#!/bin/bash
# Installs what the build and the tests need on Debian 12, only when it is missing.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686)
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
command -v Xvfb >/dev/null || need+=(xvfb xauth)
command -v xwd >/dev/null || need+=(x11-apps)
command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
if ! command -v wine >/dev/null || [ ! -e /usr/lib/wine/wine ] && ! dpkg -s wine32 >/dev/null 2>&1; then
    need+=(wine wine32)
fi
dpkg -s wine32 >/dev/null 2>&1 || need+=(wine32)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" != 0 ]; then
    echo "Missing packages: ${need[*]} (run as root to install them)" >&2
    exit 1
fi
echo "Installing: ${need[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" wine
