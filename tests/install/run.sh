#!/usr/bin/env bash
# Install stage: `cmake --install` to a temporary prefix and the .deb from CPack, each started through its velk command.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
STAGE=install
. scripts/ensure-packages.sh
. tests/lib.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}" tmux dpkg-dev lintian desktop-file-utils || exit 1

BUILD=build/test  # test.sh's release build: installed and packed as it stands
ensure_release_build "$BUILD" && cmake --build "$BUILD" -j2 >/dev/null || { check "the release build" false; report; exit 1; }
WORK=$(mktemp -d /tmp/velk-install.XXXXXX)
TMUX_SOCKET=velk-install-$$
trap 'tmux_stop; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/elsewhere" "$WORK/home"
cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
VELK=$WORK/prefix/bin/velk

says() {  # says CODE TEXT COMMAND...: COMMAND ends with CODE and prints TEXT
    local code=$1 text=$2 out
    shift 2
    out=$("$@" 2>&1)
    [ $? = "$code" ] && [[ $out == *"$text"* ]] || { echo "     got: $out"; return 1; }
}
for entry in "--help|0|usage: velk [--help | --version]" "--version|0|velk 1.1" "--fast|2|usage: velk"; do
    IFS='|' read -r arg code text <<<"$entry"
    check "velk $arg: exit $code, '$text'" says "$code" "$text" env -u XDG_DATA_HOME HOME="$WORK/quiet" "$VELK" "$arg"
done
check "... and none of them started anything" test ! -e "$WORK/quiet"
touch "$WORK/file"
check "a data folder that cannot be made: exit 1 and why" \
    says 1 "cannot make the folder for the player's files: $WORK/file/velk" env XDG_DATA_HOME="$WORK/file" "$VELK"

start() {  # start NAME VELK [VAR=VALUE...]: velk from the folder 'elsewhere'; NAME.rc gets "CODE TYPED" at its end
    local name=$1 velk=$2
    shift 2
    tmux_start "$name" 120x30 env -u XDG_DATA_HOME LC_ALL=C.UTF-8 TERM=tmux-256color HOME="$WORK/home" "$@" \
        sh -c 'cd "$1" && "$2"; code=$?; stty -icanon min 0 time 5; echo "$code $(dd bs=1 count=1 2>/dev/null)" >"$3"
               exec sleep 600' sh "$WORK/elsewhere" "$velk" "$WORK/$name.rc"
    wait_for "$name" "Press 'B' to begin."
}
to_level_1() {  # to_level_1 NAME [BOX]: 'b', the intro, BOX answered when given, then level 1
    tm send-keys -t "$1" b
    if [ -n "${2:-}" ]; then wait_for "$1" "$2" 30 && tm send-keys -t "$1" Enter || return 1; fi
    wait_for "$1" "Current level: 1" 30
}
ends_with() { tm send-keys -t "$1" Escape && wait_file "$WORK/$1.rc" 10 && [ "$(cat "$WORK/$1.rc")" = "$2" ]; }

echo "--- the installed velk, from another folder"
check "the information screen shows" start first "$VELK"
check "'b' plays the intro; a new player's missing record is reported; level 1" to_level_1 first "High-Scroe file was not found"
check "Esc ends with 1 and the exit key 'x' reaches the terminal" ends_with first "1 x"
check "the record is in ~/.local/share/velk" test -s "$WORK/home/.local/share/velk/VELKGAME.CFG"
check "nothing was written to the starting folder" test -z "$(ls -A "$WORK/elsewhere")"
start again "$VELK" >/dev/null
check "a second start finds the record: no box before level 1" to_level_1 again
check "XDG_DATA_HOME moves the player's folder" \
    eval 'start xdg "$VELK" XDG_DATA_HOME="$WORK/xdg" && ends_with xdg "1 x" && test -L "$WORK/xdg/velk/VELKGAME.exe"'
tmux_stop

echo "--- the Debian package"
cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/deb" >"$WORK/cpack.log" 2>&1 || cat "$WORK/cpack.log"
deb=$(ls "$WORK"/deb/velk_1.1_*.deb 2>/dev/null)
has_all() {  # has_all TEXT LINE...: every LINE occurs in TEXT
    local text=$1 line
    shift
    for line in "$@"; do [[ $text == *"$line"* ]] || { echo "     missing: $line"; return 1; }; done
}
check "dpkg-deb --info: the fields" has_all "$(dpkg-deb --info "$deb")" " Package: velk" " Version: 1.1" \
    " Maintainer: VELK Software <games@velk.example>" " Section: games" "libncursesw6" "libsdl2-mixer-2.0-0" \
    " Description: keyboard practice game" "  Steer the red arrow"
check "dpkg-deb --contents: the files where Debian puts games" has_all "$(dpkg-deb --contents "$deb")" \
    ./usr/games/velk ./usr/lib/games/velk/VELKGAME.exe ./usr/share/games/velk/VELKGSND{1,2,3,4,5,6}.wav \
    ./usr/share/applications/velk.desktop ./usr/share/icons/hicolor/{32x32,64x64,128x128}/apps/velk.png \
    ./usr/share/man/man6/velk.6.gz ./usr/share/doc/velk/copyright ./usr/share/doc/velk/changelog.gz
lintian_clean() {  # lintian_clean DEB: no errors, and every warning's tag is named in README.md
    lintian "$1" 2>&1 | grep -E '^[EW]: ' | tee "$WORK/lintian.txt"
    ! grep -q '^E: ' "$WORK/lintian.txt" &&
        awk '{print $3}' "$WORK/lintian.txt" | while read -r tag; do grep -qF "$tag" README.md || exit 1; done
}
check "lintian: no errors, each warning explained in README" lintian_clean "$deb"
dpkg-deb -x "$deb" "$WORK/root"
check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$WORK/root/usr/share/applications/velk.desktop"
check "unpacked under another root, its velk starts the game with the record kept" \
    eval 'start unpacked "$WORK/root/usr/games/velk" && to_level_1 unpacked && ends_with unpacked "1 x"'
check "... from the package's own files" test "$(readlink "$WORK/home/.local/share/velk/VELKGSND1.wav")" = \
    "$WORK/root/usr/share/games/velk/VELKGSND1.wav"
report
