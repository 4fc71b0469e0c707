#!/usr/bin/env bash
# Install stage: `cmake --install` to a temporary prefix and the .deb from CPack, each started through its velk command.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
STAGE=install
. scripts/ensure-packages.sh
. tests/lib.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}" tmux dpkg-dev lintian desktop-file-utils util-linux || exit 1

# test.sh's release build, installed and packed as it stands.
ensure_release_build build/test && cmake --build build/test -j2 >/dev/null || { check "the release build" false; report; exit 1; }
WORK=$(mktemp -d /tmp/velk-install.XXXXXX) TMUX_SOCKET=velk-install-$$
trap 'tmux_stop; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/elsewhere" "$WORK/home" && touch "$WORK/file"
cmake --install build/test --prefix "$WORK/prefix" >/dev/null
VELK=$WORK/prefix/bin/velk

ask() { env -u XDG_DATA_HOME HOME="$WORK/quiet" "$@" 2>&1; echo "exit $?"; }  # ask [VAR=VALUE...] COMMAND: output, code
check "velk --version: 'velk 1.1', exit 0, nothing made" eval '[[ $(ask "$VELK" --version) == "velk 1.1"*"exit 0" ]] && [ ! -e "$WORK/quiet" ]'
check "velk-replay beside it, its manual page beside velk's; it plays a demo where the game's files are not" \
    eval '"$WORK/prefix/bin/velk-replay" --timedemo tests/demos/game-over.demo | grep -q "x real time$" &&
    test -s "$WORK/prefix/share/man/man6/velk-replay.6.gz" && test -s "$WORK/prefix/share/man/man6/velk.6.gz"'
check "a data folder that cannot be made: why, exit 1" \
    eval '[[ $(ask XDG_DATA_HOME="$WORK/file" "$VELK") == *"cannot make the folder for the player"*"$WORK/file/velk"*"exit 1" ]]'

launch() {  # launch NAME VELK [VAR=VALUE...]: velk from the folder 'elsewhere'; NAME.rc gets "CODE TYPED" at its end
    tmux_start "$1" 120x30 env -u XDG_DATA_HOME LC_ALL=C.UTF-8 TERM=tmux-256color HOME="$WORK/home" "${@:3}" \
        sh -c 'cd "$1" && "$2"; code=$?; stty -icanon min 0 time 5; echo "$code $(dd bs=1 count=1 2>/dev/null)" >"$3"
               exec sleep 600' sh "$WORK/elsewhere" "$2" "$WORK/$1.rc"
}
start() { launch "$@" && wait_for "$1" "Press 'B' to begin."; }  # start NAME VELK [VAR=VALUE...]: launched, its first screen
to_level_1() { tm send-keys -t "$1" b && wait_for "$1" "Current level: 1" 30; }  # 'b', the intro, level 1
ends_with() { tm send-keys -t "$1" Escape && wait_file "$WORK/$1.rc" 10 && [ "$(cat "$WORK/$1.rc")" = "$2" ]; }

# The installed velk, from another folder.
check "the information screen shows; 'b' plays the intro and reports a new player's missing record" \
    eval 'start first "$VELK" && tm send-keys -t first b && wait_for first "High-Scroe file was not found" 30'
check "Enter answers it; level 1; Esc ends with 1 and the exit key 'x' reaches the terminal" \
    eval 'tm send-keys -t first Enter && wait_for first "Current level: 1" && ends_with first "1 x"'
check "the record is in ~/.local/share/velk, nothing in the starting folder" \
    eval 'test -s "$WORK/home/.local/share/velk/VELKGAME.CFG" && test -z "$(ls -A "$WORK/elsewhere")"'
check "a second start finds the record: no box before level 1" eval 'start again "$VELK" && to_level_1 again && ends_with again "1 x"'
# Both games kept: the report counts them and draws its chart; --last watches the second (its intro: its level 1
# was up only until the Esc above came) to its recorded Esc (status 0, nothing typed).
kept=$WORK/home/.local/share/velk/games
printf '#!/bin/sh\nexec "%s" --last\n' "$VELK" >"$WORK/last.sh" && chmod +x "$WORK/last.sh"
check "two games kept; velk --stats counts them, --svg writes its chart; velk --last plays the second" eval '
    [ "$(ls "$kept" | grep -c "\.demo$")" -eq 2 ] && env -u XDG_DATA_HOME HOME="$WORK/home" "$VELK" --stats --svg "$WORK/chart.svg" >"$WORK/stats.txt" &&
    grep -q "^  all time  *2 " "$WORK/stats.txt" && head -c 300 "$WORK/chart.svg" | grep -q "<svg" &&
    launch last "$WORK/last.sh" && wait_for last " VELK VELK" 30 && wait_file "$WORK/last.rc" 30 &&
    [ "$(cat "$WORK/last.rc")" = "0 " ]'
check "XDG_DATA_HOME moves the player's folder" \
    eval 'start xdg "$VELK" XDG_DATA_HOME="$WORK/xdg" && ends_with xdg "1 x" && test -L "$WORK/xdg/velk/VELKGAME.exe"'

# The Debian package.
cpack --config build/test/CPackConfig.cmake -G DEB -B "$WORK/deb" >"$WORK/cpack.log" 2>&1 || cat "$WORK/cpack.log"
deb=$(ls "$WORK"/deb/velk_1.1_*.deb 2>/dev/null)
# has_all TEXT LINE...: every LINE occurs in TEXT
has_all() { for line in "${@:2}"; do [[ $1 == *"$line"* ]] || { echo "     missing: $line"; return 1; }; done; }
check "dpkg-deb --info: the fields" has_all "$(dpkg-deb --info "$deb")" " Package: velk" " Version: 1.1" \
    " Maintainer: VELK Software <games@velk.example>" " Section: games" "libncursesw6" "libsdl2-mixer-2.0-0" \
    " Description: keyboard practice game" "  Steer the red arrow"
check "dpkg-deb --contents: the files where Debian puts games" has_all "$(dpkg-deb --contents "$deb")" ./usr/games/velk{,-replay} \
    ./usr/lib/games/velk/VELKGAME.exe ./usr/share/games/velk/VELKGSND{1,2,3,4,5,6}.wav ./usr/share/applications/velk.desktop \
    ./usr/share/{icons/hicolor/{32x32,64x64,128x128}/apps/velk.png,man/man6/velk{,-replay}.6.gz,doc/velk/{copyright,changelog.gz}}
# lintian says nothing at all: no error, no warning, no other line. Run as root it would warn about that, and it
# unpacks what it checks, so it runs as an unprivileged user then (the package made readable to it).
lintian_clean() {  # lintian_clean DEB
    local said
    chmod 755 "$WORK" "$(dirname "$1")" && chmod 644 "$1" && said=$(as_user lintian "$1" 2>&1)
    [ -z "$said" ] || { echo "$said" | sed 's/^/     /'; return 1; }
}
check "lintian: no errors, no warnings" lintian_clean "$deb"
dpkg-deb -x "$deb" "$WORK/root"
check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$WORK/root/usr/share/applications/velk.desktop"
check "unpacked under another root, its velk starts the game from the package's own files" \
    eval 'start unpacked "$WORK/root/usr/games/velk" && to_level_1 unpacked && ends_with unpacked "1 x" &&
          [ "$(readlink "$WORK/home/.local/share/velk/VELKGSND1.wav")" = "$WORK/root/usr/share/games/velk/VELKGSND1.wav" ]'
report
