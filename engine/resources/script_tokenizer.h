// The resource script's tokenizer: one token at a time from a zero-terminated text.
#pragma once

#include "engine/engine.h"

#include <cstddef>

// Token kinds.
enum ScriptToken {
    TTEND = 1,
    TTNUMBER = 2,
    TTSTRING = 3,
    TTBOOL = 4,
    TTEQUALS = 5,
    TTBASED = 6,
    TTSEPARATOR = 7,
    TTOPENBLOCK = 8,
    TTCLOSEBLOCK = 9,

    TTRES__FIRST = 11,
    TTRES_INCLUDE = 11,
    TTRES_RESOURCE = 12,
    TTRES_TEXTURE = 13,
    TTRES_SOUND = 14,
    TTRES_MUSIC = 15,
    TTRES_STREAM = 16,
    TTRES_TARGET = 17,
    TTRES_SPRITE = 18,
    TTRES_ANIMATION = 19,
    TTRES_FONT = 20,
    TTRES_PARTICLE = 21,
    TTRES_DISTORT = 22,
    TTRES_STRTABLE = 23,
    TTRES__LAST = 23,

    TTPAR__FIRST = 26,
    TTPAR_FILENAME = 26,
    TTPAR_RESGROUP = 27,
    TTPAR_MIPMAP = 28,
    TTPAR_GENALPHA = 29,
    TTPAR_AMPLIFY = 30,
    TTPAR_SIZE = 31,
    TTPAR_ZBUFFER = 32,
    TTPAR_TEXTURE = 33,
    TTPAR_RECT = 34,
    TTPAR_HOTSPOT = 35,
    TTPAR_BLENDMODE = 36,
    TTPAR_COLOR = 37,
    TTPAR_ZORDER = 38,
    TTPAR_FLIP = 39,
    TTPAR_SCALE = 40,
    TTPAR_PROPORTION = 41,
    TTPAR_ROTATION = 42,
    TTPAR_FRAMES = 43,
    TTPAR_FPS = 44,
    TTPAR_MODE = 45,
    TTPAR_TRACKING = 46,
    TTPAR_SPACING = 47,
    TTPAR_SPRITE = 48,
    TTPAR_MESH = 49,
    TTPAR__LAST = 49,

    TTCON__FIRST = 52,
    TTCON_COLORMUL = 52,
    TTCON_COLORADD = 53,
    TTCON_ALPHABLND = 54,
    TTCON_ALPHAADD = 55,
    TTCON_ZWRITE = 56,
    TTCON_NOZWRITE = 57,
    TTCON_FORWARD = 58,
    TTCON_REVERSE = 59,
    TTCON_PINGPONG = 60,
    TTCON_NOPINGPONG = 61,
    TTCON_LOOP = 62,
    TTCON_NOLOOP = 63,
    TTCON_CIRCLE = 64,
    TTCON_RECT = 65,
    TTCON_ALPHA = 66,
    TTCON__LAST = 66,
};

constexpr int SCRIPT_TOKEN_MAX = 128;  // token text buffer, terminator included

class ScriptTokenizer {
public:
    // The text must stay alive and zero-terminated while the tokenizer reads it.
    ScriptTokenizer(Engine* engine, const char* scriptName, const char* text);

    // Reads the next token and returns its kind.
    int next();
    // The next next() returns the current token again.
    void putBack();

    int kind() const { return kind_; }
    const char* text() const { return text_; }
    int line() const { return line_; }
    const char* scriptName() const { return name_; }

    bool isCommand() const { return kind_ >= TTRES__FIRST && kind_ <= TTRES__LAST; }
    bool isParameter() const { return kind_ >= TTPAR__FIRST && kind_ <= TTPAR__LAST; }

    // The token text read as a number: decimal, clamped to the int range.
    int intValue() const;
    float floatValue() const;
    bool boolValue() const { return text_[0] == 't' || text_[0] == 'T'; }
    // Hexadecimal, one digit per character (see colorFromText).
    uint32_t colorValue() const;

    // "%s, line %d: %s'%s'%s" with the current token (or "<EOF>" at the end).
    void report(const char* first, const char* second) const;
    // The same with a given text in place of the token.
    void reportWith(const char* first, const char* token, const char* second) const;

private:
    void take(const char* start, size_t len, int kind);

    Engine* engine_;
    char name_[260];
    const char* pos_;
    const char* tokenStart_;
    int tokenLine_ = 1;
    int kind_ = TTEND;
    char text_[SCRIPT_TOKEN_MAX] = "";
    int line_ = 1;
};

// The script's colour rule: every character is one hexadecimal digit (letters of
// either case give 10..15, anything above is capped at 15), shifted in from the right.
uint32_t colorFromText(const char* text);
