#!/usr/bin/env bash
# velk-replay, VELKGAME.exe and velk as commands: their options, exit codes, error messages, standard input, determinism
# and the log's tail; the demos they refuse or read, and what --record will not write over.
set -u
replay=$(realpath "$1")
velk=$(realpath "$(dirname "$0")/../tools/velk/velk.sh")
game=$(realpath "${2:-/nonexistent}")
demo=$(realpath "$(dirname "$0")/demos/level-climb.demo")
readme=$(realpath "$(dirname "$0")/../README.md")
version=$(sed -n "1s/.* //p" "$demo")
STAGE="replay command"
. "$(dirname "$0")/lib.sh"
scratch || exit 1
for f in VELKGAME.exe:1 VELKGSND1.wav:393968 VELKGSND2.wav:1504 VELKGSND3.wav:23656 \
         VELKGSND4.wav:9996 VELKGSND5.wav:34172 VELKGSND6.wav:27804; do
    head -c "${f#*:}" /dev/zero > "${f%%:*}"
done
run() { "$replay" "$@" > out.txt 2> err.txt; code=$?; }  # run ARGS...: code, out.txt, err.txt
helps() {  # helps COMMAND...: --help prints, on standard output, a text that README.md shows; exit 0
    "$@" --help >help.txt 2>err.txt && [ ! -s err.txt ] &&
        python3 -c 'import sys; sys.exit(open(sys.argv[1]).read() not in open(sys.argv[2]).read())' help.txt "$readme"
}

# Bad input: exit 2, a message that names the problem, nothing run and no high-score file written.
run no-such-script.txt
check "missing script: exit 2, named, nothing run" eval '[ $code -eq 2 ] && grep -q no-such-script.txt err.txt && [ ! -s out.txt ]'
printf 'at 10 key b\n# fine\nat 20 key Space\nend 100\n' > bad.txt
run bad.txt
check "bad line: exit 2, located, nothing run" eval '[ $code -eq 2 ] && grep -q "^bad.txt:3: " err.txt && [ ! -s out.txt ]'
check "bad line touches no file" test ! -e VELKGAME.CFG
mkdir adir
run adir
check "directory as script exits 2" test "$code" -eq 2

# The command line: --help and --version on standard output, exit 0; a refusal is one line naming what is wrong, exit 2,
# before anything is run or made (the demo lasts 46279 ms; the script's end line is at 100 ms).
check "velk-replay --help: exit 0, the text README shows; --version" eval 'helps "$replay" &&
    [ "$("$replay" --version)" = "velk-replay $version" ]'
printf 'end 100\n' >end.txt && cp "$demo" climb.demo
for row in "|no SCRIPT or DEMO given; try --help" "--fast end.txt|unknown option '--fast'; try --help" \
    "end.txt --gif|--gif: needs a FILE; try --help" "--timedemo=1 end.txt|--timedemo: takes no value; try --help" \
    "--svg a.svg --svg=b.svg end.txt|--svg: given twice; try --help" "end.txt end.txt|unexpected argument 'end.txt'; try --help" \
    "--from 5 end.txt|--from: goes with --gif; try --help" "--gif m.gif --speed 0 end.txt|--speed: not a speed from 0.01 to 1000: '0'; try --help" \
    "--gif m.gif --from -5 end.txt|--from: not a whole number of milliseconds: '-5'; try --help" \
    "--gif m.gif --to abc end.txt|--to: not a whole number of milliseconds: 'abc'; try --help" \
    "--gif m.gif --from 30 --to 10 end.txt|--to 10 is not after --from 30; try --help" \
    "--gif m.gif --to 101 end.txt|--to 101: 'end.txt' ends at 100 ms; try --help" \
    "--gif m.gif --from 46279 climb.demo|--from 46279: 'climb.demo' ends at 46279 ms; try --help" \
    "--svg /proc/x.svg climb.demo|cannot write '/proc/x.svg': No such file or directory" \
    "--gif /proc/x.gif climb.demo|cannot write '/proc/x.gif': No such file or directory"; do
    before=$(ls) && run ${row%|*}
    check "velk-replay ${row%|*}: '${row#*|}', exit 2, nothing run or made" eval '[ $code -eq 2 ] && [ ! -s out.txt ] &&
        [ "$(cat err.txt)" = "velk-replay: ${row#*|}" ] && [ "$(ls)" = "$before" ]'
done

# The same script gives the same log, from a file or from standard input; the game's own exit code does
# not change velk-replay's status.
printf 'at 10 key b\nat 4400 key Right\nat 4500 key Up\nbox ok 30\nat 9000 key Esc\n' > game.txt
rm -f VELKGAME.CFG; run game.txt; cp out.txt first.txt
check "script run to its end exits 0" test "$code" -eq 0
rm -f VELKGAME.CFG; "$replay" - < game.txt > second.txt 2>/dev/null
check "standard input gives the same log" cmp -s first.txt second.txt
check "the log ends the game" grep -q "^9000 exit 1$" first.txt
# The tail: presents N, screen, then 30 lines of 120 characters.
check "the log's tail is the picture" eval '[ "$(tail -n 32 first.txt | head -2 | tr "\n" " " | sed "s/[0-9][0-9]*//")" = "presents  screen " ] &&
    [ "$(tail -n 30 first.txt | LC_ALL=C.UTF-8 wc -m)" -eq $((30 * 121)) ]'

printf 'at 5 key Esc\n' > noend.txt
run noend.txt
check "no end line warns" grep -q "no 'end' line" err.txt
"$replay" --svg pic.svg game.txt > /dev/null 2>&1
check "--svg writes the final picture" grep -q "<svg" pic.svg

# Demos (what the reader takes and refuses, line by line, is the suite's DemoFile tests): another game version is
# refused before anything runs (exit 2), a cut one plays with its note, one the game parts from stops there (exit 3).
sed '1s/ [0-9.]*$/ 0.9/' "$demo" >old.demo
run old.demo
check "a demo of another version: exit 2, one line, nothing run" eval '[ $code -eq 2 ] && [ ! -s out.txt ] &&
    [ "$(cat err.txt)" = "old.demo:1: made by VELK 0.9; this is VELK $(sed -n "1s/.* //p" "$demo")" ]'
gzip -nc "$demo" >zipped.demo && run zipped.demo
check "a compressed demo: exit 2, one line saying so, no raw byte" eval '[ $code -eq 2 ] && [ "$(cat err.txt)" = "zipped.demo:1: neither a VELK demo nor a script: gzip-compressed data, starting \\x1f\\x8b\\x08\\x00\\x00\\x00\\x00\\x00" ]'
printf '{"version": 2}\n' >cast.json && run cast.json
check "another program's text: one line saying so" test "$(cat err.txt)" = "cast.json:1: unknown directive '{\"version\":': neither a script nor a VELK demo"
head -c -1 "$demo" >cut.demo && run cut.demo && lines=$(wc -l <"$demo")
check "a cut last line: played up to the line before, which it names" eval '[ $code -eq 0 ] && tail -n 33 out.txt | grep -q "^[0-9]* end$" &&
    [ "$(cat err.txt)" = "cut.demo:$lines: the last line is cut off; playing the demo up to line $((lines - 1))" ]'
sed '0,/^p /s/^p ...../p 12345/' "$demo" >other.demo
run other.demo
check "a picture unlike the recorded one: exit 3, when and what" eval '[ $code -eq 3 ] &&
    grep -q "other.demo: out of step at [0-9]* ms (demo line [0-9]*): the pictures presented" err.txt'

# Box delays that add up past the clock, and a script over 64 MiB: refused before anything runs.
printf 'box ok 9007199254740992\nbox ok 1\nend 10\n' > delays.txt
run delays.txt
check "box delays past the clock exit 2 at their line" eval '[ "$code" -eq 2 ] && grep -q "^delays.txt:2: " err.txt'
head -c $((64 << 20)) /dev/zero | tr '\0' '#' > huge.txt && echo >> huge.txt
run huge.txt
check "a script over 64 MiB exits 2 with a message" eval '[ "$code" -eq 2 ] && grep -q "larger than 64 MiB" err.txt'

# VELKGAME.exe and the launcher velk take the same command line and refuse it in the same words, before anything is
# made (velk would make the player's folder). --record refuses a game file (which paths are, the suite's DemoLayer
# tests); a damaged demo to --play is refused at its line; an accepted command line
# without a terminal is refused in one line too, making or changing no file.
if [ -x "$game" ]; then
    check "VELKGAME.exe and velk --help: exit 0, the texts README shows; VELKGAME.exe --version" eval 'helps "$game" &&
        helps sh "$velk" && [ "$("$game" --version)" = "VELKGAME.exe $version" ]'
    for row in "--fast|unknown option '--fast'" "--rec x.demo|unknown option '--rec'" "--play|--play: needs a DEMO file" \
        "--record=|--record: needs a DEMO file" "--help=1|--help: takes no value" "--play=a --play b|--play: given twice" \
        "--speed 0 --play x|--speed: not a speed from 0.01 to 1000: '0'" "x.demo|unexpected argument 'x.demo'" \
        "--record a --play b|--record and --play do not go together" "--overwrite|--overwrite: goes with --record" \
        "--speed=2|--speed: goes with --play"; do
        for program in VELKGAME.exe velk; do
            command=$game && [ $program = VELKGAME.exe ] || command="sh $velk"
            before=$(ls) && XDG_DATA_HOME=$work/data $command ${row%|*} </dev/null >out.txt 2>err.txt; code=$?
            check "$program ${row%|*}: '${row#*|}', exit 2, nothing made" eval '[ $code -eq 2 ] && [ ! -s out.txt ] &&
                [ "$(cat err.txt)" = "$program: ${row#*|}; try --help" ] && [ "$(ls)" = "$before" ]'
        done
    done
    check "velk's own: --svg alone, --last with --games: refused in one line" eval '[ "$(sh "$velk" --svg x 2>&1)" = \
        "velk: --svg: goes with --stats; try --help" ] && [ "$(sh "$velk" --last --games 2>&1)" = "velk: --last and --games do not go together; try --help" ]'
    sums() { cksum VELKGAME.exe VELKGSND?.wav kept.demo; }
    rm -f VELKGAME.CFG && cp "$demo" kept.demo && sed '0,/^p /s/^p ./p x/' "$demo" >bad.demo && before=$(sums)
    for row in "2 --record VELKGAME.CFG|record file VELKGAME.CFG" "2 --play bad.demo|^bad.demo:[0-9]*: a picture check" \
        "4 --overwrite --record=kept.demo|^VELKGAME.exe: standard input is not a terminal; start the game from a terminal, its keyboard as input$"; do
        read -r status args <<<"${row%|*}"
        "$game" $args </dev/null >out.txt 2>err.txt; code=$?
        check "$args: exit $status, one line, nothing written" eval '[ $code -eq $status ] && [ "$(wc -l <err.txt)" -eq 1 ] &&
            grep -q -- "${row#*|}" err.txt && [ "$(sums)" = "$before" ] && [ ! -e VELKGAME.CFG ]'
    done
fi
report
