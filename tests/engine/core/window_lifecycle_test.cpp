// The window's start and end: no window system, the close box, a parent window.
#include "tests/engine/core/real_window.h"

#include <cstdlib>
#include <string>

namespace realwindow {
namespace {

// Sets or clears environment variables for one test.
class ScopedEnv {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had) {
                setenv(it->name.c_str(), it->value.c_str(), 1);
            } else {
                unsetenv(it->name.c_str());
            }
        }
    }

private:
    struct Saved {
        std::string name, value;
        bool had;
    };
    std::vector<Saved> saved_;
};

Engine* windowedEngine() {
    Engine* e = engineCreate(ENGINE_VERSION);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, W);
    e->System_SetState(STATE_SCREEN_HEIGHT, H);
    e->System_SetState(STATE_SOUND, false);
    return e;
}

TEST(StartWithoutDisplay, FailsWithTheWindowClassTextInsteadOfRunningUnseen) {
    ScopedEnv env;
    env.set("DISPLAY", nullptr);
    env.set("WAYLAND_DISPLAY", nullptr);
    env.set("SDL_VIDEODRIVER", nullptr);
    Engine* e = windowedEngine();
    EXPECT_FALSE(e->System_Initiate());
    EXPECT_STREQ(e->System_LastError(), "Can't register window class");
    EXPECT_EQ(e->System_GetState(STATE_WINDOW), nullptr);
    e->Release();
}

TEST(StartWithoutDisplay, AnOffScreenDriverRunsWhenTheUserNamesIt) {
    ScopedEnv env;
    env.set("DISPLAY", nullptr);
    env.set("WAYLAND_DISPLAY", nullptr);
    env.set("SDL_VIDEODRIVER", "offscreen");
    Engine* e = windowedEngine();
    bool started = e->System_Initiate();
    // It may lack OpenGL, but it is not refused as no window system.
    EXPECT_STRNE(e->System_LastError(), "Can't register window class");
    if (started) {
        EXPECT_NE(e->System_GetState(STATE_WINDOW), nullptr);
    }
    e->Release();
}

TEST_F(RealWindowTest, OneCloseAsksTheExitCallbackOnceAndLeavesNoQuitBehind) {
    start(nullptr);
    ASSERT_TRUE(initiated) << engine->System_LastError();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable();
    }));

    // Refused: asked once, and the loop goes on.
    g.exitAnswer = false;
    x->sendClose(xid());
    ASSERT_TRUE(x->waitFor([&] {
        runFrames(2);
        return g.exitAsks > 0;
    }));
    runFrames(2);
    EXPECT_EQ(g.exitAsks, 1);
    EXPECT_EQ(g.frames, 3);  // both frames ran: the refused close ended nothing

    // Accepted: asked once, the loop ends before its frames are done.
    g.exitAnswer = true;
    engine->System_SetState(STATE_FPS, 60);
    x->sendClose(xid());
    runFrames(1200);  // 20 s at most
    EXPECT_EQ(g.exitAsks, 2);
    EXPECT_LT(g.frames, 1200);

    // Nothing left over for the next loop.
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 0);
    engine->System_SetState(STATE_FPS, 0);
    const int renders = g.renders;
    runFrames(3);
    EXPECT_EQ(g.renders - renders, 3);
    EXPECT_EQ(g.exitAsks, 2);
}

TEST_F(RealWindowTest, AParentWindowHoldsTheWindowWindowedAndTheLoopStillTakesEvents) {
    startServer(nullptr);
    PrivateXServer::WindowId parent = x->createWindow(0, 0, 800, 600, 0x000080u);
    engine = nullptr;
    startEngine(reinterpret_cast<WindowHandle>(parent));
    ASSERT_TRUE(initiated) << engine->System_LastError();
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_EQ(x->parentOf(xid()), parent);
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable();
    }));
    PrivateXServer::Rect r = x->rect(xid());
    EXPECT_EQ(r, (PrivateXServer::Rect{0, 0, W, H}));
    // Alt+Enter cannot take a child window full screen.
    engine->System_SetState(STATE_WINDOWED, false);
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));

    // One frame per call (the host drives the loop), with the window's events taken.
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_a;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    SDL_PushEvent(&key);
    runFrames(5);
    EXPECT_EQ(g.frames, 1);
    EXPECT_EQ(g.framesWithKeyA, 1);
    EXPECT_EQ(windowPictureWrong(), 0);

    // The host sizes its child: the back buffer follows, through a reset.
    x->resizeWindow(xid(), 320, 240);
    EXPECT_TRUE(x->waitFor([&] {
        pumpOnly();
        return engine->System_GetState(STATE_SCREEN_WIDTH) == 320;
    }));
    EXPECT_EQ(engine->System_GetState(STATE_SCREEN_HEIGHT), 240);
    EXPECT_EQ(g.restores, 1);
}

TEST_F(RealWindowTest, AParentWindowThatDoesNotExistFailsWithAClearText) {
    startServer(nullptr);
    startEngine(reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(0x3FFFFFF)));
    EXPECT_FALSE(initiated);
    EXPECT_STREQ(engine->System_LastError(), "Can't create window: the parent window does not exist");
    EXPECT_EQ(engine->System_GetState(STATE_WINDOW), nullptr);
}

}  // namespace
}  // namespace realwindow
