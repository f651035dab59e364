// A window that grows: it starts at the largest whole multiple of the picture that
// the desktop holds, up to the scale asked for; it can be resized and maximised but
// not made smaller than the picture; and it shows the picture scaled by the largest
// whole number that fits, centred between black bars, with the pointer mapped the
// same way.
#include "tests/engine/core/real_window.h"

namespace realwindow {
namespace {

TEST(StartScale, TheLargestWholeMultipleTheAreaHoldsWithTheWindowsFrame) {
    const struct {
        int maxScale, areaW, areaH, scale;
    } cases[] = {
        {2, 1920, 1050, 2},  // 1080p less a panel
        {2, 3840, 2100, 2},  // 4K: no more than asked
        {3, 3840, 2100, 3},
        {2, 1400, 1100, 2},
        {2, 1280, 1024, 1},  // 1280 wide, but not with the frame
        {2, 1920, 990, 1},   // 960 high, but not with the title bar
        {2, 1024, 768, 1},
        {2, 600, 400, 1},  // never below the picture
        {1, 3840, 2100, 1},
        {0, 3840, 2100, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startScale(W, H, c.maxScale, c.areaW, c.areaH), c.scale)
            << c.maxScale << " in " << c.areaW << " x " << c.areaH;
    }
}


class GrowingWindow : public UnderWindowManager {
protected:
    // A screen that holds the picture twice, with room for a frame.
    void startGrowing(int maxScale) {
        startServer(wm(), 1400, 1100);
        if (HasFatalFailure()) return;
        engine = engineCreate(ENGINE_VERSION);
        engine->System_SetState(STATE_WINDOW_SCALE, maxScale);
        startEngine();
    }
    SDL_Window* window() { return static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW)); }
    // Resizes the window and waits until the server has it at that size.
    bool resizeTo(int w, int h) {
        SDL_SetWindowSize(window(), w, h);
        return x->waitFor([&] {
            pumpOnly();
            const PrivateXServer::Rect r = x->rect(xid());
            return r.w == w && r.h == h;
        });
    }
};

TEST_P(GrowingWindow, StartsAtTwiceThePictureAndShowsItScaledByTheLargestWholeNumberThatFits) {
    startGrowing(2);
    ASSERT_TRUE(initiated) << engine->System_LastError();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable() && (!wm() || x->parentOf(xid()) != x->root());
    }));
    PrivateXServer::Rect r = x->rect(xid());
    EXPECT_EQ(r.w, 2 * W);
    EXPECT_EQ(r.h, 2 * H);

    // Between the whole scales: the picture at 1x in the middle, black around it.
    ASSERT_TRUE(resizeTo(1000, 800));
    runFrames(1);
    r = x->rect(xid());
    EXPECT_EQ(picturePixelsWrong(1, r.x + 180, r.y + 160, r.x, r.y, r.w, r.h), 0);
    const std::vector<uint32_t> once = x->grab(r.x + 180, r.y + 160, W, H);
    EXPECT_EQ(clickAt(180 + 100, 160 + 50), std::make_pair(100.0f, 50.0f));

    // Resized to 1280 x 960: every pixel of the 1x picture as a block of 2 x 2.
    ASSERT_TRUE(resizeTo(2 * W, 2 * H));
    runFrames(1);
    r = x->rect(xid());
    const std::vector<uint32_t> twice = x->grab(r.x, r.y, 2 * W, 2 * H);
    long wrong = 0;
    for (int j = 0; j < 2 * H; ++j) {
        for (int i = 0; i < 2 * W; ++i) {
            wrong += twice[static_cast<size_t>(j) * 2 * W + i] != once[static_cast<size_t>(j / 2) * W + i / 2];
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(clickAt(200, 100), std::make_pair(100.0f, 50.0f));

    // Not below the picture's size.
    SDL_SetWindowSize(window(), 300, 200);
    for (int i = 0; i < 20; ++i) pumpOnly();
    x->sync();
    r = x->rect(xid());
    EXPECT_GE(r.w, W);
    EXPECT_GE(r.h, H);
}

TEST_P(GrowingWindow, ByDefaultTheWindowKeepsThePicturesSize) {
    startGrowing(0);
    ASSERT_TRUE(initiated) << engine->System_LastError();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable();
    }));
    const PrivateXServer::Rect r = x->rect(xid());
    EXPECT_EQ(r.w, W);
    EXPECT_EQ(r.h, H);
    EXPECT_EQ(SDL_GetWindowFlags(window()) & SDL_WINDOW_RESIZABLE, 0u);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, GrowingWindow, ::testing::Values("none", "openbox"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Maximised by the window manager: the work area less the title bar holds the
// picture twice, centred.
TEST_F(RealWindowTest, AMaximisedWindowShowsThePictureAtTheLargestWholeScaleCentred) {
    startServer("openbox", 1400, 1100);
    engine = engineCreate(ENGINE_VERSION);
    engine->System_SetState(STATE_WINDOW_SCALE, 1);
    startEngine();
    ASSERT_TRUE(initiated) << engine->System_LastError();
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return viewable() && x->parentOf(xid()) != x->root();
    }));
    ASSERT_EQ(x->rect(xid()).w, W) << "asked to start at 1x";
    SDL_MaximizeWindow(static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW)));
    ASSERT_TRUE(x->waitFor([&] {
        pumpOnly();
        return x->rect(xid()).h >= 2 * H;
    }));
    // The window manager may grant the size in steps: the last one counts.
    long wrong = -1;
    PrivateXServer::Rect r;
    EXPECT_TRUE(x->waitFor([&] {
        runFrames(1);
        r = x->rect(xid());
        wrong = picturePixelsWrong(2, r.x + (r.w - 2 * W) / 2, r.y + (r.h - 2 * H) / 2, r.x, r.y, r.w, r.h);
        return wrong == 0;
    })) << wrong << " pixels wrong in " << r.w << " x " << r.h;
}

}  // namespace
}  // namespace realwindow
