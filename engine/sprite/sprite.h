// A rectangular region of a texture drawn as one quad about its hot spot.
#pragma once

#include "engine/engine.h"

class Sprite {
public:
    Sprite(TextureHandle texture, float x, float y, float w, float h);
    Sprite(const Sprite& other);
    Sprite& operator=(const Sprite& other);
    ~Sprite();

    void Draw(float x, float y);
    void DrawTransformed(float x, float y, float rot, float hscale = 1.0f, float vscale = 0.0f);

    void SetCornerColor(uint32_t color, int i = -1);
    void SetCornerZ(float z, int i = -1);
    void SetColor(uint32_t color) { SetCornerColor(color, -1); }
    void SetZ(float z) { SetCornerZ(z, -1); }
    void SetBlendMode(int blend) { quad.blend = blend; }
    void SetHotSpot(float x, float y) { hotX = x; hotY = y; }
    void SetTexture(TextureHandle texture);
    // Sets the requested mirroring; the arguments state it, they do not toggle it.
    void SetMirror(bool xFlip, bool yFlip, bool hotSpotFlip = false);
    // The region and its texture coordinates.
    void SetTextureRect(float x, float y, float w, float h);

    TextureHandle GetTexture() const { return quad.tex; }
    float GetWidth() const { return width; }
    float GetHeight() const { return height; }

    // Plain fields: the game and the resource manager set them directly.
    Sprite* alternate = nullptr;
    Quad quad;
    float regionX, regionY, width, height;
    float texWidth, texHeight;
    float hotX = 0.0f, hotY = 0.0f;
    bool xFlipped = false, yFlipped = false, hotSpotFlipped = false;

protected:
    // The last sprite of the alternate chain while alternates are switched on.
    Sprite* resolve();
    // Texture coordinates for a rectangle in texture pixels, mirrored as wanted.
    void setCoords(float x1, float y1, float x2, float y2);
    Engine* engine_;
};

// A sprite that shows one frame of a strip of equal frames.
class Animation : public Sprite {
public:
    Animation(TextureHandle texture, int frames, float fps, float x, float y, float w, float h);

    void SetPlayMode(int mode);
    void SetFrame(int n);
    int GetFrame() const { return frame; }
    int GetFrames() const { return frameCount; }

    int texWidthLoaded;
    bool playing = false;
    float secondsPerFrame;
    float frameTimer = -1.0f;
    int mode = 4;
    int step = 1;
    int frameCount;
    int frame = 0;
};

// Animation play-mode bits.
constexpr int ANIM_FWD = 0;
constexpr int ANIM_REV = 1;
constexpr int ANIM_PINGPONG = 2;
constexpr int ANIM_NOPINGPONG = 0;
constexpr int ANIM_LOOP = 4;
constexpr int ANIM_NOLOOP = 0;
