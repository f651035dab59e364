// The graphics group behind one interface, with a backend per folder: gl/ draws
// through OpenGL 3.3, null/ accepts every call and draws nothing (headless).
#pragma once

#include "engine/core/context.h"

#include <memory>

// What a renderer has done since start() (or the last resetStats()), and its clip
// rectangle: tools and tests read it to check the batching rules.
struct GraphicsStats {
    long batches = 0;          // non-empty batches handed to the device
    long primitives = 0;       // primitives in them
    long blendBitChanges = 0;  // blend bits sent to the device (only changed bits are sent)
    int lastBatchType = 0;     // primitive type and size of the last batch drawn
    int lastBatchCount = 0;
    int clipX = 0, clipY = 0, clipW = 0, clipH = 0;  // the current target's drawable rectangle
    uint64_t presentUs = 0;    // time spent showing finished pictures, microseconds
};

class Graphics {
public:
    virtual ~Graphics() = default;

    // From System_Initiate, after the window exists. Posts the error text on failure.
    virtual bool start() = 0;
    // From System_Finish: frees every texture and target still held.
    virtual void shutdown() = 0;
    // The device-reset path: re-creates render-target textures after a window-mode
    // change, then calls the restore callback and returns its result.
    virtual bool reset() = 0;
    // STATE_TEXTURE_FILTER changed: draws the open batch and switches filtering.
    virtual void setTextureFilter(bool linear) = 0;
    virtual bool sceneOpen() const = 0;
    // The window was uncovered: shows the last finished picture again (the render
    // callback is not asked to draw out of turn).
    virtual void showLastPicture() = 0;
    // Writes the back buffer as a BMP file; false when there is nothing to save.
    virtual bool saveScreenshot(const char* path) = 0;

    virtual bool beginScene(TargetHandle target) = 0;
    virtual void endScene() = 0;
    virtual void flush() = 0;
    virtual void clear(uint32_t color) = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2, uint32_t color, float z) = 0;
    virtual void drawTriangle(const Triple* triple) = 0;
    virtual void drawQuad(const Quad* quad) = 0;
    virtual Vertex* openBatch(int primType, TextureHandle texture, int blend, int* maxPrims) = 0;
    virtual void closeBatch(int primCount) = 0;
    virtual void setClipRect(int x, int y, int w, int h) = 0;
    virtual void setViewTransform(float x, float y, float dx, float dy, float rot, float hscale,
                                  float vscale) = 0;
    virtual void drawRect(float x, float y, float w, float h, uint32_t color) = 0;
    virtual void* device() = 0;

    virtual TargetHandle targetCreate(int width, int height, bool zbuffer) = 0;
    virtual void targetFree(TargetHandle target) = 0;
    virtual TextureHandle targetTexture(TargetHandle target) = 0;

    virtual TextureHandle textureCreate(int width, int height) = 0;
    virtual TextureHandle textureLoad(const char* filename, uint32_t size, bool mipmap) = 0;
    virtual void textureFree(TextureHandle texture) = 0;
    virtual int textureWidth(TextureHandle texture, bool asLoaded) = 0;
    virtual int textureHeight(TextureHandle texture, bool asLoaded) = 0;
    virtual uint32_t* textureLock(TextureHandle texture, bool readOnly, int left, int top, int width,
                                  int height) = 0;
    virtual void textureUnlock(TextureHandle texture) = 0;

    // Test and tool seams.
    virtual const GraphicsStats& stats() const = 0;
    virtual void resetStats() = 0;
    // Reads w x h pixels at (x, y) of a target (0 = the screen's back buffer) as ARGB,
    // top row first, drawing the open batch first. False when nothing can be read
    // (the headless renderer keeps no pixels).
    virtual bool readPixels(TargetHandle target, int x, int y, int w, int h, uint32_t* out) = 0;
};

std::unique_ptr<Graphics> createGlGraphics(EngineContext& ctx);
std::unique_ptr<Graphics> createNullGraphics(EngineContext& ctx);
