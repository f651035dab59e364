#include "engine/core/display_loss.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TD_HAVE_X11)
#include <X11/Xlib.h>
#endif

#include <cstdio>
#include <unistd.h>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(TD_HAVE_X11)

namespace {

void (*g_stopSound)(void*) = nullptr;
void* g_context = nullptr;

int onDisplayLost(Display* display) {
    std::fprintf(stderr, "X connection to %s broken (explicit kill or server shutdown).\n",
                 display ? DisplayString(display) : "");
    if (g_stopSound) g_stopSound(g_context);
    _exit(1);
}

// Xlib's own handler of protocol errors (a window destroyed by another client) ends
// the process the same way: said the same, ended the same as a lost display.
int onProtocolError(Display* display, XErrorEvent* error) {
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof(text));
    std::fprintf(stderr, "X Error of failed request:  %s\n  Major opcode of failed request:  %d\n", text,
                 static_cast<int>(error->request_code));
    if (g_stopSound) g_stopSound(g_context);
    _exit(1);
}

}  // namespace

void watchDisplayLoss(SDL_Window* window, void (*stopSound)(void*), void* context) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    g_stopSound = stopSound;
    g_context = context;
    XSetIOErrorHandler(onDisplayLost);
    XSetErrorHandler(onProtocolError);
}

#else

void watchDisplayLoss(SDL_Window*, void (*)(void*), void*) {}

#endif
