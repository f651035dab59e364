// A private virtual X server (Xvfb) with an optional window manager, for the tests
// that need to see what a window system does with the engine's window: nothing of
// the caller's display is touched. While one lives, DISPLAY names it. Xlib stays
// inside (its KeyCode is not the engine's): windows are X ids here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;
struct SDL_Window;

class PrivateXServer {
public:
    using WindowId = unsigned long;

    // wm: null for none, else the window manager's program ("twm", "openbox").
    PrivateXServer(int width, int height, const char* wm);
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Empty when the server and its window manager run; else why not.
    const std::string& failure() const { return failure_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Polls cond (after syncing with the server) until it holds, for at most 20 s:
    // window managers answer in their own time.
    template <class F>
    bool waitFor(F cond) {
        for (int i = 0; i < 2000; ++i) {
            sync();
            if (cond()) return true;
            pause();
        }
        return false;
    }

    // The screen's pixels in a rectangle as 0xRRGGBB, top row first.
    std::vector<uint32_t> grab(int x, int y, int w, int h);

    // Where a window's inside is on the screen, and its size.
    struct Rect {
        int x = 0, y = 0, w = 0, h = 0;
        bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
    };
    Rect rect(WindowId window);
    bool viewable(WindowId window);
    WindowId parentOf(WindowId window);
    WindowId root();
    // True when something has taken over the placement of top-level windows.
    bool managed();

    static WindowId idOf(SDL_Window* window);
    // A plain window of one colour, placed by no window manager.
    WindowId createWindow(int x, int y, int w, int h, uint32_t rgb);
    // A plain window mapped as an application's is, for the window manager to frame.
    WindowId createManagedWindow(int w, int h);
    // Whether the window manager has put the window into a frame of its own and shows it.
    bool framed(WindowId window);
    void destroyWindow(WindowId window);
    void resizeWindow(WindowId window, int w, int h);
    // What a window manager sends when the close box is clicked.
    void sendClose(WindowId window);
    void sync();

private:
    static void pause();
    bool probeWindowManager();

    int width_, height_;
    std::string failure_;
    std::string oldDisplay_;
    bool hadDisplay_ = false;
    int serverPid_ = -1;
    int wmPid_ = -1;
    _XDisplay* display_ = nullptr;
};

// While it lives, the process's X error handler is one that keeps every error to
// itself, as a program's own handler may; caught() counts them.
class SwallowingXErrorHandler {
public:
    SwallowingXErrorHandler();
    ~SwallowingXErrorHandler();
    SwallowingXErrorHandler(const SwallowingXErrorHandler&) = delete;
    SwallowingXErrorHandler& operator=(const SwallowingXErrorHandler&) = delete;
    int caught() const;

private:
    void* previous_;
};
