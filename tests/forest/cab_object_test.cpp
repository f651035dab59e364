#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "tests/forest/round_globals.h"
#include "tests/forest/test_ball.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A loose ball that can meet the roof, the windows and the ledge.
class Ball : public TestBall {
public:
    explicit Ball(b2Vec2 at, float radius = 0.5f) : TestBall(at, radius, CAB_FLOOR | CAB_LOOSE) {}
    void update() override { applyOpenings(); }
    uint16_t mask() const { return bodies[0]->GetFixtureList()->GetFilterData().maskBits; }
    bool has(uint16_t bit) const { return (mask() & bit) != 0; }
    void move(b2Vec2 at, b2Vec2 v) {
        bodies[0]->SetTransform(at, 0.0f);
        bodies[0]->SetLinearVelocity(v);
    }
};

struct Cab : SetUpRound {
    Cab() : SetUpRound(2, 17u) {}
    void hold(Ball& b) {
        MouseJointDef def;
        def.body = b.bodies[0];
        def.target = b.bodies[0]->GetPosition();
        def.maxForce = 10000.0f;
        def.frequencyHz = 20.0f;
        def.dampingRatio = 1.0f;
        world->grabJoint = world->cabWorld->createMouseJoint(def);
    }
};

TEST(CabObjectOpenings, FastThingsLeaveByTheRoofAndFallingOnesMeetItAgain) {
    Cab cab;
    Ball b(b2Vec2(10.0f, 3.0f));
    b.setMaskBits(CAB_ROOF);
    b.move(b2Vec2(10.0f, 3.0f), b2Vec2(0.0f, -40.0f));
    b.update();
    EXPECT_FALSE(b.has(CAB_ROOF));
    // Falling back, but still reaching above y 0.5: no roof yet.
    b.move(b2Vec2(10.0f, 0.8f), b2Vec2(0.0f, 3.0f));
    b.update();
    EXPECT_FALSE(b.has(CAB_ROOF));
    b.move(b2Vec2(10.0f, 1.1f), b2Vec2(0.0f, 3.0f));
    b.update();
    EXPECT_TRUE(b.has(CAB_ROOF));
    // Rising slowly below the roof keeps it.
    b.move(b2Vec2(10.0f, 3.0f), b2Vec2(0.0f, -20.0f));
    b.update();
    EXPECT_TRUE(b.has(CAB_ROOF));
}

TEST(CabObjectOpenings, WithoutEscapingOnlyThePawThrowsThingsOut) {
    Cab cab;
    Ball b(b2Vec2(10.0f, 3.0f));
    b.escapesWhenFast = false;
    b.setMaskBits(CAB_ROOF | CAB_WINDOWS);
    b.move(b2Vec2(10.0f, 3.0f), b2Vec2(50.0f, -40.0f));
    b.update();
    EXPECT_TRUE(b.has(CAB_ROOF));
    EXPECT_TRUE(b.has(CAB_WINDOWS));
    cab.hold(b);
    b.update();
    EXPECT_FALSE(b.has(CAB_ROOF));
    EXPECT_FALSE(b.has(CAB_WINDOWS));
}

TEST(CabObjectOpenings, TheWindowsCloseBehindThingsComingIn) {
    Cab cab;
    Ball b(b2Vec2(0.0f, 4.0f));
    b.move(b2Vec2(0.0f, 4.0f), b2Vec2(5.0f, 0.0f));  // left part, moving right
    b.update();
    EXPECT_TRUE(b.has(CAB_WINDOWS));
    b.clearMaskBits(CAB_WINDOWS);
    b.move(b2Vec2(0.0f, 4.0f), b2Vec2(-5.0f, 0.0f));  // left part, moving out
    b.update();
    EXPECT_FALSE(b.has(CAB_WINDOWS));
    b.move(b2Vec2(20.0f, 4.0f), b2Vec2(-5.0f, 0.0f));  // right part, moving left
    b.update();
    EXPECT_TRUE(b.has(CAB_WINDOWS));
    b.move(b2Vec2(20.0f, 4.0f), b2Vec2(-46.0f, 0.0f));
    b.update();
    EXPECT_FALSE(b.has(CAB_WINDOWS));
}

TEST(CabObjectOpenings, TheLedgeHoldsWhatIsAboveItButNeverWhatIsHeld) {
    Cab cab;
    Ball b(b2Vec2(8.0f, 4.0f));
    b.update();
    EXPECT_TRUE(b.has(CAB_LEDGE)) << "wholly above the ledge";
    b.clearMaskBits(CAB_LEDGE);
    b.move(b2Vec2(8.0f, 5.7f), b2Vec2(0.0f, 0.0f));
    b.update();
    EXPECT_FALSE(b.has(CAB_LEDGE)) << "reaching below y 6";
    b.move(b2Vec2(8.0f, 4.0f), b2Vec2(0.0f, 0.0f));
    cab.hold(b);
    b.setMaskBits(CAB_LEDGE);
    b.update();
    EXPECT_FALSE(b.has(CAB_LEDGE));
    world->releaseGrab();
    b.stayChance = 0.0f;
    b.update();
    EXPECT_FALSE(b.has(CAB_LEDGE)) << "a thing that never stays";
}

TEST(CabObjectOpenings, AStruckThingFallsThroughTheLedgeWithItsChance) {
    Cab cab;
    Ball b(b2Vec2(8.0f, 5.4f));
    b.setMaskBits(CAB_LEDGE);
    for (int i = 0; i < 60; ++i) world->cabWorld->step(1.0f / 60.0f, 10, 10);
    ASSERT_NEAR(b.bodies[0]->GetPosition().y, 5.5f, 0.05f) << "resting on the ledge";

    int fell = 0;
    for (uint32_t k = 1; k <= 400; ++k) {
        const uint32_t seed = k * 2654435761u;  // spread: small seeds all start with small draws
        b.setMaskBits(CAB_LEDGE);
        b.struck = true;
        seedRandom(seed);
        ReferenceRandom r(seed);
        const bool drops = r.unit() > 0.7f;
        b.update();
        EXPECT_FALSE(b.struck);
        EXPECT_EQ(!b.has(CAB_LEDGE), drops);
        fell += drops;
    }
    EXPECT_NEAR(fell / 400.0f, 0.3f, 0.07f);
    // Once the bit is gone the ledge no longer holds it.
    b.clearMaskBits(CAB_LEDGE);
    b.bodies[0]->SetAwake(true);
    for (int i = 0; i < 60; ++i) world->cabWorld->step(1.0f / 60.0f, 10, 10);
    EXPECT_GT(b.bodies[0]->GetPosition().y, 10.0f);
}

// Through the round's own update, where the opening rule runs between the knock
// that clears the ledge bit and the fall: a berry at rest on the ledge is not
// "entirely above" it, so what a jolt or a hard hit shook loose falls and the
// rest stays.
TEST(CabObjectOpenings, KnockedBerriesFallOffTheLedgeThroughTheRoundUpdate) {
    struct Knock {
        const char* name;
        void (*knock)(const std::vector<RoundItem*>& berries);
    };
    const Knock knocks[] = {
        {"jolted",
         [](const std::vector<RoundItem*>&) {
             Scenery tree;
             tree.sceneryType = SCENERY_TREE;
             world->carImpact(&tree, 2.0f);  // a soft knock: a jolt and nothing thrown in
         }},
        {"struck",
         [](const std::vector<RoundItem*>& berries) {
             for (RoundItem* b : berries) b->struck = true;
             SetUpRound::idle(1);  // the opening rule draws the fall
         }},
    };
    for (const Knock& k : knocks) {
        Cab cab;
        // Clear of the clock (x 14..16), and of the mouth (x 2.3..4.7) and the
        // spokes (x 4.75..9.75) below the ledge.
        const float xs[] = {0.3f, 1.2f, 11.0f, 12.0f, 17.0f, 18.0f, 19.0f, 20.0f};
        std::vector<RoundItem*> berries;
        for (float x : xs) {
            RoundItem* berry = new RoundItem();
            berry->makeBerry();
            berry->bodies[0]->SetTransform(b2Vec2(x, 5.0f), 0.0f);
            world->cabObjects.push_back(berry);
            berries.push_back(berry);
        }
        SetUpRound::idle(60);
        for (RoundItem* b : berries) ASSERT_NEAR(b->bodies[0]->GetPosition().y, 5.6f, 0.05f) << "resting on the ledge";

        int cleared = 0, stayed = 0;
        for (int round = 0; round < 12; ++round) {
            std::vector<RoundItem*> onLedge;
            for (RoundItem* b : berries) {
                if (b->bodies[0]->GetPosition().y < 6.0f) onLedge.push_back(b);
            }
            k.knock(onLedge);
            std::vector<bool> loose;
            for (RoundItem* b : onLedge) {
                loose.push_back((b->bodies[0]->GetFixtureList()->GetFilterData().maskBits & CAB_LEDGE) == 0);
            }
            SetUpRound::idle(45);
            for (size_t i = 0; i < onLedge.size(); ++i) {
                const float y = onLedge[i]->bodies[0]->GetPosition().y;
                EXPECT_EQ(y > 7.0f, bool(loose[i])) << k.name << " " << round << ": a berry now at y " << y;
                cleared += loose[i];
                stayed += !loose[i] && y < 6.0f;
            }
        }
        EXPECT_GT(cleared, 0) << k.name;
        EXPECT_GT(stayed, 0) << k.name;
    }
}

TEST(CabObjectDrop, AllBodiesAtOnePointAboveTheRoof) {
    Cab cab;
    Ball b(b2Vec2(3.0f, 3.0f));
    seedRandom(123u);
    ReferenceRandom r(123u);
    b.dropIntoCab();
    const float x = r.range(5.0f, 15.0f);
    const float y = r.range(-5.0f, -10.0f);
    EXPECT_EQ(b.bodies[0]->GetPosition(), b2Vec2(x, y));
    EXPECT_EQ(b.bodies[0]->GetLinearVelocity(), b2Vec2(0.0f, 8.0f));
    EXPECT_LT(y, -5.0f + 1e-6f);
}

}  // namespace
