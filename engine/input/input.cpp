// The input group on SDL events. The pointer is the engine's own: while SDL's
// relative mode holds the cursor (window active, cursor hidden) every motion adds
// its relative movement, so the game, which reads the offset from the centre and
// warps back every frame, sees exactly the movement of the frame even where the
// system cursor cannot be warped reliably. Without relative mode the pointer
// follows the system cursor. Positions are in back-buffer pixels.
#include "engine/input/input.h"

#include "engine/core/native_window.h"
#include "engine/graphics/renderer.h"
#include "engine/input/keys.h"

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <vector>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

namespace {

// Events beyond this many in one frame are not queued (their effects on the
// state still count): a stalled frame cannot make the queue grow without bound.
constexpr size_t QUEUE_MAX = 4096;

int flagsFromMod(Uint16 mod) {
    int flags = 0;
    if (mod & KMOD_SHIFT) flags |= INP_SHIFT;
    if (mod & KMOD_CTRL) flags |= INP_CTRL;
    if (mod & KMOD_ALT) flags |= INP_ALT;
    if (mod & KMOD_CAPS) flags |= INP_CAPSLOCK;
    if (mod & KMOD_SCROLL) flags |= INP_SCROLLLOCK;
    if (mod & KMOD_NUM) flags |= INP_NUMLOCK;
    return flags;
}

int buttonCode(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT: return KEY_LBUTTON;
    case SDL_BUTTON_RIGHT: return KEY_RBUTTON;
    case SDL_BUTTON_MIDDLE: return KEY_MBUTTON;
    default: return 0;
    }
}

float clampTo(float v, int size) {
    float hi = size > 1 ? static_cast<float>(size - 1) : 0.0f;
    if (!(v > 0.0f)) return 0.0f;  // also NaN
    return v > hi ? hi : v;
}

}  // namespace

struct Input::State {
    int lastKey = 0;
    int lastChar = 0;
    int wheel = 0;
    float x = 0.0f;
    float y = 0.0f;
    // In a page before the pointer is locked: where the browser's cursor was last,
    // taken to start at the centre, where the game's pointer starts.
    float handX = 0.0f, handY = 0.0f;
    bool mouseInside = false;
    bool captured = false;
    unsigned char flags[256] = {};
    std::vector<InputEvent> queue;  // capacity kept across frames
    size_t head = 0;
};

Input::Input(EngineContext& ctx) : ctx_(ctx), s_(new State) { s_->queue.reserve(256); }
Input::~Input() = default;

// How the back buffer sits in the window: the graphics group's own fitting, so that
// the pointer lands where the picture is drawn.
Input::View Input::view() const {
    View v;
    if (!ctx_.window || ctx_.screenWidth <= 0 || ctx_.screenHeight <= 0) return v;
    int ww = 0, wh = 0;
    windowSize(ctx_.window, &ww, &wh);
    PictureRect r = fitPicture(ctx_.screenWidth, ctx_.screenHeight, ww, wh, ctx_.pixelSize);
    if (r.w <= 0 || r.h <= 0) return v;
    v.scale = static_cast<float>(r.w) / static_cast<float>(ctx_.screenWidth);
    v.offsetX = static_cast<float>(r.x);
    v.offsetY = static_cast<float>(r.y);
    return v;
}

bool Input::relative() const {
    // Headless there is no system cursor to follow: only relative movement exists.
    return !ctx_.window || SDL_GetRelativeMouseMode();
}

void Input::init() {
    int mx = 0, my = 0;
    SDL_GetMouseState(&mx, &my);
    View v = view();
    s_->x = clampTo((static_cast<float>(mx) - v.offsetX) / v.scale, ctx_.screenWidth);
    s_->y = clampTo((static_cast<float>(my) - v.offsetY) / v.scale, ctx_.screenHeight);
    s_->handX = static_cast<float>(ctx_.screenWidth / 2);
    s_->handY = static_cast<float>(ctx_.screenHeight / 2);
#ifdef __EMSCRIPTEN__
    // A page knows nothing of the cursor before it moves over the canvas.
    s_->x = s_->handX;
    s_->y = s_->handY;
#endif
    s_->captured = false;
    s_->mouseInside = false;
    clearFrame();
}

void Input::push(int type, int key, int flags, int chr, int wheel, float x, float y) {
    if (s_->queue.size() >= QUEUE_MAX) return;
    s_->queue.push_back(InputEvent{type, key, flags, chr, wheel, x, y});
}

void Input::handleEvent(const SDL_Event& event) {
    State& s = *s_;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int key = keyCodeFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
        if (key <= 0 || key > 255) return;
        bool down = event.type == SDL_KEYDOWN;
        bool repeat = down && event.key.repeat;
        // The modifier state as it was at this key, not after the whole batch.
        Uint16 mod = event.key.keysym.mod;
        int flags = flagsFromMod(mod) | (repeat ? INP_REPEAT : 0);
        int chr = keyCharacter(key, mod);
        if (!repeat) s.flags[key] |= down ? 1 : 2;
        push(down ? INPUT_KEYDOWN : INPUT_KEYUP, key, flags, chr, 0, s.x, s.y);
        if (down) {
            s.lastKey = key;
            s.lastChar = chr;
        }
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int key = buttonCode(event.button.button);
        if (!key) return;
        int flags = flagsFromMod(static_cast<Uint16>(SDL_GetModState()));
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            float x = s.x, y = s.y;
            if (!relative()) {
                View v = view();
                x = clampTo((static_cast<float>(event.button.x) - v.offsetX) / v.scale, ctx_.screenWidth);
                y = clampTo((static_cast<float>(event.button.y) - v.offsetY) / v.scale, ctx_.screenHeight);
            }
            if (event.button.clicks >= 2) flags |= INP_REPEAT;
            s.flags[key] |= 1;
            s.captured = true;
            push(INPUT_MBUTTONDOWN, key, flags, 0, 0, x, y);
            s.lastKey = key;
            s.lastChar = 0;
        } else {
            s.flags[key] |= 2;
            // The capture ends: the cursor is put back where the engine's pointer is.
            warpMouse(s.x, s.y);
            push(INPUT_MBUTTONUP, key, flags, 0, 0, s.x, s.y);
            s.captured = false;
        }
        return;
    }
    case SDL_MOUSEMOTION: {
        View v = view();
#ifdef __EMSCRIPTEN__
        // The cursor is still the browser's (no lock before the first click) and
        // cannot be warped: the pointer moves as it does, so the game's pointer is
        // under the player's hand.
        EmscriptenPointerlockChangeEvent lock{};
        if (relative() && emscripten_get_pointerlock_status(&lock) == EMSCRIPTEN_RESULT_SUCCESS && !lock.isActive) {
            const float hx = (static_cast<float>(event.motion.x) - v.offsetX) / v.scale;
            const float hy = (static_cast<float>(event.motion.y) - v.offsetY) / v.scale;
            s.x = clampTo(s.x + hx - s.handX, ctx_.screenWidth);
            s.y = clampTo(s.y + hy - s.handY, ctx_.screenHeight);
            s.handX = hx;
            s.handY = hy;
            push(INPUT_MOUSEMOVE, 0, flagsFromMod(static_cast<Uint16>(SDL_GetModState())), 0, 0, s.x, s.y);
            return;
        }
#endif
        if (relative()) {
            s.x = clampTo(s.x + static_cast<float>(event.motion.xrel) / v.scale, ctx_.screenWidth);
            s.y = clampTo(s.y + static_cast<float>(event.motion.yrel) / v.scale, ctx_.screenHeight);
        } else {
            s.x = clampTo((static_cast<float>(event.motion.x) - v.offsetX) / v.scale, ctx_.screenWidth);
            s.y = clampTo((static_cast<float>(event.motion.y) - v.offsetY) / v.scale, ctx_.screenHeight);
        }
        push(INPUT_MOUSEMOVE, 0, flagsFromMod(static_cast<Uint16>(SDL_GetModState())), 0, 0, s.x, s.y);
        return;
    }
    case SDL_MOUSEWHEEL: {
        int notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        if (notches == 0) return;  // sideways only
        push(INPUT_MOUSEWHEEL, 0, flagsFromMod(static_cast<Uint16>(SDL_GetModState())), 0, notches, s.x, s.y);
        s.wheel += notches;
        return;
    }
    default:
        return;
    }
}

void Input::updateMouseInside() {
    s_->mouseInside = s_->captured || (ctx_.window && SDL_GetMouseFocus() == ctx_.window);
}

void Input::clearFrame() {
    State& s = *s_;
    std::memset(s.flags, 0, sizeof(s.flags));
    s.queue.clear();
    s.head = 0;
    s.lastKey = 0;
    s.lastChar = 0;
    s.wheel = 0;
}

void Input::mousePos(float* x, float* y) const {
    if (x) *x = s_->x;
    if (y) *y = s_->y;
}

void Input::warpMouse(float x, float y) {
    State& s = *s_;
    s.x = std::trunc(clampTo(x, ctx_.screenWidth));
    s.y = std::trunc(clampTo(y, ctx_.screenHeight));
    if (ctx_.window && !SDL_GetRelativeMouseMode()) {
        View v = view();
        SDL_WarpMouseInWindow(ctx_.window, static_cast<int>(v.offsetX + s.x * v.scale),
                              static_cast<int>(v.offsetY + s.y * v.scale));
    }
}

int Input::wheel() const { return s_->wheel; }
bool Input::mouseInside() const { return s_->mouseInside; }
bool Input::keyPressed(int key) const { return key >= 0 && key < 256 && (s_->flags[key] & 1); }
bool Input::keyReleased(int key) const { return key >= 0 && key < 256 && (s_->flags[key] & 2); }

bool Input::keyHeld(int key) const {
    switch (key) {
    case KEY_LBUTTON: return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0;
    case KEY_RBUTTON: return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_RMASK) != 0;
    case KEY_MBUTTON: return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_MMASK) != 0;
    default: break;
    }
    if (key <= 0 || key > 255) return false;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (int sc = 0; sc < count; ++sc) {
        if (!state[sc]) continue;
        SDL_Scancode scancode = static_cast<SDL_Scancode>(sc);
        if (keyCodeFromSdl(SDL_GetKeyFromScancode(scancode), scancode) == key) return true;
    }
    return false;
}

const char* Input::keyName(int key) const { return keyNameOf(key); }
int Input::lastKey() const { return s_->lastKey; }
int Input::lastChar() const { return s_->lastChar; }

bool Input::nextEvent(InputEvent* event) {
    State& s = *s_;
    if (s.head >= s.queue.size()) return false;
    if (event) *event = s.queue[s.head];
    ++s.head;
    return true;
}
