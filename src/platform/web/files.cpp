// Web backend, files: a save writes the working folder's file and hands it to browser storage at once.
#include <emscripten.h>

#include "platform/backend.h"

// clang-format off
EM_JS(int, VelkFilesSave, (const char* name, const void* data, uint32_t size), {
    return velkFiles.save(UTF8ToString(name), HEAPU8.slice(data, data + size));
});
// clang-format on

int BackendSaveFile(const char* name, const void* data, uint32_t size) { return VelkFilesSave(name, data, size); }
