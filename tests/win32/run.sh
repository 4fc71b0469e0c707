#!/usr/bin/env bash
# Windows stage: cross-builds both Windows programs, runs the test suites under Wine, a smoke run that starts a
# level, and checks the shipped program and its zip.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
STAGE=win32
. tests/lib.sh
. scripts/ensure-packages.sh
ensure_packages cmake make g++ googletest tmux coreutils binutils \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 || exit 1

wine=/usr/lib/wine/wine64
build_root=${VELK_WIN_BUILD_ROOT:-$root/build}   # another root keeps a developer's runs apart from test.sh's
win32_dir=$build_root/win32-i686
win64_dir=$build_root/win64
host_dir=$root/build/test                        # test.sh's release build: its velk_sounds writes the six WAVs
sound_dir=${VELK_SOUND_DIR:-$host_dir/package}
sounds=(VELKGSND1.wav VELKGSND2.wav VELKGSND3.wav VELKGSND4.wav VELKGSND5.wav VELKGSND6.wav)

# Wine turns the console's Unicode into the terminal's character set, and tmux shows it only in UTF-8.
export LC_ALL=C.UTF-8
export WINEPREFIX=$win64_dir/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"   # no Mono or Gecko installers, no menu entries
# Without a display Wine's message boxes return at once; with one, the smoke run would wait for a click.
unset DISPLAY WAYLAND_DISPLAY
TMUX_SOCKET=velk-win32-$$

timed_check() {  # timed_check DESCRIPTION COMMAND...: a check whose duration is shown with it
    local what=$1 start=$SECONDS code
    shift
    "$@"
    code=$?
    check "$what ($((SECONDS - start)) s)" test "$code" -eq 0
}
cleanup() {
    tmux_stop
    [ -d "$WINEPREFIX" ] && timeout 20 /usr/lib/wine/wineserver -k 2>/dev/null
    return 0
}
trap cleanup EXIT

# --- The six WAVs from the host build (test.sh builds it first; build only the sounds when run alone).
have_sounds() { local s; for s in "${sounds[@]}"; do [ -s "$sound_dir/$s" ] || return 1; done; }
if ! have_sounds; then
    { [ -f "$host_dir/CMakeCache.txt" ] || cmake -S . -B "$host_dir" -DVELK_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null; } &&
        timeout 600 cmake --build "$host_dir" -j2 --target velk_sounds >/dev/null
fi
check "the host build's package folder holds the six WAV files" have_sounds

echo "=== Wine prefix"
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
    test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
}
timed_check "a fresh Wine prefix" fresh_prefix

cross_build() {  # cross_build DIR TOOLCHAIN TARGET CMAKE-ARGS...
    local dir=$1 toolchain=$2 target=$3
    shift 3
    { cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DVELK_PLATFORM=win32 \
        -DCMAKE_BUILD_TYPE=Release -DVELK_WERROR=ON -DVELK_SOUND_DIR="$sound_dir" "$@" &&
        timeout 1200 cmake --build "$dir" -j2 --target "$target"; } > "$dir.log" 2>&1 || { tail -40 "$dir.log"; return 1; }
}
echo "=== builds"
timed_check "64-bit build (program and tests)" cross_build "$win64_dir" toolchain-x86_64-w64-mingw32.cmake all -DVELK_TESTS=ON
timed_check "32-bit build (the shipped program and its zip)" \
    cross_build "$win32_dir" toolchain-i686-w64-mingw32.cmake velk_package_zip -DVELK_TESTS=OFF

echo "=== the game's test suite under Wine"
test_suite() {
    timeout 600 ctest --test-dir "$win64_dir" -LE console -j2 --timeout 120 --output-on-failure > "$win64_dir/ctest.log" 2>&1
    local code=$?
    grep -E "tests passed|The following tests FAILED|^\s+[0-9]+ - " "$win64_dir/ctest.log"
    [ "$code" -eq 0 ] || tail -60 "$win64_dir/ctest.log"
    return "$code"
}
timed_check "the test suite passes under Wine" test_suite

# The backend's own tests need a console: Wine makes one from a terminal, here a detached 120x30 tmux
# session (a bare pseudo-terminal from script(1) feeds stray bytes into the console's input).
echo "=== console backend tests under Wine"
backend_tests() {
    local dir=$win64_dir/tests/win32 totals skipped
    rm -f "$dir/backend.xml" "$dir/exit-code"
    # gtest's report goes to a file: the terminal copy is drawn by Wine's console, not plain lines.
    tmux_start backend 120x30 sh -c "cd '$dir' && timeout --foreground -k 5 120 $wine velk_win32_tests.exe \
        --gtest_output=xml:backend.xml; echo \$? > exit-code; sleep 600"
    wait_file "$dir/exit-code" 130
    tm kill-session -t backend
    totals=$(grep -o '<testsuites tests="[0-9]*" failures="[0-9]*"' "$dir/backend.xml" 2>/dev/null)
    skipped=$(grep -c '<skipped' "$dir/backend.xml" 2>/dev/null)
    echo "backend tests: ${totals:-no results}, skipped ${skipped:-?}"
    grep -o 'message="[^"]*"' "$dir/backend.xml" 2>/dev/null | head -20
    [ "$(cat "$dir/exit-code" 2>/dev/null)" = 0 ] && [ -n "$totals" ] && [ "${skipped:-1}" -eq 0 ]
}
timed_check "the console backend tests pass in a 120x30 console" backend_tests

echo "=== smoke run under Wine in tmux"
smoke=$win64_dir/smoke
rm -rf "$smoke" && mkdir -p "$smoke/elsewhere"
cp "$win64_dir/package/VELKGAME.exe" "$smoke/" && for s in "${sounds[@]}"; do cp "$sound_dir/$s" "$smoke/"; done
# --foreground: the game reads the terminal, which only the foreground process group may do.
tmux_start smoke 120x30 sh -c "cd '$smoke' && timeout --foreground -k 5 90 $wine VELKGAME.exe; echo \$? > exit-code; sleep 600"
timed_check "the information screen appears" wait_for smoke "Press 'B' to begin." 60
check "the console title is the game's" test "$(tm display-message -p -t smoke '#{pane_title}')" = "VELK Keyboard Practice Game"
tm send-keys -t smoke b
timed_check "'b' plays the intro, then level 1" eval 'wait_for smoke " VELK VELK VELK" 10 && wait_for smoke " Current level: 1" 15'
check "the arrow (U+25BA), the heart (U+2665) and the wall (U+251C) show" \
    eval 'shows smoke "Lives remained: ►►►►►►" && shows smoke ♥ && shows smoke ├'
tm send-keys -t smoke Right
check "Right moves the arrow" wait_until 5 eval '[[ "$(tm capture-pane -p -t smoke | sed -n 16p)" == "  ►"* ]]'
tm send-keys -t smoke Escape
check "Esc ends the program with exit code 1" eval 'wait_file "$smoke/exit-code" 20 && [ "$(cat "$smoke/exit-code")" = 1 ]'
check "the high-score file was written (262,144 bytes)" test "$(stat -c %s "$smoke/VELKGAME.CFG" 2>/dev/null)" = 262144
# Outside its package the program stops at the package check; without a display its box returns at once.
(cd "$smoke/elsewhere" && timeout -k 5 30 "$wine" ../VELKGAME.exe </dev/null >/dev/null 2>&1)
check "started outside its package it ends with exit code 0" test "$?" -eq 0

echo "=== the shipped 32-bit program and its zip"
exe=$win32_dir/package/VELKGAME.exe
headers=$(objdump -p "$exe" 2>/dev/null)
check "VELKGAME.exe is a PE32 (i386) console program" eval 'objdump -f "$exe" | grep -q "file format pei-i386" &&
    grep -qE "^Magic\s+010b\s+\(PE32\)" <<< "$headers" && grep -qE "^Subsystem\s+00000003\s+\(Windows CUI\)" <<< "$headers"'
dlls=$(grep -E '^\s+DLL Name:' <<< "$headers" | awk '{print tolower($3)}' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
system_dlls() {
    local dll
    [ -n "$dlls" ] || return 1
    for dll in $dlls; do
        case $dll in
            kernel32.dll|user32.dll|winmm.dll|msvcrt.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|ws2_32.dll) ;;
            *) echo "not a system DLL: $dll"; return 1 ;;
        esac
    done
}
check "it imports only system DLLs" system_dlls
resources=$(sed -n '/The .rsrc Resource Directory section/,/Resources start/p' <<< "$headers")
types=$(grep -E '^[0-9a-f]+   Entry: ID:' <<< "$resources" | awk '{print $4}' | tr -d ',' | tr '\n' ' ')
check "its only resource is one icon (RT_ICON and its RT_GROUP_ICON)" \
    test "$types" = "0x000003 0x00000e " -a "$(grep -c 'Leaf:' <<< "$resources")" -eq 2
zip=$win32_dir/VELKGAME-win32.zip
check "the zip holds VELKGAME.exe and the six WAVs" test "$(cmake -E tar tf "$zip" 2>/dev/null | sort | tr '\n' ' ')" = \
    "VELKGAME.exe VELKGSND1.wav VELKGSND2.wav VELKGSND3.wav VELKGSND4.wav VELKGSND5.wav VELKGSND6.wav "
zip_program() {  # the zipped program is the 32-bit one, byte for byte
    local unpacked=$win32_dir/zip-check
    rm -rf "$unpacked" && mkdir -p "$unpacked" && (cd "$unpacked" && cmake -E tar xf "$zip") &&
        cmp -s "$unpacked/VELKGAME.exe" "$exe" && cmp -s "$unpacked/VELKGSND1.wav" "$sound_dir/VELKGSND1.wav"
}
check "the zipped program is the 32-bit build" zip_program
report
