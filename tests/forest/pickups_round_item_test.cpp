#include "forest/cab_categories.h"
#include "forest/pickups_round_item.h"
#include "tests/forest/pickups_draws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr float PI = 3.14159265f;

struct Material {
    float radius, density, friction, restitution;
    uint16_t category, mask;
    float linearDamping, angularDamping;
};

void expectBody(const RoundItem& item, const Material& m, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(item.bodyCount, 1);
    const b2Body* body = item.bodies[0];
    EXPECT_EQ(body->GetType(), b2_dynamicBody);
    EXPECT_TRUE(body->IsSleepingAllowed());
    EXPECT_EQ(cabObjectOf(const_cast<b2Body*>(body)), &item);
    const b2Fixture* f = body->GetFixtureList();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetNext(), nullptr);
    ASSERT_EQ(f->GetType(), b2Shape::e_circle);
    EXPECT_FLOAT_EQ(f->GetShape()->m_radius, m.radius);
    EXPECT_EQ(static_cast<const b2CircleShape*>(f->GetShape())->m_p, b2Vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(item.radii[0], m.radius);
    EXPECT_FLOAT_EQ(f->GetDensity(), m.density);
    EXPECT_FLOAT_EQ(f->GetFriction(), m.friction);
    EXPECT_FLOAT_EQ(f->GetRestitution(), m.restitution);
    EXPECT_FALSE(f->IsSensor());
    EXPECT_EQ(f->GetFilterData().categoryBits, m.category);
    EXPECT_EQ(f->GetFilterData().maskBits, m.mask);
    EXPECT_NEAR(body->GetMass(), PI * m.radius * m.radius * m.density, 1e-3f);
    EXPECT_FLOAT_EQ(body->GetLinearDamping(), m.linearDamping);
    EXPECT_FLOAT_EQ(body->GetAngularDamping(), m.angularDamping);
}

TEST(RoundItems, EachThingHasItsBodyAndOnlyBerriesFeed) {
    PickupRound round;
    const uint16_t plain = 0x01CD;
    for (int n = 0; n < 4; ++n) {
        RoundItem leaf;
        leaf.makeLeaf(n);
        expectBody(leaf, {0.5f, 0.1f, 0.1f, 0.1f, CAB_LOOSE, plain, 5.0f, 5.0f}, "leaf");
        EXPECT_EQ(leaf.kind, -1);
    }
    RoundItem cone;
    cone.makePinecone();
    expectBody(cone, {0.5f, 1.0f, 0.5f, 0.2f, CAB_LOOSE, plain, 1.0f, 0.0f}, "pinecone");

    RoundItem berry;
    berry.makeBerry();
    // The spokes, the mouth and a badger's head, but not the rim.
    expectBody(berry, {0.4f, 0.5f, 0.5f, 0.5f, CAB_LOOSE, 0x07D5, 0.0f, 0.0f}, "berry");
    EXPECT_FLOAT_EQ(berry.nutrition, 0.03f);
    EXPECT_FLOAT_EQ(berry.chewDuration, 0.65f);

    for (const RoundItem* inedible : {&cone}) EXPECT_EQ(inedible->nutrition, 0.0f);
    for (const RoundItem* item : {&cone, &berry}) {
        EXPECT_TRUE(item->active);
        EXPECT_EQ(item->scale, 1.0f);
        EXPECT_EQ(item->soundCount, 0);
        EXPECT_EQ(item->pitchScale, 1.0f);
        EXPECT_FLOAT_EQ(item->stayChance, 0.7f);
    }
}

TEST(RoundItems, TheSpriteTurnIsTheConstructorsOneDraw) {
    PickupRound round;
    seedRandom(99u);
    ReferenceRandom r(99u);
    const float turn = r.unit() * 6.2831855f;
    RoundItem item;
    EXPECT_FLOAT_EQ(item.angleOffset, turn);
    EXPECT_EQ(randomState(), r.state);
    item.makeBerry();
    item.makeLeaf(1);  // neither draws
    EXPECT_EQ(randomState(), r.state);
}

TEST(Rocks, OneInNineIsBigAndTheSmallestSlipsThroughTheRim) {
    PickupRound round;
    const float radii[3] = {0.8f, 1.2f, 1.9f};
    int counts[3] = {};
    for (uint32_t seed = 1; seed <= 450; ++seed) {
        seedRandom(seed);
        PickupDraws expect(seed);
        expect.roundItem();
        const int k = expect.r.integer(9) != 0 ? static_cast<int>(expect.r.integer(2)) : 2;
        RoundItem rock;
        rock.makeRock();
        ASSERT_EQ(randomState(), expect.r.state) << seed;
        ASSERT_FLOAT_EQ(rock.radii[0], radii[k]) << seed;
        ++counts[k];
        EXPECT_EQ(rock.kind, 2);
        EXPECT_EQ(rock.scale, 2.0f);
        EXPECT_EQ(rock.soundCount, 2);
        const uint16_t mask = k == 0 ? 0x01D5 : 0x01CD;
        if (seed <= 60) expectBody(rock, {radii[k], 3.0f, 0.5f, 0.2f, CAB_LOOSE, mask, 0.0f, 0.0f}, "rock");
    }
    EXPECT_GT(counts[2], 25);
    EXPECT_LT(counts[2], 80);
    EXPECT_GT(counts[0], 130);
    EXPECT_GT(counts[1], 130);
}

TEST(Snowballs, ThreeSizesThatMeetOnlyWallsWindowsAndEachOther) {
    PickupRound round;
    const float radii[3] = {0.8f, 1.2f, 1.6f};
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        seedRandom(seed);
        ReferenceRandom r(seed);
        r.unit();
        const int k = static_cast<int>(r.integer(3));
        RoundItem ball;
        ball.makeSnowball();
        EXPECT_EQ(randomState(), r.state);
        expectBody(ball, {radii[k], 1.0f, 0.9f, 0.0f, CAB_SNOWBALL, 0x0805, 0.0f, 0.0f}, "snowball");
        EXPECT_FALSE(ball.active);
        EXPECT_EQ(ball.stayChance, 0.0f);
        EXPECT_EQ(ball.scale, 1.0f);
    }
}

TEST(Snowballs, AnInactiveItemIgnoresTheOpeningsAndTheLedge) {
    PickupRound round;
    RoundItem ball;
    ball.makeSnowball();
    ball.bodies[0]->SetTransform(b2Vec2(10.0f, 3.0f), 0.0f);
    ball.bodies[0]->SetLinearVelocity(b2Vec2(0.0f, 5.0f));
    ball.struck = true;
    const uint32_t before = randomState();
    ball.update();
    EXPECT_EQ(ball.bodies[0]->GetFixtureList()->GetFilterData().maskBits, 0x0805) << "no roof, no ledge";
    EXPECT_EQ(randomState(), before);
    EXPECT_TRUE(ball.struck);

    RoundItem berry;
    berry.makeBerry();
    berry.bodies[0]->SetTransform(b2Vec2(10.0f, 3.0f), 0.0f);
    berry.bodies[0]->SetLinearVelocity(b2Vec2(0.0f, 5.0f));
    berry.update();
    const uint16_t mask = berry.bodies[0]->GetFixtureList()->GetFilterData().maskBits;
    EXPECT_EQ(mask & (CAB_ROOF | CAB_LEDGE), CAB_ROOF | CAB_LEDGE) << "an active one closes them behind it";
}

TEST(RoundItemKnocks, RocksAreHeardOnHardKnocksAtMostFourTimesASecond) {
    PickupRound round;
    RoundItem rock;
    rock.makeRock();
    const auto knock = [&rock](float v2) {
        rock.bodies[0]->SetLinearVelocity(b2Vec2(0.0f, std::sqrt(v2)));
        rock.struck = false;
        const uint32_t before = randomState();
        rock.onContact();
        return randomState() != before;
    };
    world->elapsed = 10.0f;
    seedRandom(31u);
    ReferenceRandom r(31u);
    EXPECT_FALSE(knock(59.0f)) << "not hard enough to be heard";
    EXPECT_TRUE(rock.struck) << "but hard enough for the ledge";
    EXPECT_TRUE(knock(61.0f));
    r.integer(2);  // which of the two sounds
    r.range(0.75f, 1.25f);
    EXPECT_EQ(randomState(), r.state);
    EXPECT_EQ(rock.lastSoundTime, 10.0f);
    world->elapsed = 10.25f;
    EXPECT_FALSE(knock(200.0f)) << "a quarter of a second has not passed";
    EXPECT_TRUE(rock.struck);
    EXPECT_EQ(rock.lastSoundTime, 10.0f);
    world->elapsed = 10.27f;
    EXPECT_TRUE(knock(200.0f));
    EXPECT_EQ(rock.lastSoundTime, 10.27f);
    EXPECT_FALSE(knock(9.0f));
    EXPECT_FALSE(rock.struck) << "a soft touch leaves the ledge alone";

    RoundItem leaf;
    leaf.makeLeaf(0);
    leaf.bodies[0]->SetLinearVelocity(b2Vec2(20.0f, 0.0f));
    const uint32_t before = randomState();
    leaf.onContact();
    EXPECT_EQ(randomState(), before) << "a leaf has no sound";
    EXPECT_TRUE(leaf.struck);
}

TEST(RoundItemEating, AnEatenBerryIsGoneAtOnceAndCanNoLongerBeTaken) {
    PickupRound round;
    RoundItem berry;
    berry.makeBerry();
    berry.onEaten(berry.bodies[0]);
    EXPECT_TRUE(berry.dead);
    EXPECT_EQ(berry.bodies[0]->GetFixtureList()->GetFilterData().maskBits, 0x01D5);
}

TEST(RoundItemFalling, LeavesSinkSlowlyPineconesAndRocksFallFast) {
    PickupRound round;
    std::unique_ptr<RoundItem> things[3] = {std::make_unique<RoundItem>(), std::make_unique<RoundItem>(),
                                            std::make_unique<RoundItem>()};
    things[0]->makeLeaf(0);
    things[1]->makePinecone();
    things[2]->makeRock();
    const float xs[3] = {17.0f, 19.0f, 3.0f};
    for (int i = 0; i < 3; ++i) {
        things[i]->bodies[0]->SetTransform(b2Vec2(xs[i], 1.0f), 0.0f);
        things[i]->bodies[0]->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    }
    PickupRound::idle(30);
    float fallen[3];
    for (int i = 0; i < 3; ++i) fallen[i] = things[i]->bodies[0]->GetPosition().y - 1.0f;
    // Half a second of gravity 20: 2.5 units in free fall.
    EXPECT_NEAR(fallen[2], 2.5f, 0.15f);
    EXPECT_GT(fallen[1], 0.8f * fallen[2]);
    EXPECT_LT(fallen[0], 0.55f * fallen[2]);
    EXPECT_LT(things[0]->bodies[0]->GetLinearVelocity().y, 4.1f) << "a leaf's speed stays near 4";
}

}  // namespace
