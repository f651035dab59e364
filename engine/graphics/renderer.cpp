#include "engine/graphics/renderer.h"

#include "engine/graphics/image_decode.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

int bitCount(int bits) {
    int n = 0;
    for (int b = bits & 7; b; b >>= 1) n += b & 1;
    return n;
}

}  // namespace

PictureRect fitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight, int block) {
    // A block that does not divide the picture is no block.
    if (block < 1 || pictureWidth % block != 0 || pictureHeight % block != 0) block = 1;
    const int unitWidth = pictureWidth / block, unitHeight = pictureHeight / block;
    if (unitWidth <= 0 || unitHeight <= 0) return PictureRect{0, 0, 0, 0, true};
    float scale = std::min(static_cast<float>(areaWidth) / static_cast<float>(unitWidth),
                           static_cast<float>(areaHeight) / static_cast<float>(unitHeight));
    bool whole = scale >= 1.0f;
    if (whole) scale = std::floor(scale);
    int w = static_cast<int>(static_cast<float>(unitWidth) * scale);
    int h = static_cast<int>(static_cast<float>(unitHeight) * scale);
    return PictureRect{(areaWidth - w) / 2, (areaHeight - h) / 2, w, h, whole};
}

Renderer::Renderer(EngineContext& ctx) : ctx_(ctx) {}

Renderer::~Renderer() = default;

void Renderer::resetDrawingState() {
    primCount_ = 0;
    primType_ = PRIM_QUADS;
    blend_ = BLEND_DEFAULT;
    texture_ = 0;
    scene_ = false;
    currentTarget_ = 0;
    view_ = Affine2D{};
    transformDirty_ = true;
    int w = 0, h = 0;
    currentTargetSize(&w, &h);
    stats_.clipX = stats_.clipY = 0;
    stats_.clipW = w;
    stats_.clipH = h;
}

void Renderer::freeAll() {
    scene_ = false;
    primCount_ = 0;
    for (TargetHandle h : targets_.handles()) targetFree(h);
    for (TextureHandle h : textures_.handles()) textureFree(h);
    currentTarget_ = 0;
}

void Renderer::resetStats() {
    int x = stats_.clipX, y = stats_.clipY, w = stats_.clipW, h = stats_.clipH;
    stats_ = GraphicsStats{};
    stats_.clipX = x;
    stats_.clipY = y;
    stats_.clipW = w;
    stats_.clipH = h;
}

void Renderer::currentTargetSize(int* w, int* h) const {
    if (TargetRecord* t = targets_.get(currentTarget_)) {
        *w = t->width;
        *h = t->height;
    } else {
        *w = ctx_.screenWidth;
        *h = ctx_.screenHeight;
    }
}

bool Renderer::validSize(int w, int h) const {
    int max = deviceMaxTextureSize();
    return w > 0 && h > 0 && w <= max && h <= max;
}

// ---------------------------------------------------------------------------------
// Scenes and batches.

void Renderer::renderBatch() {
    if (primCount_ <= 0) return;
    applyTransform();
    deviceDraw(primType_, primCount_, vertices_, textures_.get(texture_));
    ++stats_.batches;
    stats_.primitives += primCount_;
    stats_.lastBatchType = primType_;
    stats_.lastBatchCount = primCount_;
    primCount_ = 0;
}

void Renderer::setBlend(int blend) {
    int changed = blend_ ^ blend;
    if (!changed) return;
    deviceSetBlend(changed, blend);
    stats_.blendBitChanges += bitCount(changed);
    blend_ = blend;
}

void Renderer::applyTransform() {
    if (!transformDirty_) return;
    int w = 0, h = 0;
    currentTargetSize(&w, &h);
    deviceSetTransform(view_, w, h);
    transformDirty_ = false;
}

bool Renderer::beginScene(TargetHandle target) {
    if (scene_) {
        ctx_.postError("Gfx_BeginScene: Scene is already being rendered");
        return false;
    }
    if (target != currentTarget_) {
        TargetRecord* record = nullptr;
        if (target) {
            record = targets_.get(target);
            if (!record) {
                ctx_.postError("Gfx_BeginScene: Can't set render target");
                return false;
            }
        }
        if (!deviceSetTarget(record)) {
            ctx_.postError("Gfx_BeginScene: Can't set render target");
            return false;
        }
        // A new target draws whole and untransformed, as a device does after switching.
        currentTarget_ = target;
        view_ = Affine2D{};
        transformDirty_ = true;
        int w = 0, h = 0;
        currentTargetSize(&w, &h);
        deviceSetClip(0, 0, w, h, true);
        stats_.clipX = stats_.clipY = 0;
        stats_.clipW = w;
        stats_.clipH = h;
    }
    primCount_ = 0;
    scene_ = true;
    return true;
}

void Renderer::endScene() {
    if (!scene_) return;
    renderBatch();
    scene_ = false;
    if (!currentTarget_) {
        using std::chrono::steady_clock;
        const steady_clock::time_point start = steady_clock::now();
        devicePresent();
        stats_.presentUs += static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(steady_clock::now() - start).count());
    }
}

void Renderer::flush() {
    if (scene_) renderBatch();
}

void Renderer::clear(uint32_t color) {
    // Primitives waiting in the batch were drawn before the clear, so it covers them.
    if (scene_) renderBatch();
    TargetRecord* t = targets_.get(currentTarget_);
    deviceClear(color, t ? t->depth : ctx_.zbuffer);
}

void Renderer::drawLine(float x1, float y1, float x2, float y2, uint32_t color, float z) {
    if (!scene_) return;
    if (primType_ != PRIM_LINES || primCount_ >= VERTEX_BUFFER_SIZE / PRIM_LINES || texture_ != 0 ||
        blend_ != BLEND_DEFAULT) {
        renderBatch();
        primType_ = PRIM_LINES;
        setBlend(BLEND_DEFAULT);
        texture_ = 0;
    }
    Vertex* v = &vertices_[primCount_ * PRIM_LINES];
    v[0] = Vertex{x1, y1, z, color, 0.0f, 0.0f};
    v[1] = Vertex{x2, y2, z, color, 0.0f, 0.0f};
    ++primCount_;
}

void Renderer::drawTriangle(const Triple* triple) {
    if (!scene_ || !triple) return;
    if (primType_ != PRIM_TRIPLES || primCount_ >= VERTEX_BUFFER_SIZE / PRIM_TRIPLES ||
        texture_ != triple->tex || blend_ != triple->blend) {
        renderBatch();
        primType_ = PRIM_TRIPLES;
        setBlend(triple->blend);
        texture_ = triple->tex;
    }
    std::memcpy(&vertices_[primCount_ * PRIM_TRIPLES], triple->v, sizeof(triple->v));
    ++primCount_;
}

void Renderer::drawQuad(const Quad* quad) {
    if (!scene_ || !quad) return;
    if (primType_ != PRIM_QUADS || primCount_ >= VERTEX_BUFFER_SIZE / PRIM_QUADS || texture_ != quad->tex ||
        blend_ != quad->blend) {
        renderBatch();
        primType_ = PRIM_QUADS;
        setBlend(quad->blend);
        texture_ = quad->tex;
    }
    std::memcpy(&vertices_[primCount_ * PRIM_QUADS], quad->v, sizeof(quad->v));
    ++primCount_;
}

Vertex* Renderer::openBatch(int primType, TextureHandle texture, int blend, int* maxPrims) {
    if (!scene_) return nullptr;
    if (primType != PRIM_LINES && primType != PRIM_TRIPLES && primType != PRIM_QUADS) return nullptr;
    renderBatch();
    primType_ = primType;
    setBlend(blend);
    texture_ = texture;
    if (maxPrims) *maxPrims = VERTEX_BUFFER_SIZE / primType;
    return vertices_;
}

void Renderer::closeBatch(int primCount) {
    if (!scene_) return;
    int max = VERTEX_BUFFER_SIZE / primType_;
    primCount_ = primCount < 0 ? 0 : primCount > max ? max : primCount;
}

void Renderer::setClipRect(int x, int y, int w, int h) {
    int tw = 0, th = 0;
    currentTargetSize(&tw, &th);
    bool whole = w == 0;
    if (whole) {
        x = y = 0;
        w = tw;
        h = th;
    } else {
        if (x < 0) {
            w += x;
            x = 0;
        }
        if (y < 0) {
            h += y;
            y = 0;
        }
        if (x + w > tw) w = tw - x;
        if (y + h > th) h = th - y;
        // A rectangle wholly outside the target leaves nothing to draw into.
        if (w < 0) w = 0;
        if (h < 0) h = 0;
    }
    if (scene_) renderBatch();
    deviceSetClip(x, y, w, h, whole);
    stats_.clipX = x;
    stats_.clipY = y;
    stats_.clipW = w;
    stats_.clipH = h;
}

void Renderer::setViewTransform(float x, float y, float dx, float dy, float rot, float hscale, float vscale) {
    if (scene_) renderBatch();
    Affine2D m;
    if (vscale != 0.0f) {
        // p' = R(-rot) * S * (p - (x, y)) + (x + dx, y + dy); R(-rot) maps (u, v) to
        // (u cos + v sin, -u sin + v cos).
        float c = std::cos(rot), s = std::sin(rot);
        m.a = hscale * c;
        m.b = vscale * s;
        m.c = -hscale * s;
        m.d = vscale * c;
        m.tx = x + dx - (m.a * x + m.b * y);
        m.ty = y + dy - (m.c * x + m.d * y);
    }
    view_ = m;
    transformDirty_ = true;
}

void Renderer::drawRect(float x, float y, float w, float h, uint32_t color) {
    Quad q;
    q.v[0] = Vertex{x, y, 0.0f, color, 0.0f, 0.0f};
    q.v[1] = Vertex{x + w, y, 0.0f, color, 0.0f, 0.0f};
    q.v[2] = Vertex{x + w, y + h, 0.0f, color, 0.0f, 0.0f};
    q.v[3] = Vertex{x, y + h, 0.0f, color, 0.0f, 0.0f};
    q.tex = 0;
    q.blend = BLEND_DEFAULT;
    drawQuad(&q);
}

void Renderer::setTextureFilter(bool linear) {
    if (scene_) renderBatch();
    deviceSetFilter(linear);
}

// ---------------------------------------------------------------------------------
// Render targets.

TargetHandle Renderer::targetCreate(int width, int height, bool zbuffer) {
    if (!validSize(width, height)) {
        ctx_.postError("Can't create render target texture");
        return 0;
    }
    TextureRecord* tex = nullptr;
    TextureHandle texHandle = textures_.add(&tex);
    TargetRecord* target = nullptr;
    TargetHandle handle = texHandle ? targets_.add(&target) : 0;
    if (!handle) {
        textures_.remove(texHandle);
        ctx_.postError("Can't create render target texture");
        return 0;
    }
    tex->width = width;
    tex->height = height;
    tex->ofTarget = true;
    target->width = width;
    target->height = height;
    target->depth = zbuffer;
    target->texture = texHandle;
    TargetResult result = deviceCreateTarget(*target, *tex);
    if (result != TargetResult::Ok) {
        targets_.remove(handle);
        textures_.remove(texHandle);
        ctx_.postError(result == TargetResult::NoDepth ? "Can't create render target depth buffer"
                                                       : "Can't create render target texture");
        return 0;
    }
    return handle;
}

void Renderer::targetFree(TargetHandle handle) {
    TargetRecord* target = targets_.get(handle);
    if (!target) return;
    if (handle == currentTarget_) {
        // Whatever waits in the batch belongs to this target; drawing moves to the screen.
        if (scene_) renderBatch();
        deviceSetTarget(nullptr);
        currentTarget_ = 0;
        view_ = Affine2D{};
        transformDirty_ = true;
        deviceSetClip(0, 0, ctx_.screenWidth, ctx_.screenHeight, true);
        stats_.clipX = stats_.clipY = 0;
        stats_.clipW = ctx_.screenWidth;
        stats_.clipH = ctx_.screenHeight;
    }
    TextureRecord* tex = textures_.get(target->texture);
    if (tex) {
        if (texture_ == target->texture) {
            if (scene_) renderBatch();
            texture_ = 0;
        }
        deviceDestroyTarget(*target, *tex);
        textures_.remove(target->texture);
    }
    targets_.remove(handle);
}

TextureHandle Renderer::targetTexture(TargetHandle handle) {
    TargetRecord* target = targets_.get(handle);
    return target ? target->texture : 0;
}

// ---------------------------------------------------------------------------------
// Textures.

TextureHandle Renderer::textureCreate(int width, int height) {
    if (!validSize(width, height)) {
        ctx_.postError("Can't create texture");
        return 0;
    }
    TextureRecord* tex = nullptr;
    TextureHandle handle = textures_.add(&tex);
    if (!handle) {
        ctx_.postError("Can't create texture");
        return 0;
    }
    tex->width = width;
    tex->height = height;
    if (!deviceCreateTexture(*tex, nullptr)) {
        textures_.remove(handle);
        ctx_.postError("Can't create texture");
        return 0;
    }
    return handle;
}

TextureHandle Renderer::textureLoad(const char* filename, uint32_t size, bool mipmap) {
    const void* data = filename;
    void* fileData = nullptr;
    if (size == 0) {
        if (!filename) {
            ctx_.postError("Can't create texture");
            return 0;
        }
        // Resource_Load posts its own error when the file cannot be read.
        fileData = ctx_.engine->Resource_Load(filename, &size);
        if (!fileData) return 0;
        data = fileData;
    }
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    bool decoded = decodeImage(data, size, pixels, &width, &height);
    if (fileData) ctx_.engine->Resource_Free(fileData);
    if (!decoded || !validSize(width, height)) {
        ctx_.postError("Can't create texture");
        return 0;
    }
    TextureRecord* tex = nullptr;
    TextureHandle handle = textures_.add(&tex);
    if (!handle) {
        ctx_.postError("Can't create texture");
        return 0;
    }
    tex->width = tex->loadedWidth = width;
    tex->height = tex->loadedHeight = height;
    tex->listed = true;
    tex->mipmap = mipmap;
    if (!deviceCreateTexture(*tex, pixels.data())) {
        textures_.remove(handle);
        ctx_.postError("Can't create texture");
        return 0;
    }
    return handle;
}

void Renderer::textureFree(TextureHandle handle) {
    TextureRecord* tex = textures_.get(handle);
    // A target's texture goes with its target.
    if (!tex || tex->ofTarget) return;
    if (texture_ == handle) {
        if (scene_) renderBatch();
        texture_ = 0;
    }
    deviceDestroyTexture(*tex);
    textures_.remove(handle);
}

int Renderer::textureWidth(TextureHandle handle, bool asLoaded) {
    TextureRecord* tex = textures_.get(handle);
    if (!tex) return 0;
    return asLoaded ? tex->loadedWidth : tex->width;
}

int Renderer::textureHeight(TextureHandle handle, bool asLoaded) {
    TextureRecord* tex = textures_.get(handle);
    if (!tex) return 0;
    return asLoaded ? tex->loadedHeight : tex->height;
}

uint32_t* Renderer::textureLock(TextureHandle handle, bool readOnly, int left, int top, int width, int height) {
    TextureRecord* tex = textures_.get(handle);
    if (!tex || tex->locked) {
        ctx_.postError("Can't lock texture");
        return nullptr;
    }
    if (width == 0 || height == 0) {
        left = top = 0;
        width = tex->width;
        height = tex->height;
    } else if (left < 0 || top < 0 || width < 0 || height < 0 || left > tex->width - width ||
               top > tex->height - height) {
        ctx_.postError("Can't lock texture");
        return nullptr;
    }
    // What waits in the batch may draw into this texture (a target's): draw it first.
    if (scene_ && tex->ofTarget) renderBatch();
    size_t count = static_cast<size_t>(tex->width) * static_cast<size_t>(tex->height);
    if (tex->pixels.size() != count) tex->pixels.assign(count, 0u);
    if (!deviceReadTexture(*tex)) {
        ctx_.postError("Can't lock texture");
        return nullptr;
    }
    tex->locked = true;
    tex->lockReadOnly = readOnly;
    tex->lockX = left;
    tex->lockY = top;
    tex->lockW = width;
    tex->lockH = height;
    return &tex->pixels[static_cast<size_t>(top) * tex->width + left];
}

void Renderer::textureUnlock(TextureHandle handle) {
    TextureRecord* tex = textures_.get(handle);
    if (!tex || !tex->locked) return;
    tex->locked = false;
    if (!tex->lockReadOnly) deviceWriteTexture(*tex, tex->lockX, tex->lockY, tex->lockW, tex->lockH);
}

bool Renderer::readPixels(TargetHandle target, int x, int y, int w, int h, uint32_t* out) {
    TargetRecord* record = nullptr;
    int tw = ctx_.screenWidth, th = ctx_.screenHeight;
    if (target) {
        record = targets_.get(target);
        if (!record) return false;
        tw = record->width;
        th = record->height;
    }
    if (!out || x < 0 || y < 0 || w <= 0 || h <= 0 || x > tw - w || y > th - h) return false;
    if (scene_ && target == currentTarget_) renderBatch();
    return deviceReadPixels(record, x, y, w, h, out);
}
