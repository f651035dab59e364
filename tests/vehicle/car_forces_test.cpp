#include "forest/forest.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr float DT = 1.0f / 60.0f;

// A forest of its fence alone, with one car standing in the middle.
struct CarBench {
    RoundGlobals globals;
    Forest forest;
    Car* car;

    CarBench(bool player, int modifierA = -1) : globals(2, modifierA) {
        world->elapsed = 50.0f;
        forest.createWorld();
        car = new Car(player);
        forest.playerCar = car;
        // Turned, so that the car's own axes matter.
        car->body->SetTransform(b2Vec2(0.0f, 0.0f), 0.7f);
        if (!player) car->nextDecisionTime = 1e9f;  // no choices of its own
    }
    b2Vec2 F() const { return car->body->GetWorldVector(b2Vec2(0.0f, 1.0f)); }
    b2Vec2 S() const { return car->body->GetWorldVector(b2Vec2(1.0f, 0.0f)); }
    void setVelocity(float forward, float side) { car->body->SetLinearVelocity(forward * F() + side * S()); }
    // One update of the car and one physics step: the velocity change it caused.
    b2Vec2 push() {
        const b2Vec2 v0 = car->body->GetLinearVelocity();
        car->update();
        forest.world->step(DT, 10, 10);
        return car->body->GetLinearVelocity() - v0;
    }
    float along(b2Vec2 v, b2Vec2 axis) const { return b2Dot(v, axis); }
};

TEST(CarForces, ThrottleDrivesForwardWithoutTurning) {
    CarBench b(true);
    b.car->setControls(0.0f, 1.0f, 0.0f, false);
    const b2Vec2 F = b.F();
    const b2Vec2 dv = b.push();
    EXPECT_NEAR(b.along(dv, F), 2.95f / 0.76f * DT, 1e-5f);
    EXPECT_NEAR(b.along(dv, b.S()), 0.0f, 1e-6f);
    // Half a unit behind the centre, on the car's axis: no torque.
    EXPECT_NEAR(b.car->body->GetAngularVelocity(), 0.0f, 1e-6f);
}

TEST(CarForces, ReverseDrivesBackAtHalfForce) {
    CarBench b(true);
    b.car->setControls(0.0f, 0.5f, 0.0f, true);
    const b2Vec2 dv = b.push();
    EXPECT_NEAR(b.along(dv, b.F()), -0.5f * 2.95f * 0.5f / 0.76f * DT, 1e-5f);
}

TEST(CarForces, TurboDoublesOnlyThePlayersDrive) {
    for (bool player : {true, false}) {
        CarBench b(player, 5);
        b.car->setControls(0.0f, 1.0f, 0.0f, true);
        const float expected = (player ? 2.0f : 1.0f) * -0.5f * 2.95f / 0.76f * DT;
        EXPECT_NEAR(b.along(b.push(), b.F()), expected, 1e-5f) << (player ? "player" : "other car");
    }
}

TEST(CarForces, BrakeOpposesMotionAndPushesForwardAtRest) {
    CarBench b(true);
    b.car->setControls(0.0f, 0.0f, 1.0f, false);
    EXPECT_NEAR(b.along(b.push(), b.F()), 8.0f / 0.76f * DT, 1e-5f) << "at rest the brake points forward";

    b.setVelocity(5.0f, 0.0f);
    // Brake and the rolling drag, both backwards.
    EXPECT_NEAR(b.along(b.push(), b.F()), (-8.0f - 0.025f * 5.0f) / 0.76f * DT, 1e-4f);

    b.setVelocity(-5.0f, 0.0f);
    EXPECT_NEAR(b.along(b.push(), b.F()), (8.0f + 0.025f * 5.0f) / 0.76f * DT, 1e-4f);
}

TEST(CarForces, SteeringNeedsSpeedAndMirrorsInReverse) {
    CarBench b(true);
    b.car->setControls(1.0f, 0.0f, 0.0f, false);
    b.push();
    EXPECT_EQ(b.car->body->GetAngularVelocity(), 0.0f) << "no steering torque at rest";

    b.setVelocity(4.0f, 0.0f);
    b.push();
    const float left = b.car->body->GetAngularVelocity();
    EXPECT_GT(left, 0.0f) << "positive steer turns left";
    // Torque 0.5 x 4 on inertia 1.15, then the damping of speed 4 (3.4 per s).
    EXPECT_NEAR(left, 2.0f / 1.15f * DT / (1.0f + DT * 3.4f), 1e-4f);

    b.car->body->SetAngularVelocity(0.0f);
    b.setVelocity(-4.0f, 0.0f);
    b.push();
    EXPECT_LT(b.car->body->GetAngularVelocity(), 0.0f);
}

TEST(CarForces, AngularDampingFallsWithForwardSpeed) {
    {
        CarBench b(true);
        EXPECT_FLOAT_EQ(b.car->body->GetAngularDamping(), 1.5f) << "until the first update";
        const float speeds[] = {0.0f, 5.0f, 10.0f, 20.0f, -3.0f};
        const float damping[] = {5.0f, 3.0f, 1.0f, 1.0f, 5.0f};
        for (int i = 0; i < 5; ++i) {
            b.setVelocity(speeds[i], 0.0f);
            b.car->update();
            EXPECT_NEAR(b.car->body->GetAngularDamping(), damping[i], 1e-5f) << speeds[i];
        }
    }
    {
        CarBench frozen(true, 6);
        EXPECT_FLOAT_EQ(frozen.car->body->GetAngularDamping(), 0.05f);
    }
    CarBench other(false, 6);
    EXPECT_FLOAT_EQ(other.car->body->GetAngularDamping(), 1.5f);
}

TEST(CarForces, SideGripAndTheFrozenYear) {
    const struct {
        bool player;
        int modifier;
        float grip;
    } cases[] = {{true, -1, -2.0f}, {false, -1, -2.0f}, {true, 6, -0.4f}, {false, 6, -2.0f}};
    for (const auto& c : cases) {
        CarBench b(c.player, c.modifier);
        b.setVelocity(0.0f, 3.0f);
        EXPECT_NEAR(b.along(b.push(), b.S()), c.grip * 3.0f / 0.76f * DT, 1e-5f)
            << (c.player ? "player" : "other car") << " modifier " << c.modifier;
    }
}

TEST(CarForces, TheCarIsABoxWithARoundNose) {
    CarBench b(true);
    EXPECT_FLOAT_EQ(b.car->body->GetMass(), 0.76f);
    EXPECT_FLOAT_EQ(b.car->body->GetInertia(), 1.15f);
    EXPECT_FALSE(b.car->body->IsSleepingAllowed());
    int shapes = 0;
    for (b2Fixture* f = b.car->body->GetFixtureList(); f; f = f->GetNext()) {
        ++shapes;
        EXPECT_FLOAT_EQ(f->GetRestitution(), 0.6f);
        EXPECT_FLOAT_EQ(f->GetFriction(), 0.0f);
    }
    EXPECT_EQ(shapes, 2);
    // The nose reaches 2.1 ahead, the tail 1.1 behind.
    b2AABB box;
    b.car->body->SetTransform(b2Vec2(0.0f, 0.0f), 0.0f);
    box.lowerBound.Set(1e9f, 1e9f);
    box.upperBound.Set(-1e9f, -1e9f);
    for (b2Fixture* f = b.car->body->GetFixtureList(); f; f = f->GetNext()) {
        b2AABB a;
        f->GetShape()->ComputeAABB(&a, b.car->body->GetTransform(), 0);
        box.Combine(a);
    }
    EXPECT_NEAR(box.upperBound.y, 2.1f, 0.02f);
    EXPECT_NEAR(box.lowerBound.y, -1.1f, 0.02f);
    EXPECT_NEAR(box.upperBound.x - box.lowerBound.x, 2.0f, 0.03f);
}

TEST(CarView, SixteenViewsFromNine) {
    bool mirrored = true;
    EXPECT_EQ(carView(0.0f, &mirrored), 0);
    EXPECT_FALSE(mirrored);
    EXPECT_EQ(carView(0.39f, &mirrored), 0);
    EXPECT_EQ(carView(-0.39f, &mirrored), 0) << "truncation toward zero widens the front sector";
    EXPECT_EQ(carView(1.6f, &mirrored), 4);
    EXPECT_FALSE(mirrored);
    EXPECT_EQ(carView(1.5707964f, &mirrored), 3) << "pi/2 x 2.546479 is just under 4";
    EXPECT_EQ(carView(-0.5f, &mirrored), 1);
    EXPECT_TRUE(mirrored) << "-1 wraps to 15, the mirror of 1";
    EXPECT_EQ(carView(25.0f * b2_pi / 16.0f, &mirrored), 4);  // seen from behind: 12.5 -> 12, the mirror of 4
    EXPECT_TRUE(mirrored);
    EXPECT_EQ(carView(9.0f * b2_pi / 16.0f, &mirrored), 4);  // from the front: 4.5 -> 4
    EXPECT_FALSE(mirrored);
}

}  // namespace
