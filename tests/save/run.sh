#!/usr/bin/env bash
# The record file against kills, a full disk, read-only files and folders, links, FIFOs and a second game,
# driven by velk-replay, which saves through the same POSIX code as the terminal program.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=save
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages strace util-linux || exit 1
ensure_release_build build/test || exit 1
WORK=$(mktemp -d /tmp/velk-save.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
chmod 755 "$WORK"
cp build/test/tools/velk-replay/velk-replay "$WORK/" || exit 1
replay=$WORK/velk-replay
cd "$WORK" || exit 1
for f in VELKGAME.exe:1 VELKGSND1.wav:393968 VELKGSND2.wav:1504 VELKGSND3.wav:23656 VELKGSND4.wav:9996 \
         VELKGSND5.wav:34172 VELKGSND6.wav:27804; do
    head -c "${f#*:}" /dev/zero > "${f%%:*}"
done
# Level 1 completed at 4800 (100 points, a save), level 2 started: the short game of the test suite.
{
    echo "at 10 key b"
    for _ in $(seq 9); do echo "at 4400 key Up"; done
    for _ in $(seq 117); do echo "at 4400 key Right"; done
    for _ in $(seq 9); do echo "at 4800 key Down"; done
    echo "at 4800 key Right"
    echo "end 6500"
} > game.txt
# The old record: copies that disagree, so a run saves twice (the reset to 0, then 100).
head -c 262144 /dev/zero > old.cfg
printf '\0\0\240\100' | dd of=old.cfg bs=1 seek=138380 conv=notrunc status=none
zero=$WORK/zero.cfg
head -c 262144 /dev/zero > "$zero"

copies_equal() {  # FILE: 262,144 bytes whose three record copies agree
    [ "$(stat -c %s "$1" 2>/dev/null)" = 262144 ] || return 1
    local a b c
    a=$(od -An -tx4 -j77600 -N4 "$1") b=$(od -An -tx4 -j138380 -N4 "$1") c=$(od -An -tx4 -j241180 -N4 "$1")
    [ "$a" = "$b" ] && [ "$b" = "$c" ]
}
old_or_new() { cmp -s VELKGAME.CFG old.cfg || copies_equal VELKGAME.CFG; }
no_temps() { ! ls -A | grep -q 'CFG\.tmp-'; }
holds_100() { copies_equal "$1" && [ "$(od -An -tx4 -j138380 -N4 "$1")" = " 42c80000" ]; }

# --- A kill at each system call of the run's two saves, then a clean run removes what it left. Memory
# calls are left out: how often the heap grows varies with address space randomisation.
cp old.cfg VELKGAME.CFG
strace -f -o trace.txt "$replay" game.txt > /dev/null
points=$(awk '{ name = $2; sub(/\(.*/, "", name); seen[name]++ }
    /newfstatat\(AT_FDCWD, "VELKGAME.CFG", .*AT_SYMLINK_NOFOLLOW/ && !start { start = 1 }
    start && !done && name !~ /^(brk|mmap|munmap)$/ { print name, seen[name] }
    /rename\(/ { renames++ } renames == 2 && /fsync\(/ { done = 1 }' trace.txt)
kills=0 bad=0
while read -r call when; do
    cp old.cfg VELKGAME.CFG
    { strace -f -o /dev/null -e inject="$call":signal=KILL:when="$when" "$replay" game.txt > /dev/null; } 2>/dev/null
    [ $? -eq 137 ] && kills=$((kills + 1)) || echo "no kill at $call #$when: the run took another path"
    old_or_new || { bad=$((bad + 1)); echo "after a kill at $call #$when: $(stat -c %s VELKGAME.CFG) bytes"; }
    "$replay" game.txt > /dev/null
    { no_temps && holds_100 VELKGAME.CFG; } || { bad=$((bad + 1)); echo "the save after a kill at $call #$when left temps or no record"; }
done <<< "$points"
echo "killed at $kills of $(wc -l <<< "$points") system calls of two saves"
check "every kill during a save leaves the old record or the new; the next save cleans up" \
    test "$kills" -ge 20 -a "$bad" -eq 0

# --- Kills at random moments of runs that save twice.
bad=0
for i in $(seq 150); do
    cp old.cfg VELKGAME.CFG
    "$replay" game.txt > /dev/null &
    sleep "0.00$((RANDOM % 10))$((RANDOM % 10))"
    kill -KILL $! 2>/dev/null
    wait $! 2>/dev/null
    old_or_new || bad=$((bad + 1))
done
check "150 kills at random moments leave the old record or the new ($bad did not)" test "$bad" -eq 0

# --- A full disk (a file size limit; the signal ignored as the terminal program does): the old record stays.
cp old.cfg VELKGAME.CFG
(ulimit -f 200; trap '' XFSZ; "$replay" game.txt > /dev/null)
check "a full disk keeps the old record and leaves no temporary file" eval 'cmp -s VELKGAME.CFG old.cfg && no_temps'

# --- Another game's save in progress keeps its temporary file; a stale one goes.
touch VELKGAME.CFG.tmp-stale0 VELKGAME.CFG.tmp-busy00
flock VELKGAME.CFG.tmp-busy00 sleep 5 & locker=$!
wait_until 5 eval 'flock -n VELKGAME.CFG.tmp-busy00 true; [ $? -ne 0 ]'
"$replay" game.txt > /dev/null
check "a save removes a killed save's temporary file and keeps a live one" \
    eval '[ ! -e VELKGAME.CFG.tmp-stale0 ] && [ -e VELKGAME.CFG.tmp-busy00 ]'
kill "$locker"; wait "$locker" 2>/dev/null; rm -f VELKGAME.CFG.tmp-busy00

# --- A link: its target is replaced beside itself, the link stays.
mkdir target && mv VELKGAME.CFG target/record && ln -s target/record VELKGAME.CFG && cp old.cfg target/record
"$replay" game.txt > /dev/null
check "a save through a symbolic link replaces its target and keeps the link" \
    eval '[ -L VELKGAME.CFG ] && holds_100 target/record'
rm -rf VELKGAME.CFG target

# --- Read-only cases, as an unprivileged user (root writes past permission bits).
as_user() { if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi; }
cp "$zero" VELKGAME.CFG && chmod 444 VELKGAME.CFG && chmod 777 .
as_user "$replay" game.txt > /dev/null
check "a read-only file is not written and stays" eval 'cmp -s VELKGAME.CFG "$zero" && no_temps'
chmod 666 VELKGAME.CFG && chmod 555 .
as_user "$replay" game.txt > /dev/null
check "a writable file in a read-only folder is written in place" holds_100 VELKGAME.CFG
chmod 755 . && rm -f VELKGAME.CFG

# --- A FIFO where a file should be: never opened (no hang), never replaced; reported as a missing file.
mkfifo VELKGAME.CFG
timeout 10 "$replay" game.txt > fifo.log
check "a FIFO record file counts as missing at each level start and stays a FIFO" \
    eval '[ "$(grep -c "was not found" fifo.log)" -eq 2 ] && [ -p VELKGAME.CFG ]'
rm VELKGAME.CFG && mv VELKGSND3.wav sound3 && mkfifo VELKGSND3.wav
timeout 10 "$replay" game.txt > fifo.log
check "a FIFO sound file fails the package check" grep -q '"VELK Game Error 3"' fifo.log
report
