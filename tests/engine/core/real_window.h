// An Engine with a real window on a private X server (see PrivateXServer), drawing
// a 640 x 480 picture in which every pixel differs, so that a screen grab tells
// exactly where the picture is and at what scale.
#pragma once

#include "engine/core/engine_impl.h"
#include "tests/support/x_server.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace realwindow {

constexpr int W = 640;
constexpr int H = 480;

inline uint32_t patternPixel(int x, int y) {
    return static_cast<uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x >> 8) << 4) | (y >> 8));
}

// Counts of what the loop did, for the callbacks (plain functions).
struct Counters {
    int frames = 0;
    int framesToRun = 1;
    int renders = 0;
    int exitAsks = 0;
    int framesWithKeyA = 0;
    int restores = 0;
    bool exitAnswer = true;
    TextureHandle picture = 0;
};
inline Counters g;

inline bool frameFunc() {
    if (engineImpl()->Input_KeyPressed('A')) ++g.framesWithKeyA;
    return ++g.frames > g.framesToRun;
}
inline bool renderFunc() {
    ++g.renders;
    Engine* e = engineImpl();
    if (!e->Gfx_BeginScene(0)) return false;
    Quad q;
    q.v[0] = Vertex{0, 0, 0.5f, 0xFFFFFFFF, 0, 0};
    q.v[1] = Vertex{W, 0, 0.5f, 0xFFFFFFFF, 1, 0};
    q.v[2] = Vertex{W, H, 0.5f, 0xFFFFFFFF, 1, 1};
    q.v[3] = Vertex{0, H, 0.5f, 0xFFFFFFFF, 0, 1};
    q.tex = g.picture;
    q.blend = BLEND_DEFAULT;
    e->Gfx_DrawQuad(&q);
    e->Gfx_EndScene();
    return false;
}
inline bool restoreFunc() {
    ++g.restores;
    return true;
}
inline bool exitFunc() {
    ++g.exitAsks;
    return g.exitAnswer;
}

class RealWindowTest : public ::testing::Test {
protected:
    // wm as for PrivateXServer; a 1280 x 1024 screen fits the picture twice over.
    void start(const char* wm, int width = 1280, int height = 1024) {
        startServer(wm, width, height);
        if (!HasFatalFailure()) startEngine();
    }
    void startServer(const char* wm, int width = 1280, int height = 1024) {
        x = std::make_unique<PrivateXServer>(width, height, wm);
        ASSERT_EQ(x->failure(), "");
    }
    void startEngine(WindowHandle parent = nullptr) {
        g = Counters{};
        if (!engine) engine = engineCreate(ENGINE_VERSION);
        engine->System_SetState(STATE_TITLE, "window test");
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_SCREEN_WIDTH, W);
        engine->System_SetState(STATE_SCREEN_HEIGHT, H);
        engine->System_SetState(STATE_SOUND, false);
        engine->System_SetState(STATE_TEXTURE_FILTER, false);
        engine->System_SetState(STATE_HIDE_CURSOR, false);
        // No window manager gives the focus: frames must run all the same.
        engine->System_SetState(STATE_RUN_INACTIVE, true);
        engine->System_SetState(STATE_FRAME_FUNC, frameFunc);
        engine->System_SetState(STATE_RENDER_FUNC, renderFunc);
        engine->System_SetState(STATE_EXIT_FUNC, exitFunc);
        engine->System_SetState(STATE_RESTORE_FUNC, restoreFunc);
        if (parent) engine->System_SetState(STATE_PARENT_WINDOW, parent);
        initiated = engine->System_Initiate();
        if (!initiated) return;
        g.picture = engine->Texture_Create(W, H);
        uint32_t* p = engine->Texture_Lock(g.picture, false);
        ASSERT_NE(p, nullptr);
        for (int y = 0; y < H; ++y) {
            for (int i = 0; i < W; ++i) p[y * W + i] = 0xFF000000u | patternPixel(i, y);
        }
        engine->Texture_Unlock(g.picture);
    }
    void TearDown() override {
        if (engine) engine->Release();
        engine = nullptr;
        x.reset();
    }

    PrivateXServer::WindowId xid() {
        return PrivateXServer::idOf(static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW)));
    }
    // Runs the loop for n frames (each drawn) and returns.
    void runFrames(int n) {
        g.frames = 0;
        g.framesToRun = n;
        engine->System_Start();
    }
    // Takes the waiting events without drawing anything.
    void pumpOnly() { runFrames(0); }

    // How many pixels of the screen rectangle r differ from the picture drawn at
    // (r.x, r.y) with the given whole-number scale; outside the picture black.
    long picturePixelsWrong(int scale, int px, int py, int gx, int gy, int gw, int gh) {
        std::vector<uint32_t> shot = x->grab(gx, gy, gw, gh);
        long wrong = 0;
        for (int j = 0; j < gh; ++j) {
            for (int i = 0; i < gw; ++i) {
                int u = (gx + i - px), v = (gy + j - py);
                bool inside = u >= 0 && v >= 0 && u < W * scale && v < H * scale;
                uint32_t want = inside ? patternPixel(u / scale, v / scale) : 0;
                if (shot[static_cast<size_t>(j) * gw + i] != want) ++wrong;
            }
        }
        return wrong;
    }
    bool viewable() { return x->viewable(xid()); }
    long windowPictureWrong() {
        PrivateXServer::Rect r = x->rect(xid());
        return picturePixelsWrong(1, r.x, r.y, r.x, r.y, W, H);
    }

    std::unique_ptr<PrivateXServer> x;
    Engine* engine = nullptr;
    bool initiated = false;
};

// The same test with no window manager ("none") and with the ones named.
class UnderWindowManager : public RealWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    const char* wm() const { return std::string(GetParam()) == "none" ? nullptr : GetParam(); }
};

// Where a click at window pixel (x, y) lands in the picture.
inline std::pair<float, float> clickAt(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    engineImpl()->input().clearFrame();
    engineImpl()->dispatchEvent(e);
    InputEvent ev{};
    engineImpl()->Input_NextEvent(&ev);
    return {ev.x, ev.y};
}

}  // namespace realwindow
