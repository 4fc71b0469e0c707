#!/usr/bin/env bash
# Windows stage: cross-builds both Windows programs, runs their tests and a smoke run under Wine, checks and zips the package.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
. scripts/ensure-packages.sh
ensure_packages cmake make g++ googletest tmux coreutils binutils \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 || exit 1

wine=/usr/lib/wine/wine64
build_root=${VELK_WIN_BUILD_ROOT:-$root/build}   # another root keeps a developer's runs apart from test.sh's
win32_dir=$build_root/win32-i686
win64_dir=$build_root/win64
host_dir=$root/build/test                        # test.sh's release build: its velk_sounds writes the six WAVs
sound_dir=${VELK_SOUND_DIR:-$host_dir/package}
zip=$win32_dir/VELKGAME-win32.zip
sounds=(VELKGSND1.wav VELKGSND2.wav VELKGSND3.wav VELKGSND4.wav VELKGSND5.wav VELKGSND6.wav)

# Wine turns the console's Unicode into the terminal's character set, and tmux shows it only in UTF-8.
export LC_ALL=C.UTF-8
export WINEPREFIX=$win64_dir/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"   # no Mono or Gecko installers, no menu entries
# Without a display Wine's message boxes return at once; with one, the smoke run would wait for a click.
unset DISPLAY WAYLAND_DISPLAY

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: one counted fact
    local what=$1; shift
    if "$@"; then
        passed=$((passed + 1)); echo "ok: $what"
    else
        failed=$((failed + 1)); echo "FAILED: $what"
    fi
}
timed_check() {  # timed_check DESCRIPTION COMMAND...: a check whose duration is shown with it
    local what=$1 start=$SECONDS; shift
    "$@"
    local code=$?
    check "$what ($((SECONDS - start)) s)" test "$code" -eq 0
}

smoke_socket=velk-win32-smoke-$$
cleanup() {
    tmux -u -L "$smoke_socket" kill-server 2>/dev/null
    tmux -u -L "velk-win32-$$" kill-server 2>/dev/null
    [ -d "$WINEPREFIX" ] && timeout 20 /usr/lib/wine/wineserver -k 2>/dev/null
    return 0
}
trap cleanup EXIT

# --- The six WAVs from the host build (test.sh builds it first; build only the sounds when run alone).
have_sounds() { local s; for s in "${sounds[@]}"; do [ -s "$sound_dir/$s" ] || return 1; done; }
if ! have_sounds; then
    echo "=== host sound files"
    { [ -f "$host_dir/CMakeCache.txt" ] || cmake -S . -B "$host_dir" -DVELK_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null; } &&
        timeout 600 cmake --build "$host_dir" -j2 --target velk_sounds >/dev/null
fi
check "the host build's package folder holds the six WAV files" have_sounds

# --- A fresh Wine prefix; the 64-bit build runs its test discovery under it.
echo "=== Wine prefix"
fresh_prefix() {
    cleanup
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" || return 1
    timeout 180 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # A server that went through the prefix's creation keeps a stale desktop: the next program that
    # needs it waits ten seconds. Start a clean one.
    timeout 60 /usr/lib/wine/wineserver -k
    timeout 60 /usr/lib/wine/wineserver -w
    # One server and its services for the whole stage: a Windows program then starts in a fraction of a
    # second instead of half a second. The services start here, away from any pipe: one that inherited
    # a test's output pipe would keep ctest waiting for its end.
    /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1
    timeout 60 "$wine" cmd /c exit </dev/null >/dev/null 2>&1
    test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
}
timed_check "a fresh Wine prefix" fresh_prefix

# --- Both Windows builds.
cross_build() {  # cross_build DIR TOOLCHAIN TARGET CMAKE-ARGS...
    local dir=$1 toolchain=$2 target=$3; shift 3
    { cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DVELK_PLATFORM=win32 \
        -DCMAKE_BUILD_TYPE=Release -DVELK_WERROR=ON -DVELK_SOUND_DIR="$sound_dir" "$@" &&
        timeout 1200 cmake --build "$dir" -j2 --target "$target"; } > "$dir.log" 2>&1 || { tail -40 "$dir.log"; return 1; }
}
echo "=== 64-bit build (program and tests)"
timed_check "64-bit build" cross_build "$win64_dir" toolchain-x86_64-w64-mingw32.cmake all -DVELK_TESTS=ON
echo "=== 32-bit build (the shipped program and its zip)"
timed_check "32-bit build" cross_build "$win32_dir" toolchain-i686-w64-mingw32.cmake velk_package_zip -DVELK_TESTS=OFF

# --- The game-logic test suite, built for Windows, under Wine's 64-bit loader (the emulator of the toolchain file).
echo "=== test suite under Wine"
test_suite() {
    timeout 600 ctest --test-dir "$win64_dir" -LE console -j2 --timeout 120 --output-on-failure > "$win64_dir/ctest.log" 2>&1
    local code=$?
    grep -E "tests passed|The following tests FAILED|^\s+[0-9]+ - " "$win64_dir/ctest.log"
    [ "$code" -eq 0 ] || tail -60 "$win64_dir/ctest.log"
    return "$code"
}
timed_check "the test suite passes under Wine" test_suite

# --- The backend's own tests need a console: Wine makes one from a terminal, here a detached 120x30 tmux
# session (a bare pseudo-terminal from script(1) feeds stray bytes into the console's input).
echo "=== console backend tests under Wine"
session_socket=velk-win32-$$
run_in_terminal() {  # run_in_terminal DIR SECONDS COMMAND: runs COMMAND in a 120x30 terminal; its exit code
    local dir=$1 limit=$2 command=$3 deadline
    rm -f "$dir/exit-code"
    tmux -u -L "$session_socket" new-session -d -s run -x 120 -y 30 -c "$dir" \
        "timeout --foreground -k 5 $limit $command; echo \$? > exit-code; sleep 600" || return 1
    deadline=$((SECONDS + limit + 10))
    while [ ! -s "$dir/exit-code" ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
    tmux -u -L "$session_socket" kill-server 2>/dev/null
    [ -s "$dir/exit-code" ] && return "$(cat "$dir/exit-code")"
    return 124
}
backend_tests() {
    local dir=$win64_dir/tests/win32 code totals skipped
    rm -f "$dir/backend.xml"
    # gtest's report goes to a file: the terminal copy is drawn by Wine's console, not plain lines.
    run_in_terminal "$dir" 120 "$wine velk_win32_tests.exe --gtest_output=xml:backend.xml"
    code=$?
    totals=$(grep -o '<testsuites tests="[0-9]*" failures="[0-9]*"' "$dir/backend.xml" 2>/dev/null)
    skipped=$(grep -c '<skipped' "$dir/backend.xml" 2>/dev/null)
    echo "backend tests: ${totals:-no results}, skipped ${skipped:-?}"
    grep -o 'message="[^"]*"' "$dir/backend.xml" 2>/dev/null | head -20
    test "$code" -eq 0 -a -n "$totals" -a "${skipped:-1}" -eq 0
}
timed_check "the console backend tests pass in a 120x30 console" backend_tests

# --- Smoke run of the 64-bit program from a complete package folder, in a detached 120x30 tmux session.
echo "=== smoke run under Wine in tmux"
smoke_start=$SECONDS
smoke_dir=$win64_dir/smoke
rm -rf "$smoke_dir"
mkdir -p "$smoke_dir"
cp "$win64_dir/package/VELKGAME.exe" "$smoke_dir/" && for s in "${sounds[@]}"; do cp "$sound_dir/$s" "$smoke_dir/"; done
screen() { tmux -u -L "$smoke_socket" capture-pane -p -t smoke 2>/dev/null; }
wait_for() {  # wait_for SECONDS TEXT: polls the pane until TEXT shows
    local deadline=$(( $(date +%s) + $1 ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        screen | grep -qF -- "$2" && return 0
        sleep 0.2
    done
    return 1
}
shows() {  # shows TEXT...: every TEXT is on the screen at once
    local now text
    now=$(screen)
    for text in "$@"; do grep -qF -- "$text" <<< "$now" || return 1; done
}
# --foreground: the game reads the terminal, which only the foreground process group may do.
tmux -u -L "$smoke_socket" new-session -d -s smoke -x 120 -y 30 -c "$smoke_dir" \
    "timeout --foreground -k 5 90 $wine VELKGAME.exe; echo \$? > exit-code; sleep 600"
timed_check "the information screen appears" wait_for 60 "Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"
check "its first line is readable" shows " Background: VELK(R) 1.0 software requires keyboard to operate."
check "its version line is readable" shows " VELK Game, Version: 1.1, Build: 1.0"
check "the console title is the game's" \
    test "$(tmux -u -L "$smoke_socket" display-message -p -t smoke '#{pane_title}')" = "VELK Keyboard Practice Game"
tmux -u -L "$smoke_socket" send-keys -t smoke b
timed_check "'b' plays the intro" wait_for 10 " VELK VELK VELK VELK VELK"
timed_check "the level's status rows appear" wait_for 15 " Current level: 1"
check "the record and score rows show" shows " Record high score: " " Your current score: 0"
check "the lives row shows six arrows (U+25BA)" shows " Lives remained: ►►►►►►"
check "the heart (U+2665) and the wall (U+251C) show" shows "♥" "├"
screen > "$smoke_dir/game-screen.txt"
tmux -u -L "$smoke_socket" send-keys -t smoke Escape
exit_code=""
for _ in $(seq 1 100); do
    [ -s "$smoke_dir/exit-code" ] && { exit_code=$(cat "$smoke_dir/exit-code"); break; }
    sleep 0.2
done
check "Esc ends the program with exit code 1 (got '${exit_code:-none}')" test "$exit_code" = "1"
check "the high-score file was written (262,144 bytes)" test "$(stat -c %s "$smoke_dir/VELKGAME.CFG" 2>/dev/null)" = "262144"
tmux -u -L "$smoke_socket" kill-server 2>/dev/null
# Outside its package the program stops at the package check; without a display its box returns at once.
mkdir -p "$smoke_dir/elsewhere"
(cd "$smoke_dir/elsewhere" && timeout -k 5 30 "$wine" ../VELKGAME.exe </dev/null >/dev/null 2>&1)
check "started outside its package it ends with exit code 0" test "$?" -eq 0
echo "smoke run took $((SECONDS - smoke_start)) s"

# --- The shipped 32-bit program: a PE32 console program, the icon as its only resource, system DLLs only.
echo "=== 32-bit program facts (objdump)"
exe=$win32_dir/package/VELKGAME.exe
headers=$(objdump -p "$exe" 2>/dev/null)
pe32() { objdump -f "$exe" | grep -q 'file format pei-i386' && grep -qE '^Magic\s+010b\s+\(PE32\)' <<< "$headers"; }
check "VELKGAME.exe is PE32 (i386)" pe32
check "VELKGAME.exe is a console program" grep -qE '^Subsystem\s+00000003\s+\(Windows CUI\)' <<< "$headers"
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
check "VELKGAME.exe imports only system DLLs" system_dlls
resources=$(sed -n '/The .rsrc Resource Directory section/,/Resources start/p' <<< "$headers")
types=$(grep -E '^[0-9a-f]+   Entry: ID:' <<< "$resources" | awk '{print $4}' | tr -d ',' | tr '\n' ' ')
leaves=$(grep -c 'Leaf:' <<< "$resources")
echo "resource types: $types($leaves leaves)"
check "the only resource is one icon (RT_ICON and its RT_GROUP_ICON)" \
    test "$types" = "0x000003 0x00000e " -a "$leaves" -eq 2
icon_image() {  # the icon's bitmap header: 32 wide, 64 high (colour and mask), 1 plane, 4 bits a pixel
    local leaf addr size rsrc_rva bytes
    leaf=$(grep -A5 'Entry: ID: 0x000003' <<< "$resources" | grep -m1 'Leaf:')
    addr=$(sed -E 's/.*Addr: (0x[0-9a-f]+).*/\1/' <<< "$leaf")
    size=$(sed -E 's/.*Size: (0x[0-9a-f]+).*/\1/' <<< "$leaf")
    rsrc_rva=$(grep -E 'Resource Directory \[\.rsrc\]' <<< "$headers" | awk '{print "0x" $3}')
    i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" "$win32_dir/rsrc.bin" || return 1
    bytes=$(od -An -tx1 -v -j $((addr - rsrc_rva)) -N 16 "$win32_dir/rsrc.bin" | tr -s ' \n' ' ')
    echo "icon image: $((size)) bytes, header${bytes}"
    test "$((size))" -eq 744 -a "$bytes" = " 28 00 00 00 20 00 00 00 40 00 00 00 01 00 04 00 "
}
check "the icon is 32x32 with 16 colours" icon_image

# --- The package zip: the 32-bit program and the six WAVs.
echo "=== package zip"
zip_entries=$(cmake -E tar tf "$zip" 2>/dev/null | sort | tr '\n' ' ')
echo "$zip: $zip_entries"
check "the zip holds VELKGAME.exe and the six WAVs" \
    test "$zip_entries" = "VELKGAME.exe VELKGSND1.wav VELKGSND2.wav VELKGSND3.wav VELKGSND4.wav VELKGSND5.wav VELKGSND6.wav "
zip_program() {  # the zipped program is the 32-bit one, byte for byte
    local unpacked=$win32_dir/zip-check
    rm -rf "$unpacked" && mkdir -p "$unpacked" &&
        (cd "$unpacked" && cmake -E tar xf "$zip") &&
        cmp -s "$unpacked/VELKGAME.exe" "$exe" && cmp -s "$unpacked/VELKGSND1.wav" "$sound_dir/VELKGSND1.wav"
}
check "the zipped program is the 32-bit build" zip_program

echo "win32: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
