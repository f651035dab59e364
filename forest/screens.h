// The pictures outside play: the year-intro screen with its hint, winter warning
// and start button, and the game-over screen. Game::renderFrame composes them.
#pragma once

#include <cstddef>

class Font;

// The message each year modifier shows on the year's screen; null outside 0..6.
const char* modifierMessage(int k);

// The hint line of the year-intro screen and where it stands.
constexpr const char* HINT_TEXT = "Eat fish and berries to fatten up!";
constexpr float HINT_X = 24.0f;
constexpr float HINT_Y = 94.0f;
// The word an overfished year strikes out: "fish", the hint's second word.
constexpr size_t HINT_FISH_START = 4;
constexpr size_t HINT_FISH_LENGTH = 4;
// The strike line's row and thickness.
constexpr float HINT_STRIKE_Y = 98.0f;
constexpr float HINT_STRIKE_HEIGHT = 1.0f;

// The horizontal extent of the glyphs of text[start, start + length) when text is
// drawn left-aligned at x with the font as it is set: from the first glyph's left
// edge to the last glyph's right edge, without the spacing around them.
struct TextSpan {
    float x;
    float width;
};
TextSpan glyphSpan(const Font& font, float x, const char* text, size_t start, size_t length);
