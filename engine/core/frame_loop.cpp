// The frame loop and the dispatcher of window-system events.
#include "engine/core/engine_impl.h"

#include <SDL.h>

#include <chrono>
#include <thread>

namespace {

// SDL's events with the system's monotonic clock and sleep, both finer than the
// millisecond: the loop sleeps straight to the moment a frame is due.
class SdlLoopPlatform final : public LoopPlatform {
public:
    uint64_t microseconds() override {
        using namespace std::chrono;
        return static_cast<uint64_t>(duration_cast<std::chrono::microseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void sleep(uint64_t us) override { std::this_thread::sleep_for(std::chrono::microseconds(us)); }
    bool pollEvent(SDL_Event* event) override { return SDL_PollEvent(event) != 0; }
};

SdlLoopPlatform g_sdlPlatform;

// Unlimited frames still keep a millisecond apart, as frames measured by a
// millisecond clock did.
constexpr uint64_t MIN_FRAME_US = 1000;
constexpr uint64_t INACTIVE_SLEEP_US = 1000;
constexpr float LONG_FRAME = 0.2f;
// Frames run before one picture at most, however far behind the loop is.
constexpr uint64_t MAX_UPDATES_PER_PICTURE = 8;

// Start of frame n of a schedule, exact on average: n / rate seconds, in microseconds.
uint64_t scheduleOffset(uint64_t n, int rate) { return n * 1000000u / static_cast<uint64_t>(rate); }

// The render callback's time is drawing but for what showing the picture took.
void recordFrame(FrameStats& stats, uint64_t updateUs, uint64_t renderUs, uint64_t presentUs) {
    const uint64_t draw = renderUs > presentUs ? renderUs - presentUs : 0;
    stats.add(static_cast<uint32_t>(updateUs), static_cast<uint32_t>(draw), static_cast<uint32_t>(presentUs));
}

}  // namespace

void EngineImpl::setLoopPlatform(LoopPlatform* platform) { platform_ = platform; }

void EngineImpl::setActive(bool active) {
    if (gfx_ && active != ctx_.active) {
        ctx_.active = active;
        EngineCallback cb = active ? ctx_.focusGainedFunc : ctx_.focusLostFunc;
        if (cb) cb();
    }
    updateCapture();
}

void EngineImpl::updateCapture() {
    // The pointer is hidden and captured (relative mode) only while the window is
    // active, and never inside a parent window, whose host would lose its pointer.
    // The keyboard is never grabbed: the window manager's keys stay its own.
    if (ctx_.window) {
        bool capture = ctx_.active && ctx_.hideCursor && !ctx_.parentWindow && !pointerLent_;
        if (static_cast<bool>(SDL_GetRelativeMouseMode()) != capture) {
            SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE);
        }
    }
}

void EngineImpl::lendPointerOnKey(const SDL_Event& event) {
#ifdef __EMSCRIPTEN__
    // A page's pointer lock is the browser's to give; no window manager waits for it.
    (void)event;
#else
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        // Back from the window manager's business (whose key-up it may have kept).
        if (!pointerLent_) return;
        pointerLent_ = false;
    } else {
        const SDL_Keycode k = event.key.keysym.sym;
        if (k != SDLK_LALT && k != SDLK_RALT && k != SDLK_LGUI && k != SDLK_RGUI) return;
        if (event.key.repeat) return;
        pointerLent_ = event.type == SDL_KEYDOWN;
    }
    updateCapture();
#endif
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
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            focused_ = true;
            pointerLent_ = false;
            break;
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
    case SDL_KEYUP:
        lendPointerOnKey(event);
        input_.handleEvent(event);
        return;
    case SDL_MOUSEBUTTONDOWN:
        lendPointerOnKey(event);
        input_.handleEvent(event);
        return;
    case SDL_KEYDOWN:
        lendPointerOnKey(event);
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

LoopPlatform& EngineImpl::loopPlatform() { return platform_ ? *platform_ : g_sdlPlatform; }

void EngineImpl::resetTiming() {
    time_ = 0.0f;
    lastFrameUs_ = fpsTickUs_ = scheduleStartUs_ = loopPlatform().microseconds();
    scheduledFrames_ = 0;
    scheduleRate_ = frameRate_;
    frameCount_ = 0;
    fps_ = 0;
}

bool EngineImpl::beginLoop() {
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
    return true;
}

LoopPass EngineImpl::loopPass() {
    LoopPlatform& platform = loopPlatform();
    LoopPass pass;
    // Also inside a parent window: SDL reads this window's events from its own
    // connection, which no message loop of the host empties.
    SDL_Event event;
    while (!quitRequested_ && platform.pollEvent(&event)) dispatchEvent(event);
    if (quitRequested_) {
        pass.ended = true;
        return pass;
    }
    input_.updateMouseInside();

    if (!ctx_.active && !ctx_.runInactive) {
        // Frames resume on a new schedule, not in a burst for the time away.
        scheduleStartUs_ = platform.microseconds();
        scheduledFrames_ = 0;
        if (soundStarted()) sound_->pump();
        pass.waitUs = INACTIVE_SLEEP_US;
        return pass;
    }

    // A frame runs once its time has come: a whole step of the schedule after the
    // last one, or a millisecond after it without a fixed rate. A loop that fell
    // behind runs every frame it owes before the next picture, up to a limit past
    // which the game slows down instead: the schedule starts again from here.
    const int rate = frameRate_;
    uint64_t now = platform.microseconds();
    if (rate != scheduleRate_) {
        scheduleRate_ = rate;
        scheduleStartUs_ = lastFrameUs_;
        scheduledFrames_ = 0;
    }
    uint64_t owed = 1;
    if (rate > 0) {
        const uint64_t due = scheduleStartUs_ + scheduleOffset(scheduledFrames_ + 1, rate);
        if (now < due) {
            pass.waitUs = due - now;
            return pass;
        }
        // The last frame due: the largest n with scheduleOffset(n) <= now - start.
        const uint64_t last = ((now - scheduleStartUs_ + 1) * static_cast<uint64_t>(rate) - 1) / 1000000u;
        owed = last - scheduledFrames_;
        // A host that drives the loop decides when frames run: one per call.
        const uint64_t most = ctx_.parentWindow ? 1 : MAX_UPDATES_PER_PICTURE;
        if (owed > most) {
            owed = most;
            scheduleStartUs_ = now;
            scheduledFrames_ = 0;
        } else {
            scheduledFrames_ += owed;
        }
    } else if (now - lastFrameUs_ < MIN_FRAME_US) {
        pass.waitUs = lastFrameUs_ + MIN_FRAME_US - now;
        return pass;
    }

    // The frames of one picture share its measured time; only the last is drawn.
    float frameTime = static_cast<float>(now - lastFrameUs_) * 1e-6f / static_cast<float>(owed);
    if (frameTime > LONG_FRAME) frameTime = rate > 0 ? 1.0f / static_cast<float>(rate) : 0.01f;
    lastFrameUs_ = now;
    const bool recording = frameStats_.recording();
    const uint64_t presentedBefore = recording && gfx_ ? gfx_->stats().presentUs : 0;
    uint64_t updateUs = 0, renderUs = 0;
    for (uint64_t n = 0; n < owed; ++n) {
        frameTime_ = frameTime;
        time_ += frameTime_;
        if (now - fpsTickUs_ <= 1000000u) {
            ++frameCount_;
        } else {
            fps_ = frameCount_;
            frameCount_ = 0;
            fpsTickUs_ = now;
            refreshPowerStatus();
        }
        // The input of the picture went to its first frame.
        if (n > 0) input_.clearFrame();
        const uint64_t started = recording ? platform.microseconds() : 0;
        if (ctx_.frameFunc()) {
            pass.ended = true;
            return pass;
        }
        const uint64_t updated = recording ? platform.microseconds() : 0;
        // A frame not shown is drawn all the same, unseen: drawing may advance the
        // game's state (its random draws), which a replay repeats exactly.
        unseen_ = n + 1 < owed;
        if (ctx_.renderFunc) ctx_.renderFunc();
        unseen_ = false;
        if (recording) {
            updateUs += updated - started;
            renderUs += platform.microseconds() - updated;
        }
    }
    if (recording) {
        const uint64_t present = gfx_ ? gfx_->stats().presentUs - presentedBefore : 0;
        recordFrame(frameStats_, updateUs, renderUs, present);
    }
    if (soundStarted()) sound_->pump();
    // Inside a parent window the host drives the loop: one frame per call.
    if (ctx_.parentWindow) {
        pass.ended = true;
        return pass;
    }
    input_.clearFrame();

    // Until the next frame is due nothing can happen: the next pass can wait for it.
    const uint64_t next = rate > 0 ? scheduleStartUs_ + scheduleOffset(scheduledFrames_ + 1, rate)
                                   : lastFrameUs_ + MIN_FRAME_US;
    now = platform.microseconds();
    if (now < next) pass.waitUs = next - now;
    return pass;
}

void EngineImpl::endLoop() {
    input_.clearFrame();
    ctx_.active = false;
}

#ifndef __EMSCRIPTEN__  // the browser's loop is in web/browser_loop.cpp
bool EngineImpl::System_Start() {
    if (!beginLoop()) return false;
    LoopPlatform& platform = loopPlatform();
    for (;;) {
        const LoopPass pass = loopPass();
        if (pass.ended) break;
        if (pass.waitUs) platform.sleep(pass.waitUs);
    }
    endLoop();
    return true;
}
#endif
