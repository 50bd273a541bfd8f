#!/bin/bash
# Installs what the build and the tests need on Debian 12, only when it is missing.
#
#   scripts/setup.sh          what building the chosen architecture (scripts/arch.sh) needs
#   scripts/setup.sh --run    also what running it needs: Wine for that architecture, Xvfb, tools
#
# wine32 is installed only where the kernel runs 32-bit code: elsewhere it cannot start, and
# Debian's plain "wine" would then pick it and fail for 64-bit programs too.
set -euo pipefail
source "$(dirname "$0")/arch.sh"
RUN=""
[ "${1:-}" = "--run" ] && RUN=1

need=()
if [ "$ZZ_ARCH" = x86_64 ]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
        need+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
else
    command -v i686-w64-mingw32-g++-posix >/dev/null ||
        need+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686)
fi
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
# widl (both architectures) and the system IDL files it imports, for the proxy/stub DLLs.
command -v "$ZZ_ARCH-w64-mingw32-widl" >/dev/null || need+=(mingw-w64-tools)
[ -f /usr/include/wine/wine/windows/oaidl.idl ] || need+=(libwine-dev)

I386=""
if [ -n "$RUN" ]; then
    command -v Xvfb >/dev/null || need+=(xvfb xauth)
    command -v xwd >/dev/null || need+=(x11-apps)
    command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
    command -v wineserver >/dev/null || need+=(wine)
    if [ "$ZZ_ARCH" = x86_64 ]; then
        [ -x /usr/lib/wine/wine64 ] || need+=(wine64 wine)
    else
        if ! zz_kernel_runs_32bit; then
            echo "This machine's kernel cannot run 32-bit code, so wine32 cannot run here:" \
                "use ARCH=x86_64 (or no ARCH at all)." >&2
            exit 2
        fi
        if [ ! -x /usr/lib/wine/wine ]; then
            need+=(wine32:i386 wine)
            I386=1
        fi
    fi
fi

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" != 0 ]; then
    echo "Missing packages: ${need[*]} (run as root to install them)" >&2
    exit 1
fi
echo "Installing: ${need[*]}"
if [ -n "$I386" ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}"
