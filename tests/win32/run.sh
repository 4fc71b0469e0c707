#!/usr/bin/env bash
# Windows stage: cross-builds both Windows programs, runs the test suites under Wine, a smoke run that starts a
# level, and checks the shipped program and its zip.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=win32
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages cmake make g++ googletest tmux coreutils binutils \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 || exit 1
# test.sh's release build comes first; its velk_sounds writes the six WAVs the packages take.
ensure_release_build build/test || exit 1
wine=/usr/lib/wine/wine64
win32_dir=$PWD/build/win32-i686
win64_dir=$PWD/build/win64
sound_dir=$PWD/build/test/package

# Wine turns the console's Unicode into the terminal's character set, and tmux shows it only in UTF-8.
export LC_ALL=C.UTF-8 WINEPREFIX=$win64_dir/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"   # no Mono or Gecko installers, no menu entries
# Without a display Wine's message boxes return at once; with one, the smoke run would wait for a click.
unset DISPLAY WAYLAND_DISPLAY
TMUX_SOCKET=velk-win32-$$
cleanup() {
    tmux_stop
    [ -d "$WINEPREFIX" ] && timeout 20 /usr/lib/wine/wineserver -k 2>/dev/null
}
trap cleanup EXIT

fresh_prefix() {
    cleanup
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" || return 1
    timeout 180 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # A server that went through the prefix's creation keeps a stale desktop: the next program that
    # needs it waits ten seconds. Start a clean one.
    timeout 60 /usr/lib/wine/wineserver -k
    timeout 60 /usr/lib/wine/wineserver -w
    # One server and its services for the whole stage, started away from any pipe: a service that inherited
    # a test's output pipe would keep ctest waiting for its end.
    /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1
    timeout 60 "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}
check "a fresh Wine prefix" fresh_prefix

cross_build() {  # cross_build DIR TOOLCHAIN TARGET CMAKE-ARGS...
    { cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$2" -DVELK_PLATFORM=win32 -DCMAKE_BUILD_TYPE=Release \
        -DVELK_WERROR=ON -DVELK_SOUND_DIR="$sound_dir" "${@:4}" && timeout 1200 cmake --build "$1" -j2 --target "$3"; } \
        > "$1.log" 2>&1 || ! tail -40 "$1.log"
}
check "64-bit build (program and tests)" cross_build "$win64_dir" toolchain-x86_64-w64-mingw32.cmake all -DVELK_TESTS=ON
check "32-bit build (the shipped program and its zip)" \
    cross_build "$win32_dir" toolchain-i686-w64-mingw32.cmake velk_package_zip -DVELK_TESTS=OFF
check "the game's test suite passes under Wine" eval 'timeout 600 ctest --test-dir "$win64_dir" -LE console -j2 \
    --timeout 120 --output-on-failure > "$win64_dir/ctest.log" || ! tail -60 "$win64_dir/ctest.log"'

# The backend's own tests need a console: Wine makes one from a terminal, here a detached 120x30 tmux
# session (a bare pseudo-terminal from script(1) feeds stray bytes into the console's input). gtest's
# report goes to a file: the terminal copy is drawn by Wine's console, not plain lines.
in_console() {  # in_console NAME DIR COMMAND: COMMAND run in DIR in a 120x30 console; DIR/exit-code gets its code
    rm -f "$2/exit-code"
    # --foreground: the program reads the terminal, which only the foreground process group may do.
    tmux_start "$1" 120x30 sh -c "cd '$2' && timeout --foreground -k 5 120 $3; echo \$? > exit-code; sleep 600"
}
tests=$win64_dir/tests/win32
in_console backend "$tests" "$wine win32_tests.exe --gtest_output=xml:backend.xml"
check "the console backend tests pass in a 120x30 console, none skipped" eval 'wait_file "$tests/exit-code" 130 &&
    grep -q "tests=\"[1-9]" "$tests/backend.xml" && ! grep -q "<skipped\|<failure" "$tests/backend.xml" || ! cat "$tests/backend.xml"'

smoke=$win64_dir/smoke
rm -rf "$smoke" && mkdir -p "$smoke/elsewhere" && cp "$win64_dir/package/VELKGAME.exe" "$sound_dir"/VELKGSND?.wav "$smoke/"
in_console smoke "$smoke" "$wine VELKGAME.exe"
check "the information screen and the console title show" eval 'wait_for smoke "Press '\''B'\'' to begin." 60 &&
    [ "$(tm display-message -p -t smoke "#{pane_title}")" = "VELK Keyboard Practice Game" ]'
check "'b' plays the intro, then level 1 with the arrow (U+25BA), the heart (U+2665) and the wall (U+251C)" eval 'tm send-keys -t smoke b &&
    wait_for smoke "Current level: 1" 25 && shows smoke "Lives remained: ►►►►►►" && shows smoke ♥ && shows smoke ├'
arrow_moved() { [[ "$(tm capture-pane -p -t smoke | sed -n 16p)" == "  ►"* ]]; }
check "Right moves the arrow" eval 'tm send-keys -t smoke Right && wait_until 5 arrow_moved'
check "Esc ends the program with 1; the record was written (262,144 bytes)" eval 'tm send-keys -t smoke Escape &&
    wait_file "$smoke/exit-code" 20 && [ "$(cat "$smoke/exit-code")" = 1 ] && [ "$(stat -c %s "$smoke/VELKGAME.CFG")" = 262144 ]'
# Outside its package the program stops at the package check; without a display its box returns at once.
check "started outside its package it ends with 0" \
    eval '(cd "$smoke/elsewhere" && timeout -k 5 30 "$wine" ../VELKGAME.exe) </dev/null >/dev/null 2>&1'

# The shipped 32-bit program and its zip.
headers=$(objdump -p "$win32_dir/package/VELKGAME.exe" 2>/dev/null)
check "VELKGAME.exe is a PE32 (i386) console program" \
    eval 'grep -q "file format pei-i386" <<< "$headers" && grep -qE "^Subsystem\s+00000003\s+\(Windows CUI\)" <<< "$headers"'
check "it imports only system DLLs" eval '! awk "/DLL Name:/ {print tolower(\$3)}" <<< "$headers" |
    grep -vxE "(kernel32|user32|winmm|msvcrt|gdi32|advapi32|shell32|ole32|ws2_32)\.dll"'
resources=$(sed -n '/The .rsrc Resource Directory section/,/Resources start/p' <<< "$headers")
types=$(grep -E '^[0-9a-f]+   Entry: ID:' <<< "$resources" | awk '{print $4}' | tr -d ',' | tr '\n' ' ')
check "its only resource is one icon (RT_ICON and its RT_GROUP_ICON)" \
    test "$types" = "0x000003 0x00000e " -a "$(grep -c 'Leaf:' <<< "$resources")" -eq 2
check "the zip holds the 32-bit program and the six WAVs, nothing else" eval 'rm -rf "$win32_dir/unzipped" &&
    mkdir "$win32_dir/unzipped" && cmake -E chdir "$win32_dir/unzipped" cmake -E tar xf ../VELKGAME-win32.zip &&
    diff -r "$win32_dir/unzipped" "$win32_dir/package"'
report
