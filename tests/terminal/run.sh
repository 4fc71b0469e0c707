#!/usr/bin/env bash
# Terminal stage: VELKGAME.exe in detached tmux sessions, keys by send-keys, the screen by capture-pane. It checks
# what only the terminal backend can get wrong: colours and glyphs, keys, boxes, sound, signals, restore and exit.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
STAGE=terminal
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages tmux python3 || exit 1

PACKAGE=${VELK_TERMINAL_PACKAGE:-$ROOT/build/test/package}
[ -n "${VELK_TERMINAL_PACKAGE:-}" ] || ensure_release_build build/test || { check "the release build" false; report; exit; }
WORK=$(mktemp -d /tmp/velk-terminal.XXXXXX)
TMUX_SOCKET=velk-terminal-$$
trap 'tmux_stop; rm -rf "$WORK"' EXIT

# The pane's command: the game in the terminal's foreground under a non-interactive shell (which does not
# repair the terminal itself), with its pid, exit code, standard error and the terminal mode around it.
cat >"$WORK/pane.sh" <<'PANE'
#!/bin/sh
cd "$1" || exit 1
ulimit -c 0
stty -g >before.stty
sh -c 'echo $$ >pid; exec ./VELKGAME.exe 2>stderr.txt'
echo $? >rc
stty -g >after.stty
stty -icanon min 0 time 5 && dd bs=1 count=1 of=typed.txt 2>/dev/null  # what the game left in the input
stty "$(cat after.stty)"
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
pane() { tm display -p -t "$1" "$2"; }
gone() { ! alive "$1"; }
nonzero_bytes() { tr -d '\000' <"$1" 2>/dev/null | wc -c; }
cells_match() {  # cells_match NAME "ROW COL GLYPH FG BG"...: each cell shows that glyph (_: blank) in those colours
    local name=$1 cell r c want got
    shift
    tm capture-pane -p -e -N -t "$name" >"$WORK/cells.cap"
    for cell in "$@"; do
        read -r r c want <<<"$cell"
        got=$(python3 tests/terminal/cells.py "$WORK/cells.cap" at "$r" "$c")
        [ "$got" = "$want" ] || { echo "     cell ($r,$c): '$got', expected '$want'"; return 1; }
    done
}
colour_pairs() { tm capture-pane -p -e -N -t "$1" >"$WORK/pairs.cap" && python3 tests/terminal/cells.py "$WORK/pairs.cap" pairs; }
many_pairs() { [ "$(colour_pairs "$1")" -ge "$2" ]; }
same_picture() { tm capture-pane -p -e -N -t "$1" | cmp -s "$2" -; }  # same_picture NAME CAPTURE
silent_output() { wait_file "$1" 5 && [ "$(nonzero_bytes "$1")" -eq 0 ]; }
sounding_output() { [ "$(nonzero_bytes "$1")" -gt "$2" ]; }
exits_with() {  # exits_with DIR CODE: the game ended with CODE and left the terminal mode as it found it
    wait_file "$1/rc" 10 || { echo "     no exit within 10 s"; return 1; }
    [ "$(cat "$1/rc")" = "$2" ] || { echo "     exit code $(cat "$1/rc"), expected $2"; return 1; }
    wait_file "$1/after.stty" 5 && cmp -s "$1/before.stty" "$1/after.stty" || { echo "     stty -g changed"; return 1; }
}
restored() {  # restored NAME: main screen back, cursor shown, the pane's title as before
    local state
    state=$(pane "$1" '#{alternate_on} #{cursor_flag} #{pane_title}')
    [ "$state" = "0 1 $PLAIN_TITLE" ] || { echo "     alternate, cursor, title: '$state'"; return 1; }
}
ended_by() { exits_with "$WORK/$1" "$2" && restored "$1"; }  # ended_by NAME CODE

tmux_start plain 120x30 sleep 600
PLAIN_TITLE=$(pane plain '#{pane_title}')
PRESS="Press 'B' to begin."

echo "--- picture, box and exit"
launch info
check "the information screen appears" wait_for info "$PRESS"
check "colours: black field, bright green text, red start keys, on bright blue, to the last cell" wait_until 5 cells_match info \
    "0 0 _ 0 12" "1 1 B 10 12" "8 119 s 10 12" "22 8 B 9 12" "22 9 ' 10 12" "22 28 J 9 12" "29 119 _ 0 12"
check "title set, alternate screen, cursor hidden" \
    test "$(pane info '#{alternate_on} #{cursor_flag} #{pane_title}')" = "1 0 VELK Keyboard Practice Game"
tm capture-pane -p -e -N -t info >"$WORK/info.cap"
tm send-keys -t info p
check "'P' opens the pause box with its title and button" \
    eval 'wait_for info "Game paused......" && shows info "VELK Game Message" && shows info "[ OK ]"'
tm send-keys -t info Enter
check "Enter closes it and the picture comes back exactly" \
    eval 'wait_until 10 hides info "Game paused" && wait_until 5 same_picture info "$WORK/info.cap"'
tm send-keys -t info Escape
check "Esc: exit code 1, terminal mode, screen, cursor and title restored" ended_by info 1
check "the exit key 'x' was pushed into the terminal's input" eval 'wait_file "$dir/typed.txt" 5 && test "$(cat "$dir/typed.txt")" = x'

echo "--- a level"
launch game
wait_for game "$PRESS" >/dev/null
tm send-keys -t game b
check "'b' starts the intro in many colour pairs at once" eval 'wait_for game " VELK VELK VELK" 10 && wait_until 5 many_pairs game 100'
check "the record file's box comes after the intro" wait_for game "High-Scroe file was not found" 15
tm send-keys -t game Enter
check "level 1: red arrow and heart, the wall's glyph" \
    eval 'wait_for game "Current level: 1" 10 && cells_match game "15 1 ► 9 12" "15 119 ♥ 9 12" && shows game ├'
tm send-keys -t game Right Right Right Up
check "arrow keys move the arrow" wait_until 5 cells_match game "14 4 ► 9 12"
kill -TERM "$(cat "$dir/pid")"
check "SIGTERM mid-game: ended by the signal, terminal restored" ended_by game 143

echo "--- signals"
launch stop
wait_for stop "$PRESS" >/dev/null
kill -TSTP "$(cat "$dir/pid")"
check "SIGTSTP hands the terminal back while stopped" wait_until 5 eval '[ "$(pane stop "#{alternate_on} #{cursor_flag}")" = "0 1" ]'
kill -CONT "$(cat "$dir/pid")"
check "SIGCONT takes it again and repaints" wait_for stop "$PRESS" 5
tm send-keys -t stop Escape
check "... and the game goes on: Esc exits with code 1" exits_with "$dir" 1
# SEGV and ABRT come from outside here, but take the path of a crash.
for entry in HUP:129 INT:130 QUIT:131 SEGV:139 ABRT:134; do
    launch "sig${entry%:*}"
    wait_for "sig${entry%:*}" "$PRESS" >/dev/null
    kill "-${entry%:*}" "$(cat "$dir/pid")"
    check "SIG${entry%:*} restores the terminal" ended_by "sig${entry%:*}" "${entry#*:}"
done

echo "--- package box, no terminal, the terminal goes away"
package_dir package
rm "$dir/VELKGSND3.wav"
launch package
check "a broken package shows its box" wait_for package "File Package Error. Please re-download the package" 10
tm send-keys -t package Enter
check "OK: exit code 0, terminal restored, the message left on standard error" \
    eval 'ended_by package 0 && grep -qF "File Package Error" "$dir/stderr.txt"'
launch hangup
wait_for hangup "$PRESS" >/dev/null
pid=$(cat "$dir/pid")
tm kill-session -t hangup
check "closing the terminal ends the process" wait_until 5 gone "$pid"
package_dir none
start=$SECONDS
(cd "$dir" && timeout 10 ./VELKGAME.exe </dev/null >/dev/null 2>stderr.txt)
code=$?
check "no terminal at all: exit code 1 at once, the keyboard message on standard error" \
    eval '[ $code -eq 1 ] && [ $((SECONDS - start)) -le 2 ] && grep -qF "Keyboard input failed. Program will close." "$dir/stderr.txt"'

echo "--- sound"
launch audio 120x30 SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$WORK/audio/audio.raw"
wait_for audio "$PRESS" >/dev/null
check "the disk audio device is open and silent" silent_output "$dir/audio.raw"
tm send-keys -t audio b
check "the intro cue's samples reach the audio output" wait_until 10 sounding_output "$dir/audio.raw" 10000
package_dir badsound
head -c 393968 /dev/urandom >"$dir/VELKGSND1.wav"  # the right size passes the package check
launch badsound 120x30 SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$WORK/badsound/audio.raw"
wait_for badsound "$PRESS" >/dev/null
tm send-keys -t badsound b
check "a broken cue file: the intro runs its course in silence" \
    eval 'wait_for badsound "High-Scroe file was not found" 15 && silent_output "$dir/audio.raw"'

echo "--- terminal size"
launch size 100x25
check "a small terminal is told the size it needs" wait_for size "at least 120x30" 10
tm resize-window -t size -x 120 -y 30
check "grown to 120x30 it shows the picture" wait_until 5 eval 'hides size "at least 120x30" && cells_match size "22 1 P 10 12"'
tm resize-window -t size -x 140 -y 40
check "a larger one shows it centred" wait_until 5 cells_match size "27 11 P 10 12"
tm send-keys -t size Escape
check "and Esc still ends it" exits_with "$dir" 1

echo "--- fewer colours, no UTF-8"
for entry in xterm:C.UTF-8 linux:C.UTF-8 tmux-256color:C; do
    name=term-${entry%%:*}-${entry#*:}
    name=${name//./}
    launch "$name" 120x30 "TERM=${entry%%:*}" "LC_ALL=${entry#*:}"
    wait_for "$name" "$PRESS" >/dev/null
    tm send-keys -t "$name" b
    wait_for "$name" "High-Scroe file was not found" 15 >/dev/null
    tm send-keys -t "$name" Enter
    wait_for "$name" "Current level: 1" 10 >/dev/null
    tm send-keys -t "$name" Escape
    check "TERM=${entry%%:*} LC_ALL=${entry#*:}: information screen, intro, box, level, Esc" exits_with "$dir" 1
done
# Idle: the game sleeps until a key, a signal or a due timer, yet answers each of them at once.
echo "--- idle"
wakeups() { sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "/proc/$1/task/$1/status"; }  # the game's thread
few_wakeups() {  # few_wakeups PID: fewer than 50 a second over 3 s
    local before rate
    before=$(wakeups "$1")
    sleep 3
    rate=$((($(wakeups "$1") - before) / 3))
    echo "     $rate wake-ups a second"
    [ "$rate" -lt 50 ]
}
launch idle
pid=$(cat "$WORK/idle/pid")
wait_for idle "$PRESS" >/dev/null
check "the information screen idles with fewer than 50 wake-ups a second" few_wakeups "$pid"
# Nothing is due on the information screen: only the resize or the key itself can end the game's wait.
tm resize-window -t idle -x 100 -y 25
check "a resize there still redraws" wait_for idle "at least 120x30" 5
tm resize-window -t idle -x 120 -y 30
wait_for idle "$PRESS" >/dev/null
tm send-keys -t idle b
check "a key there still acts" wait_for idle " VELK VELK VELK" 5
wait_for idle "High-Scroe file was not found" 15 >/dev/null
tm send-keys -t idle Enter
wait_for idle "Current level: 1" 10 >/dev/null
check "level 1 idles with fewer than 50 wake-ups a second" few_wakeups "$pid"
tm send-keys -t idle Down
check "a key still moves the arrow at once" wait_until 1 cells_match idle "16 1 ► 9 12"
tm send-keys -t idle Escape
check "and Esc ends it" ended_by idle 1

report
