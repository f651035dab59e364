// The frame loop and the dispatcher of window-system events.
#include "engine/core/engine_impl.h"

#include <SDL.h>

namespace {

class SdlLoopPlatform final : public LoopPlatform {
public:
    uint32_t ticks() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
    bool pollEvent(SDL_Event* event) override { return SDL_PollEvent(event) != 0; }
};

SdlLoopPlatform g_sdlPlatform;

}  // namespace

void EngineImpl::setLoopPlatform(LoopPlatform* platform) { platform_ = platform; }

void EngineImpl::setActive(bool active) {
    if (gfx_ && active != ctx_.active) {
        ctx_.active = active;
        EngineCallback cb = active ? ctx_.focusGainedFunc : ctx_.focusLostFunc;
        if (cb) cb();
    }
    // The pointer is hidden and captured (relative mode) only while the window is
    // active, and never inside a parent window, whose host would lose its pointer.
    if (ctx_.window) {
        bool capture = ctx_.active && ctx_.hideCursor && !ctx_.parentWindow;
        SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE);
    }
}

bool EngineImpl::askExit() { return !ctx_.exitFunc || ctx_.exitFunc(); }

void EngineImpl::dispatchEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        if (askExit()) {
            ctx_.active = false;
            quitRequested_ = true;
        }
        return;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (askExit()) {
                ctx_.active = false;
                quitRequested_ = true;
            }
            return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The host sized its child: the back buffer takes the new size.
            if (ctx_.parentWindow && graphicsStarted() && event.window.data1 > 0 && event.window.data2 > 0 &&
                (event.window.data1 != ctx_.screenWidth || event.window.data2 != ctx_.screenHeight)) {
                ctx_.screenWidth = event.window.data1;
                ctx_.screenHeight = event.window.data2;
                gfx_->reset();
            }
            return;
        case SDL_WINDOWEVENT_EXPOSED:
            if (graphicsStarted()) gfx_->showLastPicture();
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED: focused_ = true; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: focused_ = false; break;
        case SDL_WINDOWEVENT_MINIMIZED: minimized_ = true; break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: minimized_ = false; break;
        default: return;
        }
        // A child window is active as long as the loop runs: its host's window takes
        // the focus, and the host decides when frames run.
        if (!ctx_.parentWindow) setActive(focused_ && !minimized_);
        return;
    case SDL_KEYDOWN:
        if (event.key.keysym.mod & KMOD_ALT) {
            if (event.key.keysym.sym == SDLK_F4) {
                if (askExit()) {
                    ctx_.active = false;
                    quitRequested_ = true;
                }
                return;
            }
            if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
                if (!event.key.repeat) System_SetState(STATE_WINDOWED, !ctx_.windowed);
                return;
            }
        }
        input_.handleEvent(event);
        return;
    default:
        input_.handleEvent(event);
        return;
    }
}

#ifndef __EMSCRIPTEN__  // the browser's loop is in web/browser_loop.cpp
bool EngineImpl::System_Start() {
    if (!ctx_.windowExists) {
        ctx_.postError("System_Start: System_Initiate wasn't called");
        return false;
    }
    if (!ctx_.frameFunc) {
        ctx_.postError("System_Start: No frame function defined");
        return false;
    }
    LoopPlatform& platform = platform_ ? *platform_ : static_cast<LoopPlatform&>(g_sdlPlatform);
    ctx_.active = true;
    quitRequested_ = false;

    for (;;) {
        // Also inside a parent window: SDL reads this window's events from its own
        // connection, which no message loop of the host empties.
        SDL_Event event;
        while (!quitRequested_ && platform.pollEvent(&event)) dispatchEvent(event);
        if (quitRequested_) break;
        input_.updateMouseInside();

        if (!ctx_.active && !ctx_.runInactive) {
            platform.sleep(1);
            continue;
        }

        uint32_t now;
        do {
            now = platform.ticks();
            elapsed_ = now - lastTick_;
        } while (elapsed_ < 1);

        if (elapsed_ < fixedDelta_) {
            if (fixedDelta_ && elapsed_ + 3 < fixedDelta_) platform.sleep(1);
            continue;
        }

        frameTime_ = static_cast<float>(elapsed_) * 0.001f;
        if (frameTime_ > 0.2f) frameTime_ = fixedDelta_ ? static_cast<float>(fixedDelta_) * 0.001f : 0.01f;
        time_ += frameTime_;
        lastTick_ = now;
        if (now - fpsTick_ <= 1000) {
            ++frameCount_;
        } else {
            fps_ = frameCount_;
            frameCount_ = 0;
            fpsTick_ = now;
            refreshPowerStatus();
        }

        if (ctx_.frameFunc()) break;
        if (ctx_.renderFunc) ctx_.renderFunc();
        if (ctx_.parentWindow) break;
        input_.clearFrame();
    }

    input_.clearFrame();
    ctx_.active = false;
    return true;
}
#endif
