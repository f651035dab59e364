// The input group in a real window (a virtual X server in CI), driven by xdotool
// like a player: relative pointer movement while the cursor is captured, buttons,
// and keys held at the keyboard. Skipped where no window or no xdotool exists.
#include "engine/core/engine_impl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

std::function<bool()> g_frame;
bool frameFunc() { return g_frame(); }

void xdotool(const std::string& args) {
    std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

class WindowInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display; run under xvfb-run";
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
        engine = engineCreate(ENGINE_VERSION);
        engine->System_SetState(STATE_TITLE, "input test");
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_SCREEN_WIDTH, 640);
        engine->System_SetState(STATE_SCREEN_HEIGHT, 480);
        engine->System_SetState(STATE_SOUND, false);
        engine->System_SetState(STATE_HIDE_CURSOR, true);
        engine->System_SetState(STATE_FPS, 60);
        // A window that loses the focus to another must not stop the frames: the test
        // would wait for them for ever instead of failing.
        engine->System_SetState(STATE_RUN_INACTIVE, true);
        if (!engine->System_Initiate()) {
            std::string error = engine->System_LastError();
            engine->Release();
            engine = nullptr;
            GTEST_SKIP() << "no window: " << error;
        }
        // The pointer over the window, as a player's would be.
        SDL_Window* w = static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW));
        int x = 0, y = 0;
        SDL_GetWindowPosition(w, &x, &y);
        xdotool("mousemove " + std::to_string(x + 320) + " " + std::to_string(y + 240));
    }
    void TearDown() override {
        if (engine) engine->Release();
        g_frame = nullptr;
    }

    // Runs frames until `frame` returns true or about five seconds have passed.
    bool runUntil(const std::function<bool(int)>& frame) {
        int n = 0;
        bool done = false;
        g_frame = [&] {
            done = frame(n++);
            return done || n > 300;
        };
        engine->System_SetState(STATE_FRAME_FUNC, frameFunc);
        EXPECT_TRUE(engine->System_Start());
        return done;
    }

    Engine* engine = nullptr;
};

TEST_F(WindowInputTest, TheCapturedPointerSeesExactlyTheMovementOfEachFrame) {
    // Wait until the window is active and has taken the pointer.
    bool captured = runUntil([&](int) { return SDL_GetRelativeMouseMode() == SDL_TRUE; });
    if (!captured) GTEST_SKIP() << "the window never became active (no focus under this X server)";

    // Like the game: the offset from the centre is the movement, then back to the centre.
    const int moves[][2] = {{12, 7}, {-30, 4}, {5, -25}, {40, 40}};
    int sent = 0, movedX = 0, movedY = 0, wantX = 0, wantY = 0, quiet = 0;
    bool ok = runUntil([&](int) {
        float x = 0, y = 0;
        engine->Input_MousePos(&x, &y);
        movedX += static_cast<int>(x) - 320;
        movedY += static_cast<int>(y) - 240;
        EXPECT_EQ(x, static_cast<float>(static_cast<int>(x)));  // whole pixels at this scale
        engine->Input_WarpMouse(320, 240);
        if (movedX == wantX && movedY == wantY) {
            if (sent == 4) return ++quiet > 10;  // and nothing more arrives afterwards
            wantX += moves[sent][0];
            wantY += moves[sent][1];
            xdotool("mousemove_relative -- " + std::to_string(moves[sent][0]) + " " + std::to_string(moves[sent][1]));
            ++sent;
        }
        return false;
    });
    EXPECT_TRUE(ok) << "moved " << movedX << "," << movedY << " of " << wantX << "," << wantY;
    EXPECT_EQ(movedX, 27);
    EXPECT_EQ(movedY, 26);
}

TEST_F(WindowInputTest, KeysAndButtonsHeldAtTheDevicesAreHeld) {
    bool focused = runUntil([&](int) { return SDL_GetKeyboardFocus() != nullptr && SDL_GetRelativeMouseMode(); });
    if (!focused) GTEST_SKIP() << "the window never took the keyboard focus";

    int phase = 0, pressedFrames = 0;
    bool ok = runUntil([&](int) {
        if (engine->Input_KeyPressed('W')) ++pressedFrames;
        switch (phase) {
        case 0:
            xdotool("keydown w mousedown 1");
            phase = 1;
            return false;
        case 1:
            if (!engine->Input_KeyHeld('W') || !engine->Input_KeyHeld(KEY_LBUTTON)) return false;
            EXPECT_FALSE(engine->Input_KeyHeld('A'));
            EXPECT_FALSE(engine->Input_KeyHeld(KEY_RBUTTON));
            EXPECT_TRUE(engine->Input_MouseInside());
            xdotool("keyup w mouseup 1");
            phase = 2;
            return false;
        default:
            return !engine->Input_KeyHeld('W') && !engine->Input_KeyHeld(KEY_LBUTTON);
        }
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(pressedFrames, 1);  // held for many frames, pressed in one
}

}  // namespace
