// Temporary: the input group before its implementation lands. Delete with it.
#include "engine/input/input.h"

struct Input::State {};
Input::Input(EngineContext& ctx) : ctx_(ctx), s_(new State) {}
Input::~Input() = default;
void Input::init() {}
void Input::handleEvent(const SDL_Event&) {}
void Input::updateMouseInside() {}
void Input::clearFrame() {}
void Input::mousePos(float* x, float* y) const { *x = *y = 0; }
void Input::warpMouse(float, float) {}
int Input::wheel() const { return 0; }
bool Input::mouseInside() const { return false; }
bool Input::keyPressed(int) const { return false; }
bool Input::keyReleased(int) const { return false; }
bool Input::keyHeld(int) const { return false; }
const char* Input::keyName(int) const { return "?"; }
int Input::lastKey() const { return 0; }
int Input::lastChar() const { return 0; }
bool Input::nextEvent(InputEvent*) { return false; }
