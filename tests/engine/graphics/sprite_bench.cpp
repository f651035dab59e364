// What Sprite::Draw costs in a frame: through the headless renderer (the CPU side:
// sprite corners, batching) and through OpenGL (a real window; under xvfb that is
// Mesa's software renderer). One iteration is one frame as the game draws it: sprites
// into the 320 x 240 target, then the target doubled on the screen.
#include "engine/core/engine_impl.h"
#include "engine/sprite/sprite.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
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

class GameFrame {
public:
    GameFrame(Engine* e, float size)
        : e_(e),
          target_(e->Target_Create(320, 240, false)),
          tex_(e->Texture_Create(64, 64)),
          sprite_(tex_, 16, 16, size, size),
          screen_(e->Target_Texture(target_), 0, 0, 320, 240) {
        sprite_.SetHotSpot(size / 2, size / 2);
    }
    ~GameFrame() {
        e_->Target_Free(target_);
        e_->Texture_Free(tex_);
    }
    void draw(int count) {
        e_->Gfx_BeginScene(target_);
        e_->Gfx_Clear(0xFF000000);
        for (int i = 0; i < count; ++i) {
            sprite_.Draw(static_cast<float>((i * 37) % 320), static_cast<float>((i * 53) % 240));
        }
        e_->Gfx_EndScene();
        e_->Gfx_BeginScene();
        screen_.DrawTransformed(0, 0, 0, 2, 2);
        e_->Gfx_EndScene();
    }
    // Seconds per frame with no sprites, over a quarter of a second.
    double emptySeconds() {
        int frames = 0;
        Clock::time_point begin = Clock::now();
        double seconds = 0;
        for (; seconds < 0.25 || frames < 10; ++frames) {
            draw(0);
            seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        }
        return seconds / frames;
    }

private:
    Engine* e_;
    TargetHandle target_;
    TextureHandle tex_;
    Sprite sprite_;
    Sprite screen_;
};

void drawSprites(benchmark::State& state, bool gl) {
    Engine* e = start(gl);
    if (!e) {
        state.SkipWithError("no video: the OpenGL figure needs a display (run under xvfb-run)");
        return;
    }
    const int count = static_cast<int>(state.range(0));
    {
        GameFrame frame(e, static_cast<float>(state.range(1)));
        const double empty = frame.emptySeconds();
        Clock::time_point begin = Clock::now();
        for (auto _ : state) frame.draw(count);
        double perFrame = std::chrono::duration<double>(Clock::now() - begin).count() /
                          static_cast<double>(state.iterations());
        // The frame's share of 16.7 ms; the empty frame's fixed cost; and, from the cost
        // of each sprite beyond it, how many sprites a 16.7 ms frame holds. A count
        // divided by the whole frame would charge the fixed cost to the sprites.
        state.counters["frame_share"] = perFrame / FRAME_SECONDS;
        state.counters["empty_ms"] = empty * 1e3;
        const double perSprite = count > 0 ? (perFrame - empty) / count : 0.0;
        if (perSprite > 0) {
            state.counters["sprite_us"] = perSprite * 1e6;
            state.counters["sprites_per_frame"] = (FRAME_SECONDS - empty) / perSprite;
        }
    }
    e->Release();
}

void BM_SpriteDrawHeadless(benchmark::State& state) { drawSprites(state, false); }
void BM_SpriteDrawOpenGL(benchmark::State& state) { drawSprites(state, true); }

// The fixed cost of a frame: the screen cleared and presented, nothing drawn.
void BM_EmptyFrameOpenGL(benchmark::State& state) {
    Engine* e = start(true);
    if (!e) {
        state.SkipWithError("no video: the OpenGL figure needs a display (run under xvfb-run)");
        return;
    }
    for (auto _ : state) {
        e->Gfx_BeginScene();
        e->Gfx_Clear(0xFF000000);
        e->Gfx_EndScene();
    }
    e->Release();
}

// Arguments: sprites per frame, sprite size in pixels (2 shows the cost per call,
// 16 adds the filling of a typical game sprite; 100 of 16 is the game's own load).
BENCHMARK(BM_SpriteDrawHeadless)->Args({300, 16})->Args({30000, 16})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteDrawOpenGL)
    ->Args({100, 16})
    ->Args({300, 16})
    ->Args({30000, 2})
    ->Args({30000, 16})
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
// CPU time of the whole process: Mesa's software renderer draws on threads of its own.
BENCHMARK(BM_EmptyFrameOpenGL)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
