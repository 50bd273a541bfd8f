#!/bin/bash
# Configures (once) and builds the whole tree for 32-bit Windows.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ZZ_BUILD:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
fi
# Optional arguments name the targets to build (default: everything).
TARGETS=()
for t in "$@"; do TARGETS+=(--target "$t"); done
cmake --build "$BUILD" -j2 "${TARGETS[@]}"
