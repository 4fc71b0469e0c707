#!/usr/bin/env python3
"""A player for VELKGAME.exe in a tmux pane: reads the picture with capture-pane and types arrow keys at real
moments, to make real demos of any length (the game started with --record).

usage: bench/demo_bot.py --socket SOCKET --target PANE [--seconds N] [--start b|j] [--pause-at S [--pause-for S]]
                         [--crash-at S...] [--end esc|cancel|over|none]
It begins a game, steers the arrow through the gates to the heart, pauses at --pause-at seconds (the box closed
--pause-for seconds later, 1 unless given), runs into the wall on purpose at each --crash-at second, answers the
record file's message with Enter and the game-over box with Enter (play again) until --seconds have passed, and
then ends with Esc; --end cancel plays on until the game is over and answers Cancel, --end over plays on until
its last life is lost and types Esc in the pause that follows, leaving the game-over box (exit status 1 if that
box came first), --end none leaves the game running.
"""
import argparse
import subprocess
import sys
import time

WALL_GLYPHS = "├┤◘▒█"
ARROW, HEART = "►", "♥"
LIVES_ROW, LIVES_COL = 3, 17  # " Lives remained: ►►►"; the wall's sweep wipes letters, so it is found by place


def pane(args):
    out = subprocess.run(["tmux", "-u", "-L", args.socket, "capture-pane", "-p", "-t", args.target],
                         capture_output=True, text=True).stdout
    return [line.ljust(120) for line in (out.split("\n") + [""] * 30)[:30]]


def keys(args, *names):
    subprocess.run(["tmux", "-u", "-L", args.socket, "send-keys", "-t", args.target, *names])


def find(rows, glyph):
    """The first cell showing glyph, leaving out the status panel's lives (row 3 from column 17)."""
    for r, line in enumerate(rows):
        if r == LIVES_ROW:
            end = LIVES_COL
            while end < len(line) and line[end] == ARROW:
                end += 1
            line = line[:LIVES_COL] + " " * (end - LIVES_COL) + line[end:]
        c = line.find(glyph)
        if c >= 0:
            return r, c
    return None


def lives(rows):
    line = rows[LIVES_ROW]
    end = LIVES_COL
    while end < len(line) and line[end] == ARROW:
        end += 1
    return end - LIVES_COL


def wall(rows):
    """The wall's column and the rows of its gate (empty while the gate is zapped shut)."""
    best, col = 0, None
    for c in range(120):
        n = sum(1 for line in rows if line[c] in WALL_GLYPHS)
        if n > best:
            best, col = n, c
    if best < 20:
        return None, []
    return col, [r for r, line in enumerate(rows) if line[col] == " "]


def lost_last(rows):
    """The last life just lost: one left on the panel while the arrow stands in or past the wall."""
    arrow, (col, _) = find(rows, ARROW), wall(rows)
    return lives(rows) == 1 and arrow is not None and col is not None and arrow[1] >= col


def step(args, rows, crash):
    arrow, heart = find(rows, ARROW), find(rows, HEART)
    col, gate = wall(rows)
    if arrow is None or col is None:
        return False
    ar, ac = arrow
    if ac < col:
        if not gate:
            return False
        target = gate[len(gate) // 2]
        if crash:
            target = (gate[0] - 3) if gate[0] >= 3 else gate[-1] + 3
        if ar != target:
            keys(args, *(["Up" if target < ar else "Down"] * abs(target - ar)))
        else:
            keys(args, *(["Right"] * (col - ac + 1)))
    elif heart is not None:
        hr, hc = heart
        if ar != hr:
            keys(args, *(["Up" if hr < ar else "Down"] * abs(hr - ar)))
        elif hc > ac:
            keys(args, *(["Right"] * (hc - ac)))
        else:
            return False
    else:
        return False
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--socket", required=True)
    parser.add_argument("--target", required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--start", default="b")
    parser.add_argument("--pause-at", type=float, default=-1)
    parser.add_argument("--pause-for", type=float, default=1)
    parser.add_argument("--crash-at", type=float, nargs="*", default=[])
    parser.add_argument("--end", default="esc", choices=["esc", "cancel", "over", "none"])
    args = parser.parse_args()

    begun = time.monotonic()
    keys(args, args.start)
    crashes = sorted(args.crash_at)
    paused = False
    lost = None
    sent_from, sent_at = None, 0.0
    while True:
        now = time.monotonic() - begun
        rows = pane(args)
        text = "\n".join(rows)
        if "try again?" in text and "[ Cancel ]" in text:  # the game-over box, whole
            if args.end == "over":
                sys.exit("demo_bot: the game-over box came before the last lost life was seen")
            if now >= args.seconds and args.end == "cancel":
                keys(args, "Escape")  # Esc cancels a box
                return
            keys(args, "Enter")
        elif "High-Scroe" in text or "Game paused" in text:
            keys(args, "Enter")
        elif args.end == "over" and lost_last(rows):
            keys(args, "Escape")  # in the pause after the crash, before the box
            return
        elif now >= args.seconds and args.end not in ("cancel", "over"):
            if args.end == "esc":
                keys(args, "Escape")
            return
        elif 0 <= args.pause_at <= now and not paused:
            paused = True
            keys(args, "p")
            time.sleep(args.pause_for)
        else:
            left = lives(rows)
            if crashes and lost is not None and left < lost:
                crashes.pop(0)
            lost = left
            crash = bool(crashes) and crashes[0] <= now or (now >= args.seconds and args.end in ("cancel", "over"))
            # Keys go only once the last ones have moved the arrow (or 2 s passed): a flood of queued escape
            # sequences split by a read could end the game as a lone Esc.
            arrow = find(rows, ARROW)
            if arrow != sent_from or now - sent_at > 2:
                if step(args, rows, crash):
                    sent_from, sent_at = arrow, now
        time.sleep(0.25)


if __name__ == "__main__":
    main()
