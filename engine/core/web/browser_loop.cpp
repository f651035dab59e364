// The frame loop in a browser: the browser calls one pass per picture it shows
// (requestAnimationFrame), and a pass never blocks. The game still steps at its
// fixed rate of real time (FramePacer); a hidden page gets no passes at all, so the
// game stands still there and starts over on its clock when the page comes back.
#include "engine/core/engine_impl.h"
#include "engine/core/frame_pacer.h"

#include <SDL.h>
#include <emscripten.h>

namespace {

FramePacer g_pacer;

void runPass(void* engine) { static_cast<EngineImpl*>(engine)->browserPass(); }

}  // namespace

bool EngineImpl::System_Start() {
    if (!ctx_.windowExists) {
        ctx_.postError("System_Start: System_Initiate wasn't called");
        return false;
    }
    if (!ctx_.frameFunc) {
        ctx_.postError("System_Start: No frame function defined");
        return false;
    }
    ctx_.active = true;
    quitRequested_ = false;
    g_pacer.setStep(ctx_.fps > 0 ? 1000.0 / ctx_.fps : 0.0);
    g_pacer.start(emscripten_get_now());
    // Does not return: the browser owns the loop from here (the caller's stack is
    // unwound, its objects on the heap stay).
    emscripten_set_main_loop_arg(runPass, this, 0, 1);
    return true;
}

void EngineImpl::browserPass() {
    SDL_Event event;
    while (!quitRequested_ && SDL_PollEvent(&event)) dispatchEvent(event);
    if (!quitRequested_) {
        input_.updateMouseInside();
        const double now = emscripten_get_now();
        if (!ctx_.active && !ctx_.runInactive) {
            g_pacer.start(now);
            return;
        }
        if (!g_pacer.pass(now)) return;

        frameTime_ = g_pacer.step() > 0.0 ? static_cast<float>(g_pacer.step() * 0.001) : 0.01f;
        time_ += frameTime_;
        const uint32_t tick = static_cast<uint32_t>(now);
        if (tick - fpsTick_ <= 1000) {
            ++frameCount_;
        } else {
            fps_ = frameCount_;
            frameCount_ = 0;
            fpsTick_ = tick;
        }
        if (!ctx_.frameFunc()) {
            if (ctx_.renderFunc) ctx_.renderFunc();
            input_.clearFrame();
            return;
        }
        quitRequested_ = true;
    }
    // The game ended: no more passes, nothing heard, and the page takes over.
    input_.clearFrame();
    ctx_.active = false;
    emscripten_cancel_main_loop();
    SDL_SetRelativeMouseMode(SDL_FALSE);
    if (soundStarted()) sound_->channelStopAll();
    EM_ASM({
        if (Module.onGameEnded) Module.onGameEnded();
    });
}
