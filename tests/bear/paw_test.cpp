// The paw: following the pointer, gripping what lies under it, letting go, the
// growl after four empty grabs, and the bee's sting.
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "tests/bear/paw_script.h"
#include "tests/forest/round_globals.h"
#include "tests/forest/test_ball.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr float DT = 0.0166667f;

// A loose ball of the cab.
struct Ball : TestBall {
    Ball(b2Vec2 at, float radius) : TestBall(at, radius, 0x01CD) {}
};

struct Cab : SetUpRound {
    Cab() : SetUpRound(2, 77u) {
        // No gravity: what the tests put down stays where it is.
        world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
    }
    static void paw(float dx, float dy, bool down = false, bool up = false) { world->updatePaw(dx, dy, down, up); }
    static void clickAt(float x, float y) {
        world->pawX = x;
        world->pawY = y;
        paw(0.0f, 0.0f, true, false);
    }
    static int joints() { return world->cabWorld->library()->GetJointCount(); }
};

TEST(Paw, FollowsThePointerThirtyTwoPixelsAUnitWithinItsReach) {
    Cab cab;
    EXPECT_EQ(world->pawX, 10.0f);
    EXPECT_EQ(world->pawY, 10.0f);
    Cab::paw(64.0f, -16.0f);
    EXPECT_EQ(world->pawX, 12.0f);
    EXPECT_EQ(world->pawY, 9.5f);
    // The roof area and the walls are out of reach.
    Cab::paw(1000.0f, -1000.0f);
    EXPECT_EQ(world->pawX, 20.0f);
    EXPECT_EQ(world->pawY, 2.0f);
    Cab::paw(-1000.0f, 1000.0f);
    EXPECT_EQ(world->pawX, 0.0f);
    EXPECT_EQ(world->pawY, 15.0f);
}

TEST(Paw, MovementThatIsNotANumberLeavesThePawWithinItsReach) {
    Cab cab;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Cab::paw(nan, -nan);
    EXPECT_EQ(world->pawX, 0.0f) << "the low end of its reach";
    EXPECT_EQ(world->pawY, 2.0f);
    // And it moves on from there as before.
    Cab::paw(64.0f, 32.0f);
    EXPECT_EQ(world->pawX, 2.0f);
    EXPECT_EQ(world->pawY, 3.0f);
}

TEST(Paw, GripsEachFixtureAndLooseThingUnderItAndLetsGoOnRelease) {
    Cab cab;
    Ball ball(b2Vec2(16.0f, 8.0f), 0.5f);
    struct Target {
        b2Vec2 at;
        b2Body* body;
    } targets[] = {
        {b2Vec2(WHEEL_X + 2.8f, WHEEL_Y), world->wheelBody},
        {b2Vec2(GAS_X, GAS_Y), world->gasPedalBody},
        {b2Vec2(BRAKE_X, BRAKE_Y), world->brakePedalBody},
        {b2Vec2(14.0f, 11.3f), world->shifterBody},
        {b2Vec2(16.1f, 8.1f), ball.bodies[0]},
    };
    const int before = Cab::joints();
    for (const Target& t : targets) {
        Cab::clickAt(t.at.x, t.at.y);
        ASSERT_NE(world->grabJoint, nullptr) << t.at.x;
        EXPECT_EQ(world->grabJoint->GetBodyB(), t.body);
        EXPECT_EQ(world->grabJoint->GetBodyA(), world->cabWorld->groundBody());
        EXPECT_TRUE(world->isHeld(t.body));
        EXPECT_EQ(world->grabJoint->GetTarget(), t.at);
        EXPECT_NEAR((world->grabJoint->GetAnchorB() - t.at).Length(), 0.0f, 1e-5f) << "gripped where the paw is";
        EXPECT_EQ(world->grabJoint->GetMaxForce(), 10000.0f);
        EXPECT_EQ(Cab::joints(), before + 1);
        Cab::paw(0.0f, 0.0f, false, true);
        EXPECT_EQ(world->grabJoint, nullptr);
        EXPECT_FALSE(world->isHeld(t.body));
        EXPECT_EQ(Cab::joints(), before);
    }
    EXPECT_EQ(world->missedGrabs, 0);
}

TEST(Paw, AHeldBallIsDraggedAlongAndPullsThePawBack) {
    Cab cab;
    Ball ball(b2Vec2(16.0f, 8.0f), 0.5f);
    Cab::clickAt(16.0f, 8.0f);
    ASSERT_TRUE(world->isHeld(ball.bodies[0]));
    for (int i = 0; i < 20; ++i) {
        Cab::paw(-8.0f, 4.0f);
        world->stepCab();
    }
    for (int i = 0; i < 20; ++i) {
        Cab::paw(0.0f, 0.0f);
        world->stepCab();
    }
    EXPECT_NEAR(ball.bodies[0]->GetPosition().x, world->pawX, 0.05f);
    EXPECT_NEAR(ball.bodies[0]->GetPosition().y, world->pawY, 0.05f);
    EXPECT_LT(world->pawX, 12.0f);
    // Pinned in place, the ball pulls the paw back by a quarter of the way a frame.
    ball.bodies[0]->SetType(b2_staticBody);
    const b2Vec2 g = world->grabJoint->GetAnchorB();
    const float x0 = world->pawX;
    Cab::paw(64.0f, 0.0f);
    EXPECT_NEAR(world->pawX, x0 + 0.25f * (g.x - x0) + 2.0f, 1e-5f);
}

TEST(Paw, APawJustOutsideAThingOnTheSideAwayFromItsOriginStillCatchesIt) {
    Cab cab;
    Ball ball(b2Vec2(16.0f, 8.0f), 0.5f);
    Cab::clickAt(16.95f, 8.0f);  // 0.45 outside, toward the origin half a unit is inside
    EXPECT_TRUE(world->isHeld(ball.bodies[0]));
    Cab::paw(0.0f, 0.0f, false, true);
    Cab::clickAt(17.1f, 8.0f);  // 0.6 outside: out of reach
    EXPECT_EQ(world->grabJoint, nullptr);
    EXPECT_EQ(world->missedGrabs, 1);
}

TEST(Paw, FourEmptyGrabsInARowGrowlAndACatchStartsTheCountAgain) {
    Cab cab;
    const b2Vec2 misses[] = {
        b2Vec2(0.5f, 12.0f),   // the bear's torso: static
        b2Vec2(19.9f, 3.0f),   // by the right wall
        b2Vec2(17.0f, 3.0f),   // empty space
        b2Vec2(2.0f, 6.0f),    // the ledge
    };
    for (int i = 0; i < 3; ++i) {
        world->elapsed += 1.0f;
        Cab::clickAt(misses[i].x, misses[i].y);
        EXPECT_EQ(world->grabJoint, nullptr);
        EXPECT_EQ(world->missedGrabs, i + 1);
        EXPECT_EQ(world->lastGrabTime, world->elapsed);
    }
    EXPECT_EQ(world->growlTimer, 0.0f);
    Cab::clickAt(misses[3].x, misses[3].y);
    EXPECT_EQ(world->missedGrabs, 0);
    EXPECT_EQ(world->growlTimer, 1.0f);

    // Three misses, then a catch: no growl, the count starts again.
    world->growlTimer = 0.0f;
    for (int i = 0; i < 3; ++i) Cab::clickAt(17.0f, 3.0f);
    EXPECT_EQ(world->missedGrabs, 3);
    Cab::clickAt(GAS_X, GAS_Y);
    EXPECT_TRUE(world->isHeld(world->gasPedalBody));
    EXPECT_EQ(world->missedGrabs, 0);
    EXPECT_EQ(world->growlTimer, 0.0f);
    // Pressing again while holding neither grabs anew nor counts as a miss.
    const float lastGrab = world->lastGrabTime;
    b2MouseJoint* grip = world->grabJoint;
    world->elapsed += 1.0f;
    Cab::clickAt(17.0f, 3.0f);
    EXPECT_EQ(world->grabJoint, grip);
    EXPECT_EQ(world->missedGrabs, 0);
    EXPECT_EQ(world->lastGrabTime, lastGrab);
}

TEST(Paw, APressAndReleaseInOneUpdateGrabsAndHolds) {
    Cab cab;
    world->pawX = GAS_X;
    world->pawY = GAS_Y;
    Cab::paw(0.0f, 0.0f, true, true);
    EXPECT_TRUE(world->isHeld(world->gasPedalBody));
    Cab::paw(0.0f, 0.0f, false, false);
    EXPECT_TRUE(world->isHeld(world->gasPedalBody));
    Cab::paw(0.0f, 0.0f, false, true);
    EXPECT_EQ(world->grabJoint, nullptr);
}

TEST(Paw, NoGrabsInDeepWinterOrAsleep) {
    Cab cab;
    world->winterPhase = 2;
    Cab::clickAt(GAS_X, GAS_Y);
    EXPECT_EQ(world->grabJoint, nullptr);
    EXPECT_EQ(world->missedGrabs, 0);
    world->winterPhase = 1;
    world->sleepPhase = 1;
    Cab::clickAt(GAS_X, GAS_Y);
    EXPECT_EQ(world->grabJoint, nullptr);
    world->sleepPhase = 0;
    Cab::clickAt(GAS_X, GAS_Y);
    EXPECT_TRUE(world->isHeld(world->gasPedalBody)) << "the first winter phase still lets the paw work";
}

TEST(Paw, AHeldThingDestroyedLeavesNoGripBehind) {
    Cab cab;
    Ball* ball = new Ball(b2Vec2(16.0f, 8.0f), 0.5f);
    Cab::clickAt(16.0f, 8.0f);
    ASSERT_TRUE(world->isHeld(ball->bodies[0]));
    delete ball;  // its body goes, and the joint with it
    EXPECT_EQ(world->grabJoint, nullptr);
    Cab::paw(10.0f, 0.0f, false, true);  // nothing left to release or move
    EXPECT_EQ(world->grabJoint, nullptr);
}

TEST(Growl, TheRightButtonGrowlsOnceTheFaceIsGone) {
    Cab cab;
    world->updateGrowl(DT, true);
    EXPECT_EQ(world->growlTimer, 1.0f);
    int frames = 0;
    while (world->growlTimer > 0.0f) {
        world->updateGrowl(DT, true);  // held down all the while: no new growl
        ++frames;
    }
    EXPECT_EQ(frames, 60);
    world->updateGrowl(DT, false);
    EXPECT_LE(world->growlTimer, 0.0f);
    // Not while chewing, not asleep.
    Ball food(b2Vec2(3.5f, 10.0f), 0.3f);
    world->biteBody = food.bodies[0];
    world->updateGrowl(DT, true);
    EXPECT_LE(world->growlTimer, 0.0f);
    world->biteBody = nullptr;
    world->sleepPhase = 1;
    world->updateGrowl(DT, true);
    EXPECT_LE(world->growlTimer, 0.0f);
    world->sleepPhase = 0;
    world->updateGrowl(DT, true);
    EXPECT_EQ(world->growlTimer, 1.0f);
}

TEST(Sting, OnlyCloseAndNotInTheImmuneTimeThenThePawShakesAndThrows) {
    Cab cab;
    Ball ball(b2Vec2(16.0f, 8.0f), 0.5f);
    Cab::clickAt(16.0f, 8.0f);
    ASSERT_TRUE(world->isHeld(ball.bodies[0]));
    // The round's first five seconds are immune; the timer runs with the paw.
    ReferenceRandom expect(randomState());
    const float phase = expect.unit() * 6.2831855f;
    const float a = expect.unit() * 6.2831855f;
    int frames = 0;
    while (!world->stingPaw(world->pawX + 1.0f, world->pawY + 1.0f) && frames < 400) {
        ASSERT_FALSE(world->stingPaw(world->pawX + 2.0f, world->pawY)) << "two units away is safe";
        Cab::paw(0.0f, 0.0f);
        ++frames;
    }
    EXPECT_NEAR(frames, 300, 1);
    const float mass = ball.bodies[0]->GetMass();
    EXPECT_EQ(world->stingTimer, 0.5f);
    EXPECT_EQ(world->stingPhase, phase);
    EXPECT_EQ(randomState(), expect.state) << "the phase, then the throw";
    EXPECT_EQ(world->grabJoint, nullptr);
    const b2Vec2 v = ball.bodies[0]->GetLinearVelocity();
    EXPECT_NEAR(v.x, 20.0f * std::cos(a) / mass, 1e-3f);
    EXPECT_NEAR(v.y, -20.0f * std::sin(a) / mass, 1e-3f);

    // 5.5 s until the next sting; the empty paw draws only the phase.
    frames = 0;
    while (!world->stingPaw(world->pawX, world->pawY) && frames < 400) {
        Cab::paw(0.0f, 0.0f);
        ++frames;
    }
    EXPECT_NEAR(frames, 330, 1);
    EXPECT_EQ(randomState(), expect.next()) << "one draw, the phase";
}

TEST(Sting, TheThrownWheelSpinsOnItsHub) {
    Cab cab;
    b2Body* wheel = world->wheelBody;
    // Gripped on the rim at four places round the hub, each thrown another way.
    struct Case {
        float gripAngle;
        uint32_t seed;
    } cases[] = {{-1.5708f, 3u}, {0.0f, 11u}, {1.5708f, 29u}, {3.1416f, 1235u}};
    for (const Case& c : cases) {
        wheel->SetAngularVelocity(0.0f);
        wheel->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        const b2Vec2 hub = wheel->GetWorldCenter();
        Cab::clickAt(hub.x + 2.8f * std::cos(c.gripAngle), hub.y + 2.8f * std::sin(c.gripAngle));
        ASSERT_TRUE(world->isHeld(wheel)) << c.gripAngle;
        const b2Vec2 grip = world->grabJoint->GetAnchorB();
        world->stingTimer = -5.0f;
        seedRandom(c.seed);
        ReferenceRandom expect(c.seed);
        expect.unit();  // the shake's phase
        const float a = expect.unit() * 6.2831855f;
        const b2Vec2 impulse(20.0f * std::cos(a), -20.0f * std::sin(a));

        ASSERT_TRUE(world->stingPaw(world->pawX, world->pawY));
        const float spin = b2Cross(grip - hub, impulse) / wheel->GetInertia();
        EXPECT_NEAR(wheel->GetAngularVelocity(), spin, 1e-3f * std::fabs(spin) + 1e-5f) << c.gripAngle;
        EXPECT_GT(std::fabs(wheel->GetAngularVelocity()), 0.05f) << "a throw that turns the wheel, " << c.gripAngle;
    }
}

}  // namespace
