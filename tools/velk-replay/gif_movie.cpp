// Animated GIF of the console picture: glyphs of a monospaced font through FreeType, the file through giflib.
#include "gif_movie.h"

#include <fcntl.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "console_palette.h"
#include "platform/common/box_cells.h"
#include "platform/common/cp437.h"

namespace {

constexpr int WIDTH = SCREEN_COLS * PICTURE_CELL_W;
constexpr int HEIGHT = SCREEN_ROWS * PICTURE_CELL_H;
constexpr int CELL_PIXELS = PICTURE_CELL_W * PICTURE_CELL_H;
constexpr int FONT_PIXELS = 15;         // DejaVu Sans Mono at 15 px is 9 px wide and 18 px from top to bottom
constexpr int TRANSPARENT = 16;         // the index of pixels a frame leaves as the frames before drew them
constexpr double MAX_PAUSE_MS = 2000;   // idle stretches are cut to this
constexpr int MIN_DELAY_CS = 2;         // viewers play shorter delays as 10 cs: such pictures merge into the next
constexpr int LAST_FRAME_CS = 200;
constexpr int64_t PRESSED_MS = 250;     // a box shows its pressed button this long before it closes, as watching does

// Renders each code page 437 byte into a cell-sized mask (1: ink), hinted for one-bit pixels.
bool LoadGlyphs(const char* fontPath, std::vector<uint8_t>& glyphs, std::string& error) {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        error = "cannot start FreeType";
        return false;
    }
    FT_Face face;
    if (FT_New_Face(library, fontPath, 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, FONT_PIXELS) != 0) {
        error = std::string("cannot load the font '") + fontPath + "'";
        FT_Done_FreeType(library);
        return false;
    }
    const int baseline = static_cast<int>(face->size->metrics.ascender >> 6);
    for (int byte = 0; byte < 256; ++byte) {
        if (FT_Load_Char(face, CP437_TO_UNICODE[byte], FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
        for (unsigned y = 0; y < bitmap.rows; ++y) {
            const uint8_t* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
            const int py = baseline - face->glyph->bitmap_top + static_cast<int>(y);
            for (unsigned x = 0; x < bitmap.width; ++x) {
                const int px = face->glyph->bitmap_left + static_cast<int>(x);
                const bool ink = mono ? (row[x / 8] & (0x80 >> (x % 8))) != 0 : row[x] >= 128;
                if (ink && px >= 0 && px < PICTURE_CELL_W && py >= 0 && py < PICTURE_CELL_H) {
                    glyphs[byte * CELL_PIXELS + py * PICTURE_CELL_W + px] = 1;
                }
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return true;
}

int Centiseconds(double ms) { return static_cast<int>(std::lround(ms / 10)); }

bool SameCell(const Cell& a, const Cell& b) { return a.character == b.character && a.attribute == b.attribute; }

}  // namespace

struct GifMovie::State {
    GifFileType* file = nullptr;
    GifOptions options;
    std::vector<uint8_t> glyphs = std::vector<uint8_t>(256 * CELL_PIXELS);
    Cell shown[SCREEN_CELLS];    // what the frames written so far show
    Cell pending[SCREEN_CELLS];  // the next frame's picture; written once the picture after it comes
    bool hasPending = false;
    bool anyShown = false;
    int64_t pendingVirtual = 0;  // the run's time of the pending picture
    double pendingAt = 0;        // its time in the GIF, ms
    int error = 0;               // giflib's first error code

    void Put(int result) {
        if (result != GIF_OK && error == 0) error = file->Error != 0 ? file->Error : E_GIF_ERR_WRITE_FAILED;
    }

    // Writes the pending picture as a frame of the cells that differ from what is shown, held delay cs.
    void WriteFrame(int delay) {
        int top = SCREEN_ROWS, bottom = -1, left = SCREEN_COLS, right = -1;
        for (int i = 0; i < SCREEN_CELLS; ++i) {
            if (anyShown && SameCell(shown[i], pending[i])) continue;
            top = std::min(top, i / SCREEN_COLS), bottom = std::max(bottom, i / SCREEN_COLS);
            left = std::min(left, i % SCREEN_COLS), right = std::max(right, i % SCREEN_COLS);
        }
        GraphicsControlBlock control{DISPOSE_DO_NOT, false, delay, TRANSPARENT};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        Put(EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension));
        if (bottom < 0) {  // the picture came back to what is shown: one transparent pixel carries the delay
            GifPixelType pixel = TRANSPARENT;
            Put(EGifPutImageDesc(file, 0, 0, 1, 1, false, nullptr));
            Put(EGifPutLine(file, &pixel, 1));
            return;
        }
        const int width = (right - left + 1) * PICTURE_CELL_W;
        std::vector<GifPixelType> line(static_cast<size_t>(width));
        Put(EGifPutImageDesc(file, left * PICTURE_CELL_W, top * PICTURE_CELL_H, width,
                             (bottom - top + 1) * PICTURE_CELL_H, false, nullptr));
        for (int row = top; row <= bottom; ++row) {
            for (int y = 0; y < PICTURE_CELL_H; ++y) {
                for (int col = left; col <= right; ++col) {
                    const int i = row * SCREEN_COLS + col;
                    GifPixelType* out = line.data() + (col - left) * PICTURE_CELL_W;
                    if (anyShown && SameCell(shown[i], pending[i])) {
                        std::fill(out, out + PICTURE_CELL_W, GifPixelType{TRANSPARENT});
                        continue;
                    }
                    const uint8_t* ink = glyphs.data() + (pending[i].character & 0xFF) * CELL_PIXELS + y * PICTURE_CELL_W;
                    const auto foreground = static_cast<GifPixelType>(pending[i].attribute & 0xF);
                    const auto background = static_cast<GifPixelType>((pending[i].attribute >> 4) & 0xF);
                    for (int x = 0; x < PICTURE_CELL_W; ++x) out[x] = ink[x] ? foreground : background;
                }
                Put(EGifPutLine(file, line.data(), width));
            }
        }
        std::memcpy(shown, pending, sizeof shown);
        anyShown = true;
    }
};

GifMovie::GifMovie() : state_(std::make_unique<State>()) {}

GifMovie::~GifMovie() {
    if (state_->file != nullptr) EGifCloseFile(state_->file, nullptr);
}

bool GifMovie::Open(const char* path, const char* fontPath, const GifOptions& options, std::string& error) {
    State& s = *state_;
    s.options = options;
    if (!LoadGlyphs(fontPath, s.glyphs, error)) return false;
    int code = 0;
    // giflib's own opening makes the file readable by its owner only; a picture is for showing.
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (descriptor < 0) {
        error = std::string("cannot write '") + path + "': " + std::strerror(errno);
        return false;
    }
    s.file = EGifOpenFileHandle(descriptor, &code);
    if (s.file == nullptr) {
        error = std::string("cannot write '") + path + "': " + GifErrorString(code);
        return false;
    }
    GifColorType colours[32] = {};
    for (int i = 0; i < 16; ++i) {
        colours[i] = {static_cast<GifByteType>(CONSOLE_RGB[i] >> 16), static_cast<GifByteType>(CONSOLE_RGB[i] >> 8),
                      static_cast<GifByteType>(CONSOLE_RGB[i])};
    }
    ColorMapObject* map = GifMakeMapObject(32, colours);
    EGifSetGifVersion(s.file, true);
    s.Put(EGifPutScreenDesc(s.file, WIDTH, HEIGHT, 8, 0, map));
    GifFreeMapObject(map);
    // Plays in a loop in browsers and viewers.
    static const GifByteType NETSCAPE[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType LOOP_FOREVER[] = {1, 0, 0};
    s.Put(EGifPutExtensionLeader(s.file, APPLICATION_EXT_FUNC_CODE));
    s.Put(EGifPutExtensionBlock(s.file, sizeof NETSCAPE, NETSCAPE));
    s.Put(EGifPutExtensionBlock(s.file, sizeof LOOP_FOREVER, LOOP_FOREVER));
    s.Put(EGifPutExtensionTrailer(s.file));
    return true;
}

void GifMovie::Present(int64_t now, const Cell* cells) {
    State& s = *state_;
    if (s.file == nullptr || now > s.options.to) return;
    const int64_t at = std::max(now, s.options.from);
    if (s.hasPending) {
        if (std::memcmp(cells, s.pending, sizeof s.pending) == 0) return;
        const double gifAt =
            s.pendingAt + std::min(static_cast<double>(at - s.pendingVirtual) / s.options.speed, MAX_PAUSE_MS);
        const int delay = Centiseconds(gifAt) - Centiseconds(s.pendingAt);
        if (delay >= MIN_DELAY_CS) {
            s.WriteFrame(delay);
            s.pendingAt = gifAt;
            s.pendingVirtual = at;
        }
    } else {
        s.pendingVirtual = at;
    }
    std::memcpy(s.pending, cells, sizeof s.pending);
    s.hasPending = true;
}

void GifMovie::Box(int64_t opened, int64_t closed, const char* text, const char* title, unsigned style, int answer) {
    Cell under[SCREEN_CELLS];
    std::memcpy(under, state_->pending, sizeof under);
    Cell boxed[SCREEN_CELLS];
    std::memcpy(boxed, under, sizeof boxed);
    DrawBoxCells(boxed, text, title, style, 0);
    Present(opened, boxed);
    std::memcpy(boxed, under, sizeof boxed);
    DrawBoxCells(boxed, text, title, style, answer);
    Present(std::max(opened, closed - PRESSED_MS), boxed);
    Present(closed, under);
}

bool GifMovie::Close(std::string& error) {
    State& s = *state_;
    if (s.hasPending) s.WriteFrame(LAST_FRAME_CS);
    int code = 0;
    if (EGifCloseFile(s.file, &code) != GIF_OK && s.error == 0) s.error = code;
    s.file = nullptr;
    if (!s.hasPending) {
        error = "no picture was presented in the time asked for";
        return false;
    }
    if (s.error != 0) error = GifErrorString(s.error);
    return s.error == 0;
}
