#!/usr/bin/env python3
"""Soak: runs velk-replay (the sanitizer build's) over COUNT random scripts made from SEED, each in a fresh
folder with a random record file, and counts crashes and sanitizer reports. Failing scripts are kept.

usage: bench/soak.py [--replay PATH] [--count N] [--seed S] [--keep DIR]
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

PACKAGE = {"VELKGAME.exe": 1, "VELKGSND1.wav": 393968, "VELKGSND2.wav": 1504, "VELKGSND3.wav": 23656,
           "VELKGSND4.wav": 9996, "VELKGSND5.wav": 34172, "VELKGSND6.wav": 27804}
KEYS = ["Right"] * 6 + ["Up"] * 3 + ["Down"] * 3 + ["Left"] * 2 + list("xq1")  # restarts, pauses, sound, Esc apart
REPORT_MARKS = ("Sanitizer", "runtime error:", "AddressSanitizer", "LeakSanitizer")


def record_file(rng):
    """Bytes of a record file (None: no file, b'/': a folder of that name), as the game or a stranger left it."""
    kind = rng.randrange(8)
    if kind == 0:
        return None
    if kind == 1:
        return b"/"
    if kind == 2:
        return bytes(rng.randrange(256) for _ in range(rng.randrange(64))) * rng.randrange(1, 5000)
    copies = [float(rng.randrange(-9_000_000, 9_000_001))] * 3
    if kind == 3:
        copies[rng.randrange(3)] = rng.choice([copies[0] + 1, float("inf"), float("nan"), 9_000_001.0, -copies[0]])
    floats = [0.0] * 65536
    for index, value in zip((34595, 60295, 19400), copies):
        floats[index] = value
    data = struct.pack("<65536f", *floats)
    return data[: rng.randrange(len(data))] if kind == 4 else data + b"\0" * rng.choice([0, 0, 7])


def script(rng, number):
    """A script of up to a few virtual minutes: games, restarts, batches, pauses, boxes, input failures."""
    end = rng.randrange(5_000, 180_000)
    lines = [f"# soak script {number}", f"epoch {1_800_000_000 + rng.randrange(1000)}"]
    lines += [f"box {rng.choice(['ok'] * 3 + ['cancel'])} {rng.choice([0, 0, 40, 900])}" for _ in range(rng.randrange(40))]
    at = rng.randrange(3000)
    lines.append(f"at {at} key {rng.choice('bjBJ')}")
    while at < end:
        at += rng.choice([1, 2, 10, 60, 300, 700, 2500])
        roll = rng.random()
        if roll < 0.80:  # a batch of key presses and releases due at once
            for _ in range(rng.choice([1, 1, 1, 2, 5, 40])):
                lines.append(f"at {at} {rng.choice(['key'] * 4 + ['up'])} {rng.choice(KEYS)}")
        elif roll < 0.87:
            lines.append(f"at {at} other")
        elif roll < 0.92:
            lines.append(f"at {at} key {rng.choice('ppsS')}")
        elif roll < 0.975:  # a dash for the gate (or into the wall), then for the heart
            vertical = rng.choice(["Up", "Down"])
            lines += [f"at {at} key {vertical}"] * 9 + [f"at {at} key Right"] * 120
            lines += [f"at {at + 1} key {'Down' if vertical == 'Up' else 'Up'}"] * 9 + [f"at {at + 1} key Right"] * 3
        elif roll < 0.99:
            lines.append(f"at {at} key {rng.choice('bJ')}")
        else:
            lines.append(f"at {at} fail-input {rng.choice([1] * 30 + [2])}")  # 2 in a row end the game
    if rng.random() < 0.1:
        lines.append(f"at {end - 1} key Esc")
    lines.append(f"end {end}")
    return "\n".join(lines) + "\n"


def run_one(replay, text, record, folder):
    """replay: the velk-replay command as a list (program and options)."""
    for name, size in PACKAGE.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.truncate(size)
    cfg = os.path.join(folder, "VELKGAME.CFG")
    if record == b"/":
        os.mkdir(cfg)
    elif record is not None:
        with open(cfg, "wb") as f:
            f.write(record)
    with open(os.path.join(folder, "soak.script"), "w") as f:
        f.write(text)
    done = subprocess.run([*replay, "soak.script"], cwd=folder, capture_output=True, text=True, errors="replace")
    report = any(mark in done.stderr for mark in REPORT_MARKS)
    crash = done.returncode != 0 or "\npresents " not in done.stdout
    return report, crash, done


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--replay", default="build/asan/tools/velk-replay/velk-replay")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--keep", default="build/soak-failures", help="folder for the scripts that failed")
    args = parser.parse_args()
    replay = [os.path.abspath(args.replay)]
    rng = random.Random(args.seed)
    reports = crashes = virtual_ms = 0
    endings = {}  # how the runs ended: "end" (the script's end time), "exit 0", "exit 1"
    start = time.monotonic()
    for number in range(1, args.count + 1):
        text = script(rng, number)
        record = record_file(rng)
        folder = tempfile.mkdtemp(prefix="velk-soak-")
        report, crash, done = run_one(replay, text, record, folder)
        last_time, _, last = done.stdout.split("\npresents ")[0].rsplit("\n", 1)[-1].partition(" ")
        virtual_ms += int(last_time) if last_time.isdigit() else 0
        endings[last] = endings.get(last, 0) + 1
        if report or crash:
            reports += report
            crashes += crash and not report
            kept = os.path.join(args.keep, f"seed{args.seed}-{number}")
            shutil.rmtree(kept, ignore_errors=True)
            shutil.copytree(folder, kept)
            print(f"script {number}: exit {done.returncode}, kept in {kept}\n{done.stderr[-3000:]}", flush=True)
        shutil.rmtree(folder, ignore_errors=True)
        if number % 50 == 0 or number == args.count:
            print(f"soak: {number} scripts, {reports} sanitizer reports, {crashes} crashes, "
                  f"{virtual_ms / 60000:.0f} virtual min in {time.monotonic() - start:.0f} s; endings {endings}", flush=True)
    return 1 if reports or crashes else 0


if __name__ == "__main__":
    sys.exit(main())
