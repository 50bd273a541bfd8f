#!/bin/bash
# Builds everything and runs every test through Wine, under Xvfb when there is no display.
# The architecture is the one this machine can run (scripts/arch.sh; ARCH=i686|x86_64 forces
# one). Where that is x86_64, the 32-bit product is still built first, so it keeps compiling.
# Arguments go to ctest.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
echo "== Tests for $ZZ_ARCH: $ZZ_ARCH_WHY"
trap 'status=$?; zz_stop_all; echo "== Tests for $ZZ_ARCH ($ZZ_ARCH_WHY): $([ $status -eq 0 ] && echo passed || echo "FAILED (exit $status)")"; exit $status' EXIT
if [ "$ZZ_ARCH" != i686 ]; then
    # Only the shipped executables: the suite itself is built and run for x86_64 below.
    echo "== Building the 32-bit product in $(zz_build_dir i686) (compiled, not run)"
    ZZ_ARCH=i686 ZZ_BUILD="$(zz_build_dir i686)" "$ROOT/scripts/build.sh" ZIZAZOzivuvi DXMTrace ZZSimServer ZZSimServerExe ZZOpcProxy
fi
"$ROOT/scripts/setup.sh" --run
"$ROOT/scripts/build.sh"
# Tests always get their own virtual display, so they never disturb a desktop.
ZZ_FORCE_XVFB=1 zz_start_display
zz_virtual_desktop on
zz_start_wine
cd "$ZZ_BUILD"
# What failed is repeated last: a log that keeps only its beginning and end still shows it.
ctest --output-on-failure --timeout 600 "$@" || {
    status=$?
    echo "== Failed checks:"
    grep -a -h -A8 -E ": Failure|Exception thrown|crashed" Testing/Temporary/LastTest.log | head -150 || true
    exit $status
}
