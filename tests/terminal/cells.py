#!/usr/bin/env python3
"""Reads tmux's `capture-pane -p -e` output and reports cells: glyph and colour indexes (0-15, 256-colour, d: default).

  cells.py FILE at ROW COL           the cell: "<glyph> <fg> <bg>", a blank glyph shown as _
  cells.py FILE pairs                how many distinct fg/bg pairs the non-blank cells show
"""
import re
import sys

SGR = re.compile(r"\x1b\[([0-9;]*)m")


def parse(text):
    """The screen as rows of (glyph, fg, bg); tmux carries the colour state from one line to the next."""
    fg, bg, bold = "d", "d", False
    rows = []
    for line in text.split("\n"):
        row = []
        pos = 0
        while pos < len(line):
            match = SGR.match(line, pos)
            if match:
                params = [int(p) if p else 0 for p in match.group(1).split(";")] if match.group(1) else [0]
                i = 0
                while i < len(params):
                    p = params[i]
                    if p == 0:
                        fg, bg, bold = "d", "d", False
                    elif p == 1:
                        bold = True
                    elif p == 22:
                        bold = False
                    elif 30 <= p <= 37:
                        fg = p - 30
                    elif 90 <= p <= 97:
                        fg = p - 90 + 8
                    elif 40 <= p <= 47:
                        bg = p - 40
                    elif 100 <= p <= 107:
                        bg = p - 100 + 8
                    elif p == 39:
                        fg = "d"
                    elif p == 49:
                        bg = "d"
                    elif p in (38, 48) and i + 2 < len(params) and params[i + 1] == 5:
                        if p == 38:
                            fg = params[i + 2]
                        else:
                            bg = params[i + 2]
                        i += 2
                    i += 1
                pos = match.end()
                continue
            if line[pos] == "\x1b":  # another escape (charset and the like): skip its introducer
                pos += 2
                continue
            shown_fg = fg + 8 if bold and isinstance(fg, int) and fg < 8 else fg
            row.append((line[pos], shown_fg, bg))
            pos += 1
        rows.append(row)
    return rows


def main():
    with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
        rows = parse(f.read())
    command = sys.argv[2]
    if command == "at":
        r, c = int(sys.argv[3]), int(sys.argv[4])
        cell = rows[r][c] if r < len(rows) and c < len(rows[r]) else (" ", "d", "d")
        print(f"{'_' if cell[0] == ' ' else cell[0]} {cell[1]} {cell[2]}")
    elif command == "pairs":
        print(len({(cell[1], cell[2]) for row in rows for cell in row if cell[0] != " "}))
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
