#include "main/random.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>

namespace {

TEST(GameRandom, SequenceFromAFixedSeed) {
    seedRandom(12345);
    uint32_t s = 12345;
    for (int i = 0; i < 5; ++i) {
        s = s * 214013u + 2531011u;
        EXPECT_EQ(randomInt(1000), ((s >> 15) ^ s) % 1000u);
    }
    s = s * 214013u + 2531011u;
    EXPECT_FLOAT_EQ(random01(), static_cast<float>(s >> 16) * 1.5259022e-5f);
    s = s * 214013u + 2531011u;
    EXPECT_FLOAT_EQ(randomRange(-2.0f, 6.0f), -2.0f + 8.0f * static_cast<float>(s >> 16) * 1.5259022e-5f);
    EXPECT_EQ(randomState(), s);
}

TEST(GameRandom, EdgeValues) {
    // randomInt(0) still advances the state and returns 0 instead of dividing by zero.
    seedRandom(7);
    EXPECT_EQ(randomInt(0), 0u);
    EXPECT_EQ(randomState(), 7u * 214013u + 2531011u);
    seedRandom(7);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(randomInt(1), 0u);

    // random01 reaches both ends: a state with 0xFFFF in the top half gives 1.
    bool sawOne = false, sawZero = false;
    for (uint32_t seed = 1; seed < 300000 && !(sawOne && sawZero); ++seed) {
        seedRandom(seed);
        float r = random01();
        sawOne = sawOne || r == 1.0f;
        sawZero = sawZero || r == 0.0f;
        ASSERT_LE(r, 1.0f);
        ASSERT_GE(r, 0.0f);
    }
    EXPECT_TRUE(sawOne);
    EXPECT_TRUE(sawZero);

    // Seed 0 takes the clock: the state is no longer 0.
    seedRandom(0);
    randomInt(10);
    EXPECT_NE(randomState(), 2531011u);
}

TEST(GameHelpers, ClampsAndInterpolations) {
    EXPECT_EQ(clampInt(-5, 0, 10), 0);
    EXPECT_EQ(clampInt(15, 0, 10), 10);
    EXPECT_EQ(clampInt(7, 0, 10), 7);
    // lo wins when the bounds cross, as written: lo if v < lo, else min(v, hi).
    EXPECT_EQ(clampInt(5, 8, 2), 8);
    EXPECT_EQ(clampInt(9, 8, 2), 2);

    EXPECT_FLOAT_EQ(clampFloat(-0.5f, 0.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(clampFloat(1.5f, 0.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(lerp(0.25f, 2.0f, 6.0f), 3.0f);
    EXPECT_FLOAT_EQ(mix(2.0f, 6.0f, 0.25f), 3.0f);

    EXPECT_FLOAT_EQ(remapClamped(0.5f, 0.0f, 1.0f, 0.0f, 255.0f), 127.5f);
    EXPECT_FLOAT_EQ(remapClamped(-3.0f, 0.0f, 1.0f, 0.0f, 255.0f), 0.0f);
    EXPECT_FLOAT_EQ(remapClamped(9.0f, 0.0f, 1.0f, 0.0f, 255.0f), 255.0f);
    // A falling output range clamps to its own ends.
    EXPECT_FLOAT_EQ(remapClamped(2.0f, 0.0f, 1.0f, 10.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(remapClamped(-2.0f, 0.0f, 1.0f, 10.0f, 0.0f), 10.0f);
    EXPECT_FLOAT_EQ(remapClamped(0.25f, 0.0f, 1.0f, 10.0f, 0.0f), 7.5f);
}

TEST(GameHelpers, ClampTurnsNotANumberIntoTheLowBoundAndKeepsEveryNumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float v, lo, hi, expect;
    } cases[] = {
        {nan, 0.0f, 20.0f, 0.0f},  {-nan, 2.0f, 15.0f, 2.0f}, {inf, 0.0f, 1.0f, 1.0f},
        {-inf, 0.0f, 1.0f, 0.0f},  {0.5f, 0.0f, 1.0f, 0.5f},  {0.0f, 0.0f, 1.0f, 0.0f},
        {1.0f, 0.0f, 1.0f, 1.0f},  {-3.0f, -2.0f, 2.0f, -2.0f}, {5.0f, 2.0f, -2.0f, -2.0f},
    };
    for (const Case& c : cases) {
        const float got = clampFloat(c.v, c.lo, c.hi);
        EXPECT_EQ(std::memcmp(&got, &c.expect, 4), 0) << c.v << " in " << c.lo << ".." << c.hi << " gave " << got;
    }
    // Negative zero inside the range comes back as it went in.
    const float negZero = -0.0f;
    const float got = clampFloat(negZero, -1.0f, 1.0f);
    EXPECT_EQ(std::memcmp(&got, &negZero, 4), 0);
    // So a ramp fed a broken value stays on its range.
    EXPECT_EQ(remapClamped(nan, 1.0f, 5.0f, 1.0f, 70.0f), 1.0f);
    EXPECT_EQ(remapClamped(1.0f, 1.0f, 1.0f, 0.0f, 255.0f), 0.0f) << "an empty input range";
}

TEST(GameHelpers, WrapModIsNonNegative) {
    EXPECT_EQ(wrapMod(7, 5), 2);
    EXPECT_EQ(wrapMod(0, 5), 0);
    EXPECT_EQ(wrapMod(-1, 5), 4);
    EXPECT_EQ(wrapMod(-5, 5), 0);
    EXPECT_EQ(wrapMod(-6, 5), 4);
    EXPECT_EQ(wrapMod(INT_MIN, 7), ((INT_MIN % 7) + 7) % 7);
}

}  // namespace
