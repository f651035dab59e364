#include "engine/resources/script_tokenizer.h"

#include "engine/resources/report.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Keyword {
    int kind;
    const char* word;
};

// Searched in this order, by prefix: the first keyword the text starts with wins.
const Keyword KEYWORDS[] = {
    {TTEQUALS, "="},
    {TTBASED, ":"},
    {TTSEPARATOR, ","},
    {TTOPENBLOCK, "{"},
    {TTCLOSEBLOCK, "}"},
    {TTBOOL, "true"},
    {TTBOOL, "false"},

    {TTRES_INCLUDE, "Include"},
    {TTRES_RESOURCE, "Resource"},
    {TTRES_TEXTURE, "Texture"},
    {TTRES_SOUND, "Sound"},
    {TTRES_MUSIC, "Music"},
    {TTRES_STREAM, "Stream"},
    {TTRES_TARGET, "Target"},
    {TTRES_SPRITE, "Sprite"},
    {TTRES_ANIMATION, "Animation"},
    {TTRES_FONT, "Font"},
    {TTRES_PARTICLE, "Particle"},
    {TTRES_DISTORT, "Distortion"},
    {TTRES_STRTABLE, "StringTable"},

    {TTPAR_FILENAME, "filename"},
    {TTPAR_RESGROUP, "resgroup"},
    {TTPAR_MIPMAP, "mipmap"},
    {TTPAR_GENALPHA, "genalpha"},
    {TTPAR_AMPLIFY, "amplify"},
    {TTPAR_SIZE, "size"},
    {TTPAR_ZBUFFER, "zbuffer"},
    {TTPAR_TEXTURE, "texture"},
    {TTPAR_RECT, "rect"},
    {TTPAR_HOTSPOT, "hotspot"},
    {TTPAR_BLENDMODE, "blendmode"},
    {TTPAR_COLOR, "color"},
    {TTPAR_ZORDER, "zorder"},
    {TTPAR_FLIP, "flip"},
    {TTPAR_SCALE, "scale"},
    {TTPAR_PROPORTION, "proportion"},
    {TTPAR_ROTATION, "rotation"},
    {TTPAR_FRAMES, "frames"},
    {TTPAR_FPS, "fps"},
    {TTPAR_MODE, "mode"},
    {TTPAR_TRACKING, "tracking"},
    {TTPAR_SPACING, "spacing"},
    {TTPAR_SPRITE, "sprite"},
    {TTPAR_MESH, "mesh"},

    {TTCON_COLORMUL, "COLORMUL"},
    {TTCON_COLORADD, "COLORADD"},
    {TTCON_ALPHABLND, "ALPHABLEND"},
    {TTCON_ALPHAADD, "ALPHAADD"},
    {TTCON_ZWRITE, "ZWRITE"},
    {TTCON_NOZWRITE, "NOZWRITE"},
    {TTCON_FORWARD, "FORWARD"},
    {TTCON_REVERSE, "REVERSE"},
    {TTCON_PINGPONG, "PINGPONG"},
    {TTCON_NOPINGPONG, "NOPINGPONG"},
    {TTCON_LOOP, "LOOP"},
    {TTCON_NOLOOP, "NOLOOP"},
    {TTCON_CIRCLE, "CIRCLE"},
    {TTCON_RECT, "RECT"},
    {TTCON_ALPHA, "ALPHA"},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexLetter(char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool endsIdentifier(char c) {
    return c == '\0' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '=' ||
           c == '{' || c == '}' || c == ':';
}

}  // namespace

uint32_t colorFromText(const char* text) {
    uint32_t value = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        int c = *p;
        if (c >= 'a') c -= 39;
        if (c >= 'A') c -= 7;
        int digit = c - '0';
        if (digit > 15) digit = 15;
        // Characters below "0" give negative digits; unsigned arithmetic keeps the
        // result defined (it wraps as the 32-bit value would).
        value = (value << 4) + static_cast<uint32_t>(digit);
    }
    return value;
}

ScriptTokenizer::ScriptTokenizer(Engine* engine, const char* scriptName, const char* text)
    : engine_(engine), pos_(text), tokenStart_(text) {
    std::snprintf(name_, sizeof(name_), "%s", scriptName ? scriptName : "");
}

void ScriptTokenizer::take(const char* start, size_t len, int kind) {
    // Over-long tokens keep their first 127 characters; reading goes on after the
    // whole token.
    size_t n = len < SCRIPT_TOKEN_MAX - 1 ? len : SCRIPT_TOKEN_MAX - 1;
    std::memcpy(text_, start, n);
    text_[n] = '\0';
    kind_ = kind;
}

int ScriptTokenizer::next() {
    for (;;) {
        char c = *pos_;
        if (c == ' ' || c == '\t' || c == '\r') {
            ++pos_;
        } else if (c == '\n') {
            ++pos_;
            ++line_;
        } else if (c == ';') {
            while (*pos_ && *pos_ != '\r' && *pos_ != '\n') ++pos_;
        } else {
            break;
        }
    }
    tokenStart_ = pos_;
    tokenLine_ = line_;

    if (*pos_ == '\0') {
        take(pos_, 0, TTEND);
        return kind_;
    }

    if (isDigit(*pos_) || *pos_ == '.' || *pos_ == '-') {
        const char* p = pos_;
        while (isDigit(*p) || *p == '.' || *p == '-') ++p;
        int kind = TTNUMBER;
        if (isHexLetter(*p)) {
            kind = TTSTRING;
            while (isHexLetter(*p)) ++p;
        }
        take(pos_, p - pos_, kind);
        pos_ = p;
        return kind_;
    }

    if (*pos_ == '"') {
        const char* start = pos_ + 1;
        const char* p = start;
        while (*p && *p != '"' && *p != '\r' && *p != '\n') ++p;
        take(start, p - start, TTSTRING);
        if (*p == '\n') ++line_;  // a string cut by the line's end still ends the line
        pos_ = *p ? p + 1 : p;
        return kind_;
    }

    for (const Keyword& k : KEYWORDS) {
        size_t len = std::strlen(k.word);
        if (std::strncmp(pos_, k.word, len) == 0) {
            take(pos_, len, k.kind);
            pos_ += len;
            return kind_;
        }
    }

    const char* p = pos_;
    while (!endsIdentifier(*p)) ++p;
    take(pos_, p - pos_, TTSTRING);
    pos_ = p;
    return kind_;
}

// Going back to where the token started (rather than by the length of its text)
// also re-reads quoted and over-long tokens whole.
void ScriptTokenizer::putBack() {
    pos_ = tokenStart_;
    line_ = tokenLine_;
}

int ScriptTokenizer::intValue() const {
    errno = 0;
    long v = std::strtol(text_, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

float ScriptTokenizer::floatValue() const {
    // Identifiers such as "nan" or "inf" and overlong digit runs must not bring
    // non-finite values into rectangles and scales.
    float v = std::strtof(text_, nullptr);
    if (std::isnan(v)) return 0.0f;
    if (std::isinf(v)) return v > 0 ? FLT_MAX : -FLT_MAX;
    return v;
}

uint32_t ScriptTokenizer::colorValue() const { return colorFromText(text_); }

void ScriptTokenizer::report(const char* first, const char* second) const {
    reportWith(first, kind_ == TTEND ? "<EOF>" : text_, second);
}

void ScriptTokenizer::reportWith(const char* first, const char* token, const char* second) const {
    resourceReport(engine_, "%s, line %d: %s'%s'%s", name_, line_, first, token, second);
}
