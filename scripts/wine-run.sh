#!/bin/bash
# CTest's emulator: runs one Windows executable in the build tree's Wine prefix.
#   wine-run.sh i686|x86_64 PROGRAM ARGS...   (without the architecture: the one scripts/arch.sh chooses)
case "${1:-}" in
    i686 | x86_64)
        ZZ_ARCH="$1"
        shift
        ;;
esac
source "$(dirname "$0")/wine-env.sh" || exit 2
if [ -z "${DISPLAY:-}" ]; then
    zz_start_display || exit 1
    trap 'kill $ZZ_XVFB_PID 2>/dev/null' EXIT
fi
[ -f "$WINEPREFIX/system.reg" ] || zz_start_wine
zz_wine "$@"
