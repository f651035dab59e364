#include "engine/sprite/sprite.h"

#include <cmath>
#include <utility>

namespace {

// Alternates pointing back into their own chain would otherwise never end.
constexpr int MAX_ALTERNATE_CHAIN = 64;

}  // namespace

Sprite::Sprite(TextureHandle texture, float x, float y, float w, float h)
    : quad{}, regionX(x), regionY(y), width(w), height(h), engine_(engineCreate(ENGINE_VERSION)) {
    texWidth = texture ? static_cast<float>(engine_->Texture_Width(texture, false)) : 1.0f;
    texHeight = texture ? static_cast<float>(engine_->Texture_Height(texture, false)) : 1.0f;
    // A handle that names no texture reads as size 0: keep the coordinates finite.
    if (texWidth <= 0.0f) texWidth = 1.0f;
    if (texHeight <= 0.0f) texHeight = 1.0f;
    quad.tex = texture;
    quad.blend = BLEND_DEFAULT;
    for (Vertex& v : quad.v) {
        v.z = 0.5f;
        v.col = 0xFFFFFFFFu;
    }
    setCoords(x, y, x + w, y + h);  // no mirroring yet, so nothing is mirrored again
}

Sprite::Sprite(const Sprite& other)
    : alternate(other.alternate), quad(other.quad), regionX(other.regionX), regionY(other.regionY),
      width(other.width), height(other.height), texWidth(other.texWidth), texHeight(other.texHeight),
      hotX(other.hotX), hotY(other.hotY), xFlipped(other.xFlipped), yFlipped(other.yFlipped),
      hotSpotFlipped(other.hotSpotFlipped), engine_(engineCreate(ENGINE_VERSION)) {}

Sprite& Sprite::operator=(const Sprite& other) {
    if (this == &other) return *this;
    alternate = other.alternate;
    quad = other.quad;
    regionX = other.regionX;
    regionY = other.regionY;
    width = other.width;
    height = other.height;
    texWidth = other.texWidth;
    texHeight = other.texHeight;
    hotX = other.hotX;
    hotY = other.hotY;
    xFlipped = other.xFlipped;
    yFlipped = other.yFlipped;
    hotSpotFlipped = other.hotSpotFlipped;
    return *this;
}

Sprite::~Sprite() {
    if (engine_) engine_->Release();
}

Sprite* Sprite::resolve() {
    Sprite* s = this;
    if (!s->alternate || !engine_->System_GetState(STATE_ALTERNATE_SPRITES)) return s;
    for (int i = 0; i < MAX_ALTERNATE_CHAIN && s->alternate; ++i) s = s->alternate;
    return s;
}

void Sprite::Draw(float x, float y) {
    Sprite* s = resolve();
    float x1 = x - s->hotX, y1 = y - s->hotY;
    float x2 = x + s->width - s->hotX, y2 = y + s->height - s->hotY;
    Quad& q = s->quad;
    q.v[0].x = x1;
    q.v[0].y = y1;
    q.v[1].x = x2;
    q.v[1].y = y1;
    q.v[2].x = x2;
    q.v[2].y = y2;
    q.v[3].x = x1;
    q.v[3].y = y2;
    engine_->Gfx_DrawQuad(&q);
}

void Sprite::DrawTransformed(float x, float y, float rot, float hscale, float vscale) {
    Sprite* s = resolve();
    if (vscale == 0.0f) vscale = hscale;
    float l = -s->hotX * hscale, t = -s->hotY * vscale;
    float r = (s->width - s->hotX) * hscale, b = (s->height - s->hotY) * vscale;
    Quad& q = s->quad;
    if (rot != 0.0f) {
        float c = std::cos(rot), sn = std::sin(rot);
        const float corners[4][2] = {{l, t}, {r, t}, {r, b}, {l, b}};
        for (int i = 0; i < 4; ++i) {
            float p = corners[i][0], k = corners[i][1];
            q.v[i].x = x + p * c - k * sn;
            q.v[i].y = y + p * sn + k * c;
        }
    } else {
        q.v[0].x = x + l;
        q.v[0].y = y + t;
        q.v[1].x = x + r;
        q.v[1].y = y + t;
        q.v[2].x = x + r;
        q.v[2].y = y + b;
        q.v[3].x = x + l;
        q.v[3].y = y + b;
    }
    engine_->Gfx_DrawQuad(&q);
}

void Sprite::SetCornerColor(uint32_t color, int i) {
    if (i == -1) {
        for (Vertex& v : quad.v) v.col = color;
    } else if (i >= 0 && i < 4) {
        quad.v[i].col = color;
    }
}

void Sprite::SetCornerZ(float z, int i) {
    if (i == -1) {
        for (Vertex& v : quad.v) v.z = z;
    } else if (i >= 0 && i < 4) {
        quad.v[i].z = z;
    }
}

void Sprite::SetTexture(TextureHandle texture) {
    quad.tex = texture;
    float w = 1.0f, h = 1.0f;
    if (texture) {
        w = static_cast<float>(engine_->Texture_Width(texture, false));
        h = static_cast<float>(engine_->Texture_Height(texture, false));
        if (w <= 0.0f) w = 1.0f;
        if (h <= 0.0f) h = 1.0f;
    }
    if (w != texWidth || h != texHeight) {
        // The region keeps its place in pixels of the new texture.
        float sx = texWidth / w, sy = texHeight / h;
        for (Vertex& v : quad.v) {
            v.tx *= sx;
            v.ty *= sy;
        }
        texWidth = w;
        texHeight = h;
    }
}

void Sprite::SetMirror(bool xFlip, bool yFlip, bool hotSpotFlip) {
    if (hotSpotFlipped) {
        if (xFlipped) hotX = width - hotX;
        if (yFlipped) hotY = height - hotY;
    }
    hotSpotFlipped = hotSpotFlip;
    if (hotSpotFlipped) {
        if (xFlipped) hotX = width - hotX;
        if (yFlipped) hotY = height - hotY;
    }
    if (xFlip != xFlipped) {
        std::swap(quad.v[0].tx, quad.v[1].tx);
        std::swap(quad.v[0].ty, quad.v[1].ty);
        std::swap(quad.v[3].tx, quad.v[2].tx);
        std::swap(quad.v[3].ty, quad.v[2].ty);
        xFlipped = !xFlipped;
    }
    if (yFlip != yFlipped) {
        std::swap(quad.v[0].tx, quad.v[3].tx);
        std::swap(quad.v[0].ty, quad.v[3].ty);
        std::swap(quad.v[1].tx, quad.v[2].tx);
        std::swap(quad.v[1].ty, quad.v[2].ty);
        yFlipped = !yFlipped;
    }
}

void Sprite::setCoords(float x1, float y1, float x2, float y2) {
    float u1 = x1 / texWidth, v1 = y1 / texHeight;
    float u2 = x2 / texWidth, v2 = y2 / texHeight;
    quad.v[0].tx = u1;
    quad.v[0].ty = v1;
    quad.v[1].tx = u2;
    quad.v[1].ty = v1;
    quad.v[2].tx = u2;
    quad.v[2].ty = v2;
    quad.v[3].tx = u1;
    quad.v[3].ty = v2;
    // The coordinates are unmirrored now: apply the wanted mirroring again.
    bool x = xFlipped, y = yFlipped, hs = hotSpotFlipped;
    xFlipped = yFlipped = false;
    SetMirror(x, y, hs);
}

void Sprite::SetTextureRect(float x, float y, float w, float h) {
    regionX = x;
    regionY = y;
    width = w;
    height = h;
    setCoords(x, y, x + w, y + h);
}
