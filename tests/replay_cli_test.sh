#!/usr/bin/env bash
# velk-replay as a command: exit codes, error messages, standard input, determinism and the log's tail.
set -u
replay=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
for f in VELKGAME.exe:1 VELKGSND1.wav:393968 VELKGSND2.wav:1504 VELKGSND3.wav:23656 \
         VELKGSND4.wav:9996 VELKGSND5.wav:34172 VELKGSND6.wav:27804; do
    head -c "${f#*:}" /dev/zero > "${f%%:*}"
done

passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

# A missing script: exit 2 and a message naming it, nothing run.
"$replay" no-such-script.txt > out.txt 2> err.txt; code=$?
check "missing script exits 2" test "$code" -eq 2
check "missing script is named" grep -q "no-such-script.txt" err.txt
check "missing script runs nothing" test ! -s out.txt

# A bad line: exit 2 with SCRIPT:LINE: why, nothing run, no high-score file written.
printf 'at 10 key b\n# fine\nat 20 key Space\nend 100\n' > bad.txt
"$replay" bad.txt > out.txt 2> err.txt; code=$?
check "bad line exits 2" test "$code" -eq 2
check "bad line is located" grep -q "^bad.txt:3: " err.txt
check "bad line runs nothing" test ! -s out.txt
check "bad line touches no file" test ! -e VELKGAME.CFG

# A directory given as the script.
mkdir adir
"$replay" adir > out.txt 2> err.txt; code=$?
check "directory as script exits 2" test "$code" -eq 2

# No arguments: usage and exit 2.
"$replay" > out.txt 2> err.txt; code=$?
check "no arguments exit 2" test "$code" -eq 2
check "no arguments print usage" grep -q "usage" err.txt

# The same script gives the same log, from a file or from standard input; the game's own exit does not
# change velk-replay's status.
printf 'at 10 key b\nat 4400 key Right\nat 4500 key Up\nbox ok 30\nat 9000 key Esc\n' > game.txt
rm -f VELKGAME.CFG; "$replay" game.txt > first.txt 2>/dev/null; code=$?
check "script run to its end exits 0" test "$code" -eq 0
rm -f VELKGAME.CFG; "$replay" - < game.txt > second.txt 2>/dev/null
check "standard input gives the same log" cmp -s first.txt second.txt
check "the log ends the game" grep -q "^9000 exit 1$" first.txt

# The tail: presents N, screen, then exactly 30 lines of 120 characters.
tail_ok() {
    local n
    n=$(grep -n '^screen$' first.txt | cut -d: -f1)
    [ -n "$n" ] || return 1
    sed -n "$((n - 1))p" first.txt | grep -qE '^presents [0-9]+$' || return 1
    [ "$(tail -n +"$((n + 1))" first.txt | wc -l)" -eq 30 ] || return 1
    local line
    while IFS= read -r line; do
        [ "$(printf '%s' "$line" | LC_ALL=C.UTF-8 wc -m)" -eq 120 ] || return 1
    done < <(tail -n +"$((n + 1))" first.txt)
}
check "the log's tail is the picture" tail_ok

# A script without an end line warns on stderr (the run ends only when the game does).
printf 'at 5 key Esc\n' > noend.txt
"$replay" noend.txt > out.txt 2> err.txt
check "no end line warns" grep -q "no 'end' line" err.txt

# --svg writes the final picture.
"$replay" --svg pic.svg game.txt > /dev/null 2>&1
check "svg written" grep -q "<svg" pic.svg

# Box delays that add up past the clock, and a script over 64 MiB: refused before anything runs.
printf 'box ok 9007199254740992\nbox ok 1\nend 10\n' > delays.txt
"$replay" delays.txt > out.txt 2> err.txt; code=$?
check "box delays past the clock exit 2 at their line" eval '[ "$code" -eq 2 ] && grep -q "^delays.txt:2: " err.txt'
head -c $((64 << 20)) /dev/zero | tr '\0' '#' > huge.txt && echo >> huge.txt
"$replay" huge.txt > out.txt 2> err.txt; code=$?
check "a script over 64 MiB exits 2 with a message" eval '[ "$code" -eq 2 ] && grep -q "larger than 64 MiB" err.txt'

echo "replay command: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
