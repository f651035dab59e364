#include "forest/forest.h"
#include "forest/scenery.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

namespace {

constexpr float TICK = 0.0166667f;

// A fenced plane with the player's car far away and one other car at the centre.
struct AiBench {
    RoundGlobals globals;
    Forest forest;
    Car* other;

    AiBench() : globals(2) {
        world->elapsed = 20.0f;
        forest.createWorld();
        forest.playerCar = new Car(true);
        forest.playerCar->place(0.0f, -60.0f);
        other = new Car(false);
        other->place(0.0f, 0.0f);
        forest.objects.push_back(other);
    }
    void tick() {
        world->elapsed += TICK;
        forest.step();
    }
};

TEST(CarAi, ChoicesDrawInTheirOrder) {
    AiBench b;
    b.other->nextDecisionTime = 0.0f;
    for (uint32_t seed = 1; seed < 400; ++seed) {
        // From driving: a time, then stop or go, then the curve.
        b.other->setControls(0.3f, 1.0f, 0.0f, true);
        b.other->nextDecisionTime = 0.0f;
        seedRandom(seed);
        ReferenceRandom r(seed);
        b.other->chooseManoeuvre();
        EXPECT_EQ(b.other->nextDecisionTime, world->elapsed + r.range(3.0f, 10.0f));
        if (r.unit() <= 0.1f) {
            EXPECT_EQ(b.other->throttle, 0.0f);
            EXPECT_EQ(b.other->brake, 1.0f);
            EXPECT_EQ(b.other->steer, 0.3f) << "stopping keeps the wheel";
        } else {
            EXPECT_EQ(b.other->throttle, 1.0f);
            EXPECT_EQ(b.other->brake, 0.0f);
            EXPECT_EQ(b.other->reverse, 0);
            EXPECT_EQ(b.other->steer, r.unit());
        }
        EXPECT_EQ(randomState(), r.state);

        // From standing: a time, then the gear, then the curve; never a stop.
        b.other->setControls(0.0f, 0.0f, 1.0f, false);
        b.other->nextDecisionTime = 0.0f;
        seedRandom(seed);
        r = ReferenceRandom(seed);
        b.other->chooseManoeuvre();
        EXPECT_EQ(b.other->nextDecisionTime, world->elapsed + r.range(3.0f, 10.0f));
        EXPECT_EQ(b.other->reverse, r.unit() > 0.5f ? 1 : 0);
        EXPECT_EQ(b.other->steer, r.unit());
        EXPECT_EQ(b.other->throttle, 1.0f);
        EXPECT_EQ(b.other->brake, 0.0f);
        EXPECT_EQ(randomState(), r.state);
    }
}

TEST(CarAi, NoChoiceBeforeItsTime) {
    AiBench b;
    b.other->nextDecisionTime = world->elapsed;  // not yet: it must be passed
    seedRandom(5u);
    b.other->chooseManoeuvre();
    EXPECT_EQ(randomState(), 5u);
    EXPECT_EQ(b.other->throttle, 0.0f);
}

TEST(CarAi, ACarStoppedByATreeChoosesAgainWithinTwoSeconds) {
    AiBench b;
    seedRandom(77u);
    Scenery* tree = new Scenery();
    tree->makeTree(b.forest.ground, 0.0f, 8.0f);
    b.forest.objects.push_back(tree);
    // Driving straight at the tree, its next choice far off.
    b.other->setControls(0.0f, 1.0f, 0.0f, false);
    b.other->nextDecisionTime = world->elapsed + 60.0f;

    float touched = -1.0f;
    for (int i = 0; i < 600 && touched < 0.0f; ++i) {
        b.tick();
        if (b.other->brake == 1.0f) touched = world->elapsed;
    }
    ASSERT_GT(touched, 0.0f) << "the car reached the tree";
    EXPECT_EQ(b.other->throttle, 0.0f);
    EXPECT_EQ(b.other->steer, 0.0f);
    EXPECT_LE(b.other->nextDecisionTime, touched + 2.0f);

    float chose = -1.0f;
    for (int i = 0; i < 240 && chose < 0.0f; ++i) {
        b.tick();
        if (b.other->throttle == 1.0f) chose = world->elapsed;
    }
    ASSERT_GT(chose, 0.0f) << "it drives off again";
    EXPECT_LE(chose - touched, 2.0f + 2.0f * TICK);
    EXPECT_GT(chose - touched, 2.0f - 2.0f * TICK);
}

TEST(CarAi, TheFenceStopsAnotherCarButNotThePlayers) {
    AiBench b;
    b.other->place(0.0f, 66.0f);
    b.other->setControls(0.0f, 1.0f, 0.0f, false);
    b.other->nextDecisionTime = world->elapsed + 60.0f;
    Car* player = b.forest.playerCar;
    player->place(0.0f, -66.0f);
    player->body->SetTransform(b2Vec2(0.0f, -66.0f), b2_pi);  // facing the fence
    player->setControls(0.0f, 1.0f, 0.0f, false);
    for (int i = 0; i < 300 && b.other->brake != 1.0f; ++i) b.tick();
    EXPECT_EQ(b.other->brake, 1.0f);
    EXPECT_LE(b.other->nextDecisionTime, world->elapsed + 2.0f);
    for (int i = 0; i < 120; ++i) b.tick();
    EXPECT_EQ(player->throttle, 1.0f);
    EXPECT_EQ(player->brake, 0.0f);
    EXPECT_LT(player->position().Length(), 70.0f) << "the fence holds the player's car too";
}

TEST(CarTouch, ThePlayersImpactsReachTheRoundAtMostOnceASecond) {
    AiBench b;
    seedRandom(3u);
    Scenery* bush = new Scenery();
    bush->makeBush(b.forest.ground, 30.0f, 30.0f);
    b.forest.objects.push_back(bush);
    Car* player = b.forest.playerCar;
    player->body->SetLinearVelocity(b2Vec2(0.0f, 10.0f));  // 10 forward

    world->elapsed = 0.5f;
    player->onTouch(bush, 6.0f, 0.0f, 2.0f);
    EXPECT_FALSE(world->bumpNow) << "nothing is handled in a round's first second";

    world->elapsed = 30.0f;
    player->onTouch(bush, 6.0f, 0.0f, 2.0f);
    EXPECT_TRUE(world->bumpNow);
    EXPECT_FLOAT_EQ(world->bumpAmp, 2.0f);
    EXPECT_EQ(bush->lastHitTime, 30.0f);
    EXPECT_EQ(player->lastSceneryHitTime, 30.0f);

    world->bumpNow = false;
    world->elapsed = 30.9f;
    player->onTouch(bush, 6.0f, 0.0f, 2.0f);
    EXPECT_FALSE(world->bumpNow);
    EXPECT_EQ(bush->lastHitTime, 30.0f);

    // Cars are a separate clock.
    player->onTouch(b.other, 6.0f, 0.0f, 2.0f);
    EXPECT_EQ(player->lastCarHitTime, 30.9f);
}

}  // namespace
