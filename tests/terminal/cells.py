#!/usr/bin/env python3
# Checks cells of a tmux `capture-pane -p -e -N` capture read from standard input; colours are indexes, d: default,
# a "+" after the foreground: bold; reverse video swaps the two. Letters of the alternate character set read as the
# line drawing they show.
#
#   cells.py "ROW COL GLYPH FG BG"...   each cell shows that glyph (_: blank) in those colours; COL *: some cell of the row
#   cells.py pairs MIN                  the non-blank cells show at least MIN distinct fg/bg pairs
import re
import sys

ALTERNATE = dict(zip("tu+`a0xq", "├┤►◆▒█│─"))
# The rows of (glyph, fg, bg); tmux carries the colour state from one line to the next.
now, rows = {"fg": "d", "bg": "d", "bold": "", "rev": False, "alt": False}, []
for line in sys.stdin.buffer.read().decode("utf-8", "replace").split("\n"):
    rows.append([])
    for sgr, shift, glyph in re.findall(r"(\x1b\[[0-9;]*m)|([\x0e\x0f])|\x1b.|(.)", line):  # other escapes: skipped
        now["alt"] = shift == "\x0e" if shift else now["alt"]
        codes = iter(int(code or 0) for code in sgr[2:-1].split(";")) if sgr else iter(())
        for code in codes:
            if code in (38, 48):  # 38;5;N: a 256-colour index
                next(codes)
                now["fg" if code == 38 else "bg"] = next(codes)
            elif code in (0, 1, 22):
                now.update({"fg": "d", "bg": "d", "bold": "", "rev": False} if code == 0 else {"bold": "+" if code == 1 else ""})
            elif code in (7, 27):
                now["rev"] = code == 7
            elif code in (39, 49):
                now["fg" if code == 39 else "bg"] = "d"
            elif code // 10 in (3, 4, 9, 10):  # 30-37 40-47, and the bright 90-97 100-107
                now["fg" if code // 10 in (3, 9) else "bg"] = code % 10 + (8 if code >= 90 else 0)
        if glyph:
            shown = ALTERNATE.get(glyph, glyph) if now["alt"] else glyph
            fg, bg = (now["bg"], now["fg"]) if now["rev"] else (now["fg"], now["bg"])
            rows[-1].append((shown, f"{fg}{now['bold']}", bg))

if sys.argv[1] == "pairs":
    count = len({cell[1:] for row in rows for cell in row if cell[0] != " "})
    print(f"     {count} colour pairs")
    sys.exit(count < int(sys.argv[2]))
wrong = 0
for want in sys.argv[1:]:
    r, c, shown = want.split(" ", 2)
    row = rows[int(r)] if int(r) < len(rows) else []
    found = [f"{'_' if g == ' ' else g} {fg} {bg}" for i, (g, fg, bg) in enumerate(row) if c == "*" or i == int(c)] or ["_ d d"]
    if shown not in found:
        print(f"     cell {r} {c}: {found[0] if c != '*' else 'none such'}, expected {shown}")
        wrong += 1
sys.exit(wrong > 0)
