#!/bin/bash
# CTest's emulator: runs one Windows executable in the build tree's Wine prefix.
#   wine-run.sh i686|x86_64 PROGRAM ARGS...
ZZ_ARCH="$1"
shift
source "$(dirname "$0")/wine-env.sh" || exit 2
if [ -z "${DISPLAY:-}" ]; then
    zz_start_display || exit 1
    trap 'kill $ZZ_XVFB_PID 2>/dev/null' EXIT
fi
[ -f "$WINEPREFIX/system.reg" ] || zz_start_wine
zz_wine "$@"
