#include "engine/core/native_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TD_HAVE_X11)
#include <epoxy/glx.h>
#endif

#include <cstdint>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

#if defined(SDL_VIDEO_DRIVER_X11) && defined(TD_HAVE_X11)

namespace {

bool g_xError = false;

int noteXError(Display*, XErrorEvent*) {
    g_xError = true;
    return 0;
}

bool x11Window(SDL_Window* window, Display** display, Window* id) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    *display = info.info.x11.display;
    *id = info.info.x11.window;
    return true;
}

// One round trip per call (a frame asks once).
bool x11Size(SDL_Window* window, int* width, int* height) {
    Display* display = nullptr;
    Window id = 0, root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!x11Window(window, &display, &id) || !XGetGeometry(display, id, &root, &x, &y, &w, &h, &border, &depth)) {
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

}  // namespace

void windowPixelSize(SDL_Window* window, int* width, int* height) {
    if (!x11Size(window, width, height)) SDL_GL_GetDrawableSize(window, width, height);
}

void windowSize(SDL_Window* window, int* width, int* height) {
    if (!x11Size(window, width, height)) SDL_GetWindowSize(window, width, height);
}

namespace {

bool glxHas(SDL_Window* window, const char* extension) {
    Display* display = nullptr;
    Window id = 0;
    // SDL may drive an X window through EGL: then there is no GLX context to ask.
    if (!x11Window(window, &display, &id) || !epoxy_has_glx(display) || !glXGetCurrentContext()) return false;
    return epoxy_has_glx_extension(display, DefaultScreen(display), extension);
}

}  // namespace

bool windowTellsBufferAge(SDL_Window* window) { return glxHas(window, "GLX_EXT_buffer_age"); }

bool windowShowsBackBuffer(SDL_Window* window) {
    // Only a software renderer: its swaps never wait for the retrace either, while a
    // hardware one's do, and copying a picture costs it next to nothing.
    unsigned accelerated = 1;
    return glxHas(window, "GLX_MESA_copy_sub_buffer") && glxHas(window, "GLX_MESA_query_renderer") &&
           glXQueryCurrentRendererIntegerMESA(GLX_RENDERER_ACCELERATED_MESA, &accelerated) && !accelerated;
}

namespace {

// The copies' errors: the handler stays and passes on every error not from a copy,
// so no copy has to wait for the server's answer.
XErrorHandler g_passOn = nullptr;
unsigned long g_copyFirst = 0, g_copyEnd = 0;  // the serials of the last copy's requests
bool g_copyFailed = false;

int noteCopyError(Display* display, XErrorEvent* error) {
    if (error->serial >= g_copyFirst && error->serial < g_copyEnd) {
        g_copyFailed = true;
        return 0;
    }
    return g_passOn ? g_passOn(display, error) : 0;
}

}  // namespace

bool showBackBuffer(int width, int height) {
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable) return false;
    // The X server refuses a rectangle larger than the driver's buffer: that must come
    // here, not to Xlib's default handler, which ends the program.
    // Others replace it: SDL puts back the handler it found when its video quits, and
    // a handler installed later may keep errors to itself. Whatever is current is put
    // behind ours again (setting a handler asks nothing of the server).
    XErrorHandler current = XSetErrorHandler(noteCopyError);
    if (current != noteCopyError) g_passOn = current;
    // An earlier copy failed, as its answer tells only now: that picture was lost, and
    // this one goes through a swap.
    if (g_copyFailed) {
        g_copyFailed = false;
        return false;
    }
    g_copyFirst = NextRequest(display);
    g_copyEnd = ~0ul;
    glXCopySubBufferMESA(display, drawable, 0, 0, width, height);
    g_copyEnd = NextRequest(display);
    XFlush(display);
    return !g_copyFailed;
}

int backBufferAge() {
    unsigned age = 0;
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable) return 0;
    glXQueryDrawable(display, drawable, GLX_BACK_BUFFER_AGE_EXT, &age);
    return static_cast<int>(age);
}

EmbedResult embedWindow(SDL_Window* window, void* parent) {
    Display* display = nullptr;
    Window id = 0;
    if (!x11Window(window, &display, &id)) return EmbedResult::Unsupported;
    // A parent id that names no window must fail here, not end the program in
    // Xlib's default error handler.
    XSync(display, False);
    g_xError = false;
    XErrorHandler previous = XSetErrorHandler(noteXError);
    Window parentId = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    XWindowAttributes attributes;
    bool ok = XGetWindowAttributes(display, parentId, &attributes) != 0 && !g_xError;
    if (ok) {
        XReparentWindow(display, id, parentId, 0, 0);
        XSync(display, False);
        ok = !g_xError;
    }
    XSetErrorHandler(previous);
    return ok ? EmbedResult::Embedded : EmbedResult::NoSuchParent;
}

#else

#ifdef __EMSCRIPTEN__
// The canvas's own size: SDL's window keeps the screen's size, in whose units it
// reports the pointer, while the canvas may hold a smaller picture.
void windowPixelSize(SDL_Window*, int* width, int* height) {
    if (emscripten_get_canvas_element_size("#canvas", width, height) != EMSCRIPTEN_RESULT_SUCCESS) *width = *height = 0;
}
#else
void windowPixelSize(SDL_Window* window, int* width, int* height) { SDL_GL_GetDrawableSize(window, width, height); }
#endif

bool windowTellsBufferAge(SDL_Window*) { return false; }

int backBufferAge() { return 0; }

bool windowShowsBackBuffer(SDL_Window*) { return false; }

bool showBackBuffer(int, int) { return false; }

void windowSize(SDL_Window* window, int* width, int* height) { SDL_GetWindowSize(window, width, height); }

EmbedResult embedWindow(SDL_Window*, void*) { return EmbedResult::Unsupported; }

#endif
