#include "engine/sprite/sprite.h"

#include <climits>

Animation::Animation(TextureHandle texture, int frames, float fps, float x, float y, float w, float h)
    : Sprite(texture, x, y, w, h), frameCount(frames) {
    texWidthLoaded = texture ? engine_->Texture_Width(texture, true) : 0;
    secondsPerFrame = 1.0f / fps;
    SetFrame(0);
}

void Animation::SetPlayMode(int playMode) {
    mode = playMode;
    if (mode & ANIM_REV) {
        step = -1;
        SetFrame(frameCount - 1);
    } else {
        step = 1;
        SetFrame(0);
    }
}

namespace {

// Truncation toward zero that stays defined for values no int can hold.
int truncated(float v) {
    if (v != v) return 0;
    if (v >= 2147483520.0f) return INT_MAX;
    if (v <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

void Animation::SetFrame(int n) {
    // A strip without frames has nothing to show; the modulo below needs a count.
    if (frameCount <= 0) return;
    n %= frameCount;
    if (n < 0) n += frameCount;
    frame = n;

    float x1 = regionX + static_cast<float>(n) * width;
    float y1 = regionY;
    int frameWidth = truncated(width);
    if (x1 > static_cast<float>(texWidthLoaded) - width && frameWidth > 0) {
        // The strip runs past the texture's right edge: the remaining frames continue
        // on the rows below, from the texture's left edge.
        int perRow = texWidthLoaded / frameWidth;
        if (perRow > 0) {
            long long m = static_cast<long long>(n) - truncated(static_cast<float>(texWidthLoaded) - regionX) / frameWidth;
            x1 = static_cast<float>(m % perRow) * width;
            y1 = regionY + static_cast<float>(m / perRow + 1) * height;
        }
    }
    setCoords(x1, y1, x1 + width, y1 + height);
}
