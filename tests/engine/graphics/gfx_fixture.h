// Starting an Engine for graphics tests: headless, or with a real 640 x 480 window
// and OpenGL (under a virtual X server in CI).
#pragma once

#include "engine/core/engine_impl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

enum class Backend { Null, Gl };

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Gl ? "OpenGL" : "Headless";
}

// Null with *skip set when SDL video cannot start at all (no display); any other
// failure is a test failure.
inline Engine* startEngine(Backend backend, std::string* skip, const char* title = "graphics test",
                           bool sound = false) {
    Engine* e = backend == Backend::Gl ? engineCreate(ENGINE_VERSION) : engineCreateHeadless(ENGINE_VERSION);
    e->System_SetState(STATE_TITLE, title);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, 640);
    e->System_SetState(STATE_SCREEN_HEIGHT, 480);
    e->System_SetState(STATE_SOUND, sound);
    e->System_SetState(STATE_TEXTURE_FILTER, false);
    e->System_SetState(STATE_HIDE_CURSOR, false);
    if (e->System_Initiate()) return e;
    std::string error = e->System_LastError();
    e->Release();
    if (backend == Backend::Gl && (error == "Can't register window class" || error == "Can't create window")) {
        *skip = "SDL video cannot start (" + error + "); run under xvfb-run";
    } else {
        ADD_FAILURE() << "System_Initiate failed: " << error;
    }
    return nullptr;
}

class GfxTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        std::string skip;
        engine = startEngine(GetParam(), &skip);
        if (!engine) {
            if (!skip.empty()) GTEST_SKIP() << skip;
            FAIL() << "no engine";
        }
        gfx = engineImpl()->graphics();
        gfx->resetStats();
    }
    void TearDown() override {
        if (engine) engine->Release();
    }

    // A quad covering (x, y, w, h) with the whole texture.
    static Quad quad(float x, float y, float w, float h, TextureHandle tex, int blend = BLEND_DEFAULT,
                     uint32_t color = 0xFFFFFFFF, float z = 0.5f) {
        Quad q;
        q.v[0] = Vertex{x, y, z, color, 0, 0};
        q.v[1] = Vertex{x + w, y, z, color, 1, 0};
        q.v[2] = Vertex{x + w, y + h, z, color, 1, 1};
        q.v[3] = Vertex{x, y + h, z, color, 0, 1};
        q.tex = tex;
        q.blend = blend;
        return q;
    }

    // A texture filled with one colour per texel from f(x, y).
    template <class F>
    TextureHandle makeTexture(int w, int h, F f) {
        TextureHandle t = engine->Texture_Create(w, h);
        uint32_t* p = engine->Texture_Lock(t, false);
        if (!p) return t;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) p[y * w + x] = f(x, y);
        }
        engine->Texture_Unlock(t);
        return t;
    }

    std::vector<uint32_t> read(TargetHandle target, int x, int y, int w, int h) {
        std::vector<uint32_t> out(static_cast<size_t>(w) * h);
        EXPECT_TRUE(gfx->readPixels(target, x, y, w, h, out.data()));
        return out;
    }
    uint32_t pixel(int x, int y, TargetHandle target = 0) { return read(target, x, y, 1, 1)[0]; }

    Engine* engine = nullptr;
    Graphics* gfx = nullptr;
};
