#!/usr/bin/env bash
# The terminal program against raw escape sequences, every signal that ends a process, and a crash; in tmux.
set -uo pipefail
cd "$(dirname "$0")/../.."
. scripts/ensure-packages.sh
. tests/lib.sh
ensure_packages tmux || exit 1
export LC_ALL=C.UTF-8
STAGE="terminal robustness"
TMUX_SOCKET=velk-robust-$$
PACKAGE=${VELK_TERMINAL_PACKAGE:-build/test/package}
[ -n "${VELK_TERMINAL_PACKAGE:-}" ] || ensure_release_build build/test || { echo "$STAGE: 0 passed, 1 failed"; exit 1; }
PACKAGE=$(realpath "$PACKAGE")
WORK=$(mktemp -d /tmp/velk-robust.XXXXXX)
trap 'tmux_stop; rm -rf "$WORK"' EXIT
PRESS="Press 'B' to begin."

# The pane: the game in the foreground with its pid, exit code and the terminal mode around it recorded;
# standard error stays on the terminal, where a crash's messages must appear once it is restored.
cat >"$WORK/pane.sh" <<'PANE'
cd "$1" || exit 1
ulimit -c 0
stty -g >before.stty
sh -c 'echo $$ >pid; exec ./VELKGAME.exe'
echo $? >rc
stty -g >after.stty
exec sleep 600
PANE

launch() {  # launch NAME [VAR=VALUE...]: the game in a fresh package folder $WORK/NAME, up on its first screen
    local name=$1 dir=$WORK/$1
    shift
    mkdir -p "$dir" && cp "$PACKAGE"/VELKGAME.exe "$PACKAGE"/VELKGSND?.wav "$dir/"
    tmux_start "$name" 120x30 env TERM=tmux-256color "$@" sh "$WORK/pane.sh" "$dir"
    wait_file "$dir/pid" 10 && wait_for "$name" "$PRESS"
}
pid_of() { cat "$WORK/$1/pid"; }
ended() {  # ended NAME CODE: exit code CODE, the terminal mode, main screen and cursor as before
    local dir=$WORK/$1
    wait_file "$dir/after.stty" 10 || { echo "     no exit"; return 1; }
    [ "$(cat "$dir/rc")" = "$2" ] || { echo "     exit code $(cat "$dir/rc"), expected $2"; return 1; }
    cmp -s "$dir/before.stty" "$dir/after.stty" || { echo "     stty -g changed"; return 1; }
    [ "$(tm display -p -t "$1" '#{alternate_on} #{cursor_flag}')" = "0 1" ] || { echo "     screen or cursor not back"; return 1; }
}
arrow_at() { local line; line=$(tm capture-pane -p -t "$1" | sed -n 16p); [ "${line:$2:1}" = ► ]; }  # arrow_at NAME COL
raw() { tm send-keys -t "$1" -H "${@:2}"; }  # raw NAME HEX...: bytes as the terminal would send them

echo "--- escape sequences in a level"
launch keys
tm send-keys -t keys b
wait_for keys "High-Scroe file was not found" 15 >/dev/null
tm send-keys -t keys Enter
wait_for keys "Current level: 1" 10 >/dev/null
raw keys 1b 5b 43
raw keys 1b 4f 43
raw keys 1b 5b 31 3b 35 43
check "ESC [ C, ESC O C and ESC [ 1 ; 5 C each move the arrow right" wait_until 5 arrow_at keys 4
raw keys 1b 62                     # Alt+B
raw keys 1b 5b 31 35 7e            # F5
raw keys 1b 5b 48 1b 5b 31 7e      # Home, both ways
raw keys 1b 5b 3f 39 3b 31 24 71   # an unknown CSI sequence
sleep 0.5
check "Alt+B, F5, Home and an unknown sequence do nothing; the game runs on" \
    eval 'alive "$(pid_of keys)" && shows keys "Current level: 1" && arrow_at keys 4'
tm send-keys -t keys Escape
check "a lone Esc still ends it with 1" ended keys 1

echo "--- a box open: resize, then a signal"
launch box
tm send-keys -t box p
wait_for box "Game paused" 10 >/dev/null
tm resize-window -t box -x 140 -y 40
check "a resize redraws the picture centred under the box" \
    wait_until 5 eval 'shows box "          $PRESS" && shows box "Game paused"'
kill -USR1 "$(pid_of box)"
check "SIGUSR1 with the box up ends the game and restores the terminal" ended box 138

echo "--- every signal that would end the process"
signals="USR2 ALRM VTALRM PROF XCPU SYS TRAP IO PWR STKFLT RTMIN RTMIN+5 RTMAX"
for sig in $signals; do launch "s$sig" & done
wait
launch ignored
kill -PIPE "$(pid_of ignored)"
kill -XFSZ "$(pid_of ignored)"
for sig in $signals; do kill "-$sig" "$(pid_of "s$sig")"; done
for sig in $signals; do check "SIG$sig restores the terminal" ended "s$sig" $((128 + $(kill -l "$sig"))); done
sleep 0.3
tm send-keys -t ignored Escape
check "SIGPIPE and SIGXFSZ are ignored: the game runs on until Esc" ended ignored 1

echo "--- a crash"
launch crash VELK_TEST_ABORT_KEY=k
tm send-keys -t crash k
check "an abort restores the terminal" ended crash 134
check "... and then shows what was written to standard error" shows crash "VELK test: aborting on request"

report
