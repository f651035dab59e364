#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "tests/forest/round_globals.h"
#include "tests/forest/test_ball.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float DT = 0.0166667f;

// The cab's tilt settles where one step's lean and its relaxation cancel:
// t = 0.075 c (1 - 2.5 dt) / 2.5 = 0.02875 c.
TEST(WorldTilt, ASteadyTurnSettlesInProportion) {
    RoundGlobals g;
    for (float c : {4.0f, 10.0f, -12.0f, 18.0f}) {
        world->cabTilt = 0.0f;
        world->tumbleDir = 0;
        for (int i = 0; i < 2000; ++i) world->updateTilt(c, DT);
        EXPECT_EQ(world->tumbleDir, 0) << c;
        EXPECT_NEAR(world->cabTilt, 0.02875f * c, 2e-4f) << c;
    }
}

TEST(WorldTilt, TurnsSharperThanAbout18RollTheCabOver) {
    RoundGlobals g;
    for (float c : {18.4f, -18.4f}) {
        world->cabTilt = 0.0f;
        world->tumbleDir = 0;
        int frames = 0;
        while (world->tumbleDir == 0 && frames < 2000) {
            world->updateTilt(c, DT);
            ++frames;
        }
        ASSERT_EQ(world->tumbleDir, c > 0 ? 1 : -1) << c;
        // Once round, half a turn per second, then 15 degrees of tilt remain.
        int rolling = 0;
        float turned = 0.0f;
        while (world->tumbleDir != 0 && rolling < 1000) {
            const float before = world->cabTilt;
            world->updateTilt(c, DT);
            if (world->tumbleDir != 0) turned += std::fabs(world->cabTilt - before);
            ++rolling;
        }
        EXPECT_NEAR(rolling * DT, (6.544985f - 0.5236f) / 3.14159265f, 0.05f);
        EXPECT_NEAR(std::fabs(world->cabTilt), 0.2618f, 0.06f);
        EXPECT_EQ(world->cabTilt > 0.0f, c > 0.0f);
    }
}

TEST(WorldBumps, OnlyForwardFasterThanOne) {
    RoundGlobals g;
    seedRandom(9u);
    for (float speed : {-20.0f, 0.0f, 0.5f, 1.0f}) {
        for (int i = 0; i < 5000; ++i) {
            world->updateBumps(speed, DT);
            ASSERT_FALSE(world->bumpNow) << speed;
        }
    }
    int bumps = 0;
    for (int i = 0; i < 20000; ++i) {
        world->updateBumps(21.0f, DT);
        bumps += world->bumpNow;
        world->bumpNow = false;
    }
    EXPECT_NEAR(bumps / 20000.0f, 0.2f, 0.015f) << "one update in five at 21";
}

TEST(WorldBumps, TheAmplitudeRelaxesToZeroFromEitherSide) {
    RoundGlobals g;
    seedRandom(1u);
    world->bumpAmp = 2.0f;
    int frames = 0;
    while (world->bumpAmp > 0.0f && frames < 600) {
        world->updateBumps(0.0f, DT);
        ++frames;
    }
    EXPECT_EQ(world->bumpAmp, 0.0f);
    EXPECT_LT(frames, 60);
    world->bumpAmp = -1.0f;
    for (int i = 0; i < 120; ++i) world->updateBumps(0.0f, DT);
    EXPECT_EQ(world->bumpAmp, 0.0f);
    EXPECT_NEAR(world->bumpSmooth, 0.0f, 0.01f);
}

// A loose ball of the cab for the tests.
class Ball : public TestBall {
public:
    Ball(b2Vec2 at, float radius, float density) : TestBall(at, radius, 0x01CD, density) {}
    void update() override { ++updates; }
    int updates = 0;
};

TEST(WorldCabForces, BumpsLiftOnlyHeavyBodiesAtRest) {
    SetUpRound r(1, 42u);
    Ball heavy(b2Vec2(5.0f, 10.0f), 1.0f, 1.0f);    // mass pi
    Ball light(b2Vec2(8.0f, 10.0f), 0.5f, 1.0f);    // mass pi / 4
    Ball moving(b2Vec2(12.0f, 10.0f), 1.0f, 1.0f);
    moving.bodies[0]->SetLinearVelocity(b2Vec2(1.2f, 0.0f));
    world->bumpNow = true;
    world->bumpAmp = 0.25f;
    world->applyCabForces(0.0f);
    EXPECT_FALSE(world->bumpNow);
    EXPECT_NEAR(heavy.bodies[0]->GetLinearVelocity().y, -2.5f / heavy.bodies[0]->GetMass(), 1e-5f);
    EXPECT_EQ(light.bodies[0]->GetLinearVelocity().y, 0.0f);
    EXPECT_EQ(moving.bodies[0]->GetLinearVelocity().y, 0.0f);
}

TEST(WorldCabForces, CorneringPushesAcrossTheCabsGravity) {
    SetUpRound r(1, 42u);
    Ball a(b2Vec2(5.0f, 3.0f), 1.0f, 1.0f);
    Ball b(b2Vec2(9.0f, 3.0f), 0.5f, 3.0f);
    world->cabTilt = 0.3f;
    world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
    world->applyCabForces(4.0f);
    world->cabWorld->step(1.0f / 60.0f, 10, 10);
    const b2Vec2 side(std::cos(0.3f), -std::sin(0.3f));
    // The same acceleration whatever the mass: 2.5 x cornering.
    for (const Ball* ball : {&a, &b}) {
        const b2Vec2 v = ball->bodies[0]->GetLinearVelocity();
        EXPECT_NEAR(b2Dot(v, side), 2.5f * 4.0f / 60.0f, 1e-4f);
        EXPECT_NEAR(b2Cross(side, v), 0.0f, 1e-5f);
    }
}

}  // namespace
