#!/bin/bash
# Builds everything, registers the simulation OPC server in the build's Wine prefix, starts the
# DXMTrace viewer and then ZIZAZOzivuvi connected to the simulated plant.
#
#   scripts/run.sh                       interactive, on $DISPLAY (or a private Xvfb without one)
#   scripts/run.sh --screenshot out.png  headless: waits, saves a screenshot, closes everything
#   scripts/run.sh -- <program args>     other command line for ZIZAZOzivuvi (default /u1 ZZSim.OpcServer)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOT=""
WAIT=8
ARGS=("/u1" "ZZSim.OpcServer")
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) SHOT="$2"; shift 2 ;;
        --seconds) WAIT="$2"; shift 2 ;;
        --) shift; ARGS=("$@"); break ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

source "$ROOT/scripts/wine-env.sh"
echo "== Running the $ZZ_ARCH program: $ZZ_ARCH_WHY"
VIEWER=""
PROGRAM=""
# Whatever happens, the programs, the wineserver and the Xvfb started here end with the script.
stop_run() {
    local status=$?
    [ -n "$PROGRAM" ] && kill "$PROGRAM" 2>/dev/null
    [ -n "$VIEWER" ] && kill "$VIEWER" 2>/dev/null
    zz_stop_all
    echo "== Ran the $ZZ_ARCH program ($ZZ_ARCH_WHY): exit $status"
    exit $status
}
trap stop_run EXIT
"$ROOT/scripts/setup.sh" --run
"$ROOT/scripts/build.sh" ZIZAZOzivuvi DXMTrace ZZSimServer ZZSimServerExe ZZOpcProxy
if [ -n "$SHOT" ] || [ -z "${DISPLAY:-}" ]; then
    ZZ_FORCE_XVFB=1 zz_start_display
    [ -n "$SHOT" ] || echo "No display: running on the virtual display $DISPLAY (use --screenshot FILE to see it)."
    zz_virtual_desktop on
else
    zz_virtual_desktop off
fi
zz_start_wine
"$ROOT/scripts/register-simserver.sh" >/dev/null

cd "$ZZ_BUILD"
zz_wine tools/DXMTrace.exe /stdout >"$ZZ_BUILD/trace.log" 2>/dev/null </dev/null &
VIEWER=$!
sleep 2
zz_wine ZIZAZOzivuvi.exe "${ARGS[@]}" </dev/null &
PROGRAM=$!
if [ -n "$SHOT" ]; then
    sleep "$WAIT"
    case "$SHOT" in /*) ;; *) SHOT="$ROOT/$SHOT" ;; esac
    import -window root "$SHOT"
    echo "Screenshot: $SHOT"
else
    wait "$PROGRAM" || true
    PROGRAM=""
fi
echo "Trace lines: $ZZ_BUILD/trace.log"
