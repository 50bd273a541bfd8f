#!/bin/bash
# Builds the release zip for Windows users: build/ZIZAZOzivuvi.zip with the program, its help,
# the trace viewer, the simulation server with its address spaces and (un)register scripts, and
# a short German/English readme. Checks first that every executable imports system DLLs only.
# Always the 32-bit build: cross-compiling it works on every machine, whatever its kernel runs.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
ZZ_ARCH=i686 ZZ_BUILD="$BUILD" "$ROOT/scripts/build.sh" ZIZAZOzivuvi DXMTrace ZZSimServer
"$ROOT/scripts/check-imports.sh" "$BUILD/ZIZAZOzivuvi.exe" "$BUILD/tools/DXMTrace.exe" "$BUILD/ZZSimServer.dll"
STAGE="$BUILD/dist/ZIZAZOzivuvi"
rm -rf "$BUILD/dist" "$BUILD/ZIZAZOzivuvi.zip"
mkdir -p "$STAGE"
cp "$BUILD/ZIZAZOzivuvi.exe" "$BUILD/ZIZAZOzivuvi.htm" "$BUILD/tools/DXMTrace.exe" "$BUILD/ZZSimServer.dll" \
    "$BUILD/plant.cfg" "$BUILD/flat.cfg" "$STAGE/"
cp "$ROOT/scripts/register-simserver.bat" "$ROOT/dist/unregister-simserver.bat" "$ROOT/dist/LIESMICH.txt" "$STAGE/"
(cd "$BUILD/dist" && cmake -E tar cf "$BUILD/ZIZAZOzivuvi.zip" --format=zip ZIZAZOzivuvi)
echo "Package: $BUILD/ZIZAZOzivuvi.zip"
