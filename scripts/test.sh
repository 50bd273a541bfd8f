#!/bin/bash
# Builds everything and runs every test through Wine, under Xvfb when there is no display.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh"
source "$ROOT/scripts/wine-env.sh"
# Tests always get their own virtual display, so they never disturb a desktop.
ZZ_FORCE_XVFB=1 zz_start_display
trap zz_stop_all EXIT
zz_virtual_desktop on
zz_start_wine
cd "$ZZ_BUILD"
ctest --output-on-failure --timeout 600 "$@"
