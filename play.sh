#!/usr/bin/env bash
# Builds the game (installing what is missing) and starts it in this terminal from its package folder.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVELK_TESTS=OFF >/dev/null
cmake --build build/release -j2 >/dev/null
cd build/release/package
if [ ! -x ./VELKGAME.exe ]; then
    echo "Built the package's sound files and velk-replay; the terminal program itself is not written yet."
    exit 0
fi
exec ./VELKGAME.exe
