// Temporary: the renderers before their implementation lands. Delete with them.
#include "engine/graphics/graphics.h"

namespace {
class PlaceholderGraphics final : public Graphics {
public:
    bool start() override { return true; }
    void shutdown() override {}
    bool reset() override { return true; }
    void setTextureFilter(bool) override {}
    bool sceneOpen() const override { return scene_; }
    bool saveScreenshot(const char*) override { return false; }
    bool beginScene(TargetHandle) override { if (scene_) return false; scene_ = true; return true; }
    void endScene() override { scene_ = false; }
    void flush() override {}
    void clear(uint32_t) override {}
    void drawLine(float, float, float, float, uint32_t, float) override {}
    void drawTriangle(const Triple*) override {}
    void drawQuad(const Quad*) override {}
    Vertex* openBatch(int, TextureHandle, int, int*) override { return nullptr; }
    void closeBatch(int) override {}
    void setClipRect(int, int, int, int) override {}
    void setViewTransform(float, float, float, float, float, float, float) override {}
    void drawRect(float, float, float, float, uint32_t) override {}
    void* device() override { return nullptr; }
    TargetHandle targetCreate(int, int, bool) override { return 1; }
    void targetFree(TargetHandle) override {}
    TextureHandle targetTexture(TargetHandle) override { return 1; }
    TextureHandle textureCreate(int, int) override { return 1; }
    TextureHandle textureLoad(const char*, uint32_t, bool) override { return 1; }
    void textureFree(TextureHandle) override {}
    int textureWidth(TextureHandle, bool) override { return 0; }
    int textureHeight(TextureHandle, bool) override { return 0; }
    uint32_t* textureLock(TextureHandle, bool, int, int, int, int) override { return nullptr; }
    void textureUnlock(TextureHandle) override {}
private:
    bool scene_ = false;
};
}  // namespace

std::unique_ptr<Graphics> createGlGraphics(EngineContext&) { return std::make_unique<PlaceholderGraphics>(); }
std::unique_ptr<Graphics> createNullGraphics(EngineContext&) { return std::make_unique<PlaceholderGraphics>(); }
