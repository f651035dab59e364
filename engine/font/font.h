// A bitmap font: one texture, a glyph sprite per character, drawn with scale,
// proportion, rotation, tracking and line spacing.
#pragma once

#include "engine/engine.h"

#include <cstddef>
#include <vector>

class Sprite;

constexpr int ALIGN_LEFT = 0;
constexpr int ALIGN_RIGHT = 1;
constexpr int ALIGN_CENTER = 2;

constexpr int FONT_FORMAT_BUFFER = 1024;

class Font {
public:
    // Reads the "[DENFONT]" description through Resource_Load. A missing or
    // malformed file leaves an empty font that draws nothing.
    explicit Font(const char* filename, bool mipmap = false);
    // The same from a description already in memory (size bytes); filename still
    // names the folder the bitmap is taken from.
    Font(const char* filename, const void* data, size_t size, bool mipmap = false);
    virtual ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    void DrawText(float x, float y, int align, const char* text);
    // printf-style into the buffer all fonts share, cut to 1023 characters.
    void DrawFormatted(float x, float y, int align, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    // The first line's width, or the widest line's with multiline.
    float TextWidth(const char* text, bool multiline = false) const;

    void SetColor(uint32_t color);
    void SetZ(float z);
    void SetBlendMode(int mode);
    uint32_t GetColor() const { return color_; }
    float GetZ() const { return z_; }
    int GetBlendMode() const { return blend_; }

    void SetScale(float s) { scale = s; }
    void SetProportion(float p) { proportion = p; }
    void SetRotation(float r) { rotation = r; }
    void SetTracking(float t) { tracking = t; }
    void SetSpacing(float s) { spacing = s; }
    float GetScale() const { return scale; }
    float GetProportion() const { return proportion; }
    float GetRotation() const { return rotation; }
    float GetTracking() const { return tracking; }
    float GetSpacing() const { return spacing; }

    TextureHandle GetTexture() const { return texture_; }
    Sprite* GetGlyph(unsigned char c) const { return glyphs_[c]; }
    float GetPre(unsigned char c) const { return pre_[c]; }
    float GetPost(unsigned char c) const { return post_[c]; }
    float GetHeight() const { return height_; }

    // Plain fields: the resource manager copies them from the script.
    float scale = 1.0f;
    float proportion = 1.0f;  // an extra horizontal factor
    float rotation = 0.0f;    // radians
    float tracking = 0.0f;    // pixels after every glyph
    float spacing = 1.0f;     // line-spacing factor

private:
    void read(const char* filename, const char* data, size_t size, bool mipmap);
    // False when the line does not follow the pattern (nothing is taken then).
    bool readChar(const char* line);
    float lineWidth(const char* text, const char** end) const;
    float lineStart(float x, int align, const char* line) const;

    Engine* engine_;
    TextureHandle texture_ = 0;
    // Textures named by further "Bitmap" lines; glyphs made before keep using the
    // earlier ones, so all are freed together.
    std::vector<TextureHandle> extraTextures_;
    Sprite* glyphs_[256] = {};
    float pre_[256] = {};
    float post_[256] = {};
    float height_ = 0.0f;
    uint32_t color_ = 0xFFFFFFFF;
    float z_ = 0.5f;
    int blend_ = BLEND_DEFAULT;
};
