#!/usr/bin/env bash
# Measures VELKGAME.exe in a pseudo-terminal: CPU share and wake-ups over 10 s on the information screen and in
# level 1, and key-to-picture latency; then again with SDL's dummy sound driver, whose thread plays into nothing;
# then both again recording a demo.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}"

build=${VELK_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_BENCH=ON -DVELK_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target velk_program velk_pty_probe >/dev/null
[ -f "$build/package/VELKGSND1.wav" ] || cmake --build "$build" -j2 >/dev/null

work=$(mktemp -d /tmp/velk-probe.XXXXXX)
trap 'rm -rf "$work"' EXIT
probe() {  # probe NAME [GAME ARGUMENT...]: a fresh package folder each time, so each run meets the missing-record box
    mkdir "$work/$1"
    cp "$build"/package/VELKGAME.exe "$build"/package/VELKGSND?.wav "$work/$1/"
    "$build/bench/velk_pty_probe" "$work/$1" "${@:2}"
}
echo "sound as this machine has it (SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-unset}):"
probe default
echo "SDL_AUDIODRIVER=dummy:"
SDL_AUDIODRIVER=dummy probe dummy
echo "recording a demo (--record):"
probe recording --record demo.txt
echo "recording a demo (--record), SDL_AUDIODRIVER=dummy:"
SDL_AUDIODRIVER=dummy probe recording-dummy --record demo.txt
