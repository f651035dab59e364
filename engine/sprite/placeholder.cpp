// Temporary: sprites before their implementation lands. Delete with it.
#include "engine/sprite/sprite.h"

Sprite::Sprite(TextureHandle texture, float x, float y, float w, float h)
    : quad{}, regionX(x), regionY(y), width(w), height(h), texWidth(1), texHeight(1),
      engine_(engineCreate(ENGINE_VERSION)) { quad.tex = texture; quad.blend = BLEND_DEFAULT; }
Sprite::Sprite(const Sprite& o) : Sprite(o.quad.tex, o.regionX, o.regionY, o.width, o.height) {}
Sprite& Sprite::operator=(const Sprite&) { return *this; }
Sprite::~Sprite() { engine_->Release(); }
void Sprite::Draw(float, float) {}
void Sprite::DrawTransformed(float, float, float, float, float) {}
void Sprite::SetCornerColor(uint32_t, int) {}
void Sprite::SetCornerZ(float, int) {}
void Sprite::SetTexture(TextureHandle t) { quad.tex = t; }
void Sprite::SetMirror(bool, bool, bool) {}
void Sprite::SetTextureRect(float, float, float, float) {}
Sprite* Sprite::resolve() { return this; }
