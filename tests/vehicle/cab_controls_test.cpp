// The cab's fixtures as the car's controls: what the wheel, the pedals and the
// lever read as, and how they move under their motors and the paw.
#include "forest/forest.h"
#include "tests/bear/paw_script.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float PI = 3.14159265f;
constexpr float DT = 1.0f / 60.0f;

struct Cab : SetUpRound {
    explicit Cab(int year = 2) : SetUpRound(year, 31u) {}
    Car* car() const { return forest->playerCar; }
    // The cab's part of an update without the forest: the car's speed is given.
    static void cabFrame(float forwardSpeed, const InputFrame& in = InputFrame{0.0f, 0.0f, 0}) {
        world->prepareFixtures(forwardSpeed);
        world->stepCab();
        world->readControls();
        world->updatePaw(in.dx, in.dy, (in.buttons & INPUT_LEFT_DOWN) != 0, (in.buttons & INPUT_LEFT_UP) != 0);
    }
    static void play(const PawScript& s, float forwardSpeed = 0.0f) {
        for (const InputFrame& f : s.frames) cabFrame(forwardSpeed, f);
    }
    static void turnWheelTo(float angle) {
        world->wheelBody->SetTransform(world->wheelBody->GetPosition(), angle);
    }
    // Slides a pedal to the given joint translation (negative is down).
    static void pressPedal(b2Body* pedal, b2PrismaticJoint* joint, float translation) {
        const b2Vec2 p = pedal->GetPosition();
        pedal->SetTransform(b2Vec2(p.x, p.y + joint->GetJointTranslation() - translation), 0.0f);
    }
};

TEST(CabControls, TheWheelsAngleIsTheSteering) {
    Cab cab;
    struct Case {
        float angle, steer;
    } cases[] = {
        {PI, -0.5f},              // half a turn clockwise on the screen: right
        {-PI, 0.5f},              // anticlockwise: left
        {2.0f * PI, -1.0f},       // full lock
        {-2.0f * PI - 0.2f, 1.0f},  // drifted past the limit still reads full
        {0.25f, -0.25f / (2.0f * PI)},
    };
    for (const Case& c : cases) {
        Cab::turnWheelTo(c.angle);
        world->readControls();
        EXPECT_NEAR(cab.car()->steer, c.steer, 1e-6f) << c.angle;
    }
}

TEST(CabControls, PedalTravelIsGasAndBrake) {
    Cab cab;
    Cab::pressPedal(world->gasPedalBody, world->gasPedalJoint, -0.75f);
    Cab::pressPedal(world->brakePedalBody, world->brakePedalJoint, -1.5f);
    world->readControls();
    EXPECT_NEAR(cab.car()->throttle, 0.5f, 1e-5f);
    EXPECT_NEAR(cab.car()->brake, 1.0f, 1e-5f);
    // Past the stops either way the readings stay within 0..1.
    Cab::pressPedal(world->gasPedalBody, world->gasPedalJoint, -1.7f);
    Cab::pressPedal(world->brakePedalBody, world->brakePedalJoint, 0.1f);
    world->readControls();
    EXPECT_EQ(cab.car()->throttle, 1.0f);
    EXPECT_EQ(cab.car()->brake, 0.0f);
}

TEST(CabControls, TheLeversSideIsTheGear) {
    Cab cab;
    for (float angle : {PI / 6.0f, 0.01f}) {
        world->shifterBody->SetTransform(world->shifterBody->GetPosition(), angle);
        world->readControls();
        EXPECT_EQ(cab.car()->reverse, 0) << angle;
    }
    // Upright counts as reverse, and the motor throws it back.
    for (float angle : {0.0f, -PI / 6.0f}) {
        world->shifterBody->SetTransform(world->shifterBody->GetPosition(), angle);
        world->readControls();
        EXPECT_EQ(cab.car()->reverse, 1) << angle;
        world->prepareFixtures(0.0f);
        EXPECT_EQ(world->shifterJoint->GetMotorSpeed(), 20.0f) << angle;
    }
}

TEST(CabControls, ReleasedPedalsSpringBackUp) {
    Cab cab;
    Cab::pressPedal(world->gasPedalBody, world->gasPedalJoint, -1.5f);
    Cab::pressPedal(world->brakePedalBody, world->brakePedalJoint, -1.0f);
    for (int i = 0; i < 60; ++i) Cab::cabFrame(0.0f);
    EXPECT_NEAR(world->gasPedalJoint->GetJointTranslation(), 0.0f, 0.02f);
    EXPECT_NEAR(world->brakePedalJoint->GetJointTranslation(), 0.0f, 0.02f);
    EXPECT_EQ(cab.car()->throttle, 0.0f);
}

TEST(CabControls, ThePawPushesThePedalsDownToTheirStop) {
    Cab cab;
    PawScript s;
    s.moveTo(GAS_X, GAS_Y, 4).press().drag(0.0f, 6.0f, 20);
    Cab::play(s);
    ASSERT_TRUE(world->isHeld(world->gasPedalBody));
    EXPECT_NEAR(cab.car()->throttle, 1.0f, 0.01f);
    EXPECT_GE(world->gasPedalJoint->GetJointTranslation(), -1.52f) << "the stop holds";
    EXPECT_EQ(cab.car()->brake, 0.0f);
    // Let go, then push it half way down and hold it there: half the gas.
    PawScript half;
    half.x = world->pawX;
    half.y = world->pawY;
    half.release().wait(30).moveTo(GAS_X, GAS_Y, 2).press();
    Cab::play(half);
    ASSERT_TRUE(world->isHeld(world->gasPedalBody));
    const float gripped = world->grabJoint->GetAnchorB().y;
    for (int i = 0; i < 40; ++i) Cab::cabFrame(0.0f, InputFrame{0.0f, (gripped + 0.75f - world->pawY) * 32.0f, 0});
    EXPECT_NEAR(cab.car()->throttle, 0.5f, 0.05f);
    PawScript let;
    let.release().wait(60);
    Cab::play(let);
    EXPECT_FALSE(world->grabJoint);
    EXPECT_EQ(cab.car()->throttle, 0.0f);

    PawScript brake;
    brake.x = world->pawX;
    brake.y = world->pawY;
    brake.moveTo(BRAKE_X, BRAKE_Y, 4).press().drag(0.0f, 6.0f, 20);
    Cab::play(brake);
    ASSERT_TRUE(world->isHeld(world->brakePedalBody));
    EXPECT_NEAR(cab.car()->brake, 1.0f, 0.01f);
}

// Carries the gripped rim round the hub to the given angle from where it was
// gripped, watching the paw as a player would, a little each frame.
void turnRimBy(float turn, int frames) {
    const b2Vec2 g = world->grabJoint->GetAnchorB() - b2Vec2(WHEEL_X, WHEEL_Y);
    const float r = g.Length();
    const float a0 = std::atan2(g.y, g.x);
    for (int i = 1; i <= frames + 30; ++i) {
        const float a = a0 + turn * static_cast<float>(std::min(i, frames)) / static_cast<float>(frames);
        const InputFrame f{(WHEEL_X + r * std::cos(a) - world->pawX) * 32.0f,
                           (WHEEL_Y + r * std::sin(a) - world->pawY) * 32.0f, 0};
        Cab::cabFrame(0.0f, f);
    }
}

TEST(CabControls, DraggingTheRimTurnsTheWheelAndItStaysAtRest) {
    Cab cab;
    PawScript s;
    s.moveTo(WHEEL_X + 2.8f, WHEEL_Y, 4).press();
    Cab::play(s);
    ASSERT_TRUE(world->isHeld(world->wheelBody));
    // A quarter turn anticlockwise on the screen is a quarter of full left lock.
    turnRimBy(-PI / 2.0f, 30);
    EXPECT_NEAR(world->wheelBody->GetAngle(), -PI / 2.0f, 0.1f);
    EXPECT_NEAR(cab.car()->steer, 0.25f, 0.02f);
    PawScript let;
    let.release().wait(120);
    Cab::play(let);
    EXPECT_NEAR(world->wheelBody->GetAngle(), -PI / 2.0f, 0.1f) << "no centring while the car stands";
    // One full turn is the stop, however far the paw goes.
    PawScript again;
    again.press();
    Cab::play(again);
    ASSERT_TRUE(world->isHeld(world->wheelBody));
    turnRimBy(-2.0f * PI, 120);
    EXPECT_GT(world->wheelBody->GetAngle(), -2.0f * PI - 0.05f);
    EXPECT_LT(world->wheelBody->GetAngle(), -2.0f * PI + 0.2f);
    EXPECT_NEAR(cab.car()->steer, 1.0f, 0.03f);
}

TEST(CabControls, TheWheelCentresDrivingForwardAndRunsOffInReverse) {
    for (float speed : {10.0f, -10.0f}) {
        Cab cab;
        Cab::turnWheelTo(1.0f);
        for (int i = 0; i < 60; ++i) Cab::cabFrame(speed);
        const float a = world->wheelBody->GetAngle();
        if (speed > 0.0f) {
            EXPECT_LT(a, 0.85f) << "pulled back towards straight";
        } else {
            EXPECT_GT(a, 1.15f) << "pushed further out";
        }
        // Twice the speed, twice the pull.
        Cab::turnWheelTo(1.0f);
        world->wheelBody->SetAngularVelocity(0.0f);
        for (int i = 0; i < 60; ++i) Cab::cabFrame(2.0f * speed);
        EXPECT_GT(std::fabs(world->wheelBody->GetAngle() - 1.0f), 2.0f * std::fabs(a - 1.0f)) << speed;
    }
}

TEST(CabControls, TheLeverChangesGearOnlyWhileTheCarIsAlmostStill) {
    for (float speed : {0.0f, 1.4f, -1.4f, 1.5f, -3.0f}) {
        Cab cab;
        PawScript s;
        // Knob of the forward gear; carry it across upright to the reverse side.
        s.moveTo(14.0f, 11.3f, 4).press().moveTo(11.9f, 11.3f, 20).release().wait(30);
        Cab::play(s, speed);
        const bool free = std::fabs(speed) < 1.5f;
        EXPECT_EQ(cab.car()->reverse, free ? 1 : 0) << speed;
        EXPECT_NEAR(world->shifterBody->GetAngle(), free ? -PI / 6.0f : PI / 6.0f, 0.05f) << speed;
        EXPECT_EQ(world->shifterJoint->GetMotorSpeed(), free ? 20.0f : -20.0f) << speed;
    }
}

TEST(CabControls, RollingOverCutsWheelAndPedalsButNotTheGear) {
    Cab cab;
    Cab::turnWheelTo(-PI);
    Cab::pressPedal(world->gasPedalBody, world->gasPedalJoint, -1.5f);
    Cab::pressPedal(world->brakePedalBody, world->brakePedalJoint, -0.75f);
    world->shifterBody->SetTransform(world->shifterBody->GetPosition(), -PI / 6.0f);
    world->tumbleDir = -1;
    world->readControls();
    EXPECT_EQ(cab.car()->steer, 0.0f);
    EXPECT_EQ(cab.car()->throttle, 0.0f);
    EXPECT_EQ(cab.car()->brake, 0.0f);
    EXPECT_EQ(cab.car()->reverse, 1);
    world->tumbleDir = 0;
    world->readControls();
    EXPECT_NEAR(cab.car()->steer, 0.5f, 1e-5f);
    EXPECT_NEAR(cab.car()->throttle, 1.0f, 1e-5f);
    EXPECT_NEAR(cab.car()->brake, 0.5f, 1e-5f);
}

// The whole update: gas through the paw moves the car, the gear decides the way.
TEST(CabDriving, HoldingTheGasDrivesTheCarForwardOrBackward) {
    for (bool reverse : {false, true}) {
        Cab cab;
        PawScript s;
        if (reverse) s.moveTo(14.0f, 11.3f, 4).press().moveTo(11.9f, 11.3f, 20).release().wait(20);
        s.moveTo(GAS_X, GAS_Y, 4).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 110);
        const b2Vec2 start = cab.car()->position();
        for (const InputFrame& f : s.frames) world->update(&f);
        EXPECT_NEAR(cab.car()->throttle, 1.0f, 0.02f);
        EXPECT_EQ(cab.car()->reverse, reverse ? 1 : 0);
        const float moved = b2Dot(cab.car()->position() - start, cab.car()->body->GetWorldVector(b2Vec2(0, 1)));
        if (reverse) {
            EXPECT_LT(moved, -1.0f);
        } else {
            EXPECT_GT(moved, 3.0f);
        }
    }
}

}  // namespace
