#!/usr/bin/env bash
# Kept games and their report as commands: what VELKGAME.exe --keep keeps and prunes, what velk-progress reads and refuses.
set -u
game=$(realpath "${1:-/nonexistent}")
STAGE="progress command"
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# VELKGAME.exe without a terminal fails its keyboard at once (exit 1): enough to see what it keeps.
if [ -x "$game" ]; then
    for f in VELKGAME.exe:1 VELKGSND1.wav:393968 VELKGSND2.wav:1504 VELKGSND3.wav:23656 \
             VELKGSND4.wav:9996 VELKGSND5.wav:34172 VELKGSND6.wav:27804; do
        head -c "${f#*:}" /dev/zero > "${f%%:*}"
    done
    mkdir games && touch games/notes.txt games/2000-01-01T00-00-00.demo.bak
    for i in $(seq 1000 1999); do : >"games/2000-01-01T00-00-00-$i.demo"; done
    "$game" --keep games </dev/null >out.txt 2>err.txt; code=$?
    new=$(ls games | grep -v "^2000-\|notes")
    check "--keep: this game kept, the oldest kept one pruned to 1,000, other files left" eval '[ $code -eq 1 ] &&
        [ "$(ls games | grep -c "^20[0-9-]*T[0-9-]*\.demo$")" -eq 1000 ] && [ ! -e games/2000-01-01T00-00-00-1000.demo ] &&
        [ -e games/notes.txt ] && [ -e games/2000-01-01T00-00-00.demo.bak ] && head -1 "games/$new" | grep -q ^VELKDEMO'
    : >file && "$game" --keep file/games </dev/null >out.txt 2>err.txt; code=$?
    check "--keep into a folder it cannot make: played, said once at the end" eval '[ $code -eq 1 ] &&
        [ "$(tail -1 err.txt)" = "VELKGAME.exe: this game was not kept (cannot write in '"'file/games'"': Not a directory)" ] &&
        [ "$(grep -c "not kept" err.txt)" -eq 1 ]'
    "$game" --keep games --play games/2000-01-01T00-00-00-1999.demo </dev/null >out.txt 2>err.txt; code=$?
    check "--keep with --play: refused in one line, exit 2" eval '[ $code -eq 2 ] && [ "$(cat err.txt)" = "VELKGAME.exe: --keep and --play do not go together" ]'
fi
report
