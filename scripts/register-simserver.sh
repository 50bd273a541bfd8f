#!/bin/bash
# Registers the simulation OPC server of the build tree in the build's Wine prefix (machine-wide,
# as regsvr32 does): ZZSimServer.dll (ZZSim.OpcServer, ZZSim.Flat) and ZZSimServer.exe, the same
# profiles out-of-process (ZZSim.OpcServerExe, ZZSim.FlatExe). Wine has no proxy/stub for the OPC
# interfaces, so ZZOpcProxy.dll is registered too, unless one is registered already.
#
#   scripts/register-simserver.sh        register
#   scripts/register-simserver.sh -u     unregister (ZZOpcProxy.dll only if it is ours)
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
DLL="$ZZ_BUILD/ZZSimServer.dll"
EXE="$ZZ_BUILD/ZZSimServer.exe"
PROXY="$ZZ_BUILD/ZZOpcProxy.dll"
for f in "$DLL" "$EXE" "$PROXY"; do
    if [ ! -f "$f" ]; then
        echo "$f not found: build first (scripts/build.sh ZZSimServer ZZSimServerExe ZZOpcProxy)" >&2
        exit 1
    fi
done
OPCSERVER_PS='HKCR\Interface\{39C13A4D-011E-11D0-9675-0020AFD8ADB3}\ProxyStubClsid32'
OUR_PS='{8EE03AEE-9CB0-490B-9E54-F0A4180E0200}'
[ -f "$WINEPREFIX/system.reg" ] || zz_start_wine
# regsvr32 wants Windows paths; they also become the server entries.
win() { zz_wine winepath -w "$1" 2>/dev/null; }
if [ "${1:-}" = "-u" ]; then
    zz_wine regsvr32 /s /u "$(win "$DLL")"
    zz_wine "$EXE" /UnregServer
    if zz_wine reg query "$OPCSERVER_PS" /ve 2>/dev/null | grep -qi "$OUR_PS"; then
        zz_wine regsvr32 /s /u "$(win "$PROXY")"
    fi
    echo "ZZSimServer.dll, ZZSimServer.exe and our OPC proxy/stub unregistered in $WINEPREFIX"
    exit 0
fi
zz_wine regsvr32 /s "$(win "$DLL")"
zz_wine "$EXE" /RegServer
echo "ZZSimServer.dll and ZZSimServer.exe registered in $WINEPREFIX"
if zz_wine reg query "$OPCSERVER_PS" >/dev/null 2>&1; then
    echo "A proxy/stub for the OPC interfaces is registered already: ZZOpcProxy.dll left out"
else
    zz_wine regsvr32 /s "$(win "$PROXY")"
    echo "ZZOpcProxy.dll registered for the OPC interfaces"
fi
