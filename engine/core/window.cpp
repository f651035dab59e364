// The Engine's window: creating it (on a real window system only, or inside a
// parent window), its icon, the change between windowed and full screen, and
// destroying it.
#include "engine/core/engine_impl.h"
#include "engine/core/native_window.h"
#include "engine/graphics/image_decode.h"
#ifdef __EMSCRIPTEN__
#include "engine/core/web/page.h"

#include <emscripten/html5.h>
#endif

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// SDL's off-screen and dummy drivers show nothing: a game on them would run unseen
// for ever. They count as a window system only when the user names them.
bool invisibleDriverNotAskedFor() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0)) return false;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return !asked || !std::strstr(asked, driver);
}

// Room for the window manager's frame and title bar, which are not known before the
// window is shown.
constexpr int FRAME_ALLOWANCE_W = 16;
constexpr int FRAME_ALLOWANCE_H = 48;

}  // namespace

int startScale(int screenWidth, int screenHeight, int maxScale, int areaWidth, int areaHeight) {
    int scale = 1;
    while (scale < maxScale && (scale + 1) * screenWidth + FRAME_ALLOWANCE_W <= areaWidth &&
           (scale + 1) * screenHeight + FRAME_ALLOWANCE_H <= areaHeight) {
        ++scale;
    }
    return scale;
}

bool EngineImpl::createWindow() {
    if (ctx_.headless) {
        if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
            ctx_.postError("Can't create window");
            return false;
        }
        ctx_.windowExists = true;
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        ctx_.postError("Can't register window class");
        return false;
    }
    if (invisibleDriverNotAskedFor()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        ctx_.postError("Can't register window class");
        return false;
    }
    sdlVideo_ = true;
    // One close of the window is one request, asked once: SDL would follow the
    // window's close with a quit event of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A window inside a parent is always windowed.
    if (ctx_.parentWindow) ctx_.windowed = true;
    // OpenGL attributes are read when the window is created.
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!ctx_.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (ctx_.parentWindow) flags |= SDL_WINDOW_BORDERLESS;
    // A window of its own may grow; one inside a parent has the parent's say.
    const bool resizable = ctx_.windowScale > 0 && !ctx_.parentWindow;
    int width = ctx_.screenWidth, height = ctx_.screenHeight;
    if (resizable) {
        flags |= SDL_WINDOW_RESIZABLE;
        SDL_Rect area{0, 0, 0, 0};
        if (SDL_GetDisplayUsableBounds(0, &area) == 0) {
            const int scale = startScale(width, height, ctx_.windowScale, area.w, area.h);
            width *= scale;
            height *= scale;
        }
    }
#ifdef __EMSCRIPTEN__
    const int glMinor = 0, glProfile = SDL_GL_CONTEXT_PROFILE_ES;  // WebGL 2
#else
    const int glMinor = 3, glProfile = SDL_GL_CONTEXT_PROFILE_CORE;
#endif
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, glMinor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, glProfile);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, ctx_.zbuffer ? 16 : 0);
    int x = ctx_.parentWindow ? 0 : SDL_WINDOWPOS_CENTERED;
    ctx_.window = SDL_CreateWindow(ctx_.title, x, x, width, height, flags);
    if (!ctx_.window) {
        ctx_.postError("Can't create window");
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        sdlVideo_ = false;
        return false;
    }
    if (resizable) {
        SDL_SetWindowMinimumSize(ctx_.window, ctx_.screenWidth / ctx_.pixelSize, ctx_.screenHeight / ctx_.pixelSize);
    }
#ifdef __EMSCRIPTEN__
    // The canvas holds the smaller picture and the page scales it: the browser then
    // presents and composites the fewest pixels.
    emscripten_set_canvas_element_size("#canvas", ctx_.screenWidth / ctx_.pixelSize, ctx_.screenHeight / ctx_.pixelSize);
#endif
    ctx_.windowExists = true;
    if (ctx_.parentWindow) {
        EmbedResult embedded = embedWindow(ctx_.window, ctx_.parentWindow);
        if (embedded != EmbedResult::Embedded) {
            destroyWindow();
            ctx_.postError(embedded == EmbedResult::NoSuchParent
                               ? "Can't create window: the parent window does not exist"
                               : "Can't create window: this window system cannot hold it in a parent window");
            return false;
        }
    }
    applyIcon();
    SDL_ShowWindow(ctx_.window);
    if (!ctx_.parentWindow) SDL_RaiseWindow(ctx_.window);
    return true;
}

void EngineImpl::changeWindowMode() {
    if (!ctx_.window) return;
#ifdef __EMSCRIPTEN__
    // The page scales the canvas; the picture keeps its size.
    pageFullScreen(!ctx_.windowed);
    return;
#endif
    if (!ctx_.windowed) {
        // Where the window was, and whether maximised, to go back to that: not to the centre.
        SDL_GetWindowPosition(ctx_.window, &windowedX_, &windowedY_);
        windowedMaximized_ = (SDL_GetWindowFlags(ctx_.window) & SDL_WINDOW_MAXIMIZED) != 0;
        SDL_SetWindowFullscreen(ctx_.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(ctx_.window, 0);
    if (windowedMaximized_) {
        SDL_MaximizeWindow(ctx_.window);
        return;
    }
    // Only a window that moved is put back: a window manager that did not grant full
    // screen left it where it was, and one that keeps no frame extents (twm) would
    // take the position for its frame's and move it down by the title bar.
    int x = 0, y = 0;
    SDL_GetWindowPosition(ctx_.window, &x, &y);
    if (x != windowedX_ || y != windowedY_) SDL_SetWindowPosition(ctx_.window, windowedX_, windowedY_);
}

void EngineImpl::applyIcon() {
    if (!ctx_.window || !ctx_.icon[0]) return;
    uint32_t size = 0;
    void* data = files_.load(ctx_.icon, &size);
    if (!data) return;
    // Decoded as textures are, so that a damaged icon is left out, quietly.
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    bool decoded = decodeImage(data, size, pixels, &w, &h);
    files_.free(data);
    if (!decoded) return;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface) {
        SDL_SetWindowIcon(ctx_.window, surface);
        SDL_FreeSurface(surface);
    }
}

void EngineImpl::destroyWindow() {
    if (ctx_.window) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        SDL_DestroyWindow(ctx_.window);
        ctx_.window = nullptr;
    }
    if (ctx_.windowExists) {
        SDL_QuitSubSystem(sdlVideo_ ? (SDL_INIT_VIDEO | SDL_INIT_EVENTS) : SDL_INIT_EVENTS);
    }
    sdlVideo_ = false;
    ctx_.windowExists = false;
}
