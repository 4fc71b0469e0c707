#!/usr/bin/env bash
# Builds the game (installing what is missing) and starts it in this terminal from its package folder;
# "./play.sh web" builds the browser page instead and serves it on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVELK_TESTS=OFF >/dev/null
cmake --build build/release -j2 >/dev/null
if [ "${1:-}" = "web" ]; then
    ensure_packages emscripten python3
    emcmake cmake -S . -B build/web -DVELK_PLATFORM=web -DVELK_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
        -DVELK_HOST_PACKAGE_DIR="$PWD/build/release/package" >build/web-configure.log 2>&1 ||
        { cat build/web-configure.log; exit 1; }
    cmake --build build/web --target velk_page_folder -j2 >/dev/null
    port=${VELK_PORT:-8080}
    python3 -c "import socket; socket.socket().bind(('127.0.0.1', $port))" 2>/dev/null ||
        { echo "Port $port is taken: choose another with VELK_PORT=..." >&2; exit 1; }
    echo "VELK Keyboard Practice Game: open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/package >/dev/null 2>&1
fi
cd build/release/package
# Each game is kept where velk keeps them, for velk --games, --stats and --last.
exec ./VELKGAME.exe --keep "${XDG_DATA_HOME:-$HOME/.local/share}/velk/games"
