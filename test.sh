#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs the whole test suite; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}" "${VELK_FUZZ_PACKAGES[@]}" sox tmux
command -v python3 >/dev/null || ensure_packages python3

jobs=2
failed=0
passed=0
stage() {  # stage NAME COMMAND...: runs one stage and counts it
    local name=$1; shift
    echo "=== $name"
    if "$@"; then passed=$((passed + 1)); else echo "FAILED: $name"; failed=$((failed + 1)); fi
}

build_and_test() {  # build_and_test DIR CMAKE-ARGS...
    local dir=$1; shift
    cmake -S . -B "$dir" -DVELK_WERROR=ON "$@" >/dev/null &&
    cmake --build "$dir" -j"$jobs" &&
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

stage "release build and tests" build_and_test build/test -DCMAKE_BUILD_TYPE=Release -DVELK_CRASH_KEY=ON
# The sanitizer build is clang's so that it also builds the fuzz targets; its ctest runs each for a
# fixed number of inputs and the soak for 20 scripts. A folder left by another compiler starts afresh.
grep -qs "^CMAKE_CXX_COMPILER:.*clang++-14$" build/asan/CMakeCache.txt || rm -rf build/asan/CMakeCache.txt build/asan/CMakeFiles
stage "sanitizer build and tests" build_and_test build/asan "${VELK_FUZZ_BUILD_ARGS[@]}"

stages=(
    tests/terminal/run.sh
    tests/save/run.sh
    tests/install/run.sh
    tests/win32/run.sh
    tests/web/run.sh
)
for extra in "${stages[@]}"; do
    [ -f "$extra" ] && stage "$extra" bash "$extra"
done

echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
