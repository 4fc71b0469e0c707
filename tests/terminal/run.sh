#!/usr/bin/env bash
# Terminal stage: VELKGAME.exe in detached tmux sessions, keys by send-keys, the screen by capture-pane. It checks what
# only the terminal backend can get wrong: colours and glyphs, keys and escape sequences, boxes, sound, idle wake-ups,
# signals and crashes, restore and exit.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=terminal
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages tmux python3 strace || exit 1

PACKAGE=${VELK_TERMINAL_PACKAGE:-$PWD/build/asan/package}
[ -n "${VELK_TERMINAL_PACKAGE:-}" ] || ensure_sanitizer_build || { check "the sanitizer build" false; report; exit; }
WORK=$(mktemp -d /tmp/velk-terminal.XXXXXX)
TMUX_SOCKET=velk-terminal-$$
trap 'tmux_stop; rm -rf "$WORK"' EXIT
PRESS="Press 'B' to begin."

# The pane's command: the game in the terminal's foreground under a non-interactive shell (which does not repair the
# terminal itself), with its pid, the terminal mode around it, what it left in the input, and last its exit code.
# Standard error stays on the terminal, where messages must appear once the game has restored it.
cat >"$WORK/pane.sh" <<'PANE'
cd "$1" || exit 1
ulimit -c 0
stty -g >before.stty
sh -c 'echo $$ >pid; exec ./VELKGAME.exe ${VELK_ARGS:-}'
code=$?
stty -g >after.stty
stty -icanon min 0 time 5 && dd bs=1 count=1 of=typed.txt 2>/dev/null
echo $code >rc
exec sleep 600
PANE

package_dir() { dir=$WORK/$1; [ -d "$dir" ] || { mkdir -p "$dir" && cp "$PACKAGE/VELKGAME.exe" "$PACKAGE"/VELKGSND?.wav "$dir/"; }; }
launch() {  # launch NAME [COLSxROWS [VAR=VALUE...]]: the game from the package folder $WORK/NAME (made if missing)
    local name=$1 size=${2:-120x30}
    shift $(($# < 2 ? $# : 2))
    package_dir "$name"
    tmux_start "$name" "$size" env LC_ALL=C.UTF-8 TERM=tmux-256color "$@" sh "$WORK/pane.sh" "$dir"
    wait_file "$dir/pid" 10
}
launch_ready() { launch "$@" && wait_for "$1" "$PRESS" >/dev/null; }  # launch_ready ARGS: launched, on its first screen
pid_of() { cat "$WORK/$1/pid"; }
pane() { tm display -p -t "$1" '#{alternate_on} #{cursor_flag} #{pane_title}'; }
cells() { tm capture-pane -p -e -N -t "$1" | python3 tests/terminal/cells.py "${@:2}"; }  # cells NAME ARGS: see cells.py
same_picture() { tm capture-pane -p -e -N -t "$1" | cmp -s "$2" -; }  # same_picture NAME CAPTURE
says() { [ "$(tm capture-pane -p -t "$1" | grep .)" = "$2" ]; }  # says NAME TEXT: the pane's only text, line by line
raw() { tm send-keys -t "$1" -H "${@:2}"; }  # raw NAME HEX...: bytes as a terminal sends them
nonzero_bytes() { tr -d '\000' <"$1" 2>/dev/null | wc -c; }
silent() { test -s "$1" && [ "$(nonzero_bytes "$1")" -eq 0 ]; }  # silent AUDIOFILE: the device open, only silence
plain() { [ "$(pane "$1")" = "$PLAIN" ]; }  # plain NAME: main screen, cursor and title as a plain pane has them
blank() { [ -z "$(tm capture-pane -p -t "$1" | tr -d ' \n')" ]; }  # blank NAME: no text anywhere on the pane
# ended NAME CODE: exit code CODE; terminal mode, main screen, cursor and title as a plain pane has them (waited for:
# tmux may read the game's last output after the exit code is written)
ended() {
    local dir=$WORK/$1
    wait_file "$dir/rc" 10 || { echo "     no exit within 10 s"; return 1; }
    [ "$(cat "$dir/rc")" = "$2" ] || { echo "     exit code $(cat "$dir/rc"), expected $2"; return 1; }
    cmp -s "$dir/before.stty" "$dir/after.stty" || { echo "     stty -g changed"; return 1; }
    wait_until 5 plain "$1" || { echo "     alternate, cursor, title: '$(pane "$1")'"; return 1; }
}
now_us() { echo "${EPOCHREALTIME/./}"; }
# The game's own thread: its wake-ups, and the CPU time it used (user, system) in 1/100 s.
usage() { echo "$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "/proc/$1/task/$1/status") $(cut -d' ' -f14,15 "/proc/$1/task/$1/stat")"; }
few_wakeups() {  # few_wakeups PID: fewer than 50 a second and under a tenth of a core (no busy loop), over 3 s of the clock
    local from=$(now_us) was=($(usage "$1")) is span
    sleep 3  # the span the rate is counted over, divided by the time that really passed
    is=($(usage "$1")) span=$(($(now_us) - from))
    local rate=$(((is[0] - was[0]) * 1000000 / span)) cpu=$(((is[1] + is[2] - was[1] - was[2]) * 1000000 / span))
    echo "     $rate wake-ups a second, $cpu % of a core"
    [ "$rate" -lt 50 ] && [ "$cpu" -lt 10 ]
}

tmux_start plain 120x30 sleep 600
PLAIN=$(pane plain)

# One game: size, picture, box, idle, sound, keys and escape sequences, Esc
launch main 100x30 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=audio.raw ESCDELAY=1000
package_dir req && tmux_start req 100x30 env TERM=tmux-256color sh -c "cd '$dir' && exec script -qfc ./VELKGAME.exe out.raw"
check "a narrow terminal is told the size it needs, on its last row" \
    wait_until 10 eval 'shows main "at least 120x30; this one is 100x30" && cells main "29 1 T d d"'
check "... and asked to grow to 120x30" wait_until 10 grep -qF $'\e[8;30;120t' "$WORK/req/out.raw"
kill "$(tm display -p -t req '#{pane_pid}')"  # script outlives its terminal, and keeps the game alive with it
# One column wide, tmux's own cut of the picture is blank too: the game shows it has the new size by a pause box
# shrunk into the column (its frame only), and once Enter has closed it, nothing is left.
tm resize-window -t main -x 1 -y 30
check "one column wide: the pause box is its frame in the column; closed, no text is drawn past the edge" \
    eval 'tm send-keys -t main p && wait_for main "│" 10 && tm send-keys -t main Enter && wait_until 10 blank main'
tm resize-window -t main -x 120 -y 30
check "grown to 120x30: black field, bright green text, red start keys, on bright blue, to the last cell" wait_until 5 \
    cells main "0 0 _ 0 12" "1 1 B 10 12" "8 119 s 10 12" "22 8 B 9 12" "22 9 ' 10 12" "22 28 J 9 12" "29 119 _ 0 12"
tm capture-pane -p -e -N -t main >"$WORK/info.cap"
check "title set, alternate screen, cursor hidden" test "$(pane main)" = "1 0 VELK Keyboard Practice Game"
check "the sound device is open and silent" wait_until 5 silent "$WORK/main/audio.raw"
check "the information screen idles: fewer than 50 wake-ups a second, under 10 % of a core" few_wakeups "$(pid_of main)"
# A 'p' after the overlong sequence would be its final byte, were the sequence still read on.
raw main 1b 5b && raw main $(printf '31 %.0s' $(seq 1100)) 70  # in two writes, so that the buffer holds bytes when the rest comes
check "a sequence longer than the key buffer is dropped: the 'p' after it opens the pause box, with its title (bold) and button" \
    eval 'wait_for main "Game paused......" && shows main "VELK Game Message" && shows main "[ OK ]" && cells main "13 50 _ 0 7" "12 52 V 0+ 7"'
tm resize-window -t main -x 140 -y 40
check "a resize under the box redraws the picture centred" wait_until 5 eval 'cells main "27 11 P 10 12" && shows main "Game paused"'
tm resize-window -t main -x 120 -y 30
# Had the 'b' reached the game, its intro would hold the later 'p', and the record file's box would keep it.
check "Enter closes it and the picture comes back exactly; 'b' typed with it stays with the box: a 'p' then pauses the information screen" \
    eval 'raw main 0d 62 && wait_until 10 same_picture main "$WORK/info.cap" && tm send-keys -t main p &&
    wait_for main "Game paused" 10 && shows main "$PRESS" && raw main 0d && wait_until 10 same_picture main "$WORK/info.cap"'
check "a key there still acts: 'b' starts the intro, in many colour pairs at once (five Rights are typed into it)" \
    eval 'tm send-keys -t main b && wait_for main " VELK VELK VELK" 5 && tm send-keys -t main Right Right Right Right Right &&
    wait_until 5 cells main pairs 100'
check "the intro cue's samples reach the sound device" wait_until 10 eval '[ "$(nonzero_bytes "$WORK/main/audio.raw")" -gt 10000 ]'
check "the record file's box comes after the intro" wait_for main "High-Scroe file was not found" 15
check "level 1 idles: fewer than 50 wake-ups a second, under 10 % of a core" \
    eval 'raw main 0d 1b 5b 42 && wait_for main "Current level: 1" 10 && few_wakeups "$(pid_of main)"'
tm send-keys -t main Down Right
check "the intro's Rights moved the arrow to column 6 after the box; keys move it at once: Down one row (not the box's Down too), Right" \
    wait_until 1 cells main "16 7 ► 9 12"
raw main 1b 5b 43 1b 4f 43 1b 5b 31 3b 35 43 1b 62 1b 5b 31 35 7e 1b 5b 3f 39 3b 31 24 71 1b 5b 43  # Alt+B, F5, unknown, →
check "ESC [ C, ESC O C and ESC [ 1 ; 5 C each move the arrow right; Alt+B, F5 and an unknown sequence do nothing: one more →" \
    wait_until 5 cells main "16 11 ► 9 12"
sent=$(now_us) && tm send-keys -t main Escape
# The game's end, told by the time of the file the pane writes once it is over (file times lag the clock by a tick).
check "a lone Esc waits for ESCDELAY=1000 ms, then ends it with 1; terminal mode, screen, cursor and title restored" \
    eval 'ended main 1 && waited=$((($(date -r "$WORK/main/after.stty" +%s%N) / 1000 - sent) / 1000)) &&
    echo "     over $waited ms after the Esc" && [ "$waited" -ge 980 ]'
check "the exit key 'x' was pushed into the terminal's input" test "$(cat "$WORK/main/typed.txt")" = x

# Other terminals and locales, a broken cue file: level 1's text, arrow, heart and wall (8 colours: the bright ones as
# bold; no Unicode: the terminal's line drawing), then Esc
package_dir badsound
head -c 393968 /dev/urandom >"$dir/VELKGSND1.wav"  # the right size passes the package check
for row in "xterm 2+ 4 1+ ♥ TERM=xterm" "linux 2+ 4 1+ ♥ TERM=linux" "c 10 12 9 ◆ LC_ALL=C" \
    "badsound 10 12 9 ♥ SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=audio.raw"; do
    read -r name fg bg red heart vars <<<"$row"
    launch_ready "$name" 120x30 $vars
    tm send-keys -t "$name" b
    wait_for "$name" "High-Scroe file was not found" 15 >/dev/null
    [ "$name" != badsound ] || check "a broken cue file: the intro ran its course in silence" wait_until 5 silent "$WORK/$name/audio.raw"
    tm send-keys -t "$name" Enter
    check "$vars: level 1 in its colours and glyphs, and out by Esc" eval 'wait_for "$name" "Current level: 1" 10 &&
        cells "$name" "1 1 R $fg $bg" "3 17 ► 7 $bg" "15 1 ► $red $bg" "15 119 $heart $red $bg" "0 * ├ $fg $bg" &&
        tm send-keys -t "$name" Escape && ended "$name" 1'
done

# Signals and a crash
signals="HUP INT QUIT TERM USR1 USR2 ALRM VTALRM PROF XCPU IO PWR STKFLT RTMIN RTMIN+5 RTMAX SEGV ABRT SYS TRAP"
package_dir sSEGV && rm "$dir/VELKGSND3.wav"  # this one crashes at the package check's box, before the game's screen
for sig in $signals; do { launch "s$sig" && wait_for "s$sig" "$([ $sig = SEGV ] && echo Package Error || echo "$PRESS")"; } >/dev/null & done
launch_ready crash 120x30 VELK_TEST_ABORT_KEY=k &
launch_ready goes-on &
launch_ready batch 120x30 ESCDELAY=0 &
launch_ready late &
wait
raw batch 62 1b
check "'b' and Esc read together (ESCDELAY=0): the Esc waits through the intro and the record file's box (Enter), then ends it" \
    eval 'wait_for batch "High-Scroe file was not found" 15 && tm send-keys -t batch Enter && ended batch 1'
tm send-keys -t sUSR1 p  # one of them with a box up
wait_for sUSR1 "Game paused" >/dev/null
for sig in $signals; do kill "-$sig" "$(pid_of "s$sig")"; done
for sig in $signals; do check "SIG$sig restores the terminal" ended "s$sig" $((128 + $(kill -l "$sig"))); done
# A key wakes the idle game, which looks at its log's size before it next sleeps in ppoll (syscall 271).
log=/proc/$(pid_of crash)/fd/2 woken=$(usage "$(pid_of crash)") && woken=$((${woken%% *} + 1))
yes "a library's message" | head -c $((65536 - $(stat -L -c %s "$log"))) >>"$log"; tm send-keys -t crash x
check "a log of exactly 64 KiB is kept" wait_until 5 eval '[ "$(usage "$(pid_of crash)" | cut -d" " -f1)" -ge $woken ] &&
    [ "$(cut -d" " -f1 "/proc/$(pid_of crash)/syscall")" = 271 ] && [ "$(stat -L -c %s "$log")" = 65536 ]'
yes "a library's message" | head -c 100000 >>"$log"; tm send-keys -t crash x
check "standard error's log is cut back to its last 4 KiB once over 64 KiB" \
    wait_until 5 eval 'size=$(stat -L -c %s "$log") && echo "     $size bytes" && [ "$size" -le 4096 ]'
tm send-keys -t crash k
check "an abort restores the terminal" ended crash 134
check "... and then shows what was written to standard error" wait_for crash "VELK test: aborting on request" 5
kill -TSTP "$(pid_of goes-on)"
check "SIGTSTP hands the terminal back while stopped" wait_until 5 plain goes-on
kill -CONT "$(pid_of goes-on)"
check "SIGCONT takes it again and repaints: alternate screen, cursor hidden, title" \
    eval 'wait_for goes-on "$PRESS" 5 && test "$(pane goes-on)" = "1 0 VELK Keyboard Practice Game"'
check "... and it idles again" few_wakeups "$(pid_of goes-on)"
# A resize caught after the game's last look at its flags and before its wait: strace holds the game in the input
# poll (syscall 7) between the two, and the wait must then not begin, or the picture waits for the next key.
timeout 20 strace -qq -o /dev/null -p "$(pid_of late)" -e trace=poll -e inject=poll:delay_exit=2000000 &
wait_until 5 grep -q 'TracerPid:[[:space:]]*[1-9]' "/proc/$(pid_of late)/status" && kill -WINCH "$(pid_of late)" &&
    wait_until 5 eval '[ "$(cut -d" " -f1 "/proc/$(pid_of late)/syscall")" = 7 ]' && tm resize-window -t late -x 100 -y 30
check "a resize just before an idle wait is drawn at once" wait_until 10 shows late "this one is 100x30"
# A signal that ended the process would be taken before the game reads the Esc sent after it.
for sig in PIPE XFSZ; do kill "-$sig" "$(pid_of goes-on)"; done
tm send-keys -t goes-on Escape
check "SIGPIPE and SIGXFSZ are ignored: the game goes on until Esc" ended goes-on 1

# A broken package, the terminal going away, terminals the game cannot use
package_dir package
rm "$dir/VELKGSND3.wav"
launch package
check "a broken package shows its box" wait_for package "File Package Error. Please re-download the package" 10
check "OK: exit code 0, terminal restored, then the message on standard error" \
    eval 'tm send-keys -t package Enter && ended package 0 && wait_for package "File Package Error" 5'
launch_ready hangup
tm kill-session -t hangup
check "closing the terminal ends the process" wait_until 5 eval '! alive "$(pid_of hangup)"'
for row in "nosuch|is not known to ncurses" "dumb|cannot move its cursor, which the game needs"; do
    launch "term-${row%|*}" 120x30 TERM="${row%|*}"
    check "TERM=${row%|*}: exit code 4, the terminal untouched, and on it only '... ${row#*|}...'" eval 'ended "term-${row%|*}" 4 &&
        wait_until 5 says "term-${row%|*}" "VELKGAME.exe: this terminal (TERM=${row%|*}) ${row#*|}; try TERM=xterm-256color"'
done

# Demos: a game recorded live (keys at real moments by bench/demo_bot.py: the pause box, wall steps, a lost life)
# plays back headless with no desync and ends on the picture tmux showed last; a killed game's demo plays up to
# the kill; a game recorded onto a full device says so once the terminal is back.
REPLAY=${VELK_REPLAY:-$PWD/build/asan/tools/velk-replay/velk-replay}
for name in rec killed; do launch_ready $name 120x30 VELK_ARGS="--record demo.txt"; done
launch_ready over 120x30 VELK_ARGS="--record /dev/full --overwrite"
# The bot loses the game to its end and types Esc in the pause after the last crash, before the game-over box.
timeout 60 python3 bench/demo_bot.py --socket "$TMUX_SOCKET" --target over --seconds 0 --end over & over_bot=$!
python3 bench/demo_bot.py --socket "$TMUX_SOCKET" --target killed --seconds 6 --end none &
python3 bench/demo_bot.py --socket "$TMUX_SOCKET" --target rec --seconds 16 --pause-at 8 --pause-for 3 --crash-at 11 --end none
# The bot's last keys are the game's once a 'p' after them has opened the pause box; closed, it gives the picture back.
raw rec c3 a9 && tm send-keys -t rec p && wait_for rec "Game paused" 10 >/dev/null && tm send-keys -t rec Enter &&
    wait_until 10 eval '! shows rec "VELK Game Message" && ! shows rec "Game paused" && ! shows rec "[ OK ]"'
tm capture-pane -p -t rec >"$WORK/rec/seen.txt"
tm send-keys -t rec Enter Escape  # in one read: the game takes Enter and flushes its input, the Esc still waiting its delay
wait "$over_bot"; over_bot=$?
wait
kill -KILL "$(pid_of killed)"
first_wait=$(awk '$1 == "t" && NF == 2 { print $2; exit }' "$WORK/rec/demo.txt")  # in ms, as the demo keeps time
check "recording: an Esc right after Enter still ends the game as usual; the demo's clock starts with the program" \
    eval 'ended rec 1 && [ "$first_wait" -lt 10000 ]'
check "a game lost to its end: the game-over box (\"Do you want to try again?\") leaves the Esc to the game; c and o do nothing; → Enter: Cancel, 0" \
    eval '[ "$over_bot" -eq 0 ] && wait_for over "try again?" && tm send-keys -t over c o Right && wait_until 5 cells over "17 59 [ 7 0" &&
    tm send-keys -t over Enter && ended over 0'
check "... recorded onto /dev/full: the game played on, and its end says the demo holds nothing, and why" wait_for over \
    "VELKGAME.exe: the demo '/dev/full' is incomplete (writing it failed: No space left on device); it holds nothing" 5
check "the recorded game replays with no desync; its keys are a console's: Enter with its CR, é with no key code, none that nobody typed" \
    eval '(cd "$WORK/rec" && "$REPLAY" demo.txt >log.txt 2>err.txt && [ ! -s err.txt ] && grep -q ":d:d$" demo.txt &&
    grep -q " 1:1:0:82" demo.txt && ! grep -q ":0:0$" demo.txt)'
check "... it holds the pause box, a lost life and wall steps" eval 'grep -q "Game paused" "$WORK/rec/log.txt" &&
    grep -q "cue VELKGSND4" "$WORK/rec/log.txt" && grep -q "cue VELKGSND2" "$WORK/rec/log.txt"'
# The wall may take a step between the capture and Esc: a wall cell and a blank one count as alike.
check "... and ends on the picture tmux showed last (status rows, arrow, heart)" python3 -c '
import sys
rows = [[line.rstrip("\n").ljust(120) for line in open(name, encoding="utf-8").readlines()[-30:]] for name in sys.argv[1:]]
sys.exit(any(a != b and {a, b} - set(" ├┤◘▒█") for x, y in zip(*rows) for a, b in zip(x, y)))' \
    "$WORK/rec/log.txt" "$WORK/rec/seen.txt"
check "a killed game's demo plays up to the kill" eval '(cd "$WORK/killed" && "$REPLAY" demo.txt | grep -q "^[0-9]* end$")'
# Watched, a demo that runs out and one the game parts from end with a box that says so; Enter ends them.
package_dir parted && sed '0,/^p /s/^p ...../p 12345/' tests/demos/level-climb.demo >"$dir/other.demo"
launch parted 120x30 VELK_ARGS="--play other.demo --speed 1000"
launch ran-out 120x30 VELK_ARGS="--play ../killed/demo.txt --speed 1000"
for row in "ran-out|The demo ends here.|0" "parted|out of step at|3"; do
    IFS='|' read -r name text status <<<"$row"
    check "watching: '$text' in a box; Enter: exit code $status" eval 'wait_for $name "$text" 30 && tm send-keys -t $name Enter &&
        ended $name $status'
done
# Watched in a terminal one row taller than the picture, so the note has a line of its own below it.
NOTE="VELK demo: Space pauses, Esc stops" PAUSED="VELK demo paused: Space goes on, Esc stops"
launch watch 120x31 VELK_ARGS="--play ../rec/demo.txt --speed 1.5" && tm pipe-pane -t watch -o "cat >'$WORK/watch/out.raw'"
titled() { [ "$(pane watch)" = "1 0 $1" ]; }  # titled TITLE: the watching pane's screen, cursor and title
shown=0  # when the recorded pause box was seen, in microseconds
check "watching: the note in the terminal's title and centred on the line below the picture" wait_until 20 eval \
    'titled "$NOTE" && [ "$(tm capture-pane -p -t watch | sed -n 31p)" = "$(printf "%43s" "")$NOTE" ]'
check "... the recorded pause box shows over the picture; Space holds it there, the paused note in the title" eval \
    'wait_for watch "VELK Game Message" 30 && shown=$(now_us) && tm send-keys -t watch Space && wait_until 5 titled "$PAUSED" &&
    tm capture-pane -p -t watch >"$WORK/watch/paused.txt" && shows watch "Game paused......"'
# Held past the moment the demo closed the box (its longest box, at 1.5 times the pace), a resize redraws the paused
# picture, box and all, centred in 140x40.
box_us=$(awk '$1 == "b" && $3 > most { most = $3 } END { print int(most * 1000 / 1.5) }' "$WORK/rec/demo.txt")
same_picture_at() {  # same_picture_at NAME TEXT ROW COL: the pane shows the 30 rows of the text capture from ROW, COL
    tm capture-pane -p -t "$1" | python3 -c 'import sys
shown, kept = sys.stdin.read().split("\n"), open(sys.argv[1], encoding="utf-8").read().split("\n")[:30]
r, c = int(sys.argv[2]), int(sys.argv[3])
sys.exit(any(shown[r + i][c:c + 120].rstrip() != line.rstrip() for i, line in enumerate(kept)))' "${@:2}"
}
check "... held past the demo's close of the box, a resize redraws the paused picture and box centred, the note below" \
    eval 'wait_until 30 eval "[ \$(now_us) -gt $((shown + box_us + 250000)) ]" && tm resize-window -t watch -x 140 -y 40 &&
    wait_until 5 cells watch "19 61 G 0 7" "35 * V d d" && same_picture_at watch "$WORK/watch/paused.txt" 5 10'
tm send-keys -t watch Space
check "... Space goes on to the recorded Esc: exit code 0, the terminal restored, nothing typed at its prompt, no record file" \
    eval 'wait_file "$WORK/watch/rc" 60 && ended watch 0 && [ ! -s "$WORK/watch/typed.txt" ] && [ ! -e "$WORK/watch/VELKGAME.CFG" ]'
check "... and each box showed its OK pressed before it closed" grep -qaP '\e\[0;7m(\x0f|\e\[[0-9;]*m)*\[ OK \]' "$WORK/watch/out.raw"

report
