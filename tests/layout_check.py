#!/usr/bin/env python3
# The house's one-way layers: includes run only down, backends never include the game, no platform code in the
# game, and no file of a built library reaches itself through other files' calls (read with nm).
# usage: layout_check.py SRC [ARCHIVE.a ...]
import os, re, subprocess, sys

# The game's folders from the ground up (the seam, platform/platform.h, is below them all).
RANK = {"console": 1, "state": 2, "sound": 3, "files": 3, "field": 3, "screens": 4, "game": 5}
PLATFORM_CODE = re.compile(r'#\s*include\s*[<"](n?cursesw?\.h|ncursesw?/|SDL|windows\.h|emscripten)'
                           r'|#\s*if(def|ndef)?\s.*\b(_WIN32|__EMSCRIPTEN__|__linux__|_MSC_VER|__MINGW32__|__APPLE__)\b')
faults = []
for folder, _, files in os.walk(sys.argv[1]):
    for name in (n for n in files if n.endswith((".h", ".cpp"))):
        rel, text = os.path.relpath(os.path.join(folder, name), sys.argv[1]), open(os.path.join(folder, name)).read()
        home = rel.split(os.sep)
        if home[0] in RANK and PLATFORM_CODE.search(text):
            faults.append(f"{rel}: platform code outside src/platform")
        for target in re.findall(r'#\s*include\s*"([^"]+)"', text):
            top = target.split("/")[0]
            if home[0] in RANK:  # the seam, its own folder, or a lower layer
                ok = target == "platform/platform.h" or top == home[0] or RANK.get(top, 9) < RANK[home[0]]
            else:  # a backend or the demo layer: the seam and its twins, the backends' common code, its own folder
                ok = target in ("platform/platform.h", "platform/backend.h") or target.startswith(("platform/common/", "/".join(home[:2]) + "/"))
            faults += [] if ok else [f"{rel}: includes {target}, which does not stand below it"]

for archive in sys.argv[2:]:
    defined, used = {}, {}
    for m in re.finditer(r"^.*:(\S+\.o): *\S* ([A-Za-z]) (\S+)$", subprocess.run(["nm", "-A", archive], capture_output=True, text=True).stdout, re.M):
        if m.group(2) == "U":
            used.setdefault(m.group(1), set()).add(m.group(3))
        elif m.group(2).isupper():
            defined[m.group(3)] = m.group(1)
    calls = {a: {defined[s] for s in symbols if defined.get(s, a) != a} for a, symbols in used.items()}
    for start in sorted(calls):
        seen, todo = set(), [start]
        while todo:
            todo += [b for b in calls.get(todo.pop(), ()) if b not in seen and not seen.add(b)]
        faults += [f"{os.path.basename(archive)}: {start} reaches itself through other files' calls"] if start in seen else []

print("\n".join(faults + [f"layout: {int(not faults)} passed, {int(bool(faults))} failed"]))
sys.exit(1 if faults else 0)
