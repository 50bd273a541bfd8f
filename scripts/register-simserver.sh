#!/bin/bash
# Registers the simulation OPC server of the build tree in the build's Wine prefix (machine-wide,
# as regsvr32 does): ZZSimServer.dll (ZZSim.OpcServer, ZZSim.Flat) and ZZSimServer.exe, the same
# profiles out-of-process (ZZSim.OpcServerExe, ZZSim.FlatExe). Wine has no proxy/stub for the OPC
# interfaces, so ZZOpcProxy.dll is registered too, for each of its twelve interfaces that has none
# yet: another vendor's entry is never replaced (regsvr32 writes all twelve, so such entries are put
# back right after).
#
#   scripts/register-simserver.sh        register
#   scripts/register-simserver.sh -u     unregister (only the interfaces' entries that name ours)
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
OUR_PS='{8EE03AEE-9CB0-490B-9E54-F0A4180E0200}'
# IOPCServer, IOPCServerPublicGroups, IOPCBrowseServerAddressSpace, IOPCGroupStateMgt,
# IOPCPublicGroupStateMgt, IOPCSyncIO, IOPCAsyncIO, IOPCItemMgt, IEnumOPCItemAttributes, IOPCCommon,
# IOPCDataCallback, IOPCBrowse
IIDS=(39C13A4D-011E-11D0-9675-0020AFD8ADB3 39C13A4E-011E-11D0-9675-0020AFD8ADB3
    39C13A4F-011E-11D0-9675-0020AFD8ADB3 39C13A50-011E-11D0-9675-0020AFD8ADB3
    39C13A51-011E-11D0-9675-0020AFD8ADB3 39C13A52-011E-11D0-9675-0020AFD8ADB3
    39C13A53-011E-11D0-9675-0020AFD8ADB3 39C13A54-011E-11D0-9675-0020AFD8ADB3
    39C13A55-011E-11D0-9675-0020AFD8ADB3 F31DFDE2-07B6-11D2-B2D8-0060083BA1FB
    39C13A70-011E-11D0-9675-0020AFD8ADB3 39227004-A18F-4B57-8B0A-5235670F4468)
[ -f "$WINEPREFIX/system.reg" ] || zz_start_wine
# regsvr32 wants Windows paths; they also become the server entries.
win() { zz_wine winepath -w "$1" 2>/dev/null; }
# The proxy/stub class registered for an interface, in upper case; empty when there is none.
proxy_of() {
    zz_wine reg query "HKCR\\Interface\\{$1}\\ProxyStubClsid32" /ve 2>/dev/null | grep REG_SZ |
        grep -o '{[0-9A-Fa-f-]*}' | tr a-f A-F || true
}
if [ "${1:-}" = "-u" ]; then
    zz_wine regsvr32 /s /u "$(win "$DLL")"
    zz_wine "$EXE" /UnregServer
    # Interface by interface: only entries naming our proxy/stub go (regsvr32 /u would take all twelve).
    for iid in "${IIDS[@]}"; do
        if [ "$(proxy_of "$iid")" = "$OUR_PS" ]; then
            zz_wine reg delete "HKCR\\Interface\\{$iid}" /f >/dev/null
        fi
    done
    zz_wine reg delete "HKCR\\CLSID\\$OUR_PS" /f >/dev/null 2>&1 || true
    echo "ZZSimServer.dll, ZZSimServer.exe and our OPC proxy/stub entries unregistered in $WINEPREFIX"
    exit 0
fi
zz_wine regsvr32 /s "$(win "$DLL")"
zz_wine "$EXE" /RegServer
echo "ZZSimServer.dll and ZZSimServer.exe registered in $WINEPREFIX"
declare -A foreign=()
free=0
for iid in "${IIDS[@]}"; do
    ps="$(proxy_of "$iid")"
    if [ -n "$ps" ] && [ "$ps" != "$OUR_PS" ]; then
        foreign[$iid]="$ps"
    else
        free=$((free + 1))
    fi
done
if [ "$free" -eq 0 ]; then
    echo "Every OPC interface has a proxy/stub registered already: ZZOpcProxy.dll left out"
else
    zz_wine regsvr32 /s "$(win "$PROXY")"
    for iid in "${!foreign[@]}"; do
        zz_wine reg add "HKCR\\Interface\\{$iid}\\ProxyStubClsid32" /ve /d "${foreign[$iid]}" /f >/dev/null
    done
    echo "ZZOpcProxy.dll registered for the $free OPC interface(s) without another proxy/stub"
fi
