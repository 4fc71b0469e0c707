// The status rows: each a label followed at once by its value, in their own colours.
#include "screens/status_panel.h"

#include <cstdio>
#include <cstring>

#include "console/screen.h"
#include "state/game_state.h"

namespace {

// The lives row may hold as many arrows as fit the rest of its row.
constexpr int LIVES_LABEL_LENGTH = 17;
constexpr int MAX_LIFE_ARROWS = SCREEN_COLS - LIVES_LABEL_LENGTH;

void DrawValueRow(int row, const char* label, int value) {
    char text[100];
    std::snprintf(text, sizeof text, "%s%d", label, value);
    const int labelLength = static_cast<int>(std::strlen(label));
    PutText(row, text, [labelLength](int i) { return i < labelLength ? ATTR_TEXT : ATTR_VALUE; });
}

void DrawLivesRow() {
    char text[LIVES_LABEL_LENGTH + MAX_LIFE_ARROWS + 1];
    int length = std::snprintf(text, sizeof text, "%s", " Lives remained: ");
    for (int life = 0; life < gameState.lives && life < MAX_LIFE_ARROWS; ++life) text[length++] = static_cast<char>(GLYPH_PLAYER);
    text[length] = '\0';
    const int bonusEnd = LIVES_LABEL_LENGTH + gameState.extraLivesAwarded;
    PutText(3, text, [bonusEnd](int i) {
        return i < LIVES_LABEL_LENGTH ? ATTR_TEXT : i < bonusEnd ? ATTR_BONUS_LIFE : ATTR_VALUE;
    });
}

}  // namespace

void DrawStatusPanel() {
    DrawValueRow(1, " Record high score: ", gameState.highScore);
    DrawValueRow(2, " Your current score: ", gameState.score);
    DrawLivesRow();
    DrawValueRow(4, " Current level: ", gameState.level);
}
