// The frame loop in a browser: the browser calls one pass per picture it shows
// (requestAnimationFrame) and a pass never blocks. Each pass is the loop's own
// (loopPass), on a clock of the frames' due times: when FramePacer says the display
// has reached the next frames, the clock stands exactly at the last one's time, so
// the loop's schedule runs them and the game steps at its fixed rate of real time on
// 60, 120 or 144 Hz displays alike, where the display's own jitter around the due
// time would make the schedule drop every other frame, and on a slow one too. A hidden page gets no passes: the
// game stands still there, and starts over on its clock when the page comes back.
#include "engine/core/engine_impl.h"
#include "engine/core/frame_pacer.h"

#include <SDL.h>
#include <cstdio>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <sys/stat.h>

namespace {

// Emscripten's C library starts with a umask of 0777, under which every file the game
// creates has no permission at all and its own file system refuses to read it back.
[[maybe_unused]] const mode_t g_umask = umask(022);

class BrowserClock final : public LoopPlatform {
public:
    // With frame statistics asked for, the real time spent in the pass is added, so
    // that the loop can time the frame's parts; otherwise the clock stands still
    // through a pass.
    uint64_t microseconds() override {
        return now_ + (timing_ ? static_cast<uint64_t>((emscripten_get_now() - passStartMs_) * 1000.0) : 0);
    }
    void sleep(uint64_t) override {}
    bool pollEvent(SDL_Event* event) override { return SDL_PollEvent(event) != 0; }

    uint64_t now_ = 0;
    bool timing_ = false;
    double passStartMs_ = 0.0;
};

BrowserClock g_clock;
FramePacer g_pacer;
int g_rate = -1;         // the frame rate the pacer keeps
uint64_t g_rateStart = 0;  // the clock when it was set
uint64_t g_frames = 0;     // frames since then
uint32_t g_updates = 0;    // frames run since the start, for the page's tests

}  // namespace

// How many updates the game has run: over a stretch of real time, whether it keeps it.
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t timberdrive_updates() { return g_updates; }

namespace {

void runPass(void* engine) { static_cast<EngineImpl*>(engine)->browserPass(); }

// The page enters full screen by its button and the browser leaves it by Escape: the
// game's windowed state follows, so that Alt+Enter toggles what the player sees.
EM_BOOL fullScreenChanged(int, const EmscriptenFullscreenChangeEvent* event, void* engine) {
    static_cast<EngineImpl*>(engine)->context().windowed = !event->isFullscreen;
    return EM_FALSE;
}

}  // namespace

bool EngineImpl::System_Start() {
    if (!beginLoop()) return false;
    setLoopPlatform(&g_clock);
    resetTiming();
    g_rate = -1;
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, 0, fullScreenChanged);
    // Does not return: the browser owns the loop from here (the caller's stack is
    // unwound, its objects on the heap stay).
    emscripten_set_main_loop_arg(runPass, this, 0, 1);
    return true;
}

void EngineImpl::browserPass() {
    const double nowMs = emscripten_get_now();
    const int rate = frameRate_ > 0 ? frameRate_ : 60;
    if (rate != g_rate) {
        g_rate = rate;
        g_rateStart = g_clock.now_;
        g_frames = 0;
        g_pacer.setStep(1000.0 / rate);
        g_pacer.start(nowMs);
    }
    if (!ctx_.active && !ctx_.runInactive) {
        g_pacer.start(nowMs);
    } else if (const int frames = g_pacer.pass(nowMs)) {
        // Just past the loop's due time for the last frame owed, however it rounds:
        // the loop runs them all before this picture.
        g_frames += static_cast<uint64_t>(frames);
        g_updates += static_cast<uint32_t>(frames);
        g_clock.now_ = g_rateStart + g_frames * 1000000u / static_cast<uint64_t>(rate) + 1;
    }
    g_clock.timing_ = frameStats().recording();
    g_clock.passStartMs_ = nowMs;
    if (!loopPass().ended) return;

    // The game ended: no more passes, nothing heard, and the page takes over. The
    // engine is not finished here (the page may still show its last picture), so the
    // frame statistics asked for are printed now.
    if (frameStats().recording()) std::fprintf(stderr, "frame cost: %s\n", frameStats().summary().c_str());
    endLoop();
    emscripten_cancel_main_loop();
    SDL_SetRelativeMouseMode(SDL_FALSE);
    if (soundStarted()) sound_->channelStopAll();
    EM_ASM({
        if (Module.onGameEnded) Module.onGameEnded();
    });
}
