#!/usr/bin/env bash
# End-to-end tests of VELKGAME.exe in a real terminal: detached tmux sessions, keys by send-keys, the screen by capture-pane.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
. scripts/ensure-packages.sh
ensure_packages tmux || exit 1
command -v python3 >/dev/null || ensure_packages python3 || exit 1

PACKAGE=${VELK_TERMINAL_PACKAGE:-$ROOT/build/test/package}
if [ ! -x "$PACKAGE/VELKGAME.exe" ]; then
    echo "building the package in build/test"
    cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build build/test -j2 >/dev/null ||
        { echo "0 passed, 1 failed"; exit 1; }
fi

WORK=$(mktemp -d /tmp/velk-terminal.XXXXXX)
SOCKET=velk-terminal-$$
CELLS=$ROOT/tests/terminal/cells.py
tm() { tmux -L "$SOCKET" -f /dev/null "$@"; }
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$WORK"; }
trap cleanup EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: one counted result
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
    fi
}

# The pane's command: the game in the terminal's foreground under a non-interactive shell (which does not
# repair the terminal itself), with its pid, exit code, standard error and the terminal mode around it.
cat >"$WORK/pane.sh" <<'EOF'
#!/bin/sh
dir=$1
shift
cd "$dir" || exit 1
ulimit -c 0
stty -g >before.stty
sh -c 'echo $$ >pid; exec "$@" 2>stderr.txt' sh "$@"
echo $? >rc
stty -g >after.stty
stty -icanon min 0 time 5 && dd bs=1 count=1 of=typed.txt 2>/dev/null  # what the game left in the input
stty "$(cat after.stty)"
exec sleep 600
EOF

copy_package() {  # copy_package NAME: a fresh package folder, printed
    local dir=$WORK/$1
    mkdir -p "$dir"
    cp "$PACKAGE/VELKGAME.exe" "$PACKAGE"/VELKGSND?.wav "$dir/"
    echo "$dir"
}

launch() {  # launch NAME DIR COLSxROWS [VAR=VALUE...]: the game from DIR in its own session
    local name=$1 dir=$2 size=$3
    shift 3
    tm new-session -d -s "$name" -x "${size%x*}" -y "${size#*x}" \
        env LC_ALL=C.UTF-8 TERM=tmux-256color "$@" sh "$WORK/pane.sh" "$dir" ./VELKGAME.exe
    wait_file "$dir/pid" 10
}

wait_until() {  # wait_until SECONDS COMMAND...: polls, for a shared and slow machine; says why only at the end
    local limit=$(($1 * 10)) tries=0
    shift
    until "$@" >/dev/null; do
        tries=$((tries + 1))
        [ "$tries" -ge "$limit" ] && { "$@"; return 1; }
        sleep 0.1
    done
}
wait_file() { wait_until "$2" test -s "$1"; }
shows() { tm capture-pane -p -t "$1" 2>/dev/null | grep -qF -- "$2"; }
hides() { ! shows "$1" "$2"; }
wait_for() { wait_until "${3:-20}" shows "$1" "$2"; }
row() { tm capture-pane -p -t "$1" | sed -n "$(($2 + 1))p"; }
pane() { tm display -p -t "$1" "$2"; }
alive() { [ -r "/proc/$1/stat" ] && ! grep -q ') Z ' "/proc/$1/stat"; }
gone() { ! alive "$1"; }
nonzero_bytes() { tr -d '\000' <"$1" 2>/dev/null | wc -c; }

capture() { tm capture-pane -p -e -N -t "$1" >"$2"; }  # capture NAME FILE: text with colours, trailing blanks kept

cells_match() {  # cells_match NAME "ROW COL GLYPH FG BG"...: every listed cell shows that glyph (_: blank) and colours
    local name=$1 cell r c want got
    shift
    capture "$name" "$WORK/cells.cap"
    for cell in "$@"; do
        read -r r c want <<<"$cell"
        got=$(python3 "$CELLS" "$WORK/cells.cap" at "$r" "$c")
        [ "$got" = "$want" ] || { echo "     cell ($r,$c): '$got', expected '$want'"; return 1; }
    done
}
glyph_at() { cells_match "$1" "$2 $3 $4 9 12"; }  # glyph_at NAME ROW COL GLYPH: a red actor there
columns_of() {  # columns_of NAME GLYPH: the columns where GLYPH shows, one a line
    capture "$1" "$WORK/find.cap"
    python3 "$CELLS" "$WORK/find.cap" find "$2" | cut -d' ' -f2 | sort -nu
}
heart_in_last_column() { [ "$(columns_of "$1" ♥)" = 119 ]; }
wall_near_right_edge() {
    local col
    col=$(columns_of "$1" ├ | head -1)
    [ -n "$col" ] && [ "$col" -ge 100 ] && [ "$col" -le 118 ]
}
shows_all() {  # shows_all NAME TEXT...
    local name=$1 text
    shift
    for text in "$@"; do shows "$name" "$text" || { echo "     missing: $text"; return 1; }; done
}
line_is() { [ "$(row "$1" "$2")" = "$3" ]; }         # line_is NAME ROW TEXT (trailing blanks dropped)
line_starts() { [[ "$(row "$1" "$2")" == "$3"* ]]; }  # line_starts NAME ROW TEXT
box_closed_on() { wait_until 5 hides "$1" "$2" && shows "$1" "$3"; }
intro_pairs() { capture "$1" "$WORK/intro.cap" && [ "$(python3 "$CELLS" "$WORK/intro.cap" pairs)" -ge "$2" ]; }
silent_output() { wait_file "$1" 5 && [ "$(nonzero_bytes "$1")" -eq 0 ]; }
sounding_output() { [ "$(nonzero_bytes "$1")" -gt "$2" ]; }
fast_exit() { [ "$1" = "$2" ] && [ "$3" -lt 2000 ]; }

exits_with() {  # exits_with DIR CODE: the game ended with CODE and left the terminal mode as it found it
    wait_file "$1/rc" 10 || { echo "     no exit within 10 s"; return 1; }
    [ "$(cat "$1/rc")" = "$2" ] || { echo "     exit code $(cat "$1/rc"), expected $2"; return 1; }
    wait_file "$1/after.stty" 5 && cmp -s "$1/before.stty" "$1/after.stty" || { echo "     stty -g changed"; return 1; }
}

terminal_restored() {  # terminal_restored NAME: main screen back, cursor shown, the pane's title as before
    local state
    state=$(pane "$1" '#{alternate_on} #{cursor_flag} #{pane_title}')
    [ "$state" = "0 1 $PLAIN_TITLE" ] || { echo "     alternate, cursor, title: '$state'"; return 1; }
}
same_picture() { capture "$1" "$WORK/now.cap" && cmp -s "$2" "$WORK/now.cap"; }  # same_picture NAME CAPTURE
pane_state_is() { [ "$(pane "$1" '#{alternate_on} #{cursor_flag}')" = "$2" ]; }  # pane_state_is NAME "ALT CURSOR"
ended_by_signal() { exits_with "$1" "$2" && terminal_restored "$3"; }

# What a pane's title is when nobody sets it.
tm new-session -d -s plain -x 120 -y 30 sleep 600
PLAIN_TITLE=$(pane plain '#{pane_title}')

PRESS_LINE=" Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"

echo "--- information screen"
dir=$(copy_package info)
launch info "$dir" 120x30
check "information screen text appears" wait_for info "$PRESS_LINE"
check "row 1 is the first line of the text" line_is info 1 \
    " Background: VELK(R) 1.0 software requires keyboard to operate. This game is to aid the learning of the VELK."
check "row 8 fills all 120 columns" line_is info 8 "$(printf '%-120.120s' " Requirements: Game was developed on Windows 10 so it will run on it. The code is 32-Bit, so it may run on other Windows.")"
check "colours: black field, bright green text, red start keys, on bright blue" wait_until 5 cells_match info \
    "0 0 _ 0 12" "1 1 B 10 12" "22 8 B 9 12" "22 9 ' 10 12" "22 28 J 9 12" "22 59 E 10 12" "29 119 _ 0 12"
check "title set, alternate screen, cursor hidden" \
    test "$(pane info '#{alternate_on} #{cursor_flag} #{pane_title}')" = "1 0 VELK Keyboard Practice Game"
capture info "$WORK/info-before.cap"
tm send-keys -t info p
check "'P' opens the pause box" wait_for info "Game paused......"
check "the box has its title and button" shows_all info "VELK Game Message" "[ OK ]"
tm send-keys -t info Enter
check "Enter closes the box" wait_until 10 hides info "Game paused"
check "the picture is restored exactly" wait_until 5 same_picture info "$WORK/info-before.cap"
tm send-keys -t info Escape
check "Esc exits with code 1, terminal mode unchanged" exits_with "$dir" 1
check "alternate screen left, cursor shown, title back" terminal_restored info
check "the exit key 'x' was pushed into the terminal's input" eval 'wait_file "$dir/typed.txt" 5 && test "$(cat "$dir/typed.txt")" = x'
tm kill-session -t info

echo "--- a game"
dir=$(copy_package game)
launch game "$dir" 120x30
wait_for game "$PRESS_LINE" >/dev/null
tm send-keys -t game b
check "'B' starts the intro" wait_for game " VELK VELK VELK VELK" 10
check "the intro shows many colour pairs at once" wait_until 5 intro_pairs game 100
check "a new package has no record: its box comes after the intro" wait_for game "High-Scroe file was not found" 15
tm send-keys -t game Enter
check "then level 1" wait_for game "Current level: 1" 10
check "with its status rows" shows_all game "Record high score: 0" "Your current score: 0" "Lives remained: ►►►►►►"
check "red arrow at its start" glyph_at game 15 1 ►
check "heart in the last column" heart_in_last_column game
check "the wall near the right edge" wall_near_right_edge game
tm send-keys -t game Right Right Right
check "Right moves the arrow" wait_until 5 glyph_at game 15 4 ►
tm send-keys -t game Up
check "Up moves the arrow" wait_until 5 glyph_at game 14 4 ►
tm send-keys -t game P
check "'P' pauses the game" wait_for game "Game paused......" 5
tm send-keys -t game Enter
check "Enter goes back to the level" box_closed_on game "Game paused" "Current level: 1"
kill -TERM "$(cat "$dir/pid")"
check "SIGTERM mid-game: ended by the signal, terminal mode unchanged" exits_with "$dir" 143
check "... main screen, cursor and title restored" terminal_restored game
tm kill-session -t game

echo "--- other signals from outside"
dir=$(copy_package stop)
launch stop "$dir" 120x30
wait_for stop "$PRESS_LINE" >/dev/null
kill -TSTP "$(cat "$dir/pid")"
check "SIGTSTP hands the terminal back while stopped" wait_until 5 pane_state_is stop "0 1"
kill -CONT "$(cat "$dir/pid")"
check "SIGCONT takes it again and repaints" eval 'wait_until 5 pane_state_is stop "1 0" && wait_for stop "$PRESS_LINE" 5'
tm send-keys -t stop Escape
check "... and the game goes on: Esc exits with code 1" exits_with "$dir" 1
tm kill-session -t stop
# SEGV and ABRT come from outside here, but take the path of a crash.
for entry in HUP:129 INT:130 QUIT:131 SEGV:139 ABRT:134; do
    sig=${entry%:*}
    dir=$(copy_package "sig$sig")
    launch "sig$sig" "$dir" 120x30
    wait_for "sig$sig" "$PRESS_LINE" >/dev/null
    kill "-$sig" "$(cat "$dir/pid")"
    check "SIG$sig restores the terminal" ended_by_signal "$dir" "${entry#*:}" "sig$sig"
    tm kill-session -t "sig$sig"
done

echo "--- package check"
dir=$(copy_package package)
rm "$dir/VELKGSND3.wav"
launch package "$dir" 120x30
check "a missing sound file shows its box" wait_for package "VELK Game Error 3" 10
check "with the package message" shows package "File Package Error. Please re-download the package"
tm send-keys -t package Enter
check "OK exits with code 0, terminal mode unchanged" exits_with "$dir" 0
check "the message is left on standard error" grep -qF "File Package Error. Please re-download the package" "$dir/stderr.txt"
tm kill-session -t package

echo "--- the terminal goes away"
dir=$(copy_package hangup)
launch hangup "$dir" 120x30
wait_for hangup "$PRESS_LINE" >/dev/null
pid=$(cat "$dir/pid")
tm kill-session -t hangup
check "closing the terminal ends the process" wait_until 5 gone "$pid"
dir=$(copy_package noterminal)
start=$(date +%s%N)
(cd "$dir" && timeout 10 ./VELKGAME.exe </dev/null >/dev/null 2>stderr.txt)
code=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
check "no terminal at all: exit code 1 ($code), in ${elapsed} ms" fast_exit "$code" 1 "$elapsed"
check "... with the keyboard message on standard error" grep -qF "Keyboard input failed. Program will close." "$dir/stderr.txt"

echo "--- sound"
dir=$(copy_package audio)
launch audio "$dir" 120x30 SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$dir/audio.raw"
wait_for audio "$PRESS_LINE" >/dev/null
check "the disk audio device is open and silent" silent_output "$dir/audio.raw"
tm send-keys -t audio b
check "the intro cue's samples reach the audio output" wait_until 10 sounding_output "$dir/audio.raw" 10000
tm kill-session -t audio
dir=$(copy_package badsound)
head -c 393968 /dev/urandom >"$dir/VELKGSND1.wav"  # the right size passes the package check
launch badsound "$dir" 120x30 SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$dir/audio.raw"
wait_for badsound "$PRESS_LINE" >/dev/null
tm send-keys -t badsound b
check "a broken cue file: the intro runs its course" wait_for badsound "High-Scroe file was not found" 15
check "... in silence" silent_output "$dir/audio.raw"
tm kill-session -t badsound

echo "--- terminal size"
dir=$(copy_package size)
launch size "$dir" 100x25
check "a small terminal is told the size it needs" wait_for size "at least 120x30" 10
tm resize-window -t size -x 120 -y 30
check "growing it to 120x30 shows the whole picture at once" \
    wait_until 5 eval 'hides size "at least 120x30" && line_is size 22 "$PRESS_LINE"'
tm resize-window -t size -x 140 -y 40
check "a larger one shows it centred" wait_until 5 line_starts size 27 "$(printf '%10s%s' '' "$PRESS_LINE")"
tm send-keys -t size Escape
check "and Esc still ends it" exits_with "$dir" 1
tm kill-session -t size

echo "--- fewer colours, no UTF-8"
for entry in xterm:C.UTF-8 linux:C.UTF-8 tmux-256color:C; do
    term=${entry%%:*}
    locale=${entry#*:}
    name=term-$term-$locale
    name=${name//./}
    dir=$(copy_package "$name")
    launch "$name" "$dir" 120x30 "TERM=$term" "LC_ALL=$locale"
    wait_for "$name" "Press 'B' to begin." >/dev/null
    tm send-keys -t "$name" b
    wait_for "$name" "High-Scroe file was not found" 15 >/dev/null
    tm send-keys -t "$name" Enter
    wait_for "$name" "Current level: 1" 10 >/dev/null
    tm send-keys -t "$name" Escape
    check "TERM=$term LC_ALL=$locale: information screen, intro, box, level, Esc" exits_with "$dir" 1
    tm kill-session -t "$name"
done

# ---------------------------------------------------------------------------------------------------------
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
dir=$(copy_package idle)
launch idle "$dir" 120x30
pid=$(cat "$dir/pid")
wait_for idle "$PRESS_LINE" >/dev/null
check "the information screen idles with fewer than 50 wake-ups a second" few_wakeups "$pid"
# Nothing is due on the information screen: only the resize or the key itself can end the game's wait.
tm resize-window -t idle -x 100 -y 25
check "a resize there still redraws" wait_for idle "at least 120x30" 5
tm resize-window -t idle -x 120 -y 30
wait_for idle "$PRESS_LINE" >/dev/null
tm send-keys -t idle b
check "a key there still acts" wait_for idle " VELK VELK VELK" 5
wait_for idle "High-Scroe file was not found" 15 >/dev/null
tm send-keys -t idle Enter
wait_for idle "Current level: 1" 10 >/dev/null
check "level 1 idles with fewer than 50 wake-ups a second" few_wakeups "$pid"
tm send-keys -t idle Down
check "a key still moves the arrow at once" wait_until 1 glyph_at idle 16 1 ►
tm send-keys -t idle Escape
check "and Esc ends it" exits_with "$dir" 1
tm kill-session -t idle

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
