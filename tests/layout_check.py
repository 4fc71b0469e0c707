#!/usr/bin/env python3
"""The house's one-way layers: includes run only down, backends never include the game, no platform code in the
game, and no two files of a library call each other (read from the built archives' symbols with nm).

usage: layout_check.py SRC [ARCHIVE.a ...]
"""
import os
import re
import subprocess
import sys

# The game's folders from the ground up; a folder includes only lower ranks (and itself).
RANK = {"console": 1, "state": 2, "sound": 3, "files": 3, "field": 3, "screens": 4, "game": 5}
PLATFORM_CODE = re.compile(r'#\s*include\s*[<"](n?cursesw?\.h|ncursesw?/|SDL|windows\.h|emscripten)'
                           r'|#\s*if(def|ndef)?\s.*\b(_WIN32|__EMSCRIPTEN__|__linux__|_MSC_VER|__MINGW32__|__APPLE__)\b')
INCLUDE = re.compile(r'#\s*include\s*"([^"]+)"')


def include_faults(src):
    for folder, _, files in os.walk(src):
        for name in files:
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src)
            parts = rel.split(os.sep)
            if not name.endswith((".h", ".cpp")):
                continue
            text = open(path, encoding="utf-8").read()
            in_game = parts[0] in RANK
            if in_game and PLATFORM_CODE.search(text):
                yield f"{rel}: platform code outside src/platform"
            for target in INCLUDE.findall(text):
                top = target.split("/")[0]
                if target == "platform/platform.h" or top == parts[0] and len(parts) == 2:
                    continue
                if in_game:
                    ok = top in RANK and RANK[top] < RANK[parts[0]]
                elif parts[0] == "platform" and len(parts) == 3:  # a backend: the seam, common and itself only
                    ok = target.startswith(("platform/common/", f"platform/{parts[1]}/"))
                else:
                    ok = False
                if not ok:
                    yield f"{rel}: includes {target}, which does not stand below it"


def circles(archive):
    """Members of a static library that reach each other through the symbols they use."""
    defined, used = {}, {}
    out = subprocess.run(["nm", "-A", archive], capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        m = re.match(r".*:(\S+\.o): *(\S*) ([A-Za-z]) (\S+)$", line)
        if not m:
            continue
        member, kind, symbol = m.group(1), m.group(3), m.group(4)
        if kind == "U":
            used.setdefault(member, set()).add(symbol)
        elif kind.isupper():
            defined[symbol] = member
    edges = {a: {defined[s] for s in syms if s in defined and defined[s] != a} for a, syms in used.items()}

    def reach(start):
        seen, todo = set(), [start]
        while todo:
            for b in edges.get(todo.pop(), ()):
                if b not in seen:
                    seen.add(b)
                    todo.append(b)
        return seen
    for a in sorted(edges):
        if a in reach(a):
            yield f"{os.path.basename(archive)}: {a} reaches itself through the calls of other files"

faults = list(include_faults(sys.argv[1]))
for archive in sys.argv[2:]:
    faults += circles(archive)
print("\n".join(faults))
print(f"layout: {0 if faults else 1} passed, {1 if faults else 0} failed")
sys.exit(1 if faults else 0)
