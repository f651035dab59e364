#include "tests/support/x_server.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid != 0) return pid;
    // Goes with the test process, also when that is killed: no server left behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The servers' chatter is not the test's output.
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[0], argv.data());
    _exit(127);
}

// SIGTERM, and SIGKILL for a program that has not ended 2 s later (a window manager
// busy with a grab may never get to its handler).
void stop(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

PrivateXServer::PrivateXServer(int width, int height, const char* wm) : width_(width), height_(height) {
    if (const char* d = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        oldDisplay_ = d;
    }
    // Xvfb picks a free display number and writes it to the pipe once it listens.
    int fds[2];
    if (pipe(fds) != 0) {
        failure_ = "no pipe";
        return;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    char screen[64];
    std::snprintf(screen, sizeof(screen), "%dx%dx24", width, height);
    serverPid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"});
    close(fds[1]);
    std::string number;
    char c;
    while (serverPid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        failure_ = "Xvfb did not start";
        return;
    }
    std::string name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
    display_ = XOpenDisplay(name.c_str());
    if (!display_) {
        failure_ = "cannot open " + name;
        return;
    }
    if (wm) {
        wmPid_ = spawn({wm});
        if (wmPid_ <= 0) {
            failure_ = std::string(wm) + " cannot be started (tools/install-deps.sh installs it)";
            return;
        }
        if (!waitFor([this] { return managed(); })) {
            failure_ = std::string(wm) + " did not take over the screen";
        } else if (!probeWindowManager()) {
            failure_ = std::string(wm) + " did not frame a window";
        }
    }
}

// A window manager selects redirection on the root before it is ready: openbox,
// asked to map a window during its own start-up, may leave the request pending
// until something else happens on the root. So it counts as running once it has
// framed a window of ours, and the root is poked (a property change) until it has.
bool PrivateXServer::probeWindowManager() {
    Window probe = createManagedWindow(64, 64);
    Atom poke = XInternAtom(display_, "_TIMBERDRIVE_TEST_POKE", False);
    bool framedOnce = false;
    for (int i = 0; i < 2000 && !framedOnce; ++i) {
        long value = i;
        XChangeProperty(display_, DefaultRootWindow(display_), poke, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&value), 1);
        sync();
        framedOnce = framed(probe);
        if (!framedOnce) pause();
    }
    XDeleteProperty(display_, DefaultRootWindow(display_), poke);
    destroyWindow(probe);
    return framedOnce;
}

PrivateXServer::~PrivateXServer() {
    if (display_) XCloseDisplay(display_);
    stop(wmPid_);
    stop(serverPid_);
    if (hadDisplay_) {
        setenv("DISPLAY", oldDisplay_.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}

void PrivateXServer::pause() { usleep(10000); }

bool PrivateXServer::managed() {
    // A window manager is the one client that selects redirection on the root.
    XWindowAttributes a;
    return XGetWindowAttributes(display_, DefaultRootWindow(display_), &a) &&
           (a.all_event_masks & SubstructureRedirectMask);
}

std::vector<uint32_t> PrivateXServer::grab(int x, int y, int w, int h) {
    std::vector<uint32_t> out(static_cast<size_t>(w) * h, 0);
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, w, h, AllPlanes, ZPixmap);
    if (!image) return out;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) out[static_cast<size_t>(j) * w + i] = XGetPixel(image, i, j) & 0xFFFFFFu;
    }
    XDestroyImage(image);
    return out;
}

void PrivateXServer::sync() { XSync(display_, False); }

PrivateXServer::WindowId PrivateXServer::root() { return DefaultRootWindow(display_); }

bool PrivateXServer::viewable(WindowId window) {
    XWindowAttributes a;
    return XGetWindowAttributes(display_, window, &a) && a.map_state == IsViewable;
}

PrivateXServer::WindowId PrivateXServer::parentOf(WindowId window) {
    Window rootId = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display_, window, &rootId, &parent, &children, &n)) return 0;
    if (children) XFree(children);
    return parent;
}

PrivateXServer::WindowId PrivateXServer::idOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

PrivateXServer::WindowId PrivateXServer::createWindow(int x, int y, int w, int h, uint32_t rgb) {
    XSetWindowAttributes a;
    a.override_redirect = True;
    a.background_pixel = rgb;
    Window id = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                              CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(display_, id);
    XSync(display_, False);
    return id;
}

PrivateXServer::WindowId PrivateXServer::createManagedWindow(int w, int h) {
    Window id = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(w),
                                    static_cast<unsigned>(h), 0, 0, 0);
    // A position of the user's own: twm would otherwise wait for a click to place it.
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    XSetWMNormalHints(display_, id, &hints);
    XMapWindow(display_, id);
    XSync(display_, False);
    return id;
}

bool PrivateXServer::framed(WindowId window) {
    return parentOf(window) != root() && viewable(window);
}

void PrivateXServer::destroyWindow(WindowId window) {
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

void PrivateXServer::resizeWindow(WindowId window, int w, int h) {
    XResizeWindow(display_, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(display_, False);
}

void PrivateXServer::sendClose(WindowId window) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &e);
    XSync(display_, False);
}

PrivateXServer::Rect PrivateXServer::rect(WindowId window) {
    Rect r;
    XWindowAttributes a;
    Window child;
    if (!XGetWindowAttributes(display_, window, &a)) return r;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &r.x, &r.y, &child);
    r.w = a.width;
    r.h = a.height;
    return r;
}

namespace {
int g_swallowed = 0;
int swallowXError(Display*, XErrorEvent*) {
    ++g_swallowed;
    return 0;
}
}  // namespace

SwallowingXErrorHandler::SwallowingXErrorHandler()
    : previous_(reinterpret_cast<void*>(XSetErrorHandler(swallowXError))) {
    g_swallowed = 0;
}

SwallowingXErrorHandler::~SwallowingXErrorHandler() {
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(previous_));
}

int SwallowingXErrorHandler::caught() const { return g_swallowed; }
