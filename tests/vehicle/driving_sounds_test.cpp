// The driving sounds given numbers a broken physics step could leave: nothing
// undefined, and no screech or squeal that the controls did not ask for.
#include "tests/forest/round_globals.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(DrivingSounds, NumbersThatAreNotFiniteMakeNoSoundOfTheirOwn) {
    SetUpRound round(1, 9u);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float speed, throttle, brake;
    } cases[] = {
        {nan, 0.5f, 0.5f}, {1.0f, nan, 0.0f}, {1.0f, 0.0f, nan}, {inf, 0.0f, 0.0f}, {-inf, 0.0f, 0.0f}, {nan, nan, nan},
    };
    for (const Case& c : cases) {
        world->elapsed = 100.0f;  // long past the last screech
        world->lastScreechTime = 0.0f;
        world->brakeSquealed = false;
        const uint32_t before = randomState();
        world->updateDrivingSounds(c.speed, c.throttle, c.brake);
        EXPECT_EQ(world->lastScreechTime, 0.0f) << c.speed << " " << c.throttle << " " << c.brake;
        EXPECT_EQ(randomState(), before) << "a screech draws its pitch";
        EXPECT_FALSE(world->brakeSquealed);
    }
    // Still heard when asked for: flooring the gas at a standstill screeches.
    world->updateDrivingSounds(0.0f, 1.0f, 0.0f);
    EXPECT_EQ(world->lastScreechTime, 100.0f);
}

}  // namespace
