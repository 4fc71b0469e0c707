// The wall: glyph and speed per level, zapping, and one step of the sweep.
#include "field/wall.h"

#include "console/screen.h"
#include "field/actors.h"
#include "platform/platform.h"
#include "state/game_state.h"

namespace {

struct WallStyleInfo {
    uint8_t glyph;
    int period;  // milliseconds between wall steps
};

// Indexed by wallStyle; entry 0 stands in for a style not yet chosen.
constexpr WallStyleInfo WALL_STYLES[6] = {
    {0xC3, 700}, {0xC3, 700}, {0xB4, 550}, {0x08, 400}, {0xB1, 250}, {0xDB, 170},
};

int WallStyleOfLevel(int level) {
    if (level <= 1) return 1;
    if (level <= 3) return 2;
    if (level <= 6) return 3;
    if (level <= 10) return 4;
    if (level <= 15) return 5;
    if (level <= 35) return (level - 16) % 5 + 1;
    return 5;
}

}  // namespace

uint8_t WallGlyphForLevel() {
    gameState.wallStyle = WallStyleOfLevel(gameState.level);
    return WALL_STYLES[gameState.wallStyle].glyph;
}

int WallPeriod() {
    const int style = gameState.wallStyle;
    return WALL_STYLES[style >= 1 && style <= 5 ? style : 0].period;
}

void UpdateZap() {
    const int level = gameState.level;
    if (level < 16) {
        gameState.zapActive = 0;
        return;
    }
    const int s = static_cast<int>(PlatformCalendarSeconds() % 10);
    if (level > 35) {
        gameState.zapActive = s != 0 ? 1 : 0;
        return;
    }
    const int divisor = level <= 20 ? 5 : level <= 25 ? 4 : level <= 30 ? 3 : 2;
    gameState.zapActive = s % divisor == 0 ? 1 : 0;
}

void StepWall() {
    for (int row = 0; row < SCREEN_ROWS; ++row) CellAt(row, gameState.prevWallCol) = Cell{GLYPH_BLANK, ATTR_FIELD};

    if (gameState.wallCol > 0) gameState.wallCol -= 1;

    const uint8_t glyph = WallGlyphForLevel();
    for (int row = 0; row < SCREEN_ROWS; ++row) CellAt(row, gameState.wallCol) = Cell{glyph, ATTR_TEXT};
    gameState.prevWallCol = gameState.wallCol;

    const int r = GameRandom();
    if (r % 2 == 0 && gameState.gateRow > 0) {
        gameState.prevGateRow = gameState.gateRow;
        gameState.gateRow -= 1;
    } else if (r % 2 == 1 && gameState.gateRow < 29) {
        gameState.prevGateRow = gameState.gateRow;
        gameState.gateRow += 1;
    }

    // A gate centred on the top or bottom row shows only its two on-screen cells.
    const Cell gateCell{gameState.zapActive == 1 ? glyph : GLYPH_BLANK, ATTR_ACTOR};
    for (int row = gameState.gateRow - 1; row <= gameState.gateRow + 1; ++row) {
        if (row >= 0 && row < SCREEN_ROWS) CellAt(row, gameState.wallCol) = gateCell;
    }

    DrawPlayer();
}
