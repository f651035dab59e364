// The help's pictures (main/help.h): the controls card in place of the title
// screen, and over any picture the hint by the paw and the sound notice.
#pragma once

#include "main/help.h"

#include <cstdint>

class Game;

// The title screen's line that tells of the card.
constexpr const char* HELP_KEY_TEXT = "F1: how to play";
constexpr float HELP_KEY_X = 316.0f;  // right end
constexpr float HELP_KEY_Y = 226.0f;

// The fat gauge's "fat enough" mark, which the card calls gold.
constexpr uint32_t FAT_ENOUGH_COLOR = 0xFFFFC83C;

// The fat gauge's dial in picture pixels, with room for the cab's tilt: no hint
// box covers it.
constexpr float FAT_GAUGE_LEFT = 206.0f;
constexpr float FAT_GAUGE_TOP = 100.0f;
constexpr float FAT_GAUGE_RIGHT = 254.0f;
constexpr float FAT_GAUGE_BOTTOM = 148.0f;

// A hint's box in picture pixels, its text centred in it.
struct HintBox {
    float left, top, width, height;
    bool twoLines;  // the narrow form
};
// The hint's text on one line or broken in two (the pedals' in three).
const char* hintText(Hint hint, bool twoLines);
// Where a hint of the given widths stands for the paw at (px, py): above it while
// there is room (and above the fat gauge where it would cover it), else beside
// the paw and clear of the arm that reaches down-left from it, on two lines where
// one does not fit; always on the picture.
// The narrow form may take more than two lines (narrowLines).
HintBox placeHint(float px, float py, float oneLineWidth, float twoLineWidth, float lineHeight, int narrowLines = 2);

// One page of the controls card, 1 to Help::CARD_PAGES, in place of the title screen.
void drawHelpCard(int page);
// The hint, the pointer to the cave and the notice of this frame over the
// picture, in picture pixels.
void drawHelpOverlay(const Game& g);
