#include "forest/cab_categories.h"
#include "forest/pickups_fish.h"
#include "tests/forest/pickups_draws.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const b2Fixture& onlyShape(const b2Body* body) {
    EXPECT_EQ(body->GetFixtureList()->GetNext(), nullptr);
    return *body->GetFixtureList();
}

TEST(FishMaking, TheSizeComesFromItsDrawsAndTheGentleStartHasNoBigOnes) {
    PickupRound round;
    int big = 0, huge = 0;
    for (bool easy : {false, true}) {
        world->easyStart = easy;
        for (uint32_t seed = 1; seed <= 400; ++seed) {
            seedRandom(seed);
            PickupDraws expect(seed);
            const float size = expect.fish(easy, false);
            Fish fish;
            ASSERT_EQ(fish.size, size) << seed;
            ASSERT_EQ(randomState(), expect.r.state) << "the same draws, no more, seed " << seed;
            if (easy) {
                EXPECT_TRUE(fish.size == 0.5f || fish.size == 1.0f);
            } else {
                big += fish.size == 1.75f;
                huge += fish.size == 4.0f;
            }
        }
    }
    // About one in 25 big, and one in 125 of the others huge.
    EXPECT_GT(big, 6);
    EXPECT_LT(big, 32);
    EXPECT_LE(huge, 12);
}

TEST(FishMaking, LifeAndSideAreDrawnFirst) {
    PickupRound round;
    world->easyStart = true;
    seedRandom(123u);
    ReferenceRandom r(123u);
    const float life = r.range(30.0f, 45.0f);
    const bool mirrored = r.integer(2) == 0;
    Fish fish;
    EXPECT_EQ(fish.life, life);
    EXPECT_EQ(fish.mirrored, mirrored);
    EXPECT_GE(fish.life, 30.0f);
    EXPECT_LE(fish.life, 45.0f);
}

TEST(FishMaking, TwoBoxesHingedAtTheHeadsEndScaledBySize) {
    PickupRound round;
    world->easyStart = false;
    for (float size : {0.5f, 1.0f, 1.75f, 4.0f}) {
        // Find a seed that makes this size.
        uint32_t seed = 1;
        while (PickupDraws(seed).fish(false, false) != size) ++seed;
        seedRandom(seed);
        Fish fish;
        ASSERT_EQ(fish.size, size);
        EXPECT_EQ(fish.kind, 0);
        EXPECT_EQ(fish.bodyCount, 2);
        EXPECT_FLOAT_EQ(fish.radii[0], 2.0f * size);
        EXPECT_FLOAT_EQ(fish.radii[1], 1.2f * size);
        EXPECT_FLOAT_EQ(fish.nutrition, 0.125f * size);
        EXPECT_FLOAT_EQ(fish.chewDuration, 1.6f * size);
        EXPECT_EQ(fish.head()->GetType(), b2_dynamicBody);
        EXPECT_EQ(fish.tail()->GetPosition(), b2Vec2(3.2f * size, 0.0f));
        EXPECT_EQ(cabObjectOf(fish.head()), &fish);
        EXPECT_EQ(cabObjectOf(fish.tail()), &fish);
        // Boxes 4 by 1 and 2.4 by 1 at size 1, density 1.
        EXPECT_NEAR(fish.head()->GetMass(), 4.0f * size * size, 1e-3f * size * size);
        EXPECT_NEAR(fish.tail()->GetMass(), 2.4f * size * size, 1e-3f * size * size);
        const uint16_t mask = size == 0.5f ? 0x07D5 : 0x07CD;  // the smallest meets the spokes, not the rim
        for (const b2Body* part : {fish.head(), fish.tail()}) {
            const b2Fixture& f = onlyShape(part);
            EXPECT_EQ(f.GetFilterData().categoryBits, CAB_LOOSE);
            EXPECT_EQ(f.GetFilterData().maskBits, mask) << size;
            EXPECT_FLOAT_EQ(f.GetFriction(), 0.5f);
            EXPECT_FLOAT_EQ(f.GetRestitution(), 0.1f);
            EXPECT_FLOAT_EQ(f.GetDensity(), 1.0f);
        }
        ASSERT_NE(fish.joint, nullptr);
        EXPECT_TRUE(fish.joint->IsLimitEnabled());
        EXPECT_NEAR(fish.joint->GetLowerLimit(), -0.4f * 3.14159265f, 1e-5f);
        EXPECT_NEAR(fish.joint->GetUpperLimit(), 0.4f * 3.14159265f, 1e-5f);
        EXPECT_FALSE(fish.joint->IsMotorEnabled());
        EXPECT_FALSE(fish.joint->GetCollideConnected());
        const b2Vec2 anchor = fish.joint->GetAnchorA();
        EXPECT_NEAR(anchor.x, 2.0f * size, 1e-5f);
        EXPECT_NEAR(anchor.y, 0.0f, 1e-5f);
    }
}

TEST(FishEating, EachHalfTurnsToBonesAndTheFishStays) {
    PickupRound round;
    world->easyStart = true;
    Fish fish;
    const auto mask = [](const b2Body* b) { return b->GetFixtureList()->GetFilterData().maskBits; };
    EXPECT_EQ(fish.headLook(), FishLook::Whole);
    EXPECT_EQ(fish.tailLook(), FishLook::Whole);

    fish.onEaten(fish.head());
    EXPECT_EQ(fish.life, 0.0f) << "an eaten fish flops no more";
    EXPECT_TRUE(fish.headEaten);
    EXPECT_FALSE(fish.tailEaten);
    EXPECT_EQ(mask(fish.head()) & (CAB_MOUTH | CAB_BADGER_HEAD), 0);
    EXPECT_EQ(mask(fish.tail()) & (CAB_MOUTH | CAB_BADGER_HEAD), CAB_MOUTH | CAB_BADGER_HEAD);
    EXPECT_EQ(fish.headLook(), FishLook::Bones);
    EXPECT_EQ(fish.tailLook(), FishLook::Half);
    EXPECT_FALSE(fish.dead);

    fish.onEaten(fish.tail());
    EXPECT_EQ(mask(fish.tail()) & (CAB_MOUTH | CAB_BADGER_HEAD), 0);
    EXPECT_EQ(fish.headLook(), FishLook::Bones);
    EXPECT_EQ(fish.tailLook(), FishLook::Bones);
    EXPECT_FALSE(fish.dead) << "the bones stay in the cab";
    // The rest of the filter is untouched.
    EXPECT_EQ(mask(fish.head()) | CAB_MOUTH | CAB_BADGER_HEAD, fish.size == 0.5f ? 0x07D5 : 0x07CD);

    Fish other;
    other.onEaten(other.tail());
    EXPECT_EQ(other.headLook(), FishLook::Half);
    EXPECT_EQ(other.tailLook(), FishLook::Bones);
}

// The flops, predicted draw by draw: r, then for a flop the side, the strength, the
// half and whether it is heard (and the sound's pitch).
TEST(FishFlopping, FlopsFadeWithLifeAndStopWhenItIsOver) {
    PickupRound round;
    world->easyStart = true;
    Fish fish;
    fish.life = 40.0f;
    seedRandom(555u);
    ReferenceRandom r(555u);
    const float dt = 0.0166667f;
    float life = fish.life;
    int flops = 0, flopsEarly = 0;
    int frames = 0;
    while (life > 0.0f) {
        const float rate = life >= 30.0f ? 1.5f : 0.2f + (1.5f - 0.2f) * life / 30.0f;
        const float draw = r.unit();
        if (dt * rate > draw) {
            r.integer(2);
            r.unit();
            r.integer(2);
            if (r.integer(2) == 0) r.range(0.75f, 1.25f);
            ++flops;
            if (frames < 600) ++flopsEarly;
        }
        life -= dt;
        fish.update();
        ++frames;
        ASSERT_EQ(randomState(), r.state) << "frame " << frames;
    }
    EXPECT_NEAR(frames, 2400, 1) << "forty seconds of life";
    EXPECT_LE(fish.life, 0.0f);
    // Ten seconds at 1.5 a second, then fewer and fewer.
    EXPECT_GT(flopsEarly, 6);
    EXPECT_LT(flopsEarly, 28);
    EXPECT_GT(flops, flopsEarly);
    EXPECT_LT(flops, flopsEarly + 40);
    const uint32_t still = randomState();
    for (int i = 0; i < 100; ++i) fish.update();
    EXPECT_EQ(randomState(), still) << "a fish without life draws nothing";
}

TEST(FishFlopping, AFlopTurnsOneHalf) {
    PickupRound round;
    world->easyStart = true;
    Fish fish;
    fish.head()->SetTransform(b2Vec2(10.0f, 3.0f), 0.0f);
    fish.tail()->SetTransform(b2Vec2(10.0f + 3.2f * fish.size, 3.0f), 0.0f);
    fish.life = 40.0f;
    // A seed whose first draw is a flop.
    uint32_t seed = 1;
    while (ReferenceRandom(seed).unit() >= 0.0166667f * 1.5f) ++seed;
    seedRandom(seed);
    fish.update();
    world->cabWorld->step(1.0f / 60.0f, 10, 10);
    const float spin = std::fabs(fish.head()->GetAngularVelocity()) + std::fabs(fish.tail()->GetAngularVelocity());
    EXPECT_GT(spin, 1.0f);
}

TEST(FishContact, OnlyAFastHeadIsStruck) {
    PickupRound round;
    world->easyStart = true;
    Fish fish;
    fish.tail()->SetLinearVelocity(b2Vec2(20.0f, 0.0f));
    fish.head()->SetLinearVelocity(b2Vec2(3.0f, 1.0f));  // 10: not above
    fish.onContact();
    EXPECT_FALSE(fish.struck);
    fish.head()->SetLinearVelocity(b2Vec2(3.0f, 1.1f));
    fish.onContact();
    EXPECT_TRUE(fish.struck);
}

}  // namespace
