#!/usr/bin/env bash
# Checks the six sound cues in the package folder (size, format, character) and velk-wavgen's bad calls.
# Usage: test_sounds.sh VELK-WAVGEN PACKAGE-DIR
set -u
gen=$1 pkg=$2
command -v sox >/dev/null || { echo "SKIP: sox is not installed"; exit 77; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

stat_of() {  # stat_of FILE FIELD [TRIM-START [TRIM-LENGTH]]: a figure of sox's stat; "peak" is the largest |sample|
    sox "$1" -n ${3:+trim $3 ${4:-}} stat 2>&1 | awk -F: -v f="$2" '{ gsub(/ /, "", $2) } $1 ~ "^" f { print $2 }
        /^Maximum amp/ { hi = $2 + 0 } /^Minimum amp/ { lo = -$2 } END { if (f == "peak") print (hi > lo ? hi : lo) }'
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

"$gen" "$tmp/a" || fail "generator failed on a fresh folder"
# name, exact size, shortest and longest duration in seconds, pitch direction (up, down or -)
while read -r name size dmin dmax pitch; do
    f="$pkg/$name.wav"
    # Not the generator's bytes: a stale package copy, or a generator that does not repeat itself.
    [ "$(stat -c %s "$f")" = "$size" ] && cmp -s "$f" "$tmp/a/$name.wav" || fail "$name: not $size bytes, or stale"
    dur=$(sox --i -D "$f")
    below "$dmin" "$dur" && below "$dur" "$dmax" || fail "$name: lasts $dur s, expected $dmin..$dmax"
    below 0.05 "$(stat_of "$f" "RMS *amplitude")" && below "$(stat_of "$f" peak)" 0.99 || fail "$name: silent or clips"
    # A sound that starts or stops abruptly clicks.
    below "$(stat_of "$f" peak 0 4s)" 0.05 && below "$(stat_of "$f" peak -4s)" 0.05 || fail "$name: clicks"
    first=$(stat_of "$f" "Rough *frequency" 0 0.15) last=$(stat_of "$f" "Rough *frequency" -0.4 0.15)
    went=$(awk -v a="$first" -v b="$last" 'BEGIN { print (b > a ? "up" : "down") }')
    [ "$pitch" = - ] || [ "$pitch" = "$went" ] || fail "$name: pitch went $went ($first Hz to $last Hz), not $pitch"
done <<'EOF'
VELKGSND1 393968 4.0 4.6 -
VELKGSND2 1504 0.02 0.1 -
VELKGSND3 23656 0.2 0.8 -
VELKGSND4 9996 0.5 1.2 down
VELKGSND5 34172 0.2 0.8 -
VELKGSND6 27804 0.8 1.5 up
EOF

# Bad calls: a clear message on stderr alone, a non-zero exit, and the earlier good file left intact.
mkdir "$tmp/a/VELKGSND1.wav.tmp"
while IFS='|' read -r expect args; do
    # shellcheck disable=SC2086
    ! "$gen" $args >"$tmp/out" 2>"$tmp/err" && grep -q "$expect" "$tmp/err" && [ ! -s "$tmp/out" ] || fail "'$args'"
done <<EOF
usage: velk-wavgen OUTDIR|$tmp/a $tmp/b
cannot use output folder|$tmp/a/VELKGSND2.wav/sub
cannot write $tmp/a/VELKGSND1.wav.tmp|$tmp/a
EOF
cmp -s "$tmp/a/VELKGSND1.wav" "$pkg/VELKGSND1.wav" || fail "a failed run damaged the earlier file"
[ "$failures" -eq 0 ]
