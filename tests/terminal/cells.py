#!/usr/bin/env python3
# Checks cells of a tmux `capture-pane -p -e -N` capture read from standard input; colours are indexes, d: default.
#
#   cells.py "ROW COL GLYPH FG BG"...   each cell shows that glyph (_: blank) in those colours
#   cells.py pairs MIN                  the non-blank cells show at least MIN distinct fg/bg pairs
import re
import sys

# The rows of (glyph, fg, bg); tmux carries the colour state from one line to the next.
now, rows = {"fg": "d", "bg": "d"}, []
for line in sys.stdin.buffer.read().decode("utf-8", "replace").split("\n"):
    rows.append([])
    for sgr, glyph in re.findall(r"(\x1b\[[0-9;]*m)|\x1b.|(.)", line):  # other escapes: only the introducer
        codes = iter(int(code or 0) for code in sgr[2:-1].split(";")) if sgr else iter(())
        for code in codes:
            if code in (38, 48):  # 38;5;N: a 256-colour index
                next(codes)
                now["fg" if code == 38 else "bg"] = next(codes)
            elif code == 0:
                now = {"fg": "d", "bg": "d"}
            elif code in (39, 49):
                now["fg" if code == 39 else "bg"] = "d"
            elif code // 10 in (3, 4, 9, 10):  # 30-37 40-47, and the bright 90-97 100-107
                now["fg" if code // 10 in (3, 9) else "bg"] = code % 10 + (8 if code >= 90 else 0)
        if glyph:
            rows[-1].append((glyph, now["fg"], now["bg"]))

if sys.argv[1] == "pairs":
    count = len({cell[1:] for row in rows for cell in row if cell[0] != " "})
    print(f"     {count} colour pairs")
    sys.exit(count < int(sys.argv[2]))
wrong = 0
for want in sys.argv[1:]:
    r, c = map(int, want.split()[:2])
    glyph, fg, bg = rows[r][c] if r < len(rows) and c < len(rows[r]) else (" ", "d", "d")
    got = f"{r} {c} {'_' if glyph == ' ' else glyph} {fg} {bg}"
    if got != want:
        print(f"     cell {got}, expected {want}")
        wrong += 1
sys.exit(wrong > 0)
