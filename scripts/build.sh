#!/bin/bash
# Configures and builds the whole tree for the chosen architecture (scripts/arch.sh): build/ for
# the 32-bit program, build-x64/ for the x86_64 test build.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/arch.sh"
"$ROOT/scripts/setup.sh"
if [ ! -f "$ZZ_BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$ZZ_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ZZ_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release
else
    # Configure again first: targets added since the last build are known before they are named.
    cmake -S "$ROOT" -B "$ZZ_BUILD" >/dev/null
fi
# Optional arguments name the targets to build (default: everything).
TARGETS=()
for t in "$@"; do TARGETS+=(--target "$t"); done
cmake --build "$ZZ_BUILD" -j2 "${TARGETS[@]}"
