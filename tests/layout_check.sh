#!/usr/bin/env bash
# The game code reaches the outside world only through the platform seam: no platform library include
# and no platform #ifdef outside src/platform.
set -u
src=$1
bad=$(grep -rnE '#\s*include\s*[<"](n?cursesw?\.h|ncursesw?/|SDL|windows\.h|emscripten)|#\s*if(def|ndef)?\s.*\b(_WIN32|__EMSCRIPTEN__|__linux__|_MSC_VER|__MINGW32__|__APPLE__)\b' \
      "$src/console" "$src/game" "$src/screens" "$src/files" "$src/sound")
if [ -n "$bad" ]; then
    echo "platform code outside src/platform:"
    echo "$bad"
    echo "layout: 0 passed, 1 failed"
    exit 1
fi
echo "layout: 1 passed, 0 failed"
