// Fat over the year: where it starts, the chewing that adds to it with its crumbs
// and chomps, the swallow, and the notice when the bear is fat enough.
#include "forest/cab_categories.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "main/year.h"
#include "tests/main/seasons_round.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr float WHEEL_GRIP_X = 7.25f + 2.8f;
constexpr float WHEEL_GRIP_Y = 7.25f;

RoundItem* berryAt(b2Vec2 p) {
    RoundItem* berry = new RoundItem();
    berry->makeBerry();
    berry->bodies[0]->SetTransform(p, 0.0f);
    world->cabObjects.push_back(berry);
    return berry;
}

bool listed(const CabObject* o) {
    return std::find(world->cabObjects.begin(), world->cabObjects.end(), o) != world->cabObjects.end();
}

TEST(YearStart, FatnessByTheModifiersInForce) {
    struct Case {
        int year, a, b;
        float fatness;
    };
    const Case cases[] = {
        {1, -1, -1, 0.25f},                                 // the first year has none
        {2, MODIFIER_TURBO, -1, 0.25f},                     // one modifier
        {2, MODIFIER_FAMISHED, -1, -0.25f},                 // famished, alone
        {5, MODIFIER_OVERGROWN, MODIFIER_FULL_MOON, 0.0f},  // two modifiers
        {5, MODIFIER_OVERGROWN, MODIFIER_FAMISHED, -0.25f},
        {11, MODIFIER_FAMISHED, MODIFIER_FROZEN, -0.25f},
    };
    for (const Case& c : cases) {
        SeasonRound r(c.year, c.a, c.b);
        EXPECT_FLOAT_EQ(world->fatness, c.fatness) << c.year << " " << c.a << " " << c.b;
        EXPECT_EQ(world->easyStart, c.year == 1);
        EXPECT_EQ(world->crumbNext, 0);
        for (const Crumb& crumb : world->crumbs) EXPECT_LE(crumb.life, 0.0f);
    }
}

// The chewing of a berry, update by update: one draw for a crumb (two more when
// one flies), a chomp every half second (pitch, then which), and the swallow.
TEST(Chewing, ABerryIsSwallowedAfterItsChewTimeWithCrumbsAndChomps) {
    SeasonRound r;
    RoundItem* berry = berryAt(b2Vec2(15.0f, 12.0f));
    world->mouthBegin(berry->bodies[0]);
    const float fat = world->fatness;
    const float dt = SeasonRound::dt();

    seedRandom(2024u);
    ReferenceRandom expect(2024u);
    float chewTime = 0.0f, chompTimer = 0.0f;
    int next = 0, chomps = 0, updates = 0;
    bool swallowed = false;
    while (!swallowed) {
        ASSERT_LT(updates, 100);
        ++updates;
        Crumb expected = world->crumbs[next];
        bool flies = false;
        if (expect.unit() < 4.0f * dt && world->crumbs[next].life <= 0.0f) {
            flies = true;
            expected = Crumb{0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
            expected.vx = expect.range(-3.0f, 3.0f);
            expected.vy = expect.range(-6.0f, -1.0f);
        }
        chompTimer -= dt;
        if (chompTimer < 0.0f) {
            chompTimer += 0.5f;
            expect.range(0.8f, 1.2f);
            expect.integer(3);
            ++chomps;
        }
        chewTime += dt;
        swallowed = chewTime > 0.65f;

        const int slot = next;
        world->chew(dt);
        ASSERT_EQ(randomState(), expect.state) << updates;
        if (flies) {
            const Crumb& c = world->crumbs[slot];
            EXPECT_EQ(c.vx, expected.vx);
            EXPECT_EQ(c.vy, expected.vy);
            EXPECT_EQ(c.life, 1.0f);
            EXPECT_EQ(c.x, 0.0f);
            EXPECT_GE(c.vx, -3.0f);
            EXPECT_LE(c.vy, -1.0f);
            next = (next + 1) % 5;
        }
        EXPECT_EQ(world->crumbNext, next);
        EXPECT_EQ(world->chompTimer, chompTimer);
        if (!swallowed) {
            ASSERT_EQ(world->fatness, fat) << updates;
            ASSERT_EQ(world->biteBody, berry->bodies[0]);
        }
    }
    EXPECT_NEAR(static_cast<float>(updates) * dt, 0.65f, 0.02f) << "0.65 s of chewing";
    EXPECT_EQ(chomps, 2) << "at once, and half a second later";
    EXPECT_FLOAT_EQ(world->fatness, fat + 0.03f);
    EXPECT_EQ(world->biteBody, nullptr);
    EXPECT_TRUE(berry->dead);
    EXPECT_EQ(berry->bodies[0]->GetFixtureList()->GetFilterData().maskBits & (CAB_MOUTH | CAB_BADGER_HEAD), 0);
    EXPECT_GT(world->chewTime, 0.65f) << "a swallow does not reset the chewing time";
    // Nothing more is chewed, and nothing drawn, until the next bite.
    const uint32_t state = randomState();
    world->chew(dt);
    EXPECT_EQ(randomState(), state);
}

TEST(Chewing, ACrumbWaitsForItsSlotToBeFree) {
    SeasonRound r;
    RoundItem* berry = berryAt(b2Vec2(15.0f, 12.0f));
    world->mouthBegin(berry->bodies[0]);
    world->chompTimer = 10.0f;  // no chomp in the way of the count of draws
    world->crumbNext = 2;
    world->crumbs[2].life = 0.2f;
    // A seed whose first draw would let a crumb fly.
    uint32_t seed = 1;
    while (ReferenceRandom(seed).unit() >= 4.0f * SeasonRound::dt()) ++seed;
    seedRandom(seed);
    ReferenceRandom expect(seed);
    expect.unit();
    world->chew(SeasonRound::dt());
    EXPECT_EQ(randomState(), expect.state) << "the chance is drawn, the crumb is not";
    EXPECT_EQ(world->crumbNext, 2);
    EXPECT_EQ(world->crumbs[3].life, 0.0f);
    EXPECT_EQ(world->crumbs[2].life, 0.2f);
    // Once it has fallen, the same draw sends one flying from that slot.
    world->crumbs[2].life = 0.0f;
    seedRandom(seed);
    world->chew(SeasonRound::dt());
    EXPECT_EQ(world->crumbs[2].life, 1.0f);
    EXPECT_EQ(world->crumbNext, 3);
}

TEST(Chewing, TheSwallowThatMakesTheBearFatEnoughShowsTheNoticeOnce) {
    SeasonRound r;
    const float dt = SeasonRound::dt();
    world->fatness = 0.98f;
    RoundItem* first = berryAt(b2Vec2(15.0f, 12.0f));
    world->mouthBegin(first->bodies[0]);
    for (int i = 0; i < 40; ++i) world->chew(dt);
    EXPECT_FLOAT_EQ(world->fatness, 1.01f);
    EXPECT_EQ(world->fatNotice, 0.01f);

    world->fatNotice = 0.0f;
    RoundItem* second = berryAt(b2Vec2(13.0f, 12.0f));
    world->mouthBegin(second->bodies[0]);
    for (int i = 0; i < 40; ++i) world->chew(dt);
    EXPECT_FLOAT_EQ(world->fatness, 1.04f);
    EXPECT_EQ(world->fatNotice, 0.0f) << "already fat enough";
}

// From the first year's 0.25, 25 berries fill the gauge, though their float sum
// falls short of 1: the notice comes with the 25th and the cave takes the bear.
TEST(Chewing, TwentyFiveBerriesFromAQuarterMakeTheBearFatEnough) {
    SeasonRound r(1);
    ASSERT_EQ(world->fatness, 0.25f);
    const float dt = SeasonRound::dt();
    int noticeAt = 0;
    for (int i = 1; i <= 25; ++i) {
        RoundItem* berry = berryAt(b2Vec2(15.0f, 12.0f));
        world->mouthBegin(berry->bodies[0]);
        for (int k = 0; k < 40; ++k) world->chew(dt);
        ASSERT_TRUE(berry->dead) << i;
        EXPECT_EQ(fatEnough(world->fatness), i == 25) << i << " berries: " << world->fatness;
        if (world->fatNotice > 0.0f && noticeAt == 0) noticeAt = i;
    }
    EXPECT_LT(world->fatness, 1.0f) << "the sum this test is about";
    EXPECT_EQ(noticeAt, 25);
    world->caveAhead = true;
    world->startHibernation();
    EXPECT_EQ(world->sleepPhase, 1);
}

TEST(FatEnough, DrawsTheLineJustBelowOne) {
    const struct {
        float fatness;
        bool enough;
    } cases[] = {{1.0f, true}, {2.0f, true}, {0.9999995f, true}, {1.0f - 1e-4f, true},
                 {1.0f - 1.0f / 800.0f, false}, {0.9998f, false}, {0.25f, false}, {-0.25f, false}};
    for (const auto& c : cases) EXPECT_EQ(fatEnough(c.fatness), c.enough) << c.fatness;
}

TEST(Chewing, AnEatenObjectMakesThePawLetGoOfWhatItHolds) {
    SeasonRound r;
    world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
    const float dt = SeasonRound::dt();
    Fish* fish = new Fish();
    fish->bodies[0]->SetTransform(b2Vec2(14.0f, 3.0f), 0.0f);
    fish->bodies[1]->SetTransform(b2Vec2(14.0f + 3.2f * fish->size, 3.0f), 0.0f);
    world->cabObjects.push_back(fish);

    // Half a fish: it stays in the cab as bones, so the paw keeps the wheel.
    world->grabAt(WHEEL_GRIP_X, WHEEL_GRIP_Y);
    ASSERT_TRUE(world->isHeld(world->wheelBody));
    world->mouthBegin(fish->head());
    const float fat = world->fatness;
    for (int i = 0; i < 600 && world->biteBody; ++i) world->chew(dt);
    EXPECT_FLOAT_EQ(world->fatness, fat + 0.125f * fish->size);
    EXPECT_TRUE(fish->headEaten);
    EXPECT_FALSE(fish->dead);
    EXPECT_TRUE(world->isHeld(world->wheelBody));

    // A berry is gone once eaten, and the paw lets go, even of the wheel.
    RoundItem* berry = berryAt(b2Vec2(15.0f, 12.0f));
    world->mouthBegin(berry->bodies[0]);
    for (int i = 0; i < 40; ++i) world->chew(dt);
    EXPECT_TRUE(berry->dead);
    EXPECT_EQ(world->grabJoint, nullptr);
}

// The whole round: a berry held to the bear's mouth by the paw is eaten.
TEST(Chewing, TheRoundEatsABerryHeldToTheMouth) {
    SeasonRound r;
    const b2Vec2 mouth(3.5f, 10.0f);
    RoundItem* berry = berryAt(mouth);
    world->pawX = mouth.x;
    world->pawY = mouth.y;
    world->grabAt(mouth.x, mouth.y);
    ASSERT_TRUE(world->isHeld(berry->bodies[0]));
    const float fat = world->fatness;
    int eatenAt = 0;
    for (int i = 1; i <= 120 && eatenAt == 0; ++i) {
        SeasonRound::update();
        if (world->fatness != fat) eatenAt = i;
    }
    ASSERT_GT(eatenAt, 0) << "never eaten";
    EXPECT_GE(eatenAt, 39) << "not before it was chewed 0.65 s";
    EXPECT_LE(eatenAt, 45);
    EXPECT_FLOAT_EQ(world->fatness, fat + 0.03f);
    EXPECT_FALSE(listed(berry));
    EXPECT_EQ(world->grabJoint, nullptr);
    EXPECT_EQ(world->biteBody, nullptr);
}

}  // namespace
