// Winter: the countdown of autumn, ten seconds of grace, the snow pouring in ball
// by ball while the sound fades, the snow packing, and the bear snowed in.
#include "forest/cab_categories.h"
#include "forest/pickups_round_item.h"
#include "tests/main/seasons_round.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

int anchorShapes() {
    int n = 0;
    for (b2Fixture* f = world->cabAnchor->GetFixtureList(); f; f = f->GetNext()) ++n;
    return n;
}

TEST(Autumn, CountsDownToWinterAndEndsTheGentleStartWithThreeMinutesLeft) {
    SeasonRound r(1);
    ASSERT_EQ(world->winterCountdown, 300.0f);
    ASSERT_TRUE(world->easyStart);
    const float dt = SeasonRound::dt();
    int updates = 0;
    while (world->easyStart && updates < 20000) {
        world->updateWinter(dt);
        ++updates;
    }
    EXPECT_NEAR(updates, 120 * 60, 2) << "the first two minutes are gentle";
    EXPECT_EQ(world->winterPhase, 0);
    world->winterCountdown = 1.5f * dt;
    world->updateWinter(dt);
    EXPECT_EQ(world->winterPhase, 0);
    world->updateWinter(dt);
    EXPECT_EQ(world->winterPhase, 1);
    EXPECT_LT(world->winterCountdown, 0.0f) << "the clock keeps its overshoot";
    EXPECT_GT(world->winterCountdown, -dt);
    EXPECT_EQ(world->snowScrollX, 0.0f) << "no snow yet";
}

TEST(Winter, TenSecondsOfGraceThenTheFloorBlockGoes) {
    SeasonRound r;
    world->winterPhase = 1;
    world->winterCountdown = 0.0f;
    ASSERT_EQ(anchorShapes(), 8);
    const float dt = SeasonRound::dt();
    int updates = 0;
    while (world->winterPhase == 1 && updates < 2000) {
        ASSERT_NE(world->winterBlock, nullptr);
        world->updateWinter(dt);
        ++updates;
    }
    EXPECT_NEAR(updates, 600, 1);
    EXPECT_EQ(world->winterPhase, 2);
    EXPECT_EQ(world->winterBlock, nullptr);
    EXPECT_EQ(anchorShapes(), 7);
    EXPECT_TRUE(world->snowballs.empty()) << "no snow during the grace";
    EXPECT_NEAR(world->snowScrollX, 20.0f * updates * dt, 0.01f);
    EXPECT_NEAR(world->snowScrollY, std::fmod(120.0f * updates * dt, 200.0f), 0.05f) << "wraps at 200";
}

TEST(Winter, EachSnowballIsMadeDroppedAndFadesTheSound) {
    SeasonRound r;
    fxVolume = 100;
    musicVolume = 30;
    world->winterPhase = 2;
    world->winterCountdown = 0.09f;
    seedRandom(321u);
    ReferenceRandom expect(321u);
    expect.unit();  // the sprite's turn
    const int k = static_cast<int>(expect.integer(3));
    const float x = expect.range(5.0f, 15.0f);
    const float y = expect.range(-5.0f, -10.0f);
    world->updateWinter(SeasonRound::dt());
    EXPECT_EQ(randomState(), expect.state);
    ASSERT_EQ(world->snowballs.size(), 1u);
    const RoundItem* ball = static_cast<const RoundItem*>(world->snowballs[0]);
    EXPECT_EQ(ball->bodies[0]->GetPosition(), b2Vec2(x, y));
    EXPECT_EQ(ball->bodies[0]->GetLinearVelocity(), b2Vec2(0.0f, 8.0f));
    EXPECT_FLOAT_EQ(ball->radii[0], (0.5f * static_cast<float>(k) + 1.0f) * 0.8f);
    EXPECT_EQ(ball->bodies[0]->GetFixtureList()->GetFilterData().categoryBits, CAB_SNOWBALL);
    EXPECT_EQ(world->winterPhase, 3);
    EXPECT_NEAR(world->winterCountdown, 0.09f + SeasonRound::dt() - 0.1f, 1e-6f);
    EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), 94);
    EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), 24);
    // Not the round's loose things: snow is kept apart.
    EXPECT_EQ(std::count(world->cabObjects.begin(), world->cabObjects.end(), world->snowballs[0]), 0);
}

// From the moment winter arrives to the bear snowed in, through the whole update.
TEST(Winter, EndsTheGameAbout19Point6SecondsAfterItArrivesWith58Snowballs) {
    SeasonRound r(3);
    fxVolume = 100;
    musicVolume = 80;
    world->winterPhase = 1;
    world->winterCountdown = 0.0f;
    int updates = 0;
    int growls = 0;
    size_t growledAt = 0;
    float lastFx = 100.0f;
    while (game->state != GameOver && updates < 3000) {
        const size_t before = world->snowballs.size();
        SeasonRound::update();
        ++updates;
        const size_t now = world->snowballs.size();
        if (now != before) {
            ASSERT_EQ(now, before + 1) << "one ball at a time";
            if (world->growlTimer == 1.0f) {
                ++growls;
                growledAt = now;
            }
            const float fx = static_cast<float>(engine->System_GetState(STATE_FX_VOLUME));
            EXPECT_LE(fx, lastFx);
            lastFx = fx;
            EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), clampInt(100 - 2 * world->winterPhase, 0, 100));
            EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), clampInt(80 - 2 * world->winterPhase, 0, 100));
        }
    }
    ASSERT_EQ(game->state, GameOver);
    EXPECT_NEAR(static_cast<float>(updates) / 60.0f, 10.0f + 58 * 0.1f + 15 * 0.25f, 0.05f);
    EXPECT_EQ(world->winterPhase, 75);
    EXPECT_EQ(world->snowballs.size(), 58u);
    EXPECT_EQ(growls, 1) << "the bear growls at the snow once";
    EXPECT_EQ(growledAt, 6u) << "at the sixth snowball";
    EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), 0);
    EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), 0);
    for (const CabObject* o : world->snowballs) {
        EXPECT_NEAR(static_cast<const RoundItem*>(o)->scale, 1.75f, 1e-4f) << "grown 15 times while packing";
    }
    EXPECT_EQ(game->year, 1);
    EXPECT_EQ(game->modifierA, -1);
    EXPECT_GE(world->snowScrollX, 0.0f);
    EXPECT_LE(world->snowScrollX, 320.0f);
    EXPECT_GE(world->snowScrollY, 0.0f);
    EXPECT_LE(world->snowScrollY, 200.0f);
}

}  // namespace
