// Driving through the paw allocates nothing per update once the round runs: the
// paw grabs and lets go, the gear changes, the wheel turns and the car drives while
// every allocation through operator new is counted.
#include "forest/forest.h"
#include "tests/bear/paw_script.h"
#include "tests/forest/round_globals.h"
#include "tests/support/alloc/alloc_counter.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

namespace {

TEST(PawAllocations, NoneInTheUpdatesOfARoundDrivenThroughThePaw) {
    SetUpRound round(2, 8u);
    PawScript s;
    // Warming up: into reverse while standing, back out a little, forward again.
    s.moveTo(14.0f, 11.3f, 4).press().moveTo(11.9f, 11.3f, 20).release().home();
    s.moveTo(GAS_X, GAS_Y, 8).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 50).release().home();
    s.moveTo(BRAKE_X, BRAKE_Y, 8).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 90).release().home();
    s.moveTo(11.9f, 11.3f, 8).press().moveTo(14.2f, 11.3f, 20).release().home();
    const size_t warmUp = s.frames.size();
    // Counted: empty grabs and a growl, gas, the wheel, the brake to a stop and the
    // lever into reverse again.
    s.moveTo(17.0f, 3.0f, 4).press().release().press().release().rightClick().home();
    s.moveTo(GAS_X, GAS_Y, 8).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 60).release().home();
    s.moveTo(WHEEL_X + 2.8f, WHEEL_Y, 8).press().circle(WHEEL_X, WHEEL_Y, -1.0f, 20).release().home();
    s.moveTo(BRAKE_X, BRAKE_Y, 8).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 120).release().home();
    s.moveTo(14.0f, 11.3f, 8).press().moveTo(11.9f, 11.3f, 20).release().wait(30);

    size_t i = 0;
    for (; i < warmUp; ++i) world->update(&s.frames[i]);
    ASSERT_EQ(forest->playerCar->reverse, 0);
    const b2Vec2 start = forest->playerCar->position();
    const size_t objects = world->cabObjects.size();
    bool gripped = false, growled = false;
    startCountingAllocations();
    for (; i < s.frames.size(); ++i) {
        world->update(&s.frames[i]);
        gripped = gripped || world->grabJoint != nullptr;
        growled = growled || world->growlTimer > 0.0f;
    }
    EXPECT_EQ(stopCountingAllocations(), 0);
    // What an impact throws into the cab is new, and is not what this counts.
    EXPECT_EQ(world->cabObjects.size(), objects) << "the car hit nothing";
    EXPECT_EQ(forest->playerCar->reverse, 1) << "the lever went over again";
    EXPECT_TRUE(growled);
    EXPECT_TRUE(gripped);
    EXPECT_GT((forest->playerCar->position() - start).Length(), 3.0f) << "the car drove";
}

}  // namespace
