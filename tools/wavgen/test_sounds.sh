#!/usr/bin/env bash
# Checks the six sound cues in the package folder (exact bytes, character) and velk-wavgen's bad calls.
# Usage: test_sounds.sh VELK-WAVGEN PACKAGE-DIR
set -u
gen=$1 pkg=$2
command -v sox >/dev/null || { echo "SKIP: sox is not installed"; exit 77; }
failures=0 tmp=$(mktemp -d)
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
trap 'rm -rf "$tmp"' EXIT

stat_of() {  # stat_of FILE FIELD [TRIM-START [TRIM-LENGTH]]: a figure of sox's stat; "peak" is the largest |sample|
    sox "$1" -n ${3:+trim $3 ${4:-}} stat 2>&1 | awk -F: -v f="$2" '{ gsub(/ /, "", $2) } $1 ~ "^" f { print $2 }
        /^Maximum amp/ { hi = $2 + 0 } /^Minimum amp/ { lo = -$2 } END { if (f == "peak") print (hi > lo ? hi : lo) }'
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

"$gen" "$tmp/a" || fail "generator failed on a fresh folder"
# Cue, exact size (the game demands it; with the cue's format it sets how long the cue lasts), pitch direction.
for cue in 1:393968:- 2:1504:- 3:23656:- 4:9996:down 5:34172:- 6:27804:up; do
    IFS=: read -r n size pitch <<<"$cue" && name=VELKGSND$n && f=$pkg/$name.wav
    # Not the generator's bytes: a stale package copy, or a generator that does not repeat itself.
    [ "$(stat -c %s "$f")" = "$size" ] && cmp -s "$f" "$tmp/a/$name.wav" || fail "$name: not $size bytes, or stale"
    below 0.05 "$(stat_of "$f" "RMS *amplitude")" && below "$(stat_of "$f" peak)" 0.99 || fail "$name: silent or clips"
    # A sound that starts or stops abruptly clicks.
    below "$(stat_of "$f" peak 0 4s)" 0.05 && below "$(stat_of "$f" peak -4s)" 0.05 || fail "$name: clicks"
    first=$(stat_of "$f" "Rough *frequency" 0 0.15) last=$(stat_of "$f" "Rough *frequency" -0.4 0.15)
    awk -v a="$first" -v b="$last" -v p="$pitch" 'BEGIN { exit !(p == "-" || (b > a) == (p == "up")) }' ||
        fail "$name: pitch went from $first Hz to $last Hz, not $pitch"
done

# Bad calls: a clear message on stderr alone, a non-zero exit, and the earlier good file left intact.
refused() { ! "$gen" "${@:2}" >"$tmp/out" 2>"$tmp/err" && grep -q "$1" "$tmp/err" && [ ! -s "$tmp/out" ] || fail "'${*:2}'"; }
mkdir "$tmp/a/VELKGSND1.wav.tmp"
refused "usage: velk-wavgen OUTDIR" "$tmp/a" "$tmp/b"
refused "cannot use output folder" "$tmp/a/VELKGSND2.wav/sub"
refused "cannot write $tmp/a/VELKGSND1.wav.tmp" "$tmp/a"
cmp -s "$tmp/a/VELKGSND1.wav" "$pkg/VELKGSND1.wav" || fail "a failed run damaged the earlier file"
[ "$failures" -eq 0 ]
