#include "engine/font/font.h"

#include "engine/resources/report.h"
#include "engine/sprite/sprite.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char HEADER[] = "[DENFONT]";

// Shared by every font and overwritten by each DrawFormatted.
char g_formatBuffer[FONT_FORMAT_BUFFER];

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// One " , %d" of the glyph pattern: blanks, a comma, blanks, a decimal integer
// (clamped to the int range). False when the text does not follow it.
bool readField(const char*& p, int& out) {
    while (isSpace(*p)) ++p;
    if (*p != ',') return false;
    ++p;
    while (isSpace(*p)) ++p;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p) return false;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    out = static_cast<int>(v);
    p = end;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Font::Font(const char* filename, bool mipmap) : engine_(engineCreate(ENGINE_VERSION)) {
    uint32_t size = 0;
    void* data = filename ? engine_->Resource_Load(filename, &size) : nullptr;
    if (!data) {
        resourceReport(engine_, "Font %s skipped: %s.", filename ? filename : "", engine_->System_LastError());
        return;
    }
    read(filename, static_cast<const char*>(data), size, mipmap);
    engine_->Resource_Free(data);
}

Font::Font(const char* filename, const void* data, size_t size, bool mipmap)
    : engine_(engineCreate(ENGINE_VERSION)) {
    if (data) read(filename ? filename : "", static_cast<const char*>(data), size, mipmap);
}

Font::~Font() {
    for (Sprite*& g : glyphs_) {
        delete g;
        g = nullptr;
    }
    if (texture_) engine_->Texture_Free(texture_);
    for (TextureHandle t : extraTextures_) engine_->Texture_Free(t);
    engine_->Release();
}

void Font::read(const char* filename, const char* data, size_t size, bool mipmap) {
    // A zero-terminated copy whose line ends become terminators, so that every line
    // is a string of its own and no line has to fit a buffer.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = '\0';
    }
    const char* end = text.data() + size;
    const char* line = text.data();
    int lineNumber = 1;  // of `line`, counted in the file's line feeds
    auto nextLine = [&] {
        const char* from = line;
        line += std::strlen(line);
        while (line < end && *line == '\0') ++line;  // the line end and empty lines
        for (const char* p = data + (from - text.data()); p < data + (line - text.data()); ++p) {
            if (*p == '\n') ++lineNumber;
        }
    };
    auto skipped = [&](const char* why) {
        resourceReport(engine_, "Font %s, line %d: %s", filename, lineNumber, why);
    };

    if (std::strcmp(line, HEADER) != 0) {
        resourceReport(engine_, "Font %s has incorrect format.", filename);
        return;
    }
    for (nextLine(); line < end; nextLine()) {
        if (std::strncmp(line, "Bitmap", 6) == 0) {
            // "Bitmap = %s": the name replaces the file-name part of the font's path.
            const char* p = line + 6;
            while (isSpace(*p)) ++p;
            const char* nameEnd = p;
            if (*p == '=') {
                ++p;
                while (isSpace(*p)) ++p;
                nameEnd = p;
                while (*nameEnd && !isSpace(*nameEnd)) ++nameEnd;
            }
            if (nameEnd == p) {  // no name to load: as a bitmap that cannot be loaded
                skipped("no bitmap named; the rest of the font is skipped.");
                break;
            }
            const char* cut = std::strrchr(filename, '\\');
            if (!cut) cut = std::strrchr(filename, '/');
            std::string path(filename, cut ? cut + 1 - filename : 0);
            path.append(p, nameEnd - p);
            TextureHandle t = engine_->Texture_Load(path.c_str(), 0, mipmap);
            if (!t) {
                const std::string why = path + ": " + engine_->System_LastError() + "; the rest of the font is skipped.";
                skipped(why.c_str());
                break;
            }
            if (texture_) extraTextures_.push_back(texture_);
            texture_ = t;
        } else if (std::strncmp(line, "Char", 4) == 0 && std::strchr(line, '=')) {
            if (!readChar(line)) skipped("not a character of the font; skipped.");
        }
    }
}

// "Char = <character>, x, y, width, height, pre, post"; a line that does not follow
// the pattern or names a code above 255 is ignored.
bool Font::readChar(const char* line) {
    const char* p = std::strchr(line, '=') + 1;
    while (isSpace(*p)) ++p;
    unsigned code;
    if (*p == '"') {
        if (p[1] == '\0' || p[2] != '"') return false;
        code = static_cast<unsigned char>(p[1]);
        p += 3;
    } else {
        if (hexDigit(*p) < 0) return false;
        code = 0;
        for (; hexDigit(*p) >= 0; ++p) {
            code = code * 16 + hexDigit(*p);
            if (code > 255) return false;
        }
    }
    int v[6];
    for (int& f : v) {
        if (!readField(p, f)) return false;
    }
    Sprite* glyph = new Sprite(texture_, static_cast<float>(v[0]), static_cast<float>(v[1]),
                               static_cast<float>(v[2]), static_cast<float>(v[3]));
    glyph->SetColor(color_);
    glyph->SetZ(z_);
    glyph->SetBlendMode(blend_);
    delete glyphs_[code];
    glyphs_[code] = glyph;
    pre_[code] = static_cast<float>(v[4]);
    post_[code] = static_cast<float>(v[5]);
    if (static_cast<float>(v[3]) > height_) height_ = static_cast<float>(v[3]);
    return true;
}

// The width of the line that starts at text (up to its line feed), unscaled; *end
// receives where the line stopped.
float Font::lineWidth(const char* text, const char** end) const {
    float w = 0.0f;
    const char* p = text;
    for (; *p && *p != '\n'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!glyphs_[c]) c = '?';
        if (!glyphs_[c]) continue;
        w += pre_[c] + glyphs_[c]->GetWidth() + post_[c] + tracking;
    }
    if (end) *end = p;
    return w;
}

float Font::TextWidth(const char* text, bool multiline) const {
    if (!text) return 0.0f;
    const char* p = text;
    float widest = lineWidth(p, &p) * scale * proportion;
    if (!multiline) return widest;
    while (*p) {
        while (*p == '\n' || *p == '\r') ++p;
        if (!*p) break;
        float w = lineWidth(p, &p) * scale * proportion;
        if (w > widest) widest = w;
    }
    return widest;
}

float Font::lineStart(float x, int align, const char* line) const {
    if (align == ALIGN_RIGHT) return x - TextWidth(line, false);
    if (align == ALIGN_CENTER) return x - std::trunc(TextWidth(line, false) / 2.0f);
    return x;
}

void Font::DrawText(float x, float y, int align, const char* text) {
    if (!text) return;
    align &= 3;
    float penX = lineStart(x, align, text);
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n') {
            y += std::trunc(spacing * scale * height_);
            penX = lineStart(x, align, p + 1);
            continue;
        }
        if (!glyphs_[c]) c = '?';
        Sprite* glyph = glyphs_[c];
        if (!glyph) continue;
        penX += pre_[c] * proportion * scale;
        glyph->DrawTransformed(penX, y, rotation, scale * proportion, scale);
        penX += (post_[c] + glyph->GetWidth() + tracking) * proportion * scale;
    }
}

void Font::DrawFormatted(float x, float y, int align, const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_formatBuffer, sizeof(g_formatBuffer), format, args);
    va_end(args);
    DrawText(x, y, align, g_formatBuffer);
}

void Font::SetColor(uint32_t color) {
    color_ = color;
    for (Sprite* g : glyphs_) {
        if (g) g->SetColor(color);
    }
}

void Font::SetZ(float z) {
    z_ = z;
    for (Sprite* g : glyphs_) {
        if (g) g->SetZ(z);
    }
}

void Font::SetBlendMode(int mode) {
    blend_ = mode;
    for (Sprite* g : glyphs_) {
        if (g) g->SetBlendMode(mode);
    }
}
