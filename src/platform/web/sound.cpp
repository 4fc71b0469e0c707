// Web backend, sound: plays "NAME.wav" of the working folder through the page's audio.
#include <emscripten.h>

#include <string>

#include "platform/backend.h"

// clang-format off
EM_JS(void, VelkSoundPlay, (const char* file), {
    var path = UTF8ToString(file);
    var bytes = null;
    if (!velkPage.sound.has(path)) {
        try { bytes = FS.readFile(path); } catch (e) { bytes = null; }
    }
    velkPage.sound.play(path, bytes);
});
// clang-format on

void BackendPlaySound(const char* name) { VelkSoundPlay((std::string(name) + ".wav").c_str()); }
