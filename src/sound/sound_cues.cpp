// Sound cues: each plays the package's sound file of its number, "VELKGSND1" to "VELKGSND6".
#include "sound/sound_cues.h"

#include "platform/platform.h"
#include "state/game_state.h"

void PlayCue(SoundCue cue) {
    static const char* const CUE_NAMES[] = {"VELKGSND1", "VELKGSND2", "VELKGSND3",
                                             "VELKGSND4", "VELKGSND5", "VELKGSND6"};
    if (gameState.soundOn != 1) return;
    PlatformPlaySound(CUE_NAMES[cue - CUE_INTRO]);
}
