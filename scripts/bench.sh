#!/bin/bash
# Builds zz_bench and prints its timing figures, run through Wine as the tests are. Optional
# argument: only the figures whose name contains it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
trap zz_stop_all EXIT
"$ROOT/scripts/setup.sh" --run
"$ROOT/scripts/build.sh" zz_bench
# The same display and desktop as the tests, so the list figures include the same drawing.
ZZ_FORCE_XVFB=1 zz_start_display
zz_virtual_desktop on
zz_start_wine
echo "Architecture: $ZZ_ARCH ($ZZ_ARCH_WHY)"
zz_wine "$ZZ_BUILD/bench/zz_bench.exe" "$@"
