#!/usr/bin/env bash
# The progress report over 1,000 kept games made from the regression demos, timed cold and warm.
# usage: bench/progress_bench.sh [VELK-PROGRESS [RUNS]]: RUNS times (3) each, cold (every game replayed, no cache) and
# warm (every summary from the folder's cache)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:-build/test/tools/velk-progress/velk-progress}")
runs=${2:-3}
games=$(mktemp -d)
trap 'rm -rf "$games"' EXIT
# Copies a day apart, each with its first calendar reading moved to match its name. A step of whole days keeps every
# calendar second's remainder by 2 and by 10, which is all the game reads of it, so each copy plays as its original.
python3 - "$games" tests/demos/*.demo <<'PY'
import sys, time
folder, demos = sys.argv[1], [open(p).read().split("\n") for p in sys.argv[2:]]
for i in range(1000):
    lines = list(demos[i % len(demos)])
    first = next(n for n, line in enumerate(lines) if line.startswith("s "))
    start = int(lines[first][2:]) - (1000 - i) * 86400
    lines[first] = "s %d" % start
    name = time.strftime("%Y-%m-%dT%H-%M-%S", time.localtime(start)) + ".demo"
    open("%s/%s" % (folder, name), "w").write("\n".join(lines))
PY
echo "$(ls "$games" | wc -l) kept games, $(du -sh "$games" | cut -f1)"
seconds() { local start=$EPOCHREALTIME; "$tool" --stats "$games" >/dev/null; awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }'; }
for run in $(seq "$runs"); do
    rm -f "$games/.summaries"
    cold=$(seconds)
    warm=$(seconds)
    echo "run $run: cold ${cold} s, warm ${warm} s"
done
"$tool" --stats "$games" | sed -n 4p
