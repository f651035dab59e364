// What the bear's mouth takes as a bite when it touches the sensor during the cab
// step, and what it ignores.
#include "forest/cab_categories.h"
#include "tests/bear/morsel.h"
#include "tests/bear/paw_script.h"
#include "tests/forest/round_globals.h"

#include <gtest/gtest.h>

namespace {

struct Cab : SetUpRound {
    Cab() : SetUpRound(2, 5u) {}
};

TEST(Mouth, FoodFallingIntoTheMouthStartsABiteThatEndsHalfASecondAfterItLeaves) {
    Cab cab;
    Morsel* berry = new Morsel(b2Vec2(3.5f, 7.0f), 0.4f, true);
    world->cabObjects.push_back(berry);
    berry->clearMaskBits(CAB_LEDGE);
    int frames = 0;
    while (!world->biteBody && frames < 60) {
        Cab::idle(1);
        ++frames;
    }
    ASSERT_EQ(world->biteBody, berry->bodies[0]);
    EXPECT_EQ(world->chewTime, 0.0f);
    EXPECT_EQ(world->mouthContacts, 1);
    // It falls through to the floor; the bite lingers, then is dropped.
    int left = 0;
    while (world->biteBody && left < 120) {
        Cab::idle(1);
        ++left;
    }
    EXPECT_EQ(world->biteBody, nullptr);
    EXPECT_GT(world->mouthLinger, -0.02f);
    EXPECT_LE(world->mouthLinger, 0.0f);
    EXPECT_GT(berry->bodies[0]->GetPosition().y, 11.2f);
}

TEST(Mouth, IgnoresWhatCannotBeEatenAndTheFixtures) {
    Cab cab;
    Morsel* rock = new Morsel(b2Vec2(3.5f, 7.0f), 0.4f, false);
    world->cabObjects.push_back(rock);
    rock->clearMaskBits(CAB_LEDGE);
    // The steering wheel's rim reaches into the mouth's corner.
    const b2Fixture* mouth = world->bearBody->GetFixtureList();
    while (!mouth->IsSensor()) mouth = mouth->GetNext();
    const b2Fixture* rim = world->wheelBody->GetFixtureList();
    while (rim->GetFilterData().categoryBits != CAB_WHEEL_RIM) rim = rim->GetNext();
    ASSERT_TRUE(b2TestOverlap(mouth->GetShape(), 0, rim->GetShape(), 0, world->bearBody->GetTransform(),
                              world->wheelBody->GetTransform()));
    for (int i = 0; i < 60; ++i) {
        Cab::idle(1);
        ASSERT_EQ(world->biteBody, nullptr) << i;
    }
    EXPECT_GT(rock->bodies[0]->GetPosition().y, 11.2f) << "the rock fell past the mouth";
}

TEST(Mouth, TheFirstBiteIsKeptWhileASecondMorselPasses) {
    Cab cab;
    Morsel* first = new Morsel(b2Vec2(3.5f, 7.0f), 0.4f, true);
    world->cabObjects.push_back(first);
    first->clearMaskBits(CAB_LEDGE);
    // Held in the mouth by the paw.
    int frames = 0;
    while (!world->biteBody && frames < 60) {
        Cab::idle(1);
        ++frames;
    }
    ASSERT_EQ(world->biteBody, first->bodies[0]);
    const b2Vec2 at = first->bodies[0]->GetPosition();
    const InputFrame grab{(at.x - world->pawX) * 32.0f, (at.y - world->pawY) * 32.0f, INPUT_LEFT_DOWN};
    world->update(&grab);
    ASSERT_TRUE(world->isHeld(first->bodies[0]));
    Morsel* second = new Morsel(b2Vec2(4.2f, 7.0f), 0.3f, true);
    world->cabObjects.push_back(second);
    second->clearMaskBits(CAB_LEDGE);
    for (int i = 0; i < 60; ++i) {
        const InputFrame hold{(3.5f - world->pawX) * 32.0f, (10.0f - world->pawY) * 32.0f, 0};
        world->update(&hold);
        ASSERT_EQ(world->biteBody, first->bodies[0]) << i;
    }
    EXPECT_GT(second->bodies[0]->GetPosition().y, 11.2f) << "the second one went by";
}

}  // namespace
