#include "engine/core/frame_pacer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double STEP = 1000.0 / 60.0;

// Passes at a display's rate for the given seconds, each pass late by a jitter that
// cycles through +-jitterMs; the frames run.
int framesOver(double hz, double seconds, double jitterMs = 0.0) {
    FramePacer pacer(STEP);
    pacer.start(0.0);
    const double period = 1000.0 / hz;
    int frames = 0;
    for (int n = 1; n * period <= seconds * 1000.0; ++n) {
        const double jitter = jitterMs * std::sin(n * 1.7);
        frames += pacer.pass(n * period + jitter);
    }
    return frames;
}

TEST(FramePacer, SixtyFramesASecondOnEveryDisplayRateOfSixtyOrMore) {
    struct Case {
        double hz;
        double jitterMs;
    };
    for (Case c : {Case{60, 0}, Case{60, 1.5}, Case{75, 0}, Case{90, 0.5}, Case{120, 0}, Case{120, 1.0},
                   Case{144, 0}, Case{144, 1.0}, Case{165, 0}, Case{240, 0.5}}) {
        EXPECT_NEAR(framesOver(c.hz, 20.0, c.jitterMs), 1200, 1) << c.hz << " Hz, jitter " << c.jitterMs;
    }
}

TEST(FramePacer, ASlowerDisplayGetsEveryFrameOwedUpToEightAPicture) {
    // Software graphics at 13.6 pictures a second still step the game 60 times.
    for (double hz : {59.94, 30.0, 13.6, 8.0}) EXPECT_NEAR(framesOver(hz, 20.0), 1200, 1) << hz << " Hz";
    // Twelve owed to each picture: the game slows down to eight.
    EXPECT_EQ(framesOver(5, 20.0), 800);
}

TEST(FramePacer, APassRunsTheFramesOwedSinceTheLast) {
    FramePacer pacer(STEP);
    pacer.start(0.0);
    // A pass 100 ms late is owed six frames and runs them; the next is on time again.
    EXPECT_EQ(pacer.pass(100.0), 6);
    EXPECT_EQ(pacer.pass(100.0 + 1000.0 / 144), 0);
    EXPECT_EQ(pacer.pass(100.0 + STEP), 1);
}

TEST(FramePacer, AfterALongPauseTheClockStartsOverInsteadOfHurrying) {
    FramePacer pacer(STEP);
    pacer.start(0.0);
    EXPECT_EQ(pacer.pass(STEP), 1);
    // A hidden page: no passes for 5 s, then a 144 Hz display again.
    int frames = 0;
    for (int n = 0; n < 144; ++n) frames += pacer.pass(5000.0 + n * 1000.0 / 144);
    EXPECT_NEAR(frames, 60, 1);
}

TEST(FramePacer, NoStepMeansAFrameOnEveryPass) {
    FramePacer pacer;
    pacer.start(0.0);
    EXPECT_EQ(pacer.pass(0.0), 1);
    EXPECT_EQ(pacer.pass(0.1), 1);
}

}  // namespace
