#!/usr/bin/env bash
# Checks the six sound cues in the package folder (size, format, character) and velk-wavgen's bad calls.
# Usage: test_sounds.sh VELK-WAVGEN PACKAGE-DIR
set -u
gen=$1
pkg=$2
if ! command -v sox >/dev/null; then
    echo "SKIP: sox is not installed"
    exit 77
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

stat_of() {  # stat_of FILE FIELD [TRIM-ARGS...]: one figure of sox's stat effect
    local file=$1 field=$2
    shift 2
    if [ $# -gt 0 ]; then set -- trim "$@"; fi
    sox "$file" -n "$@" stat 2>&1 | awk -F: -v f="$field" '$1 ~ "^" f {gsub(/ /, "", $2); print $2}'
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# name, exact size, shortest and longest duration in seconds, pitch direction (up, down or -)
while read -r name size dmin dmax pitch; do
    f="$pkg/$name.wav"
    [ -f "$f" ] || { fail "$name: missing from $pkg"; continue; }
    actual=$(stat -c %s "$f")
    [ "$actual" = "$size" ] || fail "$name: $actual bytes, expected $size"
    if ! sox --i "$f" >/dev/null 2>&1; then fail "$name: sox cannot read it"; continue; fi
    # the data chunk must fill the file with whole frames behind the 44-byte header
    frames=$(sox --i -s "$f") bits=$(sox --i -b "$f") chans=$(sox --i -c "$f")
    [ $((44 + frames * bits / 8 * chans)) = "$actual" ] || fail "$name: $frames frames do not fill $actual bytes"
    dur=$(sox --i -D "$f")
    above "$dur" "$dmin" && above "$dmax" "$dur" || fail "$name: lasts $dur s, expected $dmin..$dmax"
    rms=$(stat_of "$f" "RMS *amplitude")
    above "$rms" 0.05 || fail "$name: nearly silent (RMS $rms)"
    peak=$(stat_of "$f" "Maximum amplitude") low=$(stat_of "$f" "Minimum amplitude")
    above 0.99 "$peak" && above "$low" -0.99 || fail "$name: clips ($low..$peak)"
    mean=$(stat_of "$f" "Mean *amplitude")
    above 0.01 "${mean#-}" || fail "$name: DC offset $mean"
    for edge in "0 4s" "-4s"; do  # a sound that starts or stops abruptly clicks
        # shellcheck disable=SC2086
        hi=$(stat_of "$f" "Maximum amplitude" $edge) lo=$(stat_of "$f" "Minimum amplitude" $edge)
        above 0.05 "${hi#-}" && above 0.05 "${lo#-}" || fail "$name: clicks at trim $edge ($lo..$hi)"
    done
    if [ "$pitch" != - ]; then
        first=$(stat_of "$f" "Rough *frequency" 0 0.15)
        last=$(stat_of "$f" "Rough *frequency" -0.4 0.15)
        if [ "$pitch" = up ]; then above "$last" "$first"; else above "$first" "$last"; fi ||
            fail "$name: pitch should go $pitch (from $first Hz to $last Hz)"
    fi
done <<'EOF'
VELKGSND1 393968 4.0 4.6 -
VELKGSND2 1504 0.02 0.1 -
VELKGSND3 23656 0.2 0.8 -
VELKGSND4 9996 0.5 1.2 down
VELKGSND5 34172 0.2 0.8 -
VELKGSND6 27804 0.8 1.5 up
EOF

# The same bytes on every run, and the same bytes as the package holds.
"$gen" "$tmp/a" && "$gen" "$tmp/b" || fail "generator failed on a fresh folder"
for i in 1 2 3 4 5 6; do
    cmp -s "$tmp/a/VELKGSND$i.wav" "$tmp/b/VELKGSND$i.wav" || fail "VELKGSND$i: differs between two runs"
    cmp -s "$tmp/a/VELKGSND$i.wav" "$pkg/VELKGSND$i.wav" || fail "VELKGSND$i: package copy is stale"
done

# Bad calls: a clear message on stderr, a non-zero exit, and an earlier good file left intact.
touch "$tmp/plain-file"
mkdir -p "$tmp/c/VELKGSND1.wav.tmp"
cp "$tmp/a/VELKGSND1.wav" "$tmp/c/VELKGSND1.wav"
while IFS='|' read -r what expect args; do
    # shellcheck disable=SC2086
    "$gen" $args >"$tmp/out" 2>"$tmp/err"
    rc=$?
    [ "$rc" -ne 0 ] || fail "$what: exit code 0"
    grep -q "$expect" "$tmp/err" || fail "$what: stderr lacks '$expect': $(cat "$tmp/err")"
    [ -s "$tmp/out" ] && fail "$what: wrote to stdout"
done <<EOF
no argument|usage: velk-wavgen OUTDIR|
two arguments|usage: velk-wavgen OUTDIR|$tmp/a $tmp/b
folder below a plain file|cannot use output folder|$tmp/plain-file/sub
unwritable file in the folder|cannot write $tmp/c/VELKGSND1.wav.tmp|$tmp/c
EOF
cmp -s "$tmp/a/VELKGSND1.wav" "$tmp/c/VELKGSND1.wav" || fail "a failed run damaged the earlier file"

[ "$failures" -eq 0 ] && echo "all sound checks passed"
[ "$failures" -eq 0 ]
