#include "engine/core/engine_impl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that moves 1 ms per reading and by the slept time, plus whatever the
// frame callback spends.
class FakePlatform final : public LoopPlatform {
public:
    uint32_t ticks() override { return now_++; }
    void sleep(uint32_t ms) override {
        now_ += ms;
        sleeps.push_back(ms);
        sleptAt.push_back(now_);
    }
    bool pollEvent(SDL_Event* event) override {
        std::vector<SDL_Event>& queue = pending.empty() && sleeps.size() >= lateAfterSleeps ? late : pending;
        if (queue.empty()) return false;
        *event = queue.front();
        queue.erase(queue.begin());
        return true;
    }
    void spend(uint32_t ms) { now_ += ms; }
    uint32_t now() const { return now_; }

    std::vector<uint32_t> sleeps;
    std::vector<uint32_t> sleptAt;
    std::vector<SDL_Event> pending;
    std::vector<SDL_Event> late;  // delivered once this many sleeps have passed:
    size_t lateAfterSleeps = 0;

private:
    uint32_t now_ = 1000;
};

FakePlatform* g_platform = nullptr;
Engine* g_engine = nullptr;
std::vector<float> g_times;
std::vector<uint32_t> g_frameTicks;
int g_frames = 0;
int g_stopAfter = 0;
uint32_t g_spendOnFrame = 0;
int g_spendAtFrame = -1;
int g_renders = 0;

bool onFrame() {
    g_times.push_back(g_engine->Timer_Time());
    g_frameTicks.push_back(g_platform->now());
    if (g_frames == g_spendAtFrame) g_platform->spend(g_spendOnFrame);
    ++g_frames;
    return g_frames >= g_stopAfter;
}

bool onRender() {
    ++g_renders;
    return false;
}

bool refuseExit() { return false; }

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        g_engine = engineCreateHeadless(ENGINE_VERSION);
        g_engine->System_SetState(STATE_SOUND, false);
        g_engine->System_SetState(STATE_FRAME_FUNC, onFrame);
        g_engine->System_SetState(STATE_RENDER_FUNC, onRender);
        engineImpl()->setLoopPlatform(&platform_);
        g_platform = &platform_;
        g_times.clear();
        g_frameTicks.clear();
        g_frames = 0;
        g_renders = 0;
        g_spendAtFrame = -1;
        ASSERT_TRUE(g_engine->System_Initiate());
    }
    void TearDown() override {
        engineImpl()->setLoopPlatform(nullptr);
        g_engine->Release();
    }
    FakePlatform platform_;
};

TEST_F(FrameLoop, FixedRateFramesStartEverySixteenMilliseconds) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 5;
    EXPECT_TRUE(g_engine->System_Start());
    ASSERT_EQ(g_frames, 5);
    EXPECT_EQ(g_renders, 4);  // the frame that ends the loop is not rendered
    for (size_t i = 1; i < g_frameTicks.size(); ++i) {
        EXPECT_GE(g_frameTicks[i] - g_frameTicks[i - 1], 16u);
        EXPECT_LE(g_frameTicks[i] - g_frameTicks[i - 1], 17u);
    }
    // Each frame adds its measured length, 16 ms here.
    EXPECT_NEAR(g_times[1] - g_times[0], 0.016f, 1e-5f);
    EXPECT_FLOAT_EQ(g_engine->Timer_Delta(), 0.0166667f);
}

TEST_F(FrameLoop, SleepsOnlyWhenMoreThanThreeMillisecondsRemain) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 3;
    g_engine->System_Start();
    ASSERT_FALSE(platform_.sleeps.empty());
    for (size_t i = 0; i < platform_.sleeps.size(); ++i) EXPECT_EQ(platform_.sleeps[i], 1u);
    // Every sleep happened with the frame still at least 3 ms away.
    size_t frame = 0;
    for (uint32_t at : platform_.sleptAt) {
        while (frame < g_frameTicks.size() && g_frameTicks[frame] < at) ++frame;
        if (frame < g_frameTicks.size()) {
            EXPECT_GE(g_frameTicks[frame] - at, 2u);
        }
    }
}

TEST_F(FrameLoop, LongFramesAreClampedToTheFixedFrame) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 3;
    g_spendAtFrame = 1;  // frame 1 takes 250 ms
    g_spendOnFrame = 250;
    g_engine->System_Start();
    ASSERT_EQ(g_times.size(), 3u);
    EXPECT_NEAR(g_times[2] - g_times[1], 0.016f, 1e-5f);
}

TEST_F(FrameLoop, LongFramesWithoutFixedRateCountOneHundredth) {
    g_engine->System_SetState(STATE_FPS, 0);
    g_stopAfter = 3;
    g_spendAtFrame = 1;
    g_spendOnFrame = 250;
    g_engine->System_Start();
    ASSERT_EQ(g_times.size(), 3u);
    EXPECT_NEAR(g_times[2] - g_times[1], 0.01f, 1e-6f);
    // Unlimited: frames follow each other after the 1 ms minimum, never sleeping.
    EXPECT_TRUE(platform_.sleeps.empty());
}

TEST_F(FrameLoop, FramesPerSecondRollsOverAfterASecond) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 70;
    g_engine->System_Start();
    // 62 or 63 frames fit in the first 1000 ms at 16 ms each.
    EXPECT_GE(g_engine->Timer_FPS(), 61);
    EXPECT_LE(g_engine->Timer_FPS(), 63);
}

TEST_F(FrameLoop, InactiveWindowSleepsUnlessRunInactive) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 1000;
    SDL_Event lost{};
    lost.type = SDL_WINDOWEVENT;
    lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_Event quit{};
    quit.type = SDL_QUIT;

    // Focus goes at once; the close comes 50 sleeps later: no frame runs meanwhile.
    platform_.pending = {lost};
    platform_.late = {quit};
    platform_.lateAfterSleeps = 50;
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 0);
    EXPECT_GE(platform_.sleeps.size(), 50u);

    // Running while inactive: frames go on although the window has no focus.
    g_engine->System_SetState(STATE_RUN_INACTIVE, true);
    platform_.pending = {lost};
    g_stopAfter = 4;
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 4);
}

TEST_F(FrameLoop, ExitCallbackCanRefuseTheClose) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_engine->System_SetState(STATE_EXIT_FUNC, refuseExit);
    g_stopAfter = 3;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    platform_.pending = {quit};
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 3);  // the close was refused; the frame callback ended the loop

    g_engine->System_SetState(STATE_EXIT_FUNC, nullptr);
    g_frames = 0;
    platform_.pending = {quit};
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 0);
}

}  // namespace
