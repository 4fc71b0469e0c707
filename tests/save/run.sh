#!/usr/bin/env bash
# The record file against kills, a full disk, read-only files and folders, links, FIFOs and a second game,
# driven by velk-replay, which saves through the same POSIX code as the terminal program.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=save
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages strace util-linux python3 || exit 1
ensure_sanitizer_build || exit 1
KILL_IN_SAVE=$PWD/tests/save/kill_in_save.py
scratch && chmod 755 . && umask 022 || exit 1
cp "$OLDPWD"/build/asan/tools/velk-replay/velk-replay "$OLDPWD"/build/asan/package/VELKGSND*.wav . && touch VELKGAME.exe || exit 1
# Level 1 completed at 4800 (100 points, a save), level 2 started: the short game of the test suite.
echo "at 10 key b" > game.txt
printf 'at 4400 key %s\n' $(yes Up | head -9) $(yes Right | head -117) >> game.txt
printf 'at 4800 key %s\n' $(yes Down | head -9) Right >> game.txt
echo "end 6500" >> game.txt
# The old record: copies that disagree, so a run saves twice (the reset to 0, then 100).
head -c 262144 /dev/zero > zero.cfg
cp zero.cfg old.cfg && printf '\0\0\240\100' | dd of=old.cfg bs=1 seek=138380 conv=notrunc status=none

copies() { for at in 77600 138380 241180; do od -An -tx4 -j$at -N4 "$1"; done; }  # the record's three copies
copies_equal() { [ "$(stat -c %s "$1" 2>/dev/null)" = 262144 ] && [ "$(copies "$1" | uniq | wc -l)" = 1 ]; }
old_or_new() { cmp -s VELKGAME.CFG old.cfg || copies_equal VELKGAME.CFG; }
no_temps() { ! ls -A | grep -q 'CFG\.tmp-'; }
# closes_each TEXT TRACE: in an strace log, each file opened whose line holds TEXT is closed before the next is opened
closes_each() { awk -v t="$1" 'index($0, t) && / = [0-9]+$/ { fd = $NF; n++ } fd != "" && index($0, "close(" fd ")") { c++; fd = "" }
    END { exit !(n && c == n) }' "$2"; }
holds_100() { copies_equal "$1" && [ "$(copies "$1" | head -1)" = " 42c80000" ]; }

# --- A kill at each system call of the run's two saves, then a clean run removes what they left. Memory
# calls are left out: how often the heap grows varies with address space randomisation.
cp old.cfg VELKGAME.CFG
strace -f -o trace.txt ./velk-replay game.txt > /dev/null
points=$(awk '{ name = $2; sub(/\(.*/, "", name); seen[name]++ }
    /newfstatat\(AT_FDCWD, "VELKGAME.CFG", .*AT_SYMLINK_NOFOLLOW/ && !start { start = 1 }
    start && !done && name !~ /^(brk|mmap|munmap)$/ { print name, seen[name] }
    /rename\(/ { renames++ } renames == 2 && /fsync\(/ { done = 1 }' trace.txt)
kills=0 bad=
while read -r call when; do
    cp old.cfg VELKGAME.CFG
    { strace -f -o /dev/null -e inject="$call":signal=KILL:when="$when" ./velk-replay game.txt > /dev/null; } 2>/dev/null
    [ $? -eq 137 ] && kills=$((kills + 1))
    old_or_new || bad="$bad $call#$when"
done <<< "$points"
./velk-replay game.txt > /dev/null
check "a kill at each of $kills system calls of two saves leaves the old or new record${bad:+, not at$bad}; the next save cleans up" \
    eval '[ "$kills" -ge 20 ] && [ -z "$bad" ] && no_temps && holds_100 VELKGAME.CFG'

# --- Kills at random moments of the runs' two saves: each from the moment the save's temporary file appears, within
# the time a temporary file lived in three whole runs here (the median). One that lands before the rename leaves
# the temporary file, which tells it landed inside the save; a third of them must.
spans=$(for _ in 1 2 3; do cp old.cfg VELKGAME.CFG && python3 "$KILL_IN_SAVE" span ./velk-replay game.txt; done | xargs)
inside=0
for _ in $(seq 150); do
    cp old.cfg VELKGAME.CFG && rm -f VELKGAME.CFG.tmp-*
    python3 "$KILL_IN_SAVE" "$spans" ./velk-replay game.txt
    no_temps || inside=$((inside + 1))
    old_or_new || break
done
check "150 kills at random moments of two saves (the temporary file lived $spans us), $inside of them inside one, leave the old record or the new" \
    eval 'old_or_new && [ "$inside" -ge 50 ]'

# --- A full disk (a file size limit; the signal ignored as the terminal program does): the old record stays.
cp old.cfg VELKGAME.CFG && (ulimit -f 200; trap '' XFSZ; ./velk-replay game.txt > /dev/null)
check "a full disk keeps the old record and leaves no temporary file" eval 'cmp -s VELKGAME.CFG old.cfg && no_temps'

# --- Links: the last target is replaced beside itself, each relative target read from its link's folder.
mkdir target && cp old.cfg target/record && ln -sf record target/link && ln -sf target/link VELKGAME.CFG
./velk-replay game.txt > /dev/null
check "a save through two symbolic links replaces the last target and keeps the links" \
    eval '[ -L VELKGAME.CFG ] && [ -L target/link ] && holds_100 target/record && [ ! -e record ]'

# --- Read-only cases, as an unprivileged user (root writes past permission bits).
rm VELKGAME.CFG && cp zero.cfg VELKGAME.CFG && chmod 444 VELKGAME.CFG && chmod 777 .
as_user ./velk-replay game.txt > /dev/null
check "a read-only file is not written and stays" eval 'cmp -s VELKGAME.CFG zero.cfg && no_temps'
chmod 666 VELKGAME.CFG && chmod 555 .
as_user ./velk-replay game.txt > /dev/null
check "a writable file in a read-only folder is written in place" holds_100 VELKGAME.CFG

# --- A FIFO where a file should be: never opened (no hang), never replaced; reported as a missing file.
chmod 755 . && rm VELKGAME.CFG && mkfifo VELKGAME.CFG
timeout 10 ./velk-replay game.txt > fifo.log
check "a FIFO record file counts as missing at each level start and stays a FIFO" \
    eval '[ "$(grep -c "was not found" fifo.log)" -eq 2 ] && [ -p VELKGAME.CFG ]'

# --- Another game's save in progress (it holds a lock on its temporary file) keeps that file.
rm VELKGAME.CFG
flock VELKGAME.CFG.tmp-busy00 sleep 5 & locker=$!
wait_until 5 eval '! flock -n VELKGAME.CFG.tmp-busy00 true'
strace -f -o busy.txt -e trace=openat,close ./velk-replay game.txt > /dev/null
check "a save keeps (and closes) the temporary file of another game's save in progress; the new file is rw-r--r-- (umask 022)" \
    eval 'test -e VELKGAME.CFG.tmp-busy00 && [ "$(stat -c %a VELKGAME.CFG)" = 644 ] && closes_each tmp-busy00 busy.txt'
kill "$locker"

rm VELKGSND3.wav && mkfifo VELKGSND3.wav
timeout 10 ./velk-replay game.txt > fifo.log
check "a FIFO sound file fails the package check" grep -q '"VELK Game Error 3"' fifo.log
report
