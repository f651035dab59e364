// The cab world's contacts reach the loose things, the mouth and the boundary.
#include "forest/cab_categories.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "tests/forest/pickups_draws.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool listed(const CabObject* o) {
    return std::find(world->cabObjects.begin(), world->cabObjects.end(), o) != world->cabObjects.end();
}

RoundItem* placed(RoundItem* item, b2Vec2 at, b2Vec2 v = b2Vec2(0.0f, 0.0f)) {
    item->bodies[0]->SetTransform(at, 0.0f);
    item->bodies[0]->SetLinearVelocity(v);
    world->cabObjects.push_back(item);
    return item;
}

RoundItem* berryAt(b2Vec2 at, b2Vec2 v = b2Vec2(0.0f, 0.0f)) {
    RoundItem* berry = new RoundItem();
    berry->makeBerry();
    return placed(berry, at, v);
}

RoundItem* rockAt(b2Vec2 at, b2Vec2 v = b2Vec2(0.0f, 0.0f)) {
    RoundItem* rock = new RoundItem();
    rock->makeRock();
    return placed(rock, at, v);
}

void grip(b2Body* body) {
    MouseJointDef def;
    def.body = body;
    def.target = body->GetPosition();
    def.maxForce = 1000.0f;
    world->grabJoint = world->cabWorld->createMouseJoint(def);
}

TEST(CabContacts, ANewContactTellsOneLooseThingTheFirstOneFirst) {
    PickupRound round;
    RoundItem* a = berryAt(b2Vec2(10.0f, 3.0f), b2Vec2(5.0f, 0.0f));
    RoundItem* b = berryAt(b2Vec2(11.0f, 3.0f), b2Vec2(-5.0f, 0.0f));
    ContactPoint p{};
    p.shapeA = a->bodies[0]->GetFixtureList();
    p.shapeB = b->bodies[0]->GetFixtureList();
    world->contactCount = 0;
    world->add(p);
    EXPECT_TRUE(a->struck);
    EXPECT_FALSE(b->struck) << "only one of the two hears of it";
    a->struck = false;
    // The cab's wall is no loose thing: the other shape is told.
    p.shapeA = world->cabAnchor->GetFixtureList();
    world->add(p);
    EXPECT_FALSE(a->struck);
    EXPECT_TRUE(b->struck);
    // A persist or a remove tells nobody.
    b->struck = false;
    p.shapeA = a->bodies[0]->GetFixtureList();
    world->persist(p);
    world->remove(p);
    EXPECT_FALSE(a->struck || b->struck);
    EXPECT_EQ(world->contactCount, 4);
}

TEST(CabContacts, PastTheStepsLimitTheMouthHearsNothing) {
    PickupRound round;
    RoundItem* berry = berryAt(b2Vec2(3.5f, 10.0f));
    const b2Fixture* mouth = nullptr;
    for (b2Fixture* f = world->bearBody->GetFixtureList(); f; f = f->GetNext()) {
        if (f->GetFilterData().categoryBits == CAB_MOUTH) mouth = f;
    }
    ASSERT_NE(mouth, nullptr);
    ContactPoint p{};
    p.shapeA = berry->bodies[0]->GetFixtureList();
    p.shapeB = const_cast<b2Fixture*>(mouth);
    world->contactCount = MAX_CAB_CONTACT_EVENTS;
    world->add(p);
    EXPECT_EQ(world->biteBody, nullptr);
    world->contactCount = 0;
    world->add(p);
    EXPECT_EQ(world->biteBody, berry->bodies[0]) << "the mouth is B: A is the bite";
    EXPECT_EQ(world->mouthContacts, 1);
    world->contactCount = MAX_CAB_CONTACT_EVENTS;
    world->remove(p);
    EXPECT_EQ(world->mouthContacts, 1);
    world->contactCount = 0;
    world->remove(p);
    EXPECT_EQ(world->mouthContacts, 0);
}

TEST(CabContacts, ABerryFallingIntoTheMouthIsABiteARockIsNot) {
    for (bool edible : {true, false}) {
        PickupRound round;
        // Above the mouth sensor, clear of the wheel.
        RoundItem* thing = edible ? berryAt(b2Vec2(3.5f, 7.6f)) : rockAt(b2Vec2(3.5f, 7.6f));
        b2Body* body = thing->bodies[0];
        bool bitten = false, passed = false;
        for (int i = 0; i < 40 && !bitten; ++i) {
            PickupRound::idle(1);
            bitten = world->biteBody == body;
            const b2Vec2 at = body->GetPosition();
            passed = passed || (at.y > 9.0f && at.y < 11.0f && at.x > 2.5f && at.x < 4.5f);
        }
        EXPECT_EQ(bitten, edible);
        EXPECT_TRUE(passed || bitten) << "it went through the mouth";
    }
}

TEST(CabBoundary, ThingsThatFlyOutOfTheCabAreRemoved) {
    PickupRound round;
    // Up through the open roof and out past the world's top at y -20.
    RoundItem* rock = rockAt(b2Vec2(10.0f, 3.0f), b2Vec2(0.0f, -90.0f));
    world->easyStart = true;
    Fish* fish = new Fish();
    fish->dropIntoCab();
    fish->tail()->SetLinearVelocity(b2Vec2(0.0f, -150.0f));
    world->cabObjects.push_back(fish);
    const int bodies = world->cabWorld->bodyCount();
    int frames = 0;
    while ((listed(rock) || listed(fish)) && frames < 60) {
        PickupRound::idle(1);
        ++frames;
    }
    EXPECT_FALSE(listed(rock));
    EXPECT_FALSE(listed(fish)) << "one half out is the whole fish gone";
    EXPECT_EQ(world->cabWorld->bodyCount(), bodies - 3);
    // The cab's own bodies are never marked.
    world->violation(world->cabAnchor);
    world->violation(world->bearBody);
    const size_t count = world->cabObjects.size();
    PickupRound::idle(1);
    EXPECT_EQ(world->cabObjects.size(), count);
}

TEST(CabRemoval, AnEatenBerryLeavesThePawAndTheMouthBeforeItsBodyGoes) {
    PickupRound round;
    RoundItem* berry = berryAt(b2Vec2(12.0f, 9.0f));
    grip(berry->bodies[0]);
    world->biteBody = berry->bodies[0];
    berry->onEaten(berry->bodies[0]);
    const int bodies = world->cabWorld->bodyCount();
    PickupRound::idle(1);
    EXPECT_FALSE(listed(berry));
    EXPECT_EQ(world->grabJoint, nullptr);
    EXPECT_EQ(world->biteBody, nullptr);
    EXPECT_EQ(world->cabWorld->bodyCount(), bodies - 1);
    // The paw works on afterwards.
    RoundItem* next = berryAt(b2Vec2(14.0f, 9.0f));
    grip(next->bodies[0]);
    PickupRound::idle(5);
    EXPECT_TRUE(world->isHeld(next->bodies[0]));
}

TEST(CabRemoval, AFishEatenToTheBonesStaysInThePaw) {
    PickupRound round;
    world->easyStart = true;
    Fish* fish = new Fish();
    fish->head()->SetTransform(b2Vec2(12.0f, 9.0f), 0.0f);
    fish->tail()->SetTransform(b2Vec2(12.0f + 3.2f * fish->size, 9.0f), 0.0f);
    world->cabObjects.push_back(fish);
    grip(fish->tail());
    fish->onEaten(fish->head());
    fish->onEaten(fish->tail());
    PickupRound::idle(3);
    EXPECT_TRUE(listed(fish));
    EXPECT_TRUE(world->isHeld(fish->tail()));
}

}  // namespace
