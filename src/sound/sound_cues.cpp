// Sound cues: 1 intro, 2 wall step, 3 gate passage, 4 life lost, 5 zapping wall step, 6 level completed.
#include "sound/sound_cues.h"

#include "game/game_state.h"
#include "platform/platform.h"

void PlayCue(int cue) {
    static const char* const CUE_NAMES[] = {"VELKGSND1", "VELKGSND2", "VELKGSND3",
                                             "VELKGSND4", "VELKGSND5", "VELKGSND6"};
    if (gameState.soundOn != 1 || cue < 1 || cue > 6) return;
    PlatformPlaySound(CUE_NAMES[cue - 1]);
}
