// The input group: per-frame key flags, the pointer, the wheel and the event queue,
// fed by the core's event dispatcher with SDL events.
#pragma once

#include "engine/core/context.h"

#include <memory>

union SDL_Event;

class Input {
public:
    explicit Input(EngineContext& ctx);
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // System_Initiate: reads the pointer position and clears the key flags.
    void init();
    // One SDL event that the core did not consume itself (keys, buttons, motion, wheel).
    void handleEvent(const SDL_Event& event);
    // Every pass of the frame loop, before a frame can run.
    void updateMouseInside();
    // After every frame and when the loop ends: flags, queue, last key and char, wheel.
    void clearFrame();

    void mousePos(float* x, float* y) const;
    void warpMouse(float x, float y);
    int wheel() const;
    bool mouseInside() const;
    bool keyPressed(int key) const;
    bool keyReleased(int key) const;
    bool keyHeld(int key) const;
    const char* keyName(int key) const;
    int lastKey() const;
    int lastChar() const;
    bool nextEvent(InputEvent* event);

private:
    struct View {
        float scale = 1.0f;
        float offsetX = 0.0f;
        float offsetY = 0.0f;
    };
    View view() const;
    bool relative() const;
    void push(int type, int key, int flags, int chr, int wheel, float x, float y);

    struct State;
    EngineContext& ctx_;
    std::unique_ptr<State> s_;
};
