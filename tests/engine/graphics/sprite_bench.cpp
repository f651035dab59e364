// How many Sprite::Draw calls fit in one 16.7 ms frame: through the headless renderer
// (the CPU side: sprite corners, batching) and through OpenGL (a real window; under
// xvfb that is Mesa's software renderer). One iteration is one frame as the game
// draws it: sprites into the 320 x 240 target, then the target doubled on the screen.
#include "engine/core/engine_impl.h"
#include "engine/sprite/sprite.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

Engine* start(bool gl) {
    Engine* e = gl ? engineCreate(ENGINE_VERSION) : engineCreateHeadless(ENGINE_VERSION);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, 640);
    e->System_SetState(STATE_SCREEN_HEIGHT, 480);
    e->System_SetState(STATE_SOUND, false);
    e->System_SetState(STATE_TEXTURE_FILTER, false);
    e->System_SetState(STATE_HIDE_CURSOR, false);
    if (e->System_Initiate()) return e;
    e->Release();
    return nullptr;
}

void drawSprites(benchmark::State& state, bool gl) {
    Engine* e = start(gl);
    if (!e) {
        state.SkipWithError("no video: the OpenGL figure needs a display (run under xvfb-run)");
        return;
    }
    const int count = static_cast<int>(state.range(0));
    const float size = static_cast<float>(state.range(1));
    {
        TargetHandle target = e->Target_Create(320, 240, false);
        TextureHandle tex = e->Texture_Create(64, 64);
        Sprite sprite(tex, 16, 16, size, size);
        sprite.SetHotSpot(size / 2, size / 2);
        Sprite screen(e->Target_Texture(target), 0, 0, 320, 240);
        auto begin = std::chrono::steady_clock::now();
        for (auto _ : state) {
            e->Gfx_BeginScene(target);
            e->Gfx_Clear(0xFF000000);
            for (int i = 0; i < count; ++i) {
                sprite.Draw(static_cast<float>((i * 37) % 320), static_cast<float>((i * 53) % 240));
            }
            e->Gfx_EndScene();
            e->Gfx_BeginScene();
            screen.DrawTransformed(0, 0, 0, 2, 2);
            e->Gfx_EndScene();
        }
        double perFrame = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
                          static_cast<double>(state.iterations());
        // The frame's share of 16.7 ms, and how many sprites 16.7 ms would hold.
        state.counters["frame_share"] = perFrame / FRAME_SECONDS;
        state.counters["sprites_per_frame"] = count * FRAME_SECONDS / perFrame;
        e->Target_Free(target);
        e->Texture_Free(tex);
    }
    e->Release();
}

void BM_SpriteDrawHeadless(benchmark::State& state) { drawSprites(state, false); }
void BM_SpriteDrawOpenGL(benchmark::State& state) { drawSprites(state, true); }

// Arguments: sprites per frame, sprite size in pixels (2 shows the cost per call,
// 16 adds the filling of a typical game sprite).
BENCHMARK(BM_SpriteDrawHeadless)->Args({300, 16})->Args({30000, 16})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteDrawOpenGL)
    ->Args({300, 16})
    ->Args({30000, 2})
    ->Args({30000, 16})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
