# What the shell test stages share (sourced): counted checks, waiting, detached tmux sessions, the build preamble.
# A stage sets STAGE (its name in the count line) and, for tmux, TMUX_SOCKET before using these.

passed=0 failed=0 skipped=0
check() {  # check DESCRIPTION COMMAND...: one counted result
    if "${@:2}"; then passed=$((passed + 1)) && echo "ok   $1"; else failed=$((failed + 1)) && echo "FAIL $1"; fi
}
# skip WHAT: a part the machine cannot run, counted and said why in one line
skip() { skipped=$((skipped + 1)) && echo "skip $*"; }
report() {  # report: the stage's count line; the exit status says whether all passed
    echo "${STAGE:+$STAGE: }$passed passed, $failed failed$([ "$skipped" -eq 0 ] || echo ", $skipped skipped")" && [ "$failed" -eq 0 ]
}

# Debian's python3, which the stages install: a version manager's shim earlier in PATH can take most of a second to
# start, and a wait that polls a Python check pays that at every try.
python3() { /usr/bin/python3 "$@"; }

wait_until() {  # wait_until SECONDS COMMAND...: polls, for a shared and slow machine; says why only at the end
    local tries=$(($1 * 10))
    until "${@:2}" >/dev/null 2>&1; do ((--tries > 0)) || { "${@:2}"; return 1; }; sleep 0.1; done
}
wait_file() { wait_until "$2" test -s "$1"; }  # wait_file FILE SECONDS: FILE exists and is not empty
scratch() { work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"; }  # scratch: into a new folder, removed at exit
alive() { [ -r "/proc/$1/stat" ] && ! grep -q ') Z ' "/proc/$1/stat"; }
# as_user COMMAND...: as an unprivileged user when the stage runs as root (as CI does), else as is
as_user() { if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi; }

# tmux on a server of the stage's own (TMUX_SOCKET), so parallel stages and a developer's tmux never meet.
tm() { tmux -u -L "${TMUX_SOCKET:?}" -f /dev/null "$@"; }
tmux_start() { tm new-session -d -s "$1" -x "${2%x*}" -y "${2#*x}" "${@:3}"; }  # tmux_start NAME COLSxROWS COMMAND...
tmux_stop() { tm kill-server >/dev/null 2>&1; return 0; }  # ends every session of the stage's server
shows() { tm capture-pane -p -t "$1" 2>/dev/null | grep -qF -- "$2"; }  # shows NAME TEXT
hides() { ! shows "$1" "$2"; }
wait_for() { wait_until "${3:-20}" shows "$1" "$2"; }  # wait_for NAME TEXT [SECONDS]

# The terminal and save stages run the sanitizer build's programs, so that every run there is also a memory check; a
# sanitizer's report ends the program with code 86, which no check expects (the libraries' leaks at exit are not ours).
ensure_sanitizer_build() {  # build/asan's VELKGAME.exe and velk-replay, as ./test.sh builds them, made if missing
    export ASAN_OPTIONS=detect_leaks=0:exitcode=86 UBSAN_OPTIONS=exitcode=86
    [ -x build/asan/package/VELKGAME.exe ] && [ -x build/asan/tools/velk-replay/velk-replay ] && return 0
    echo "building the sanitizer programs in build/asan"
    ensure_packages "${VELK_FUZZ_PACKAGES[@]}" && cmake -S . -B build/asan -DVELK_WERROR=ON "${VELK_FUZZ_BUILD_ARGS[@]}" >/dev/null &&
        cmake --build build/asan -j2 --target velk_program velk-replay >/dev/null
}
ensure_release_build() {  # ensure_release_build DIR: the release build of the terminal program, made if missing
    [ -x "$1/package/VELKGAME.exe" ] && return 0
    echo "building the package in $1"
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=Release -DVELK_CRASH_KEY=ON >/dev/null && cmake --build "$1" -j2 >/dev/null
}
