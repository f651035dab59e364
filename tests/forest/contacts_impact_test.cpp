// What a knock of the player's car on the scenery throws into the cab, predicted
// draw by draw from the same seed.
#include "forest/cab_categories.h"
#include "forest/forest.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "tests/forest/pickups_draws.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A round at its first frame with a piece of scenery of the given type, last hit
// `since` seconds ago, and the player's car moving at fwd along its heading.
struct Impact {
    PickupRound round;
    std::unique_ptr<Scenery> other;
    size_t before = 0;

    explicit Impact(int type, float since, float fwd, int year = 2, int modifier = -1, int variety = 4)
        : round(year, 77u, modifier) {
        world->elapsed = 100.0f;
        other = std::make_unique<Scenery>();
        other->sceneryType = type;
        other->variety = variety;
        other->lastHitTime = world->elapsed - since;
        b2Body* car = forest->playerCar->body;
        car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, fwd)));
        before = world->cabObjects.size();
    }
    // Seeds the game's generator and the prediction alike; the jolt draws once for
    // every object already in the cab.
    PickupDraws start(uint32_t seed) const {
        // Small seeds all begin with small draws: spread them over the range.
        seed *= 2654435761u;
        seedRandom(seed);
        PickupDraws expect(seed);
        for (size_t i = 0; i < before; ++i) expect.r.unit();
        return expect;
    }
    size_t added() const { return world->cabObjects.size() - before; }
    // Every new object's bodies stand where its drop put them, falling.
    void expectDrops(const PickupDraws& expect) const {
        ASSERT_EQ(added(), expect.drops.size());
        for (size_t i = 0; i < expect.drops.size(); ++i) {
            const CabObject* o = world->cabObjects[before + i];
            for (int b = 0; b < o->bodyCount; ++b) {
                EXPECT_EQ(o->bodies[b]->GetPosition(), expect.drops[i]) << i;
                EXPECT_EQ(o->bodies[b]->GetLinearVelocity(), b2Vec2(0.0f, 8.0f));
            }
        }
    }
};

TEST(BushImpact, BerriesByTheTimeSinceTheLastHit) {
    struct Case {
        float since;
        int lo, hi;
    };
    for (const Case c : {Case{45.0f, 3, 9}, Case{30.0f, 1, 4}, Case{20.0f, 1, 4}, Case{15.0f, 0, 0}, Case{2.0f, 0, 0}}) {
        int seen[10] = {};
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            Impact hit(SCENERY_BUSH, c.since, 6.0f);
            PickupDraws expect = hit.start(seed);
            expect.r.range(0.75f, 1.25f);  // soft: the knock
            expect.r.range(0.75f, 1.25f);  // the rustle
            int n = 0;
            if (c.since > 30.0f) {
                n = 3 + static_cast<int>(expect.r.integer(7));
            } else if (c.since > 15.0f) {
                n = 1 + static_cast<int>(expect.r.integer(4));
            }
            for (int i = 0; i < n; ++i) expect.berry();
            world->carImpact(hit.other.get(), 3.0f);
            ASSERT_EQ(randomState(), expect.r.state) << c.since << " seed " << seed;
            ASSERT_NO_FATAL_FAILURE(hit.expectDrops(expect));
            ASSERT_GE(n, c.lo);
            ASSERT_LE(n, c.hi);
            ++seen[n];
            for (size_t i = hit.before; i < world->cabObjects.size(); ++i) {
                const RoundItem* berry = dynamic_cast<const RoundItem*>(world->cabObjects[i]);
                ASSERT_NE(berry, nullptr);
                EXPECT_FLOAT_EQ(berry->nutrition, 0.03f);
            }
            EXPECT_EQ(hit.other->lastHitTime, world->elapsed);
        }
        EXPECT_GT(seen[c.lo], 0) << c.since;
        EXPECT_GT(seen[c.hi], 0) << c.since;
    }
}

TEST(BushImpact, ReversingRustlesNothingButResetsTheBush) {
    Impact hit(SCENERY_BUSH, 60.0f, -4.0f);
    PickupDraws expect = hit.start(5u);
    expect.r.range(0.75f, 1.25f);  // only the soft knock
    world->carImpact(hit.other.get(), 3.0f);
    EXPECT_EQ(randomState(), expect.r.state);
    EXPECT_EQ(hit.added(), 0u);
    EXPECT_EQ(hit.other->lastHitTime, world->elapsed);
    EXPECT_TRUE(world->bumpNow);
    EXPECT_FLOAT_EQ(world->bumpAmp, 0.2f) << "backwards jolts least";
    // Hit again at once, forwards and hard: it rustles, but has nothing to give.
    b2Body* car = forest->playerCar->body;
    car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, 4.0f)));
    PickupDraws again = hit.start(6u);
    again.r.range(0.75f, 1.25f);
    world->carImpact(hit.other.get(), 8.0f);
    EXPECT_EQ(randomState(), again.r.state);
    EXPECT_EQ(hit.added(), 0u);
}

TEST(CarImpact, TheJoltFollowsTheForwardSpeedAndShakesTheLedge) {
    for (float fwd : {0.0f, 2.5f, 10.0f, 25.0f}) {
        Impact hit(SCENERY_BUSH, 5.0f, fwd);
        world->bumpNow = false;
        world->carImpact(hit.other.get(), 5.0f);
        EXPECT_TRUE(world->bumpNow);
        EXPECT_NEAR(world->bumpAmp, fwd >= 10.0f ? 2.0f : 0.2f + 0.18f * fwd, 1e-4f) << fwd;
    }
    // The clock sits on the ledge; a jolt drops it through with chance 0.1.
    int dropped = 0;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Impact hit(SCENERY_BUSH, 5.0f, 4.0f);
        CabObject* clock = world->cabObjects[0];
        const uint32_t spread = seed * 2654435761u;
        seedRandom(spread);
        const bool drops = ReferenceRandom(spread).unit() > 0.9f;
        world->carImpact(hit.other.get(), 5.0f);
        const uint16_t mask = clock->bodies[0]->GetFixtureList()->GetFilterData().maskBits;
        ASSERT_EQ((mask & CAB_LEDGE) == 0, drops) << seed;
        dropped += drops;
    }
    EXPECT_GT(dropped, 5);
    EXPECT_LT(dropped, 40);
}

TEST(CarImpact, NothingAtAllWhileHibernatingOrInWinter) {
    for (int which = 0; which < 2; ++which) {
        Impact hit(SCENERY_TREE, 60.0f, 8.0f);
        if (which == 0) {
            world->sleepPhase = 1;
        } else {
            world->winterPhase = 1;
        }
        world->bumpAmp = 0.0f;
        const float lastHit = hit.other->lastHitTime;
        seedRandom(3u);
        world->carImpact(hit.other.get(), 9.0f);
        EXPECT_EQ(randomState(), ReferenceRandom(3u).state);
        EXPECT_EQ(hit.added(), 0u);
        EXPECT_EQ(hit.other->lastHitTime, lastHit);
        EXPECT_EQ(world->bumpAmp, 0.0f);
        EXPECT_FALSE(world->bumpNow);
    }
}

TEST(PondImpact, OneFishPerHalfMinuteUpToThreeAndNowAndThenAShoal) {
    struct Case {
        float since;
        int base;
    };
    for (const Case c : {Case{95.0f, 3}, Case{65.0f, 2}, Case{31.0f, 1}, Case{29.0f, 0}, Case{400.0f, 3}}) {
        int shoals = 0;
        int most = 0;
        for (uint32_t seed = 1; seed <= 60; ++seed) {
            Impact hit(SCENERY_POND, c.since, 5.0f);
            PickupDraws expect = hit.start(seed);
            expect.r.range(0.75f, 1.25f);  // the splash
            int n = c.base;
            if (n >= 1 && expect.r.unit() < 0.1f) {
                n += static_cast<int>(expect.r.integer(6));
                ++shoals;
            }
            for (int i = 0; i < n; ++i) expect.fish(false);
            world->carImpact(hit.other.get(), 6.0f);
            ASSERT_EQ(randomState(), expect.r.state) << c.since << " seed " << seed;
            ASSERT_NO_FATAL_FAILURE(hit.expectDrops(expect));
            for (size_t i = hit.before; i < world->cabObjects.size(); ++i) {
                ASSERT_NE(dynamic_cast<const Fish*>(world->cabObjects[i]), nullptr);
            }
            most = std::max(most, n);
        }
        if (c.base == 0) {
            EXPECT_EQ(shoals, 0);
            EXPECT_EQ(most, 0);
        } else {
            EXPECT_GT(shoals, 0) << c.since;
            EXPECT_LT(shoals, 20) << c.since;
            EXPECT_LE(most, c.base + 5);
        }
    }
}

TEST(PondImpact, FishOfTheGentleStartAreSmall) {
    Impact hit(SCENERY_POND, 100.0f, 5.0f, 1);
    ASSERT_TRUE(world->easyStart);
    PickupDraws expect = hit.start(8u);
    expect.r.range(0.75f, 1.25f);
    const int n = expect.r.unit() < 0.1f ? 3 + static_cast<int>(expect.r.integer(6)) : 3;
    for (int i = 0; i < n; ++i) expect.fish(true);
    world->carImpact(hit.other.get(), 6.0f);
    EXPECT_EQ(randomState(), expect.r.state);
    hit.expectDrops(expect);
}

TEST(BoulderImpact, RocksAheadAndARockslideLikelierTheHarder) {
    int slides = 0, runs = 0;
    for (uint32_t seed = 1; seed <= 80; ++seed) {
        Impact hit(SCENERY_BOULDER, 0.0f, 7.0f);
        PickupDraws expect = hit.start(seed);
        // Hard: the clang of the boulder draws nothing.
        int n = static_cast<int>(expect.r.integer(3)) + 1;
        const bool slide = expect.r.unit() < 0.025f * 20.0f;
        if (slide) n += 8;
        for (int i = 0; i < n; ++i) expect.rock();
        world->carImpact(hit.other.get(), 20.0f);
        ASSERT_EQ(randomState(), expect.r.state) << seed;
        ASSERT_NO_FATAL_FAILURE(hit.expectDrops(expect));
        for (size_t i = hit.before; i < world->cabObjects.size(); ++i) {
            ASSERT_EQ(world->cabObjects[i]->kind, 2);
        }
        if (slide) {
            EXPECT_GE(n, 9);
            EXPECT_LE(n, 11);
        }
        slides += slide;
        ++runs;
    }
    // Chance 0.5 at speed 20.
    EXPECT_GT(slides, runs / 4);
    EXPECT_LT(slides, 3 * runs / 4);
}

TEST(BoulderImpact, NoRockslideInTheGentleStartAndNothingBackwardsOrSoft) {
    {
        Impact hit(SCENERY_BOULDER, 0.0f, 7.0f, 1);
        PickupDraws expect = hit.start(11u);
        const int n = static_cast<int>(expect.r.integer(3)) + 1;
        for (int i = 0; i < n; ++i) expect.rock();
        world->carImpact(hit.other.get(), 40.0f);
        EXPECT_EQ(randomState(), expect.r.state);
        EXPECT_EQ(hit.added(), static_cast<size_t>(n));
    }
    {
        Impact hit(SCENERY_BOULDER, 0.0f, -7.0f);
        PickupDraws expect = hit.start(12u);
        world->carImpact(hit.other.get(), 20.0f);
        EXPECT_EQ(randomState(), expect.r.state) << "the clang only";
        EXPECT_EQ(hit.added(), 0u);
    }
    {
        Impact hit(SCENERY_BOULDER, 0.0f, 7.0f);
        PickupDraws expect = hit.start(13u);
        expect.r.range(0.75f, 1.25f);
        world->carImpact(hit.other.get(), 4.4f);
        EXPECT_EQ(randomState(), expect.r.state) << "a soft knock only";
        EXPECT_EQ(hit.added(), 0u);
    }
    {
        Impact hit(SCENERY_BOULDER, 0.0f, 7.0f, 1);
        PickupDraws expect = hit.start(14u);
        const int n = static_cast<int>(expect.r.integer(3)) + 1;
        for (int i = 0; i < n; ++i) expect.rock();
        world->carImpact(hit.other.get(), 4.5f);
        EXPECT_EQ(randomState(), expect.r.state) << "4.5 is already hard";
        EXPECT_EQ(hit.added(), static_cast<size_t>(n));
    }
}

// The tree's own drops, then the chance of an animal (each dropped in), then the
// sound of wood. Returns how many of the drops are the tree's own.
int predictTree(PickupDraws& expect, bool ahead, bool easyStart, float badgerChance, bool* bees = nullptr) {
    const int n = static_cast<int>(expect.r.integer(4)) + 1;
    for (int i = 0; i < n; ++i) expect.leafOrPinecone();
    if (ahead) {
        const bool badger = expect.r.unit() < badgerChance && !easyStart;
        if (badger) {
            expect.drop();
        } else if (expect.r.unit() < 0.25f) {
            const int swarm = easyStart ? 1 : static_cast<int>(expect.r.integer(3)) + 1;
            for (int i = 0; i < swarm; ++i) expect.drop();
            if (bees) *bees = true;
        }
    }
    expect.r.integer(2);
    return n;
}

TEST(TreeImpact, LeavesOrPineconesByVarietyThenMaybeAnimals) {
    for (int variety = 0; variety < 7; ++variety) {
        const bool leafy = variety == 0 || variety == 1 || variety == 3 || variety == 6;
        for (uint32_t seed = 1; seed <= 6; ++seed) {
            Impact hit(SCENERY_TREE, 0.0f, 6.0f, 2, -1, variety);
            PickupDraws expect = hit.start(seed * 7u + static_cast<uint32_t>(variety));
            const int items = predictTree(expect, true, false, 0.25f);
            world->carImpact(hit.other.get(), 6.0f);
            ASSERT_EQ(randomState(), expect.r.state) << variety << " " << seed;
            ASSERT_NO_FATAL_FAILURE(hit.expectDrops(expect));
            ASSERT_GE(items, 1);
            ASSERT_LE(items, 4);
            for (size_t i = hit.before; i < hit.before + static_cast<size_t>(items); ++i) {
                const b2Body* b = world->cabObjects[i]->bodies[0];
                EXPECT_FLOAT_EQ(b->GetLinearDamping(), leafy ? 5.0f : 1.0f) << variety;
                EXPECT_FLOAT_EQ(b->GetFixtureList()->GetDensity(), leafy ? 0.1f : 1.0f) << variety;
            }
        }
    }
}

TEST(TreeImpact, ASoftBrushOnlyKnocksAndReversingShakesNoAnimals) {
    {
        Impact hit(SCENERY_TREE, 0.0f, 6.0f);
        PickupDraws expect = hit.start(21u);
        expect.r.range(0.75f, 1.25f);
        world->carImpact(hit.other.get(), 4.4f);
        EXPECT_EQ(randomState(), expect.r.state);
        EXPECT_EQ(hit.added(), 0u);
        EXPECT_EQ(hit.other->lastHitTime, world->elapsed);
    }
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        Impact hit(SCENERY_TREE, 0.0f, -3.0f);
        PickupDraws expect = hit.start(seed);
        predictTree(expect, false, false, 0.25f);
        world->carImpact(hit.other.get(), 5.0f);
        EXPECT_EQ(randomState(), expect.r.state) << seed;
        hit.expectDrops(expect);
    }
}

// Whether bees are drawn for shows whether the badger's chance held: a full moon
// raises it from 0.25 to 0.6, and the gentle start never lets a badger in.
TEST(TreeImpact, TheBadgersChanceByTheMoonAndTheGentleStart) {
    struct Year {
        int year, modifier;
        float chance;
        bool easy;
    };
    for (const Year y : {Year{2, -1, 0.25f, false}, Year{3, 2, 0.6f, false}, Year{1, -1, 0.25f, true}}) {
        int beeRuns = 0;
        for (uint32_t seed = 1; seed <= 120; ++seed) {
            Impact hit(SCENERY_TREE, 0.0f, 6.0f, y.year, y.modifier, 2);
            ASSERT_EQ(world->easyStart, y.easy);
            PickupDraws expect = hit.start(seed);
            bool bees = false;
            predictTree(expect, true, y.easy, y.chance, &bees);
            world->carImpact(hit.other.get(), 7.0f);
            ASSERT_EQ(randomState(), expect.r.state) << y.year << " seed " << seed;
            beeRuns += bees;
        }
        // P(bees) = (1 - p) * 0.25 unless the badger is barred: 0.1875, 0.1, 0.25.
        const float expected = (y.easy ? 1.0f : 1.0f - y.chance) * 0.25f * 120.0f;
        EXPECT_NEAR(beeRuns, expected, 12.0f) << y.year;
    }
}

}  // namespace
