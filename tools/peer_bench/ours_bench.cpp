// The workloads on our engine, through the Engine interface and Sprite, the way the
// game draws. Frames are driven here rather than by System_Start, whose unlimited
// frames keep a millisecond apart. With --loop, System_Start at 60 frames a second.
#include "engine/core/engine_impl.h"
#include "engine/sprite/sprite.h"
#include "tools/peer_bench/child_options.h"
#include "tools/peer_bench/frame_timer.h"
#include "tools/peer_bench/workload.h"

#include <SDL.h>

#include <memory>

using namespace peer_bench;

namespace {

Engine* start() {
    Engine* e = engineCreate(ENGINE_VERSION);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, WINDOW_W);
    e->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_H);
    e->System_SetState(STATE_SOUND, false);
    e->System_SetState(STATE_TEXTURE_FILTER, false);
    e->System_SetState(STATE_HIDE_CURSOR, false);
    e->System_SetState(STATE_FPS, FPS_UNLIMITED);
    if (e->System_Initiate()) return e;
    std::fprintf(stderr, "our engine: %s\n", e->System_LastError());
    e->Release();
    return nullptr;
}

TextureHandle loadAtlas(Engine* e) {
    TextureHandle tex = e->Texture_Create(ATLAS_SIZE, ATLAS_SIZE);
    if (!tex || e->Texture_Width(tex) != ATLAS_SIZE) return 0;
    uint32_t* texels = e->Texture_Lock(tex, false);
    if (!texels) return 0;
    const std::vector<uint8_t> rgba = atlasRgba();
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const uint8_t* p = &rgba[i * 4];
        texels[i] = ARGB(p[3], p[0], p[1], p[2]);
    }
    e->Texture_Unlock(tex);
    return tex;
}

// The game's loop empties the window's events every frame; so do the peers'.
void pumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

std::vector<uint8_t> readWindow(Engine* e) {
    std::vector<uint32_t> argb(static_cast<size_t>(WINDOW_W) * WINDOW_H);
    std::vector<uint8_t> rgba;
    if (!static_cast<EngineImpl*>(e)->graphics()->readPixels(0, 0, 0, WINDOW_W, WINDOW_H, argb.data())) return rgba;
    rgba.reserve(argb.size() * 4);
    for (uint32_t c : argb) {
        rgba.insert(rgba.end(), {static_cast<uint8_t>(GETR(c)), static_cast<uint8_t>(GETG(c)),
                                 static_cast<uint8_t>(GETB(c)), 255});
    }
    return rgba;
}

// The 60 fps loop: an empty frame each time the engine's loop runs one.
struct LoopRun {
    Engine* engine = nullptr;
    double seconds = 0, wall0 = 0;
    int frames = 0;
} g_loop;

bool loopFrame() {
    ++g_loop.frames;
    return wallSeconds() - g_loop.wall0 >= g_loop.seconds;
}

bool loopRender() {
    Engine* e = g_loop.engine;
    if (e->Gfx_BeginScene()) {
        e->Gfx_Clear(0xFF000000);
        e->Gfx_EndScene();
    }
    return false;
}

int runLoop(Engine* e, double seconds) {
    g_loop.engine = e;
    g_loop.seconds = seconds;
    e->System_SetState(STATE_FPS, LOOP_FPS);
    // Under a bare X server the window may never get the focus.
    e->System_SetState(STATE_RUN_INACTIVE, true);
    e->System_SetState(STATE_FRAME_FUNC, loopFrame);
    e->System_SetState(STATE_RENDER_FUNC, loopRender);
    FrameCost cost;
    const double cpu0 = cpuSeconds();
    g_loop.wall0 = wallSeconds();
    if (!e->System_Start()) {
        std::fprintf(stderr, "our engine: %s\n", e->System_LastError());
        return 1;
    }
    cost.frames = g_loop.frames;
    cost.wallMs = (wallSeconds() - g_loop.wall0) * 1000.0 / g_loop.frames;
    cost.cpuMs = (cpuSeconds() - cpu0) * 1000.0 / g_loop.frames;
    printResult(LOOP_CASE, "ours", "System_Start", cost);
    return 0;
}

int run(Engine* e, const ChildOptions& options) {
    TextureHandle atlas = loadAtlas(e);
    if (!atlas) {
        std::fprintf(stderr, "our engine: the atlas texture failed\n");
        return 1;
    }
    TargetHandle target = e->Target_Create(TARGET_W, TARGET_H, false);
    if (!target) {
        std::fprintf(stderr, "our engine: the render target failed\n");
        return 1;
    }
    Sprite screen(e->Target_Texture(target), 0, 0, TARGET_W, TARGET_H);
    int status = 0;
    for (const BenchCase& c : benchCases()) {
        if (!options.runs(c.name)) continue;
        const std::vector<Placement> places = placements(c);
        std::vector<Sprite> sprites;
        sprites.reserve(places.size());
        for (const Placement& p : places) {
            sprites.emplace_back(atlas, static_cast<float>(p.cellX * c.size), static_cast<float>(p.cellY * c.size),
                                 static_cast<float>(c.size), static_cast<float>(c.size));
        }
        auto drawSprites = [&] {
            for (size_t i = 0; i < sprites.size(); ++i) {
                sprites[i].Draw(static_cast<float>(places[i].x), static_cast<float>(places[i].y));
            }
        };
        // The game's frame: the target is drawn whole, so the window is not cleared.
        auto gameScreen = [&] {
            e->Gfx_BeginScene(target);
            e->Gfx_Clear(0xFF000000);
            drawSprites();
            e->Gfx_EndScene();
            e->Gfx_BeginScene();
            screen.DrawTransformed(0, 0, 0, 2, 2);
        };
        FrameCost cost;
        if (c.kind == CaseKind::GamePath) {
            cost = measureFrames(
                [&] {
                    gameScreen();
                    e->Gfx_EndScene();
                    pumpEvents();
                },
                options.seconds);
        } else {
            cost = measureFrames(
                [&] {
                    e->Gfx_BeginScene();
                    e->Gfx_Clear(0xFF000000);
                    drawSprites();
                    e->Gfx_EndScene();
                    pumpEvents();
                },
                options.seconds);
        }
        printResult(c.name, "ours", c.kind == CaseKind::Empty ? "clear" : "Sprite", cost);
        if (c.kind == CaseKind::GamePath && !options.shot.empty()) {
            gameScreen();
            std::vector<uint8_t> shot = readWindow(e);
            e->Gfx_EndScene();
            if (shot.empty() || !writeShot(options.shot, shot)) {
                std::fprintf(stderr, "our engine: the window could not be read back\n");
                status = 1;
            }
        }
    }
    e->Target_Free(target);
    e->Texture_Free(atlas);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const ChildOptions options = parseChildOptions(argc, argv);
    Engine* e = start();
    if (!e) return 1;
    int status = options.loopSeconds > 0 ? runLoop(e, options.loopSeconds) : run(e, options);
    e->System_Finish();
    e->Release();
    return status;
}
