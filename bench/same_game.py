#!/usr/bin/env python3
"""Same game: runs two velk-replay commands over the same random scripts and record files (bench/soak.py's
generator) and compares their logs and final record files byte for byte; for changes that must not change
the game. Prints the first difference and exits 1, or the number of runs that agreed.

usage: bench/same_game.py OLD_REPLAY NEW_REPLAY [--count 300] [--seed 20261206] [SCRIPT...]
(SCRIPT files are run as well, in a folder with the package and no record file; a replay command may carry
options: "build/old/velk-replay --busy-waits")
"""
import argparse
import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak  # noqa: E402


def outcome(replay, text, record):
    folder = tempfile.mkdtemp(prefix="velk-same-")
    try:
        _, _, done = soak.run_one(replay, text, record, folder)
        cfg = os.path.join(folder, "VELKGAME.CFG")
        saved = open(cfg, "rb").read() if os.path.isfile(cfg) else None
        return done.returncode, done.stdout, done.stderr, saved
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("scripts", nargs="*")
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--seed", type=int, default=20261206)
    args = parser.parse_args()
    old, new = ([os.path.abspath(words[0])] + words[1:] for words in map(shlex.split, (args.old, args.new)))
    rng = random.Random(args.seed)
    runs = [(f"soak script {n}", soak.script(rng, n), soak.record_file(rng)) for n in range(1, args.count + 1)]
    runs += [(path, open(path).read(), None) for path in args.scripts]
    for name, text, record in runs:
        a, b = outcome(old, text, record), outcome(new, text, record)
        if a != b:
            what = ["exit status", "log", "messages", "record file"][next(i for i in range(4) if a[i] != b[i])]
            print(f"{name}: the {what} differs")
            if what == "log":
                first = next(i for i, (x, y) in enumerate(zip(*(r[1].splitlines() + [""] for r in (a, b)))) if x != y)
                print("\n".join(f"{shlex.join(cmd)}: line {first + 1}: {r[1].splitlines()[first:first + 1]}" for cmd, r in ((old, a), (new, b))))
            return 1
    print(f"same game: {len(runs)} runs, logs and record files identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
