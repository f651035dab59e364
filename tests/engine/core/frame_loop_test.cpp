#include "engine/core/engine_impl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint64_t SECOND = 1000000;
constexpr uint64_t START = 5 * SECOND;

// A clock that moves only by what the loop sleeps (plus a late wake-up by a repeating
// pattern) and by what the frame callback spends. Events arrive at given times.
class FakePlatform final : public LoopPlatform {
public:
    uint64_t microseconds() override { return now_; }
    void sleep(uint64_t us) override {
        now_ += us;
        if (!oversleep.empty()) now_ += oversleep[sleeps.size() % oversleep.size()];
        sleeps.push_back(us);
        wokeAt.push_back(now_);
    }
    bool pollEvent(SDL_Event* event) override {
        ++polls;
        if (events.empty() || events.front().first > now_) return false;
        *event = events.front().second;
        events.erase(events.begin());
        return true;
    }
    void spend(uint64_t us) { now_ += us; }
    uint64_t now() const { return now_; }

    std::vector<uint64_t> oversleep;
    std::vector<uint64_t> sleeps;
    std::vector<uint64_t> wokeAt;
    std::vector<std::pair<uint64_t, SDL_Event>> events;  // (arrival, event), in order
    int polls = 0;

private:
    uint64_t now_ = START;
};

FakePlatform* g_platform = nullptr;
Engine* g_engine = nullptr;
std::vector<float> g_times;
std::vector<uint64_t> g_frameAt;
std::string g_order;  // F frame, R render, L focus lost, G focus gained
int g_frames = 0;
int g_stopAfter = 0;
uint64_t g_spend = 0;
uint64_t g_updateSpend = 0;  // every frame
uint64_t g_renderSpend = 0;
int g_spendAtFrame = -1;
int g_newRateAtFrame = -1;
int g_newRate = 0;

std::string g_keyFrames;  // per frame: whether it saw A go down

bool onFrame() {
    g_keyFrames += g_engine->Input_KeyPressed('A') ? 'A' : '-';
    g_times.push_back(g_engine->Timer_Time());
    g_frameAt.push_back(g_platform->now());
    g_order += 'F';
    if (g_frames == g_spendAtFrame) g_platform->spend(g_spend);
    g_platform->spend(g_updateSpend);
    if (g_frames == g_newRateAtFrame) g_engine->System_SetState(STATE_FPS, g_newRate);
    ++g_frames;
    return g_frames >= g_stopAfter;
}

// R a picture drawn, r one drawn unseen (its drawing reached no renderer).
bool onRender() {
    g_platform->spend(g_renderSpend);
    const long before = engineImpl()->graphics()->stats().batches;
    g_engine->Gfx_BeginScene(0);
    g_engine->Gfx_DrawRect(0, 0, 4, 4, 0xFFFFFFFF);
    g_engine->Gfx_EndScene();
    g_order += engineImpl()->graphics()->stats().batches > before ? 'R' : 'r';
    return false;
}

bool onFocusLost() {
    g_order += 'L';
    return false;
}

bool onFocusGained() {
    g_order += 'G';
    return false;
}

bool refuseExit() { return false; }

SDL_Event windowEvent(uint8_t kind) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = kind;
    return e;
}

SDL_Event quitEvent() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}

// When frame n of a schedule started at `start` is due at `rate` frames a second.
uint64_t due(uint64_t start, uint64_t n, int rate) { return start + n * SECOND / static_cast<uint64_t>(rate); }

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        platform_ = FakePlatform();
        g_engine = engineCreateHeadless(ENGINE_VERSION);
        g_engine->System_SetState(STATE_SOUND, false);
        g_engine->System_SetState(STATE_FRAME_FUNC, onFrame);
        g_engine->System_SetState(STATE_RENDER_FUNC, onRender);
        g_engine->System_SetState(STATE_FOCUS_LOST_FUNC, onFocusLost);
        g_engine->System_SetState(STATE_FOCUS_GAINED_FUNC, onFocusGained);
        engineImpl()->setLoopPlatform(&platform_);
        g_platform = &platform_;
        g_times.clear();
        g_frameAt.clear();
        g_order.clear();
        g_keyFrames.clear();
        g_frames = 0;
        g_spendAtFrame = -1;
        g_newRateAtFrame = -1;
        g_updateSpend = g_renderSpend = 0;
        ASSERT_TRUE(g_engine->System_Initiate());
        g_order.clear();  // the window took the focus
    }
    void TearDown() override {
        engineImpl()->setLoopPlatform(nullptr);
        g_engine->Release();
    }
    // A fresh engine and clock for the next case of a table.
    void restart() {
        TearDown();
        SetUp();
    }
    FakePlatform platform_;
};

TEST_F(FrameLoop, AMinuteAtSixtyHasExactly3600Updates) {
    // Punctual wake-ups, and wake-ups up to 2.5 ms late: the schedule absorbs lateness.
    const std::vector<std::vector<uint64_t>> wakeUps = {{}, {0, 2500, 700, 1300, 90}};
    for (const std::vector<uint64_t>& late : wakeUps) {
        restart();
        platform_.oversleep = late;
        g_engine->System_SetState(STATE_FPS, 60);
        g_stopAfter = 3700;
        EXPECT_TRUE(g_engine->System_Start());
        ASSERT_EQ(g_frameAt.size(), 3700u);
        const uint64_t first = g_frameAt[0];
        size_t inMinute = 0;
        for (size_t n = 0; n < g_frameAt.size(); ++n) {
            inMinute += g_frameAt[n] - first < 60 * SECOND;
            // No frame before its time, none a whole frame late.
            EXPECT_GE(g_frameAt[n], due(first, n, 60)) << n;
            EXPECT_LT(g_frameAt[n], due(first, n + 1, 60)) << n;
        }
        EXPECT_EQ(inMinute, 3600u);
        // The game's clock keeps time with the wall clock, and its step stays 1/60 s.
        EXPECT_NEAR(g_times[3600] - g_times[0], 60.0f, 0.02f);
        EXPECT_FLOAT_EQ(g_engine->Timer_Delta(), 0.0166667f);
    }
}

// On a punctual clock: steps of 16.667, 16.667 and 16.666 ms, each frame's time its
// measured length, and one sleep and one poll of the events per frame, each sleep
// ending exactly when the next frame starts (not a millisecond at a time).
TEST_F(FrameLoop, StepsAlternateSixteenAndSeventeenMillisecondsWithOneSleepEach) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 30;
    g_engine->System_Start();
    ASSERT_EQ(g_frameAt.size(), 30u);
    std::vector<uint64_t> gaps;
    for (size_t i = 1; i < 7; ++i) gaps.push_back(g_frameAt[i] - g_frameAt[i - 1]);
    EXPECT_EQ(gaps, (std::vector<uint64_t>{16667, 16667, 16666, 16667, 16667, 16666}));
    EXPECT_NEAR(g_times[2] - g_times[1], 0.016667f, 1e-6f);
    EXPECT_EQ(platform_.sleeps.size(), 30u);
    EXPECT_LE(platform_.polls, 31);
    for (size_t i = 1; i < g_frameAt.size(); ++i) EXPECT_EQ(platform_.wokeAt[i], g_frameAt[i]) << i;
}

TEST_F(FrameLoop, EventsThenFrameThenRenderInEveryPass) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_engine->System_SetState(STATE_RUN_INACTIVE, true);
    g_stopAfter = 4;
    // Focus goes during the first frame's wait and comes back during the third's.
    platform_.events = {{START + 5000, windowEvent(SDL_WINDOWEVENT_FOCUS_LOST)},
                        {START + 40000, windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)}};
    g_engine->System_Start();
    // The frame that ends the loop is not rendered.
    EXPECT_EQ(g_order, "LFRFRGFRF");
}

SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    return e;
}

// Frame 1 takes long; A goes down meanwhile. The next pass runs the frames owed since,
// all at once, only the last one drawn, up to eight (then the schedule starts again
// from there); without a fixed rate nothing is owed.
TEST_F(FrameLoop, FramesOwedAfterALongFrameRunBeforeOnePicture) {
    const struct {
        int fps;
        uint64_t longUs;
        const char* order;     // F frame, R drawn, r drawn unseen
        const char* keys;      // which frames saw A
        uint64_t next;         // from the last caught-up frame to the next
        float step;            // what the late pass's first frame adds to Timer_Time
    } cases[] = {
        {60, 50000, "FRFRFrFrFRF", "--A---", 16667, 50000e-6f / 3},
        {60, 250000, "FRFRFrFrFrFrFrFrFrFRF", "--A--------", 16666, 250000e-6f / 8},
        {0, 250000, "FRFRFRF", "--A-", 1000, 0.01f},  // a long frame counts 10 ms
    };
    for (const auto& c : cases) {
        restart();
        g_engine->System_SetState(STATE_FPS, c.fps);
        g_stopAfter = static_cast<int>(std::string(c.keys).size());
        g_spendAtFrame = 1;
        g_spend = c.longUs;
        platform_.events = {{START + 40000, keyDown(SDLK_a)}};
        g_engine->System_Start();
        EXPECT_EQ(g_order, c.order) << c.fps << " " << c.longUs;
        EXPECT_EQ(g_keyFrames, c.keys) << c.fps << " " << c.longUs;
        const size_t late = g_frameAt.size() - 2;  // the last frame of the late pass
        EXPECT_EQ(g_frameAt[2], g_frameAt[late]) << c.fps;
        EXPECT_EQ(g_frameAt[late + 1] - g_frameAt[late], c.next) << c.fps;
        EXPECT_NEAR(g_times[2] - g_times[1], c.step, 1e-6f) << c.fps;
    }
}

TEST_F(FrameLoop, UnlimitedFramesKeepAMillisecondApart) {
    g_engine->System_SetState(STATE_FPS, 0);
    g_stopAfter = 20;
    g_engine->System_Start();
    for (size_t i = 1; i < g_frameAt.size(); ++i) EXPECT_EQ(g_frameAt[i] - g_frameAt[i - 1], 1000u) << i;
}

TEST_F(FrameLoop, ANewRateTakesEffectAtTheNextFrame) {
    // Regression: frames counted at 60 must not be placed on the 30 Hz schedule.
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 205;
    g_newRateAtFrame = 200;
    g_newRate = 30;
    g_engine->System_Start();
    ASSERT_EQ(g_frameAt.size(), 205u);
    EXPECT_EQ(g_frameAt[201] - g_frameAt[200], 33333u);
    EXPECT_EQ(g_frameAt[204] - g_frameAt[201], 100000u);
}

TEST_F(FrameLoop, FramesPerSecondRollsOverAfterASecond) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 70;
    g_engine->System_Start();
    EXPECT_EQ(g_engine->Timer_FPS(), 60);
}

TEST_F(FrameLoop, AHostDrivesTheLoopOnePassAtATime) {
    // A browser calls one pass per its own frame, here every 4 ms: frames still keep
    // the schedule, and the pass says how long nothing is due.
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 1000000;
    EngineImpl* impl = engineImpl();
    ASSERT_TRUE(impl->beginLoop());
    for (int i = 0; i < 250 * 10; ++i) {  // ten seconds
        const LoopPass pass = impl->loopPass();
        ASSERT_FALSE(pass.ended);
        EXPECT_LE(pass.waitUs, 16667u);
        platform_.spend(4000);
    }
    impl->endLoop();
    // Each frame runs at the first pass at or after its time.
    EXPECT_GE(g_frames, 599);
    EXPECT_LE(g_frames, 601);
    EXPECT_EQ(g_order.substr(0, 6), "FRFRFR");
}

TEST_F(FrameLoop, FrameStatsRecordEachFramesUpdateAndRenderWhenAskedFor) {
    for (const char* asked : {"1", "0", ""}) {
        setenv("TIMBERDRIVE_FRAME_STATS", asked, 1);
        restart();
        unsetenv("TIMBERDRIVE_FRAME_STATS");
        g_engine->System_SetState(STATE_FPS, 60);
        g_stopAfter = 12;
        g_updateSpend = 2000;
        g_renderSpend = 5000;
        g_engine->System_Start();
        const FrameStats& stats = engineImpl()->frameStats();
        if (std::string(asked) != "1") {
            EXPECT_FALSE(stats.recording()) << asked;
            continue;
        }
        // The frame that ends the loop is not rendered and not counted.
        EXPECT_EQ(stats.frames(), 11u);
        EXPECT_EQ(stats.quantileOf(FrameStats::UPDATE, 0.95), 2000u);
        // Rendering is drawing plus showing the picture (the headless one takes no time
        // of the fake clock, but may of the real one; an odd count keeps the medians
        // of the two parts mirrored).
        EXPECT_EQ(stats.quantileOf(FrameStats::DRAW, 0.5) + stats.quantileOf(FrameStats::PRESENT, 0.5), 5000u);
    }
}

TEST_F(FrameLoop, InactiveWindowSleepsUnlessRunInactive) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 1000;
    // Focus goes at once; the close comes 50 ms later: no frame runs meanwhile.
    platform_.events = {{0, windowEvent(SDL_WINDOWEVENT_FOCUS_LOST)}, {START + 50000, quitEvent()}};
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 0);
    EXPECT_EQ(platform_.sleeps.size(), 50u);
    EXPECT_EQ(platform_.sleeps.front(), 1000u);

    // Running while inactive: frames go on although the window has no focus.
    g_engine->System_SetState(STATE_RUN_INACTIVE, true);
    platform_.events = {{0, windowEvent(SDL_WINDOWEVENT_FOCUS_LOST)}};
    g_stopAfter = 4;
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 4);
}

TEST_F(FrameLoop, ExitCallbackCanRefuseTheClose) {
    g_engine->System_SetState(STATE_FPS, 60);
    g_engine->System_SetState(STATE_EXIT_FUNC, refuseExit);
    g_stopAfter = 3;
    platform_.events = {{0, quitEvent()}};
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 3);  // the close was refused; the frame callback ended the loop

    g_engine->System_SetState(STATE_EXIT_FUNC, nullptr);
    g_frames = 0;
    platform_.events = {{0, quitEvent()}};
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 0);
}

}  // namespace
