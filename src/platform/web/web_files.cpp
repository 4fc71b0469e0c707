// Web backend, files: the C++ side of keeping the game's written files in browser storage.
#include <emscripten.h>

#include "platform/web/web_bridge.h"

// clang-format off
EM_JS(void, VelkFilesKeep, (int force), { velkFiles.keep(force != 0); });
// clang-format on

void WebKeepFiles(bool force) { VelkFilesKeep(force ? 1 : 0); }
