// The help's pictures (main/help.h): the controls card in place of the title
// screen, and over any picture the hint by the paw and the sound notice.
#pragma once

#include <cstdint>

class Game;

// The title screen's line that tells of the card.
constexpr const char* HELP_KEY_TEXT = "F1: how to play";
constexpr float HELP_KEY_X = 316.0f;  // right end
constexpr float HELP_KEY_Y = 226.0f;

// The fat gauge's "fat enough" mark, which the card calls gold.
constexpr uint32_t FAT_ENOUGH_COLOR = 0xFFFFC83C;

void drawHelpCard();
// The hint and the notice of this frame over the picture, in picture pixels.
void drawHelpOverlay(const Game& g);
