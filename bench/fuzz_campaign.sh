#!/usr/bin/env bash
# fuzz_campaign.sh [SECONDS [TARGET...]]: runs each fuzz target (default all) for SECONDS (default 600) in the
# sanitizer build, growing a working corpus in build/fuzz-campaign, and reports executions, coverage and crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/ensure-packages.sh
ensure_packages "${VELK_BUILD_PACKAGES[@]}" "${VELK_FUZZ_PACKAGES[@]}"

seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(script key_decoder demo)
build=build/asan
cmake -S . -B "$build" -DVELK_WERROR=ON "${VELK_FUZZ_BUILD_ARGS[@]}" >/dev/null
cmake --build "$build" -j2 >/dev/null

out=$root/build/fuzz-campaign
mkdir -p "$out"
printf '%-12s %8s %12s %10s %6s %6s %8s\n' target seconds executions exec/s cov ft crashes
for name in "${targets[@]}"; do
    binary=$build/tests/fuzz/fuzz_$name
    [ -x "$binary" ] || { echo "$name: no such target"; continue; }
    mkdir -p "$out/$name" "$out/artifacts"
    flags=()
    [ -f tests/fuzz/$name.dict ] && flags+=(-dict="$root/tests/fuzz/$name.dict")
    # Absolute paths: the targets work in a scratch folder of their own.
    start=$(date +%s)
    "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" "${flags[@]}" \
        "$out/$name" "$root/tests/fuzz/corpus/$name" > "$out/$name.log" 2>&1 || true
    took=$(($(date +%s) - start))
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$name.log" | grep -o '[0-9]*$' || echo 0)
    last=$(grep -E '^#[0-9]+[[:space:]]' "$out/$name.log" | tail -1 || true)
    cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo ?)
    ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo ?)
    crashes=$(find "$out/artifacts" -name "$name-*" | wc -l)
    printf '%-12s %8d %12d %10d %6s %6s %8d\n' "$name" "$took" "${runs:-0}" $(( ${runs:-0} / (took > 0 ? took : 1) )) "$cov" "$ft" "$crashes"
done
echo "logs and crashing inputs: $out"
