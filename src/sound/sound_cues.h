// The six sound cues, played by name when sound is on.
#pragma once

void PlayCue(int cue);
