#!/usr/bin/env python3
"""Reads tmux's `capture-pane -p -e` output and reports cells: glyph and colour indexes (0-15, 256-colour, d: default).

  cells.py FILE at ROW COL    the cell: "<glyph> <fg> <bg>", a blank glyph shown as _
  cells.py FILE pairs         how many distinct fg/bg pairs the non-blank cells show
"""
import re
import sys

SGR = re.compile(r"\x1b\[([0-9;]*)m")


def parse(text):
    """The screen as rows of (glyph, fg, bg); tmux carries the colour state from one line to the next."""
    fg, bg, bold = "d", "d", False
    rows = []
    for line in text.split("\n"):
        row, pos = [], 0
        while pos < len(line):
            match = SGR.match(line, pos)
            if match:
                params = [int(p or 0) for p in match.group(1).split(";")]
                i = 0
                while i < len(params):
                    p = params[i]
                    if p in (38, 48) and i + 2 < len(params) and params[i + 1] == 5:
                        fg, bg, i = (params[i + 2], bg, i + 2) if p == 38 else (fg, params[i + 2], i + 2)
                    elif p == 0:
                        fg, bg, bold = "d", "d", False
                    elif p in (1, 22):
                        bold = p == 1
                    elif 30 <= p <= 37 or 90 <= p <= 97:
                        fg = p - 30 if p < 90 else p - 82
                    elif 40 <= p <= 47 or 100 <= p <= 107:
                        bg = p - 40 if p < 100 else p - 92
                    elif p in (39, 49):
                        fg, bg = ("d", bg) if p == 39 else (fg, "d")
                    i += 1
                pos = match.end()
            elif line[pos] == "\x1b":  # another escape (charset and the like): skip its introducer
                pos += 2
            else:
                row.append((line[pos], fg + 8 if bold and isinstance(fg, int) and fg < 8 else fg, bg))
                pos += 1
        rows.append(row)
    return rows


rows = parse(open(sys.argv[1], encoding="utf-8", errors="replace").read())
if sys.argv[2] == "at":
    r, c = int(sys.argv[3]), int(sys.argv[4])
    glyph, fg, bg = rows[r][c] if r < len(rows) and c < len(rows[r]) else (" ", "d", "d")
    print(f"{'_' if glyph == ' ' else glyph} {fg} {bg}")
else:
    print(len({(fg, bg) for row in rows for glyph, fg, bg in row if glyph != " "}))
