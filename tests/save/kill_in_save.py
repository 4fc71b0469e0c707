#!/usr/bin/env python3
# Kills a run at a random moment of one of its saves: the save's temporary file appearing (inotify) starts the clock.
#
#   kill_in_save.py span COMMAND...    runs COMMAND to its end; prints how long each temporary file lived, in us
#   kill_in_save.py SPANS COMMAND...   kills COMMAND (SIGKILL) at a moment of its first or second save drawn from
#                                      the median of SPANS (lives, as printed above) after its temporary file appeared
import ctypes
import os
import random
import select
import signal
import statistics
import struct
import subprocess
import sys
import time

IN_CREATE, IN_MOVED_FROM = 0x100, 0x40
TEMP = b"VELKGAME.CFG.tmp-"

libc = ctypes.CDLL(None, use_errno=True)
watch = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
if watch < 0 or libc.inotify_add_watch(watch, b".", IN_CREATE | IN_MOVED_FROM) < 0:
    sys.exit("kill_in_save.py: inotify: " + os.strerror(ctypes.get_errno()))


def events():
    """For each temporary file made since the last look True, for each renamed away False."""
    data, at, seen = os.read(watch, 65536), 0, []
    while at < len(data):
        mask, length = struct.unpack_from("iIII", data, at)[1::2]
        if data[at + 16:at + 16 + length].startswith(TEMP):
            seen.append(bool(mask & IN_CREATE))
        at += 16 + length
    return seen


def run(command, on_event):
    """Runs command to its end, calling on_event(run, made, saves begun) at each of its temporary files' events."""
    child, begun = subprocess.Popen(command, stdout=subprocess.DEVNULL), 0
    while child.poll() is None:
        if select.select([watch], [], [], 0.05)[0]:
            for made in events():
                begun += made
                on_event(child, made, begun)


def main():
    if sys.argv[1] == "span":
        marks = []
        run(sys.argv[2:], lambda _, made, __: marks.append(time.perf_counter()))
        print(*[int((gone - made) * 1e6) for made, gone in zip(marks[::2], marks[1::2])])
        return
    span = statistics.median(int(us) for us in sys.argv[1].split()) / 1e6
    target, delay = random.choice((1, 2)), random.uniform(0, span)

    def kill(child, made, begun):
        if made and begun == target:
            until = time.perf_counter() + delay
            while time.perf_counter() < until:  # a busy wait: a sleep this short wakes far too late
                pass
            child.send_signal(signal.SIGKILL)
    run(sys.argv[2:], kill)


main()
