// What both renderers share: the texture and target records behind the handles, the
// batching rules, the blend-bit bookkeeping, the clip arithmetic, the view transform
// and texture locking. A backend only turns the device calls below into work.
#pragma once

#include "engine/graphics/graphics.h"

#include <memory>
#include <vector>

struct TextureRecord {
    int width = 0, height = 0;              // as stored
    int loadedWidth = 0, loadedHeight = 0;  // as loaded; 0 unless made by Texture_Load
    bool listed = false;                    // made by Texture_Load
    bool ofTarget = false;                  // the colour texture of a render target
    bool mipmap = false;
    bool locked = false;
    bool lockReadOnly = false;
    int lockX = 0, lockY = 0, lockW = 0, lockH = 0;
    // The memory copy a lock hands out (the headless renderer's only copy).
    std::vector<uint32_t> pixels;
    uint32_t deviceTexture = 0;
};

struct TargetRecord {
    int width = 0, height = 0;
    bool depth = false;
    TextureHandle texture = 0;
    uint32_t deviceFramebuffer = 0;
    uint32_t deviceDepth = 0;
};

// Handles name slots of a table; the slot's generation is part of the handle, so a
// stale or made-up handle finds nothing instead of another object.
template <class T>
class HandleTable {
public:
    uintptr_t add(T** out) {
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = static_cast<uint32_t>(slots_.size());
            if (index >= INDEX_MASK) return 0;
            slots_.push_back(Slot{});
        }
        Slot& s = slots_[index];
        s.item = std::make_unique<T>();
        *out = s.item.get();
        return (static_cast<uintptr_t>(s.generation) << INDEX_BITS) | (index + 1);
    }
    T* get(uintptr_t handle) const {
        uint32_t index = static_cast<uint32_t>(handle & INDEX_MASK);
        if (index == 0 || index > slots_.size()) return nullptr;
        const Slot& s = slots_[index - 1];
        if (!s.item || (handle >> INDEX_BITS) != s.generation) return nullptr;
        return s.item.get();
    }
    void remove(uintptr_t handle) {
        if (!get(handle)) return;
        uint32_t index = static_cast<uint32_t>(handle & INDEX_MASK) - 1;
        Slot& s = slots_[index];
        s.item.reset();
        s.generation = s.generation % GENERATION_MAX + 1;
        free_.push_back(index);
    }
    // Every live handle, newest slot last.
    std::vector<uintptr_t> handles() const {
        std::vector<uintptr_t> out;
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i].item) {
                out.push_back((static_cast<uintptr_t>(slots_[i].generation) << INDEX_BITS) | (i + 1));
            }
        }
        return out;
    }

private:
    static constexpr int INDEX_BITS = 20;
    static constexpr uint32_t INDEX_MASK = (1u << INDEX_BITS) - 1;
    static constexpr uint32_t GENERATION_MAX = 2047;  // keeps handles within 31 bits
    struct Slot {
        std::unique_ptr<T> item;
        uint32_t generation = 1;
    };
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

// A 2D affine map: x' = a x + b y + tx, y' = c x + d y + ty.
struct Affine2D {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

// Where a picture goes in an area: scaled by the largest whole multiple of 1/block
// (the picture is made of block x block squares) that fits, or below 1/block of its
// size by the largest fraction that fits; aspect kept, centred.
struct PictureRect {
    int x, y, w, h;
    bool wholeScale;
};
PictureRect fitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight, int block = 1);

class Renderer : public Graphics {
public:
    explicit Renderer(EngineContext& ctx);
    ~Renderer() override;

    bool sceneOpen() const override { return scene_; }
    // The screen's own picture holds the last finished one until a scene on the
    // screen draws over it.
    void showLastPicture() override {
        if (!scene_) devicePresent();
    }
    void setTextureFilter(bool linear) override;

    bool beginScene(TargetHandle target) override;
    void endScene() override;
    void flush() override;
    void clear(uint32_t color) override;
    void drawLine(float x1, float y1, float x2, float y2, uint32_t color, float z) override;
    void drawTriangle(const Triple* triple) override;
    void drawQuad(const Quad* quad) override;
    Vertex* openBatch(int primType, TextureHandle texture, int blend, int* maxPrims) override;
    void closeBatch(int primCount) override;
    void setClipRect(int x, int y, int w, int h) override;
    void setViewTransform(float x, float y, float dx, float dy, float rot, float hscale,
                          float vscale) override;
    void drawRect(float x, float y, float w, float h, uint32_t color) override;

    TargetHandle targetCreate(int width, int height, bool zbuffer) override;
    void targetFree(TargetHandle target) override;
    TextureHandle targetTexture(TargetHandle target) override;

    TextureHandle textureCreate(int width, int height) override;
    TextureHandle textureLoad(const char* filename, uint32_t size, bool mipmap) override;
    void textureFree(TextureHandle texture) override;
    int textureWidth(TextureHandle texture, bool asLoaded) override;
    int textureHeight(TextureHandle texture, bool asLoaded) override;
    uint32_t* textureLock(TextureHandle texture, bool readOnly, int left, int top, int width,
                          int height) override;
    void textureUnlock(TextureHandle texture) override;

    const GraphicsStats& stats() const override { return stats_; }
    void resetStats() override;
    bool readPixels(TargetHandle target, int x, int y, int w, int h, uint32_t* out) override;

protected:
    enum class TargetResult { Ok, NoTexture, NoDepth };

    // --- The device, as a backend provides it. ---
    virtual int deviceMaxTextureSize() const = 0;
    // pixels: width x height ARGB rows, or null for a blank (zeroed) texture.
    virtual bool deviceCreateTexture(TextureRecord& tex, const uint32_t* pixels) = 0;
    virtual void deviceDestroyTexture(TextureRecord& tex) = 0;
    // Fills tex.pixels (already width x height) with the first level's contents.
    virtual bool deviceReadTexture(TextureRecord& tex) = 0;
    // Uploads a rectangle of tex.pixels.
    virtual void deviceWriteTexture(TextureRecord& tex, int x, int y, int w, int h) = 0;
    virtual TargetResult deviceCreateTarget(TargetRecord& target, TextureRecord& tex) = 0;
    virtual void deviceDestroyTarget(TargetRecord& target, TextureRecord& tex) = 0;
    // Makes a target (null: the screen) the place drawing goes; switches depth testing.
    virtual bool deviceSetTarget(TargetRecord* target) = 0;
    // The drawable rectangle of the current target, in its pixels (top-left origin).
    virtual void deviceSetClip(int x, int y, int w, int h, bool whole) = 0;
    // The view map and the current target's size; pixels are mapped onto it from there.
    virtual void deviceSetTransform(const Affine2D& view, int targetWidth, int targetHeight) = 0;
    // Sends the blend bits that changed; blend is the new mode.
    virtual void deviceSetBlend(int changedBits, int blend) = 0;
    // texture is null for untextured primitives (and for handles that name nothing).
    virtual void deviceDraw(int primType, int primCount, const Vertex* vertices, TextureRecord* texture) = 0;
    virtual void deviceClear(uint32_t color, bool depth) = 0;
    virtual void devicePresent() = 0;
    virtual void deviceSetFilter(bool linear) = 0;
    virtual bool deviceReadPixels(TargetRecord* target, int x, int y, int w, int h, uint32_t* out) = 0;

    // --- For the backends. ---
    // The batch state after the device's resources were made: no primitives, quads,
    // blend 2, no texture; drawing goes to the screen with no clip and no view.
    void resetDrawingState();
    // Frees every target and texture (shut-down).
    void freeAll();
    TextureRecord* textureRecord(TextureHandle h) const { return textures_.get(h); }
    TargetRecord* targetRecord(TargetHandle h) const { return targets_.get(h); }
    std::vector<TargetHandle> targetHandles() const { return targets_.handles(); }
    int screenWidth() const { return ctx_.screenWidth; }
    int screenHeight() const { return ctx_.screenHeight; }
    TargetHandle currentTarget() const { return currentTarget_; }

    EngineContext& ctx_;

private:
    void renderBatch();
    void setBlend(int blend);
    void applyTransform();
    void currentTargetSize(int* w, int* h) const;
    bool validSize(int w, int h) const;

    HandleTable<TextureRecord> textures_;
    HandleTable<TargetRecord> targets_;

    // The streaming vertex buffer: primitives are appended here and drawn in batches.
    Vertex vertices_[VERTEX_BUFFER_SIZE];
    int primCount_ = 0;
    int primType_ = PRIM_QUADS;
    int blend_ = BLEND_DEFAULT;
    TextureHandle texture_ = 0;
    bool scene_ = false;

    TargetHandle currentTarget_ = 0;
    Affine2D view_;
    bool transformDirty_ = true;
    GraphicsStats stats_;
};
