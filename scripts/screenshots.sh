#!/bin/bash
# Renews the README's pictures: runs the walkthrough end-to-end test, which saves them on the
# way, and converts them to PNG in docs/.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
trap zz_stop_all EXIT
"$ROOT/scripts/setup.sh" --run
"$ROOT/scripts/build.sh" e2e_tests ZIZAZOzivuvi ZZSimServer
ZZ_FORCE_XVFB=1 zz_start_display
zz_virtual_desktop on
zz_start_wine
SHOTS="$(mktemp -d)"
ZZ_SHOTS_DIR="Z:${SHOTS//\//\\}" zz_wine "$ZZ_BUILD/tests/e2e_tests.exe" --gtest_filter='*Walkthrough*'
for name in main-window live-values preview; do
    convert "$SHOTS/$name.bmp" "$ROOT/docs/$name.png"
done
cp "$SHOTS/clipboard.txt" "$ROOT/docs/clipboard.txt"
rm -rf "$SHOTS"
echo "Pictures in $ROOT/docs"
