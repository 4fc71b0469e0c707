// The six sound cues, played by name when sound is on.
#pragma once

enum SoundCue {
    CUE_INTRO = 1,
    CUE_WALL_STEP = 2,
    CUE_GATE_PASSED = 3,
    CUE_LIFE_LOST = 4,
    CUE_ZAPPING_WALL_STEP = 5,
    CUE_LEVEL_COMPLETE = 6,
};

void PlayCue(SoundCue cue);
