#!/usr/bin/env bash
# Redraws the README's pictures with velk-replay and velk-progress: the information screen, a level a few seconds
# in, the first levels of a game recorded in the terminal (tests/demos/level-climb.demo) as an animated GIF, and the
# progress chart of the three regression demos.
# usage: docs/make-pictures.sh BUILD_DIR   (a built tree, e.g. build/test)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
replay=$(cd "$1" && pwd)/tools/velk-replay/velk-replay
play=$(mktemp -d)
trap 'rm -rf "$play"' EXIT
cp "$1"/package/VELKGSND*.wav "$play"/
: > "$play"/VELKGAME.exe
cd "$play"
printf 'end 100\n' | "$replay" --svg "$root/docs/info-screen.svg" - > /dev/null
{
    echo "at 10 key b"
    for _ in $(seq 40); do echo "at 4400 key Right"; done
    echo "at 4500 key Up"; echo "at 4500 key Up"
    echo "end 9000"
} | "$replay" --svg "$root/docs/level.svg" - > /dev/null
"$replay" --gif "$root/docs/level-climb.gif" --from 10400 --to 32000 "$root/tests/demos/level-climb.demo" > /dev/null
mkdir games && cp "$root"/tests/demos/*.demo games/
"$(dirname "$replay")/../velk-progress/velk-progress" --stats games --svg "$root/docs/progress.svg" > /dev/null
