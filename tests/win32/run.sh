#!/usr/bin/env bash
# Windows stage: cross-builds both Windows programs and, for each under its own Wine, runs the test suites, a smoke
# run of the zipped program and the record file exchanged with the Linux program; checks the shipped program's zip.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=win32
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages cmake make g++ googletest tmux coreutils binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 || exit 1
# test.sh's release build comes first: its velk_sounds writes the six WAVs the packages take, and its velk-replay
# is the Linux program the record files are exchanged with.
ensure_release_build build/test || exit 1
wine64=/usr/lib/wine/wine64 wine32=/usr/lib/wine/wine server=/usr/lib/wine/wineserver
win32_dir=$PWD/build/win32-i686 win64_dir=$PWD/build/win64 replay=$PWD/build/test/tools/velk-replay/velk-replay

# The shipped program is 32-bit: its runs need wine32:i386, which Debian does not install with wine, and a kernel
# that runs 32-bit programs (some virtual machines' do not).
no_wine32="no 32-bit Wine; as root: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386"
[ -x "$wine32" ] && no_wine32="32-bit Wine is installed but does not start: this kernel runs no 32-bit programs" &&
    "$wine32" --version >/dev/null 2>&1 && no_wine32=

# Wine turns the console's Unicode into the terminal's character set, and tmux shows it only in UTF-8.
export LC_ALL=C.UTF-8 WINEPREFIX=$win64_dir/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"   # no Mono or Gecko installers, no menu entries
# Without a display Wine's message boxes return at once; with one, the smoke run would wait for a click.
unset DISPLAY WAYLAND_DISPLAY
TMUX_SOCKET=velk-win32-$$
cleanup() { tmux_stop; [ -d "$WINEPREFIX" ] && timeout 20 "$server" -k 2>/dev/null; }
trap cleanup EXIT

fresh_prefix() {  # one 64-bit prefix: 32-bit Wine runs its programs in it too
    cleanup
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" || return 1
    timeout 180 "$wine64" wineboot -i </dev/null >/dev/null 2>&1
    # A server that went through the prefix's creation keeps a stale desktop: the next program that
    # needs it waits ten seconds. Start a clean one.
    timeout 60 "$server" -k; timeout 60 "$server" -w
    # One server and its services for the whole stage, started away from any pipe: a service that inherited
    # a test's output pipe would keep ctest waiting for its end.
    "${server}64" -p </dev/null >/dev/null 2>&1
    timeout 60 "$wine64" cmd /c exit </dev/null >/dev/null 2>&1
}
check "a fresh Wine prefix" fresh_prefix

cross_build() {  # cross_build DIR ARCH TESTS: the program, its zip and, with TESTS ON, the tests
    { cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$2-w64-mingw32.cmake" -DVELK_PLATFORM=win32 \
        -DCMAKE_BUILD_TYPE=Release -DVELK_WERROR=ON -DVELK_SOUND_DIR="$PWD/build/test/package" -DVELK_TESTS="$3" &&
        timeout 1200 cmake --build "$1" -j2; } > "$1.log" 2>&1 || ! tail -40 "$1.log"
}
check "64-bit build (program, zip and tests)" cross_build "$win64_dir" x86_64 ON
# The 32-bit tests are discovered by running them, so they are built only where 32-bit Wine runs.
tests32=$([ -z "$no_wine32" ] && echo ON || echo OFF)
check "32-bit build (the shipped program, its zip; tests $tests32)" cross_build "$win32_dir" i686 $tests32

# The shipped 32-bit program and its zip.
headers=$(objdump -p "$win32_dir/package/VELKGAME.exe" 2>/dev/null)
check "VELKGAME.exe is a PE32 (i386) console program" eval 'grep -q "file format pei-i386" <<< "$headers" &&
    grep -qE "^Subsystem\s+00000003\s+\(Windows CUI\)" <<< "$headers"'
check "it imports only system DLLs" eval '! awk "/DLL Name:/ {print tolower(\$3)}" <<< "$headers" |
    grep -vxE "(kernel32|user32|winmm|msvcrt|gdi32|advapi32|shell32|ole32|ws2_32)\.dll"'
resources=$(awk '/rsrc Resource Directory section/ {r = 1} /Resources start/ {r = 0}
    r && /^[0-9a-f]+   Entry: ID:/ {printf "%s ", $4} r && /Leaf:/ {n++} END {print n " leaves"}' <<< "$headers")
check "its only resource is one icon (RT_ICON and its RT_GROUP_ICON)" test "$resources" = "0x000003, 0x00000e, 2 leaves"
unzip_to() { rm -rf "$1" && mkdir -p "$1" && cmake -E chdir "$1" cmake -E tar xf "$2"; }  # unzip_to DIR ZIP
check "the zip holds the 32-bit program and the six WAVs, nothing else" \
    eval 'unzip_to "$win32_dir/unzipped" "$win32_dir/VELKGAME-win32.zip" && diff -r "$win32_dir/unzipped" "$win32_dir/package"'

# The Linux program's information screen and record files: after a start without one (record 0), and after level 1
# finished in one batch (up to the gate's row, through it, down to the heart's row and into the heart: record 100).
linux=$PWD/build/win-records
begin=$'at 10 key b\nend 5000'
finish=$(printf '%s\n' "epoch 1800000000" "at 10 key b"; yes "at 4400 key Up" | head -9; yes "at 4400 key Right" | head -120
    yes "at 4401 key Down" | head -9; yes "at 4401 key Right" | head -3; echo "end 6500")
linux_run() {  # linux_run NAME: velk-replay plays the script on standard input into NAME.log; a record file becomes NAME
    rm -f "$linux/VELKGAME.CFG" && (cd "$linux" && "$replay" - > "$1.log") && { [ ! -e "$linux/VELKGAME.CFG" ] ||
        mv "$linux/VELKGAME.CFG" "$linux/$1"; }
}
check "the Linux program writes a record of 0, and of 100 when it finishes level 1" eval 'unzip_to "$linux" \
    "$win32_dir/VELKGAME-win32.zip" && linux_run zero.cfg <<< "$begin" && linux_run 100.cfg <<< "$finish" &&
    grep -q "^ Record high score: 100 " "$linux/100.cfg.log" && linux_run info <<< "end 100"'

# The programs' runs need a console: Wine makes one from a terminal, here a detached 120x30 tmux session (a bare
# pseudo-terminal from script(1) feeds stray bytes into the console's input). gtest's report goes to a file: the
# terminal copy is drawn by Wine's console, not plain lines.
in_console() {  # in_console NAME DIR COMMAND: COMMAND run in DIR in a 120x30 console; DIR/exit-code gets its code
    rm -f "$2/exit-code"; tm kill-session -t "$1" 2>/dev/null
    # --foreground: the program reads the terminal, which only the foreground process group may do.
    tmux_start "$1" 120x30 sh -c "cd '$2' && timeout --foreground -k 5 120 $3; echo \$? > exit-code; sleep 600"
}
fact() { check "$bits-bit: $1" eval "$2"; }  # fact DESCRIPTION SHELL: a check of the program of $bits bits
# ended NAME: Esc ends the smoke folder's program in session NAME with 1
ended() { tm send-keys -t "$1" Escape && wait_file "$smoke/exit-code" 20 && [ "$(cat "$smoke/exit-code")" = 1 ]; }
# Every cell of the information screen as the Linux program draws it: glyphs, rows and the last column.
info_shown() { diff <(tm capture-pane -p -t smoke | sed 's/ *$//') <(sed '1,/^screen$/d; s/ *$//' "$linux/info.log"); }
# The field black on bright blue (SGR 30;104) from the first cell, seen on the information screen (on the level tmux
# shows the background Wine's console sends as its default); on level 1 the arrow and the heart on row 16 bright red
# (91), the wall down to row 30.
info_colours() { tm capture-pane -p -e -t smoke | head -1 | grep -q $'^\e\\[30m\e\\[104m'; }
level_colours() { tm capture-pane -p -e -t smoke | sed -n '16p;30p' | tr '\n' ' ' | grep -q $'\e\\[91m►.*\e\\[91m♥.* .*├'; }
arrow_moved() { [[ "$(tm capture-pane -p -t smoke | sed -n 16p)" == "  ►"* ]]; }
titled() { [ "$(tm display-message -p -t "$1" "#{pane_title}")" = "$2" ]; }  # titled NAME TITLE: the console's title
[ -z "$no_wine32" ] || skip "the 32-bit program's runs (suites, smoke run, record exchange): $no_wine32"
for bits in $([ -z "$no_wine32" ] && echo 32) 64; do
    dir=$win64_dir wine=$wine64
    [ "$bits" = 32 ] && dir=$win32_dir wine=$wine32
    fact "the game's test suite passes under Wine" 'timeout 600 ctest --test-dir "$dir" -LE console -j2 --timeout 120 \
        --output-on-failure > "$dir/ctest.log" || ! tail -60 "$dir/ctest.log"'
    tests=$dir/tests/win32
    in_console backend "$tests" "$wine win32_tests.exe --gtest_output=xml:backend.xml"
    fact "the backend's own tests pass in a console, none skipped" 'wait_file "$tests/exit-code" 130 &&
        grep -q "tests=\"[1-9]" "$tests/backend.xml" && ! grep -q "<skipped\|<failure" "$tests/backend.xml" || ! cat "$tests/backend.xml"'

    # The program that goes into the zip, taken out of it, in a folder without a record file.
    smoke=$dir/smoke
    unzip_to "$smoke" "$dir/VELKGAME-win$bits.zip" && mkdir "$smoke/elsewhere"
    in_console smoke "$smoke" "$wine VELKGAME.exe"
    fact "the information screen, cell for cell the Linux program's, and the console title show" \
        'wait_until 60 info_shown && info_colours && titled smoke "VELK Keyboard Practice Game"'
    fact "'b' plays the intro, then level 1: the arrow (U+25BA), the heart (U+2665) and the wall (U+251C)" \
        'tm send-keys -t smoke b && wait_for smoke "Current level: 1" 25 && shows smoke "Lives remained: ►►►►►►" &&
        wait_until 5 level_colours'
    fact "Right moves the arrow" 'tm send-keys -t smoke Right && wait_until 5 arrow_moved'
    fact "Esc ends the program with 1" 'ended smoke'
    # The record file both ways. A rejected file would leave the record at 0 and be rewritten with 0.
    fact "its start without a record file wrote the Linux program's very file, which velk-replay reads with no box" \
        'cmp "$linux/zero.cfg" "$smoke/VELKGAME.CFG" && (cd "$smoke" && "$replay" - <<< "$begin" > replay.log) &&
        ! grep " box " "$smoke/replay.log"'
    cp "$linux/100.cfg" "$smoke/VELKGAME.CFG"
    in_console record "$smoke" "$wine VELKGAME.exe --record game.demo"
    fact "the Linux program's record of 100 shows in the status panel, the file left as it was" 'wait_for record \
        "to begin." 60 && tm send-keys -t record b && wait_for record " Record high score: 100 " 25 && ended record &&
        cmp "$linux/100.cfg" "$smoke/VELKGAME.CFG"'
    # That game, recorded, is watched: the note in the console's title, then on to the recorded Esc.
    in_console watch "$smoke" "$wine VELKGAME.exe --play game.demo --speed 4"
    fact "--play shows its note in the console's title and plays the recorded game to its end, then ends with 0" \
        'wait_until 60 titled watch "VELK demo: Space pauses, Esc stops" && wait_file "$smoke/exit-code" 60 &&
        [ "$(cat "$smoke/exit-code")" = 0 ]'
    # Outside its package the program stops at the package check; without a display its box returns at once.
    fact "started outside its package it ends with 0" \
        '(cd "$smoke/elsewhere" && timeout -k 5 30 "$wine" ../VELKGAME.exe) </dev/null >/dev/null 2>&1'
done
report
