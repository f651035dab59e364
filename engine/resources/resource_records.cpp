#include "engine/resources/resource_records.h"

#include "engine/font/font.h"
#include "engine/resources/distortion_mesh.h"
#include "engine/resources/particle_system.h"
#include "engine/resources/resource_manager.h"
#include "engine/resources/script_tokenizer.h"
#include "engine/resources/string_table.h"
#include "engine/sprite/sprite.h"

#include <algorithm>
#include <cstdio>

void copyResourceName(char* dst, const char* src) {
    std::snprintf(dst, RESOURCE_NAME_MAX, "%s", src ? src : "");
}

// ---------------------------------------------------------------------------------
// Reading parameter values. After a parameter keyword one token (normally "=") is
// skipped and the value read; in lists one token (normally ",") between values.

namespace {

void value(ScriptTokenizer& t) {
    t.next();
    t.next();
}

int intValue(ScriptTokenizer& t) {
    value(t);
    return t.intValue();
}

float floatValue(ScriptTokenizer& t) {
    value(t);
    return t.floatValue();
}

bool boolValue(ScriptTokenizer& t) {
    value(t);
    return t.boolValue();
}

uint32_t colorValue(ScriptTokenizer& t) {
    value(t);
    return t.colorValue();
}

void stringValue(ScriptTokenizer& t, char* dst) {
    value(t);
    copyResourceName(dst, t.text());
}

// The blend-mode and animation-mode lists: "=" or "," followed by a flag, as long
// as they go on; the token that ends the list is put back.
int flagList(ScriptTokenizer& t, int v, bool blend) {
    for (;;) {
        int k = t.next();
        if (k != TTEQUALS && k != TTSEPARATOR) {
            t.putBack();
            return v;
        }
        k = t.next();
        if (blend) {
            switch (k) {
                case TTCON_COLORMUL: v &= ~BLEND_COLORADD; break;
                case TTCON_COLORADD: v |= BLEND_COLORADD; break;
                case TTCON_ALPHABLND: v |= BLEND_ALPHABLEND; break;
                case TTCON_ALPHAADD: v &= ~BLEND_ALPHABLEND; break;
                case TTCON_ZWRITE: v |= BLEND_ZWRITE; break;
                case TTCON_NOZWRITE: v &= ~BLEND_ZWRITE; break;
                default: t.report("Unsupported value ", "."); break;
            }
        } else {
            switch (k) {
                case TTCON_FORWARD: v &= ~ANIM_REV; break;
                case TTCON_REVERSE: v |= ANIM_REV; break;
                case TTCON_PINGPONG: v |= ANIM_PINGPONG; break;
                case TTCON_NOPINGPONG: v &= ~ANIM_PINGPONG; break;
                case TTCON_LOOP: v |= ANIM_LOOP; break;
                case TTCON_NOLOOP: v &= ~ANIM_LOOP; break;
                default: t.report("Unsupported value ", "."); break;
            }
        }
    }
}

void rectValue(ScriptTokenizer& t, float& x, float& y, float& w, float& h) {
    x = floatValue(t);
    y = floatValue(t);
    w = floatValue(t);
    h = floatValue(t);
}

}  // namespace

// ---------------------------------------------------------------------------------

ResourceRecord::ResourceRecord(int type) : engine_(engineCreate(ENGINE_VERSION)), type_(type) {}

ResourceRecord::ResourceRecord(const ResourceRecord& other)
    : resgroup(other.resgroup), engine_(engineCreate(ENGINE_VERSION)), type_(other.type_) {}

ResourceRecord::~ResourceRecord() { engine_->Release(); }

void ResourceRecord::SetName(const char* n) { copyResourceName(name, n); }

bool ResourceRecord::ReadParameter(ScriptTokenizer& t) {
    if (t.kind() != TTPAR_RESGROUP) return false;
    resgroup = intValue(t);
    return true;
}

ResourceRecord* createResourceRecord(int type) {
    switch (type) {
        case RES_SCRIPT: return new RScript;
        case RES_RESOURCE: return new RResource;
        case RES_TEXTURE: return new RTexture;
        case RES_EFFECT: return new REffect;
        case RES_MUSIC: return new RMusic;
        case RES_STREAM: return new RStream;
        case RES_TARGET: return new RTarget;
        case RES_SPRITE: return new RSprite;
        case RES_ANIMATION: return new RAnimation;
        case RES_FONT: return new RFont;
        case RES_PARTICLE: return new RParticle;
        case RES_DISTORT: return new RDistort;
        case RES_STRTABLE: return new RStringTable;
        default: return nullptr;
    }
}

bool RFileRecord::ReadParameter(ScriptTokenizer& t) {
    if (t.kind() == TTPAR_FILENAME) {
        stringValue(t, filename);
        return true;
    }
    return ResourceRecord::ReadParameter(t);
}

// ---------------------------------------------------------------------------------
// Raw file

uintptr_t RResource::Acquire(ResourceManager*) {
    if (!resource) resource = reinterpret_cast<uintptr_t>(engine_->Resource_Load(filename, &size));
    return resource;
}

void RResource::Release() {
    if (resource) engine_->Resource_Free(reinterpret_cast<void*>(resource));
    resource = 0;
    size = 0;
}

// ---------------------------------------------------------------------------------
// Texture

bool RTexture::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_MIPMAP: mipmap = boolValue(t); return true;
        case TTPAR_GENALPHA: genalpha = boolValue(t); return true;
        default: return RFileRecord::ReadParameter(t);
    }
}

uintptr_t RTexture::Acquire(ResourceManager*) {
    if (resource) return resource;
    TextureHandle tex = engine_->Texture_Load(filename, 0, mipmap);
    if (tex && genalpha) {
        // The first pixel's colour is the key: every pixel of that colour becomes
        // transparent black.
        uint32_t* pixels = engine_->Texture_Lock(tex, false);
        if (pixels) {
            int w = engine_->Texture_Width(tex, false);
            int h = engine_->Texture_Height(tex, false);
            if (w > 0 && h > 0) {
                uint32_t key = pixels[0];
                size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
                for (size_t i = 0; i < n; ++i) {
                    if (pixels[i] == key) pixels[i] = 0;
                }
            }
            engine_->Texture_Unlock(tex);
        }
    }
    resource = tex;
    return resource;
}

void RTexture::Release() {
    if (resource) engine_->Texture_Free(resource);
    resource = 0;
}

// ---------------------------------------------------------------------------------
// Sound effect, music, stream

uintptr_t REffect::Acquire(ResourceManager*) {
    if (!resource) resource = engine_->Effect_Load(filename, 0);
    return resource;
}

void REffect::Release() {
    if (resource) engine_->Effect_Free(static_cast<EffectHandle>(resource));
    resource = 0;
}

bool RMusic::ReadParameter(ScriptTokenizer& t) {
    if (t.kind() == TTPAR_AMPLIFY) {
        amplify = intValue(t);
        return true;
    }
    return RFileRecord::ReadParameter(t);
}

uintptr_t RMusic::Acquire(ResourceManager*) {
    if (resource) return resource;
    MusicHandle music = engine_->Music_Load(filename, 0);
    if (music) engine_->Music_SetAmplify(music, amplify);
    resource = music;
    return resource;
}

void RMusic::Release() {
    if (resource) engine_->Music_Free(static_cast<MusicHandle>(resource));
    resource = 0;
}

uintptr_t RStream::Acquire(ResourceManager*) {
    if (!resource) resource = engine_->Stream_Load(filename, 0);
    return resource;
}

void RStream::Release() {
    if (resource) engine_->Stream_Free(static_cast<StreamHandle>(resource));
    resource = 0;
}

// ---------------------------------------------------------------------------------
// Render target

bool RTarget::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_SIZE:
            width = intValue(t);
            height = intValue(t);
            return true;
        case TTPAR_ZBUFFER: zbuffer = boolValue(t); return true;
        default: return ResourceRecord::ReadParameter(t);
    }
}

uintptr_t RTarget::Acquire(ResourceManager*) {
    if (!resource) resource = engine_->Target_Create(width, height, zbuffer);
    return resource;
}

void RTarget::Release() {
    if (resource) engine_->Target_Free(resource);
    resource = 0;
}

// ---------------------------------------------------------------------------------
// Sprite and animation

bool RSprite::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_TEXTURE: stringValue(t, texname); return true;
        case TTPAR_RECT: rectValue(t, tx, ty, w, h); return true;
        case TTPAR_HOTSPOT:
            hotx = floatValue(t);
            hoty = floatValue(t);
            return true;
        case TTPAR_BLENDMODE: blend = flagList(t, blend, true); return true;
        case TTPAR_COLOR: color = colorValue(t); return true;
        case TTPAR_ZORDER: z = floatValue(t); return true;
        case TTPAR_FLIP:
            bXFlip = boolValue(t);
            bYFlip = boolValue(t);
            return true;
        default: return ResourceRecord::ReadParameter(t);
    }
}

namespace {
void applySpriteFields(Sprite* s, const RSprite& r) {
    s->SetColor(r.color);
    s->SetZ(r.z);
    s->SetBlendMode(r.blend);
    s->SetHotSpot(r.hotx, r.hoty);
    s->SetMirror(r.bXFlip, r.bYFlip, false);
}
}  // namespace

uintptr_t RSprite::Acquire(ResourceManager* manager) {
    if (resource) return resource;
    Sprite* s = new Sprite(manager->TextureByName(texname, resgroup), tx, ty, w, h);
    applySpriteFields(s, *this);
    resource = reinterpret_cast<uintptr_t>(s);
    return resource;
}

void RSprite::Release() {
    delete reinterpret_cast<Sprite*>(resource);
    resource = 0;
}

bool RAnimation::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_FRAMES: frames = intValue(t); return true;
        case TTPAR_FPS: fps = floatValue(t); return true;
        case TTPAR_MODE: mode = flagList(t, mode, false); return true;
        default: return RSprite::ReadParameter(t);
    }
}

uintptr_t RAnimation::Acquire(ResourceManager* manager) {
    if (resource) return resource;
    // Animation works frame positions out in int pixels. The script's values are kept
    // within a range that no texture comes near, so that none of those sums can
    // overflow; a strip of no frames has nothing to show and is given one.
    static constexpr float LIMIT = 16777216.0f;
    auto fit = [](float v) { return std::clamp(v, -LIMIT, LIMIT); };
    int count = std::clamp(frames, 1, 1 << 24);
    Animation* a = new Animation(manager->TextureByName(texname, resgroup), count, fps, fit(tx), fit(ty),
                                 fit(w), fit(h));
    applySpriteFields(a, *this);
    a->SetPlayMode(mode);
    resource = reinterpret_cast<uintptr_t>(a);
    return resource;
}

void RAnimation::Release() {
    delete reinterpret_cast<Animation*>(resource);
    resource = 0;
}

// ---------------------------------------------------------------------------------
// Font

bool RFont::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_MIPMAP: mipmap = boolValue(t); return true;
        case TTPAR_BLENDMODE: blend = flagList(t, blend, true); return true;
        case TTPAR_COLOR: color = colorValue(t); return true;
        case TTPAR_ZORDER: z = floatValue(t); return true;
        case TTPAR_SCALE: scale = floatValue(t); return true;
        case TTPAR_PROPORTION: proportion = floatValue(t); return true;
        case TTPAR_ROTATION: rotation = floatValue(t); return true;
        case TTPAR_TRACKING: tracking = floatValue(t); return true;
        case TTPAR_SPACING: spacing = floatValue(t); return true;
        default: return RFileRecord::ReadParameter(t);
    }
}

uintptr_t RFont::Acquire(ResourceManager*) {
    if (resource) return resource;
    Font* f = new Font(filename, mipmap);
    f->SetColor(color);
    f->SetZ(z);
    f->SetBlendMode(blend);
    f->scale = scale;
    f->proportion = proportion;
    f->rotation = rotation;
    f->tracking = tracking;
    f->spacing = spacing;
    resource = reinterpret_cast<uintptr_t>(f);
    return resource;
}

void RFont::Release() {
    delete reinterpret_cast<Font*>(resource);
    resource = 0;
}

// ---------------------------------------------------------------------------------
// Particle system, distortion mesh, string table

bool RParticle::ReadParameter(ScriptTokenizer& t) {
    if (t.kind() == TTPAR_SPRITE) {
        stringValue(t, spritename);
        return true;
    }
    return RFileRecord::ReadParameter(t);
}

uintptr_t RParticle::Acquire(ResourceManager* manager) {
    if (resource) return resource;
    uint32_t size = 0;
    void* settings = engine_->Resource_Load(filename, &size);
    if (!settings) return 0;
    ParticleSystem* ps = new ParticleSystem(settings, size, manager->SpriteByName(spritename));
    engine_->Resource_Free(settings);
    resource = reinterpret_cast<uintptr_t>(ps);
    return resource;
}

void RParticle::Release() {
    delete reinterpret_cast<ParticleSystem*>(resource);
    resource = 0;
}

bool RDistort::ReadParameter(ScriptTokenizer& t) {
    switch (t.kind()) {
        case TTPAR_TEXTURE: stringValue(t, texname); return true;
        case TTPAR_RECT: rectValue(t, tx, ty, w, h); return true;
        case TTPAR_BLENDMODE: blend = flagList(t, blend, true); return true;
        case TTPAR_COLOR: color = colorValue(t); return true;
        case TTPAR_ZORDER: z = floatValue(t); return true;
        case TTPAR_MESH: {
            // One point a side is still a grid; less, or more points than a mesh may
            // hold, is refused here so that acquiring the mesh cannot fail on it.
            int c = intValue(t), r = intValue(t);
            if (c < 1 || r < 1 || c > DISTORTION_MAX_POINTS / r) {
                t.report("Unsupported value ", ".");
            } else {
                cols = c;
                rows = r;
            }
            return true;
        }
        default: return ResourceRecord::ReadParameter(t);
    }
}

uintptr_t RDistort::Acquire(ResourceManager* manager) {
    if (resource) return resource;
    TextureHandle tex = manager->TextureByName(texname, resgroup);
    float texW = tex ? static_cast<float>(engine_->Texture_Width(tex, false)) : 1.0f;
    float texH = tex ? static_cast<float>(engine_->Texture_Height(tex, false)) : 1.0f;
    DistortionMesh* mesh = DistortionMesh::create(cols, rows, tex, texW, texH, tx, ty, w, h);
    if (!mesh) return 0;
    mesh->SetBlendMode(blend);
    mesh->SetColor(color);
    mesh->SetZ(z);
    resource = reinterpret_cast<uintptr_t>(mesh);
    return resource;
}

void RDistort::Release() {
    delete reinterpret_cast<DistortionMesh*>(resource);
    resource = 0;
}

uintptr_t RStringTable::Acquire(ResourceManager*) {
    if (resource) return resource;
    uint32_t size = 0;
    void* text = engine_->Resource_Load(filename, &size);
    if (!text) return 0;
    StringTable* table = new StringTable(engine_, filename, static_cast<const char*>(text), size);
    engine_->Resource_Free(text);
    resource = reinterpret_cast<uintptr_t>(table);
    return resource;
}

void RStringTable::Release() {
    delete reinterpret_cast<StringTable*>(resource);
    resource = 0;
}
