// The intro: three frames of " VELK" groups in random colours, with the intro cue.
#include "screens/intro.h"

#include "console/screen.h"
#include "platform/platform.h"
#include "sound/sound_cues.h"
#include "state/game_state.h"

namespace {

void DrawSplashFrame() {
    static constexpr char GROUP[] = " VELK";
    uint16_t colour = 0;
    for (int k = 0; k < SCREEN_CELLS; ++k) {
        // Each group of five cells draws its colour (foreground and background) before its first cell.
        if (k % 5 == 0) colour = static_cast<uint16_t>(GameRandom() % 256);
        screenBuffer.cells[k] = Cell{static_cast<uint16_t>(GROUP[k % 5]), colour};
    }
}

}  // namespace

void PlayIntro() {
    PlayCue(CUE_INTRO);
    for (int frame = 0; frame < 3; ++frame) {
        DrawSplashFrame();
        PresentScreen();
        PlatformSleep(1000);
    }
    PresentScreen();
    PlatformSleep(1300);
}
