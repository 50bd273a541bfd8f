#!/bin/bash
# Builds the release zip for Windows users: build/ZIZAZOzivuvi.zip with the program, its help,
# the trace viewer, the simulation server (DLL and EXE) with its address spaces and (un)register
# scripts, our proxy/stub for the OPC interfaces, and
# a short German/English readme; beside it build/ZIZAZOzivuvi.sha256 with a SHA-256 sum of every
# file in the zip (also inside it as SHA256SUMS.txt). Checks first that every executable imports
# system DLLs only. The packed copies are stripped of their symbols.
#
# Always the 32-bit build: cross-compiling it works on every machine, whatever its kernel runs.
# Where build/ exists already, this only brings it up to date and packs: no root, no Wine.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
TARGETS=(ZIZAZOzivuvi DXMTrace ZZSimServer ZZSimServerExe ZZOpcProxy)
if [ -f "$BUILD/CMakeCache.txt" ]; then
    cmake --build "$BUILD" -j2 --target "${TARGETS[@]}"
else
    ZZ_ARCH=i686 ZZ_BUILD="$BUILD" "$ROOT/scripts/build.sh" "${TARGETS[@]}"
fi
SHIPPED=("$BUILD/ZIZAZOzivuvi.exe" "$BUILD/tools/DXMTrace.exe" "$BUILD/ZZSimServer.dll" "$BUILD/ZZSimServer.exe"
         "$BUILD/ZZOpcProxy.dll")
"$ROOT/scripts/check-imports.sh" "${SHIPPED[@]}"
STAGE="$BUILD/dist/ZIZAZOzivuvi"
ZIP="$BUILD/ZIZAZOzivuvi.zip"
SUMS="$BUILD/ZIZAZOzivuvi.sha256"
rm -rf "$BUILD/dist" "$ZIP" "$SUMS"
mkdir -p "$STAGE"
cp "${SHIPPED[@]}" "$BUILD/ZIZAZOzivuvi.htm" "$BUILD/plant.cfg" "$BUILD/flat.cfg" "$STAGE/"
cp "$ROOT/scripts/register-simserver.bat" "$ROOT/dist/unregister-simserver.bat" "$ROOT/dist/LIESMICH.txt" "$STAGE/"
i686-w64-mingw32-strip --strip-all "$STAGE"/*.exe "$STAGE"/*.dll
(cd "$STAGE" && sha256sum -- * >"$BUILD/dist/SHA256SUMS.txt" && mv "$BUILD/dist/SHA256SUMS.txt" .)
(cd "$BUILD/dist" && cmake -E tar cf "$ZIP" --format=zip ZIZAZOzivuvi)
# The list beside the zip names the files with the folder they have in it.
sed 's|  |  ZIZAZOzivuvi/|' "$STAGE/SHA256SUMS.txt" >"$SUMS"
echo "Package: $ZIP"
echo "SHA-256 of its files: $SUMS"
