// velk-replay's GIF: what giflib reads back from a short run, whole and cut by time and speed.
#include <gif_lib.h>

#include <tuple>

#include "gif_movie.h"
#include "scripted_game.h"

namespace {

using GifMovieTest = ScriptedGame;

TEST_F(GifMovieTest, FramesSizeAndDelaysFromTheVirtualClock) {
    // Without a record file, pictures change at 0 and 10 (one frame: 10 ms is under the 20 ms a viewer
    // shows), 1010, 2010, 4310 (2300 ms later, cut to 2 s: the record file's box, its OK pressed at once, as it
    // is up for only 30 ms), 4340, 4400, 4500, and at each wall step from 5041 to 8546, 701 ms apart; the last
    // frame stays 2 s.
    const std::string script = "at 10 key b\nat 4400 key Right\nat 4500 key Up\nbox ok 30\nat 9000 key Esc\n";
    struct Case { GifOptions options; int frames; int totalDelay; } const cases[] = {
        {{}, 13, 825 + 200},
        {{4400, 6000, 1.0}, 4, 10 + 54 + 70 + 200},
        {{4400, 6000, 2.0}, 4, 5 + 27 + 35 + 200}};
    for (const Case& c : cases) {
        GifMovie movie;
        std::string error;
        ASSERT_TRUE(movie.Open("run.gif", VELK_GIF_FONT, c.options, error)) << error;
        SetScriptedPresentObserver([&movie](int64_t now, const Cell* cells) { movie.Present(now, cells); });
        SetScriptedBoxObserver([&movie](int64_t opened, int64_t closed, const char* text, const char* title,
                                        unsigned style, int answer) { movie.Box(opened, closed, text, title, style, answer); });
        std::filesystem::remove("VELKGAME.CFG");
        Run(script);
        SetScriptedPresentObserver(nullptr);
        SetScriptedBoxObserver(nullptr);
        ASSERT_TRUE(movie.Close(error)) << error;

        int code = 0;
        GifFileType* gif = DGifOpenFileName("run.gif", &code);
        ASSERT_TRUE(gif != nullptr && DGifSlurp(gif) == GIF_OK);
        EXPECT_EQ(std::make_tuple(gif->SWidth, gif->SHeight, gif->ImageCount), std::make_tuple(1080, 540, c.frames));
        int total = 0;
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock control;
            DGifSavedExtensionToGCB(gif, i, &control);
            total += control.DelayTime;
            const GifImageDesc& frame = gif->SavedImages[i].ImageDesc;
            // In a level, frames after the first hold only the cells that changed: the arrow, the wall.
            EXPECT_TRUE(i == 0 || c.options.from == 0 || frame.Width * frame.Height <= 2 * 9 * 540) << "frame " << i;
            if (control.DelayTime != 3) continue;
            // The box: 61 x 6 cells centred at (30, 12), light grey, its OK at (57, 16) reversed.
            EXPECT_EQ(std::make_tuple(frame.Left, frame.Top, frame.Width, frame.Height), std::make_tuple(270, 216, 549, 108));
            const GifByteType* pixels = gif->SavedImages[i].RasterBits;
            EXPECT_EQ(std::make_tuple(pixels[18 * 549 + 9], pixels[72 * 549 + 243]), std::make_tuple(7, 0));
        }
        EXPECT_EQ(total, c.totalDelay);
        DGifCloseFile(gif, &code);
    }
}

}  // namespace
