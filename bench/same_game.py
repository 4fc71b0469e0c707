#!/usr/bin/env python3
"""Same game: runs two velk-replay programs over the same random scripts and record files (bench/soak.py's
generator) and compares their logs and final record files byte for byte; for changes that must not change
the game. Prints the first difference and exits 1, or the number of runs that agreed.

usage: bench/same_game.py OLD_REPLAY NEW_REPLAY [--count 300] [--seed 20261206] [SCRIPT...]
(SCRIPT files are run as well, in a folder with the package and no record file)
"""
import argparse
import os
import random
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
    old, new = os.path.abspath(args.old), os.path.abspath(args.new)
    rng = random.Random(args.seed)
    runs = [(f"soak script {n}", soak.script(rng, n), soak.record_file(rng)) for n in range(1, args.count + 1)]
    runs += [(path, open(path).read(), None) for path in args.scripts]
    for name, text, record in runs:
        a, b = outcome(old, text, record), outcome(new, text, record)
        if a != b:
            what = ["exit status", "log", "messages", "record file"][next(i for i in range(4) if a[i] != b[i])]
            print(f"{name}: the {what} differs")
            return 1
    print(f"same game: {len(runs)} runs, logs and record files identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
