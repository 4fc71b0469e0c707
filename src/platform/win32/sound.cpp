// Sound cues: the system's sound player, by bare name, in the background.
#include "platform/win32/win32_backend.h"

#include <mmsystem.h>

void BackendPlaySound(const char* name) {
    // Neither SND_FILENAME nor SND_ALIAS: the player looks the name up itself, the package's WAV included.
    PlaySoundA(name, nullptr, SND_ASYNC);
}
