#!/bin/bash
# Registers the simulation OPC server ZZSimServer.dll of the build tree in the build's Wine prefix
# (machine-wide, as regsvr32 does), so that ZIZAZOzivuvi can connect to ZZSim.OpcServer and ZZSim.Flat.
#
#   scripts/register-simserver.sh        register
#   scripts/register-simserver.sh -u     unregister
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
DLL="$ZZ_BUILD/ZZSimServer.dll"
if [ ! -f "$DLL" ]; then
    echo "$DLL not found: build first (scripts/build.sh ZZSimServer)" >&2
    exit 1
fi
UNREGISTER=()
if [ "${1:-}" = "-u" ]; then
    UNREGISTER=(/u)
fi
[ -f "$WINEPREFIX/system.reg" ] || zz_start_wine
# regsvr32 wants a Windows path; it also becomes the InprocServer32 entry.
zz_wine regsvr32 /s "${UNREGISTER[@]}" "$(zz_wine winepath -w "$DLL" 2>/dev/null)"
echo "ZZSimServer.dll ${UNREGISTER:+un}registered in $WINEPREFIX"
