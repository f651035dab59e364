// What is on the screen when the window changes mode or is uncovered, under a
// private X server with no window manager, with twm and with openbox.
#include "tests/engine/core/real_window.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace realwindow {
namespace {

void pressAltEnter() {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_RETURN;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    e.key.keysym.mod = KMOD_LALT;
    engineImpl()->dispatchEvent(e);
}

using AltEnter = UnderWindowManager;

TEST_P(AltEnter, TwiceGivesThePictureBackInTheSamePlaceAndFullScreenFillsTheScreen) {
    start(wm());
    ASSERT_TRUE(initiated) << engine->System_LastError();
    const PrivateXServer::WindowId w = xid();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable() && (!wm() || x->parentOf(w) != x->root());
    }));
    // Away from the centre, so that a return to the centre shows.
    SDL_SetWindowPosition(static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW)), 40, 60);
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        PrivateXServer::Rect r = x->rect(w);
        return r.x < 200 && r.y < 200;
    }));
    const PrivateXServer::Rect before = x->rect(w);
    runFrames(1);
    EXPECT_EQ(windowPictureWrong(), 0);
    const std::vector<uint32_t> first = x->grab(before.x, before.y, W, H);

    pressAltEnter();
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    // Only openbox grants full screen; the others leave the window as it is.
    const bool granted = wm() && std::string(wm()) == "openbox";
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        PrivateXServer::Rect r = x->rect(w);
        return granted ? r.w == x->width() && r.h == x->height() : r == before;
    }));
    runFrames(1);
    // The pointer lands where the picture is.
    const std::pair<float, float> pictureSpot{100.0f, 50.0f};
    if (granted) {
        // 1280 x 1024 holds the picture twice over: 1280 x 960 between two bars of 32.
        EXPECT_EQ(picturePixelsWrong(2, 0, 32, 0, 0, x->width(), x->height()), 0);
        EXPECT_EQ(clickAt(200, 132), pictureSpot);
    } else {
        EXPECT_EQ(windowPictureWrong(), 0);
        EXPECT_EQ(clickAt(100, 50), pictureSpot);
    }

    pressAltEnter();
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_TRUE(x->waitFor([&] {
        pumpOnly();
        return x->rect(w) == before;
    }));
    runFrames(1);
    PrivateXServer::Rect after = x->rect(w);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(x->grab(before.x, before.y, W, H), first);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, AltEnter, ::testing::Values("none", "twm", "openbox"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// A screen of 1024 x 768 holds the picture once: full screen draws it 1:1 between
// bars of 192 and 144, where clears and clip rectangles stay inside it.
TEST_F(RealWindowTest, FullScreenAtScaleOneShowsAndReadsThePictureAsAWindowDoes) {
    start("openbox", 1024, 768);
    ASSERT_TRUE(initiated) << engine->System_LastError();
    const PrivateXServer::WindowId w = xid();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable() && x->parentOf(w) != x->root();
    }));
    runFrames(1);
    ASSERT_EQ(windowPictureWrong(), 0);
    Graphics* gfx = engineImpl()->graphics();
    std::vector<uint32_t> windowed(static_cast<size_t>(W) * H), full(windowed.size());
    ASSERT_TRUE(gfx->readPixels(0, 0, 0, W, H, windowed.data()));

    pressAltEnter();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        PrivateXServer::Rect r = x->rect(w);
        return r.w == x->width() && r.h == x->height();
    }));
    runFrames(1);
    EXPECT_EQ(picturePixelsWrong(1, 192, 144, 0, 0, x->width(), x->height()), 0);
    ASSERT_TRUE(gfx->readPixels(0, 0, 0, W, H, full.data()));
    EXPECT_EQ(full, windowed);

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFFFF0000);
    engine->Gfx_SetClipRect(10, 20, 30, 40);
    engine->Gfx_Clear(0xFF00FF00);
    engine->Gfx_SetClipRect(600, 0, 100, 10);
    engine->Gfx_DrawRect(0, 0, W, H, 0xFF0000FF);
    engine->Gfx_EndScene();
    const std::vector<uint32_t> shot = x->grab(0, 0, x->width(), x->height());
    auto at = [&](int px, int py) { return shot[static_cast<size_t>(py) * x->width() + px]; };
    EXPECT_EQ(at(191, 300), 0u);               // bars
    EXPECT_EQ(at(500, 143), 0u);
    EXPECT_EQ(at(832, 300), 0u);
    EXPECT_EQ(at(500, 624), 0u);
    EXPECT_EQ(at(192, 144), 0xFF0000u);        // the picture's corner
    EXPECT_EQ(at(192 + 10, 144 + 20), 0x00FF00u);
    EXPECT_EQ(at(192 + 39, 144 + 59), 0x00FF00u);
    EXPECT_EQ(at(192 + 40, 144 + 59), 0xFF0000u);
    EXPECT_EQ(at(192 + 639, 144), 0x0000FFu);  // clipped at the picture's edge
    EXPECT_EQ(at(192 + 639, 144 + 10), 0xFF0000u);
    EXPECT_EQ(at(192 + 639, 144 + 479), 0xFF0000u);
}

// The last picture is kept by the window, or copied before each swap where the window
// system cannot keep it.
class Uncovered : public RealWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override { setenv("TIMBERDRIVE_GL_SWAP", GetParam(), 1); }
    void TearDown() override {
        RealWindowTest::TearDown();
        unsetenv("TIMBERDRIVE_GL_SWAP");
    }
};

TEST_P(Uncovered, AnUncoveredWindowShowsItsLastPictureWithoutDrawingAgain) {
    start(nullptr);
    ASSERT_TRUE(initiated) << engine->System_LastError();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable();
    }));
    runFrames(1);
    ASSERT_EQ(windowPictureWrong(), 0);
    const int renders = g.renders;

    // A red window over ours, then gone: the uncovered part must not stay red or blank.
    PrivateXServer::Rect r = x->rect(xid());
    PrivateXServer::WindowId cover = x->createWindow(r.x - 10, r.y - 10, W + 20, H + 20, 0xFF0000u);
    ASSERT_TRUE(x->waitFor([&] { return x->grab(r.x + W / 2, r.y + H / 2, 1, 1)[0] == 0xFF0000u; }));
    x->destroyWindow(cover);
    EXPECT_TRUE(x->waitFor([&] {
        pumpOnly();
        return windowPictureWrong() == 0;
    }));
    EXPECT_EQ(g.renders, renders);  // the render callback is never called for a repaint
    // Read-backs too give the last picture.
    std::vector<uint32_t> px(static_cast<size_t>(W) * H);
    ASSERT_TRUE(engineImpl()->graphics()->readPixels(0, 0, 0, W, H, px.data()));
    EXPECT_EQ(px[123 * W + 456], 0xFF000000u | patternPixel(456, 123));
    EXPECT_EQ(px[479 * W + 639], 0xFF000000u | patternPixel(639, 479));
}

INSTANTIATE_TEST_SUITE_P(WindowKeeps, Uncovered, ::testing::Values("", "1"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param ? "CopiedBeforeEachSwap" : "KeptByTheWindow");
                         });

// xdotool on the private server, as a player's keys and mouse; false when it fails.
bool xdotool(const std::string& args) { return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }

// The game holds the pointer for the paw, yet under openbox the window manager's
// keys still move and maximise the window (Alt+Space and its menu), full screen
// gives the maximised window back, and Alt+Tab to another window frees the pointer.
TEST_F(RealWindowTest, UnderOpenboxTheWindowManagersKeysWorkAndAltTabGivesThePointerBack) {
    startServer("openbox");
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
    const PrivateXServer::WindowId other = x->createManagedWindow(200, 200);
    engine = engineCreate(ENGINE_VERSION);
    engine->System_SetState(STATE_WINDOW_SCALE, 1);  // as the game's: the window manager may size it
    startEngine();
    ASSERT_TRUE(initiated) << engine->System_LastError();
    engine->System_SetState(STATE_HIDE_CURSOR, true);
    SDL_Window* window = static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW));
    const auto held = [] { return SDL_GetRelativeMouseMode() == SDL_TRUE; };
    ASSERT_TRUE(x->waitFor([&] {
        runFrames(1);
        return x->framed(xid()) && held();
    })) << "the pointer never held";
    // A person's keys, with the game's frames between them.
    const auto keys = [&](std::initializer_list<const char*> steps) {
        for (const char* step : steps) {
            ASSERT_TRUE(xdotool(step)) << step;
            for (int i = 0; i < 10; ++i) runFrames(1);
        }
    };
    const auto menu = [&](const char* item) {
        keys({"keydown alt", "key space", "keyup alt", item});
    };

    const PrivateXServer::Rect start = x->rect(xid());
    menu("key m");
    keys({"key Right Right Right Down", "key Return"});
    EXPECT_TRUE(x->waitFor([&] { return x->rect(xid()).x > start.x; })) << "not moved by the menu's Move";
    menu("key x");
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) && x->rect(xid()).w > start.w;
    })) << "not maximised by the menu";
    const PrivateXServer::Rect maximised = x->rect(xid());
    for (int i = 0; i < 2; ++i) keys({"keydown alt", "key Return", "keyup alt"});
    EXPECT_TRUE(x->waitFor([&] {
        pumpOnly();
        return engine->System_GetState(STATE_WINDOWED) && x->rect(xid()) == maximised;
    })) << "out of full screen, not maximised as before";
    EXPECT_TRUE(x->waitFor([&] {
        runFrames(1);
        return held();
    })) << "the pointer not held again after the keys";

    keys({"keydown alt", "key Tab", "keyup alt"});
    EXPECT_TRUE(x->waitFor([&] {
        runFrames(1);
        return !held();
    })) << "the pointer still held by a window that lost the focus";
    // Nothing keeps the pointer in the game's window any more.
    ASSERT_TRUE(xdotool("mousemove 3 3"));
    FILE* where = popen("xdotool getmouselocation", "r");
    char line[128] = {};
    ASSERT_NE(where, nullptr);
    EXPECT_NE(fgets(line, sizeof line, where), nullptr);
    pclose(where);
    EXPECT_EQ(std::string(line).rfind("x:3 y:3 ", 0), 0u) << line;
    x->destroyWindow(other);
}

}  // namespace
}  // namespace realwindow
