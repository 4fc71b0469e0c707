#!/usr/bin/env bash
# Kept games and their report as commands: VELKGAME.exe --keep's refusals, what velk-progress reads and refuses.
set -u
progress=$(realpath "$1")
game=$(realpath "${2:-/nonexistent}")
demos=$(realpath "$(dirname "$0")/demos")
STAGE="progress command"
. "$(dirname "$0")/lib.sh"
scratch || exit 1
run() { "$progress" "$@" >out.txt 2>err.txt; code=$?; }  # run ARGS...: code, out.txt, err.txt

# The folder's side: a foreign file and a demo the game parts from named and not counted, the rest listed; the
# summaries cached (a damaged cache rebuilt) so that the next report gives the same.
mkdir kept && cp "$demos"/*.demo kept/ && echo hello >kept/notes.txt
sed '0,/^r 1:1:27:0$/s//r 1:1:25:0/' "$demos/level-climb.demo" >kept/changed.demo
export TZ=UTC
run --games kept
check "--games: one line a game, oldest first; the others named on standard error" eval '[ $code -eq 0 ] &&
    [ "$(cat out.txt)" = "2026-12-06 08:25:50      0:46  levels  1 to  9  score   3600  lives lost 1
2026-12-06 08:25:51      0:47  levels  1 to  5  score   1000  lives lost 6
2026-12-06 08:25:51      0:35  levels 16 to 21  score   9000  lives lost 0" ] && [ "$(wc -l <err.txt)" -eq 2 ] &&
    grep -q "^velk-progress: skipped changed.demo: out of step at 12148 ms" err.txt && grep -q "^velk-progress: skipped notes.txt:1: not a VELK demo" err.txt'
cp out.txt cold.txt && run --games kept
check "the cached summaries give the same" eval '[ $code -eq 0 ] && cmp -s out.txt cold.txt && grep -q "^level-climb.demo" kept/.summaries'
sed -i 's/^\(level-climb.demo\t[^\t]*\t[^\t]*\t\).*/\11 2 3/' kept/.summaries && run --games kept
check "a damaged cache is rebuilt" eval '[ $code -eq 0 ] && cmp -s out.txt cold.txt && grep -q "^level-climb.demo.* 3600 " kept/.summaries'
run --stats kept --svg chart.svg
check "--stats --svg: the report, and an SVG picture that parses, without scripts" eval '[ $code -eq 0 ] &&
    grep -q "^Best level 21, best score 9000$" out.txt && ! grep -q "<script" chart.svg &&
    python3 -c "import sys, xml.dom.minidom; sys.exit(xml.dom.minidom.parse(\"chart.svg\").documentElement.tagName != \"svg\")"'

# Bad input: one line naming it, exit 2, nothing written.
for row in "--games|option '--games' needs an argument; try --help" "--stats kept --bogus|unknown option '--bogus'; try --help" \
    "--games kept --stats kept|give one of --games DIR and --stats DIR; try --help" "--games kept --svg x.svg|--svg goes with --stats; try --help" \
    "--games kept more|unexpected argument 'more'; try --help" "--games missing|cannot read the folder 'missing': No such file or directory" \
    "--stats kept --svg no/x.svg|cannot write 'no/x.svg': No such file or directory"; do
    run ${row%|*}
    check "velk-progress ${row%|*}: exit 2, one line" eval '[ $code -eq 2 ] && [ "$(cat err.txt)" = "velk-progress: ${row#*|}" ] && [ ! -s out.txt ]'
done

# VELKGAME.exe in a pseudo-terminal, ended by Esc (exit 1; sent until it ends, as it may not be reading yet): a game it
# cannot keep (what it keeps and prunes is the suite's DemoLayer tests).
esc_run() {  # esc_run ARGS...: the game with ARGS; code, and out.txt with all it wrote (standard error too)
    for _ in $(seq 40); do sleep 0.25; printf '\033'; done | TERM=xterm timeout 20 script -qec "$game $*" /dev/null >out.txt 2>&1
    code=$?
}
if [ -x "$game" ]; then
    for f in VELKGAME.exe:1 VELKGSND1.wav:393968 VELKGSND2.wav:1504 VELKGSND3.wav:23656 \
             VELKGSND4.wav:9996 VELKGSND5.wav:34172 VELKGSND6.wav:27804; do
        head -c "${f#*:}" /dev/zero > "${f%%:*}"
    done
    : >file && esc_run --keep file/games
    check "--keep into a folder it cannot make: played, said once at the end" eval '[ $code -eq 1 ] &&
        [ "$(grep -ac "not kept" out.txt)" -eq 1 ] &&
        tail -c 100 out.txt | grep -aqF "VELKGAME.exe: this game was not kept (cannot write in '"'file/games'"': Not a directory)"'
    "$game" --keep games --play x.demo </dev/null >out.txt 2>err.txt; code=$?
    check "--keep with --play: refused in one line, exit 2" eval '[ $code -eq 2 ] && [ "$(cat err.txt)" = "VELKGAME.exe: --keep and --play do not go together; try --help" ]'
fi
report
