#include "forest/cab_categories.h"
#include "forest/pickups_clock.h"
#include "tests/forest/pickups_draws.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, TheHandStartsByTheMinutesLeftAndStopsAtTheTop) {
    PickupRound round;
    for (float minutes : {5.0f, 4.0f, 3.0f, 2.0f, 1.0f}) {
        Clock clock(minutes);
        clock.bodies[0]->SetTransform(b2Vec2(15.0f, 3.0f), 0.0f);
        EXPECT_NEAR(clock.hand, 1.0f - (minutes + 0.17f) / 5.17f, 1e-6f);
        // minutes and 10 s more: the hand is at the top.
        const int updates = static_cast<int>((minutes + 0.17f) * 60.0f * 60.0f);
        for (int i = 0; i < updates - 30; ++i) clock.update();
        EXPECT_LT(clock.hand, 1.0f) << minutes;
        for (int i = 0; i < 60; ++i) clock.update();
        EXPECT_EQ(clock.hand, 1.0f) << minutes;
    }
    Clock fullYear(5.0f);
    EXPECT_NEAR(fullYear.hand, 0.0f, 1e-6f) << "five minutes start at the top";
}

TEST(Clock, AFaceAndAFootThatCannotBeEaten) {
    PickupRound round;
    Clock clock(3.0f);
    EXPECT_EQ(clock.bodyCount, 1);
    EXPECT_FLOAT_EQ(clock.radii[0], 1.1f);
    EXPECT_FLOAT_EQ(clock.stayChance, 0.9f);
    EXPECT_TRUE(clock.usesOpenings);
    EXPECT_FALSE(clock.escapesWhenFast);
    EXPECT_EQ(clock.nutrition, 0.0f);
    int shapes = 0;
    for (const b2Fixture* f = clock.bodies[0]->GetFixtureList(); f; f = f->GetNext()) {
        ++shapes;
        EXPECT_EQ(f->GetFilterData().categoryBits, CAB_LOOSE);
        EXPECT_EQ(f->GetFilterData().maskBits, 0x01CF);
        EXPECT_FLOAT_EQ(f->GetDensity(), 0.5f);
        EXPECT_EQ(f->GetRestitution(), 0.0f);
        if (f->GetType() == b2Shape::e_circle) {
            EXPECT_FLOAT_EQ(f->GetShape()->m_radius, 0.99f);
            EXPECT_FLOAT_EQ(f->GetFriction(), 0.5f);
        } else {
            EXPECT_FLOAT_EQ(f->GetFriction(), 1.0f);
            // A box 2 by 1 below the centre.
            EXPECT_TRUE(f->TestPoint(b2Vec2(0.95f, 0.95f)));
            EXPECT_FALSE(f->TestPoint(b2Vec2(0.0f, -0.05f)));
            EXPECT_FALSE(f->TestPoint(b2Vec2(1.05f, 0.5f)));
        }
    }
    EXPECT_EQ(shapes, 2);
    EXPECT_NEAR(clock.bodies[0]->GetMass(), 0.5f * (3.14159265f * 0.99f * 0.99f + 2.0f), 1e-3f);
}

TEST(Clock, EveryYearStartsWithTheClockOnTheDashboard) {
    PickupRound round(3);
    ASSERT_FALSE(world->cabObjects.empty());
    Clock* clock = dynamic_cast<Clock*>(world->cabObjects[0]);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->bodies[0]->GetPosition(), b2Vec2(15.0f, 5.4f));
    EXPECT_NEAR(clock->hand, 1.0f - 5.17f / 5.17f, 1e-6f);
    // It settles on the ledge and stays there.
    PickupRound::idle(180);
    const b2Vec2 p = clock->bodies[0]->GetPosition();
    EXPECT_NEAR(p.x, 15.0f, 0.3f);
    EXPECT_LT(p.y, 6.0f);
    EXPECT_GT(p.y, 4.5f);
    EXPECT_NEAR(clock->bodies[0]->GetAngle(), 0.0f, 0.1f);
}

}  // namespace
