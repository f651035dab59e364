// The headless renderer: every call is accepted and batched as on a device, nothing is
// drawn. Textures keep their pixels in memory (a lock sees what was loaded or written),
// targets keep their sizes.
#include "engine/graphics/renderer.h"

#include <algorithm>
#include <cstring>

namespace {

class NullGraphics final : public Renderer {
public:
    explicit NullGraphics(EngineContext& ctx) : Renderer(ctx) {}
    ~NullGraphics() override { freeAll(); }

    bool start() override {
        resetDrawingState();
        return true;
    }
    void shutdown() override { freeAll(); }
    bool reset() override {
        resetDrawingState();
        return ctx_.restoreFunc ? ctx_.restoreFunc() : true;
    }
    bool saveScreenshot(const char*) override { return false; }
    void* device() override { return nullptr; }

protected:
    int deviceMaxTextureSize() const override { return 8192; }
    bool deviceCreateTexture(TextureRecord& tex, const uint32_t* pixels) override {
        // Blank textures get their memory on the first lock.
        if (pixels) tex.pixels.assign(pixels, pixels + static_cast<size_t>(tex.width) * tex.height);
        return true;
    }
    void deviceDestroyTexture(TextureRecord&) override {}
    bool deviceReadTexture(TextureRecord&) override { return true; }  // memory is the only copy
    void deviceWriteTexture(TextureRecord&, int, int, int, int) override {}
    TargetResult deviceCreateTarget(TargetRecord&, TextureRecord&) override { return TargetResult::Ok; }
    void deviceDestroyTarget(TargetRecord&, TextureRecord&) override {}
    bool deviceSetTarget(TargetRecord*) override { return true; }
    void deviceSetClip(int, int, int, int, bool) override {}
    void deviceSetTransform(const Affine2D&, int, int) override {}
    void deviceSetBlend(int, int) override {}
    void deviceDraw(int, int, const Vertex*, TextureRecord*) override {}
    void deviceClear(uint32_t, bool) override {}
    void devicePresent() override {}
    void deviceSetFilter(bool) override {}
    bool deviceReadPixels(TargetRecord*, int, int, int, int, uint32_t*) override { return false; }
};

}  // namespace

std::unique_ptr<Graphics> createNullGraphics(EngineContext& ctx) { return std::make_unique<NullGraphics>(ctx); }
