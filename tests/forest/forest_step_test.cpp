#include "forest/forest.h"
#include "forest/ground_stripes.h"
#include "forest/scenery.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ForestStep, ObjectsAreSeenFromThePlayersCarFarthestFirst) {
    RoundGlobals g(2);
    seedRandom(11u);
    Forest f;
    f.generate();
    // Turn the car a quarter to the left: its forward axis is world -x.
    f.playerCar->body->SetTransform(b2Vec2(3.0f, -20.0f), 0.5f * b2_pi);
    f.step();
    const b2Body* car = f.playerCar->body;
    const b2Vec2 ex = car->GetWorldVector(b2Vec2(1.0f, 0.0f));
    const b2Vec2 ey = car->GetWorldVector(b2Vec2(0.0f, 1.0f));
    for (size_t i = 0; i < f.objects.size(); ++i) {
        const ForestObject* o = f.objects[i];
        const b2Vec2 d = o->position() - car->GetPosition();
        EXPECT_NEAR(o->localX, b2Dot(d, ex), 1e-4f);
        EXPECT_NEAR(o->localY, b2Dot(d, ey), 1e-4f);
        if (i > 0) {
            EXPECT_GE(f.objects[i - 1]->localY, o->localY);
        }
    }
    // A mountain at angle pi (world (-75, 0)) lies ahead, one at 0 behind.
    EXPECT_GT(f.objects.front()->localY, 70.0f);
    EXPECT_LT(f.objects.back()->localY, -70.0f);
}

TEST(ForestStep, StripesStreamWithTheCarsForwardSpeed) {
    RoundGlobals g(2);
    seedRandom(12u);
    Forest f;
    f.generate();
    world->elapsed = 100.0f;  // the other cars have chosen long ago; keep them still
    for (ForestObject* o : f.objects) {
        if (o->kind == FOREST_CAR) static_cast<Car*>(o)->nextDecisionTime = 1e9f;
    }
    b2Body* car = f.playerCar->body;
    car->SetTransform(b2Vec2(0.0f, 0.0f), 0.0f);
    car->SetLinearVelocity(b2Vec2(0.0f, 10.0f));  // forward
    f.step();
    // Forward motion moves the phase down from 0: it wraps once and the parity flips.
    const float s = b2Dot(car->GetLinearVelocity(), car->GetWorldVector(b2Vec2(0.0f, 1.0f)));
    EXPECT_NEAR(stripePhase, 1.0f - 0.004f * s, 1e-6f);
    EXPECT_EQ(stripeParity, 1);
    float before = stripePhase;
    f.step();
    EXPECT_LT(stripePhase, before);
    EXPECT_EQ(stripeParity, 1);

    before = stripePhase;
    scrollGroundStripes(-(1.1f - before) / 0.004f);  // backwards, past 1
    EXPECT_NEAR(stripePhase, 0.1f, 1e-4f);
    EXPECT_EQ(stripeParity, 0);
}

}  // namespace
