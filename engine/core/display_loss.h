// When the X server goes away under the running program, or refuses a request (its
// window destroyed by another client), Xlib ends the process with exit(1) from
// whatever call noticed: static destructors then run while the sound thread still
// mixes, and OpenAL can abort in them. Instead the program stops its sound itself,
// says what Xlib says and ends with status 1 at once.
#pragma once

struct SDL_Window;

// stopSound(context) runs before the process ends. Nothing happens when the window
// is not an X11 window. The last call's callback is the one used.
void watchDisplayLoss(SDL_Window* window, void (*stopSound)(void*), void* context);
