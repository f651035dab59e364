#include "forest/forest.h"
#include "forest/ground_stripes.h"
#include "forest/scenery.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct Census {
    int ponds = 0, bushes = 0, boulders = 0, trees = 0, mountains = 0, caves = 0, cars = 0;
};

Census count(const Forest& f) {
    Census c;
    for (ForestObject* o : f.objects) {
        if (o->kind == FOREST_CAR) {
            ++c.cars;
            continue;
        }
        const Scenery* s = static_cast<const Scenery*>(o);
        switch (s->sceneryType) {
        case SCENERY_POND: ++c.ponds; break;
        case SCENERY_BUSH: ++c.bushes; break;
        case SCENERY_BOULDER: ++c.boulders; break;
        case SCENERY_TREE: ++c.trees; break;
        case SCENERY_MOUNTAIN:
            ++c.mountains;
            c.caves += s->hasCave;
            break;
        }
    }
    return c;
}

std::unique_ptr<Forest> grow(uint32_t seed) {
    world->easyStart = game->year == 1;
    seedRandom(seed);
    auto f = std::make_unique<Forest>();
    f->generate();
    return f;
}

TEST(ForestGeneration, ANormalYearHasItsCounts) {
    for (int year : {1, 2}) {
        RoundGlobals g(year);
        auto f = grow(1234u);
        Census c = count(*f);
        EXPECT_EQ(c.ponds, 4);
        EXPECT_EQ(c.bushes, 4);
        EXPECT_EQ(c.boulders, 9);
        EXPECT_EQ(c.trees, 66);
        EXPECT_EQ(c.mountains, 18);
        EXPECT_EQ(c.caves, 5);
        EXPECT_EQ(c.cars, 3);
        ASSERT_NE(f->playerCar, nullptr);
        EXPECT_TRUE(f->playerCar->isPlayer);
        EXPECT_EQ(f->playerCar->position(), b2Vec2(0.0f, -20.0f));
        EXPECT_EQ(f->objects.size(), 4u + 4u + 9u + 66u + 18u + 3u);
    }
}

TEST(ForestGeneration, ModifiersChangeTheCounts) {
    {
        RoundGlobals g(2, 1);  // overfished
        Census c = count(*grow(77u));
        EXPECT_EQ(c.ponds, 1);
        EXPECT_EQ(c.bushes, 8);
        EXPECT_EQ(c.boulders, 9);
        EXPECT_EQ(c.trees, 66);
    }
    {
        RoundGlobals g(2, 3);  // overgrown
        Census c = count(*grow(77u));
        EXPECT_EQ(c.ponds, 4);
        EXPECT_EQ(c.bushes, 5);
        EXPECT_EQ(c.boulders, 1);
        EXPECT_EQ(c.trees, 120);
    }
    {
        RoundGlobals g(5, 3, 1);  // both
        Census c = count(*grow(77u));
        EXPECT_EQ(c.ponds, 1);
        EXPECT_EQ(c.bushes, 9);
        EXPECT_EQ(c.boulders, 1);
        EXPECT_EQ(c.trees, 120);
        EXPECT_EQ(c.mountains, 18);
        EXPECT_EQ(c.cars, 3);
    }
}

TEST(ForestGeneration, SceneryStaysInsideAndApart) {
    for (uint32_t seed : {1u, 99u, 4242u}) {
        RoundGlobals g(3, 3);  // the crowded year
        auto f = grow(seed);
        for (size_t i = 0; i < f->objects.size(); ++i) {
            ForestObject* o = f->objects[i];
            const b2Vec2 p = o->position();
            if (o->kind == FOREST_CAR) {
                EXPECT_LE(p.LengthSquared(), FREE_SPOT_LIMIT_SQ);
                continue;
            }
            const Scenery* s = static_cast<const Scenery*>(o);
            if (s->sceneryType == SCENERY_MOUNTAIN) {
                const float r = p.Length();
                EXPECT_TRUE(std::fabs(r - 75.0f) < 1e-3f || std::fabs(r - 78.0f) < 1e-3f) << r;
                EXPECT_EQ(s->shape, nullptr);
                continue;
            }
            EXPECT_LE(p.LengthSquared(), FREE_SPOT_LIMIT_SQ) << "at " << p.x << ", " << p.y;
            ASSERT_NE(s->shape, nullptr);
            EXPECT_EQ(s->shape->IsSensor(), s->sceneryType == SCENERY_POND || s->sceneryType == SCENERY_BUSH);
            // Everything made before it keeps its distance from it.
            for (size_t j = 0; j < i; ++j) {
                const Scenery* e = static_cast<const Scenery*>(f->objects[j]);
                if (!e->shape) continue;
                float limit = e->shape->GetShape()->m_radius + 0.1f;
                if (e->sceneryType == SCENERY_POND) limit += 2.0f;
                EXPECT_GE((e->position() - p).Length(), limit - 1e-4f);
            }
        }
    }
}

TEST(ForestGeneration, TheFirstYearClearsTheLaneToThePond) {
    for (uint32_t seed : {5u, 6u, 7u, 8u}) {
        RoundGlobals g(1);
        auto f = grow(seed);
        const Scenery* pond = static_cast<const Scenery*>(f->objects[0]);
        ASSERT_EQ(pond->sceneryType, SCENERY_POND);
        EXPECT_LE(std::fabs(pond->x), 1.0f);
        EXPECT_LE(std::fabs(pond->y), 1.0f);
        EXPECT_FLOAT_EQ(world->elapsed - pond->lastHitTime, 30.0f) << "its fish jump at once";
        for (size_t i = 1; i < f->objects.size(); ++i) {
            const b2Vec2 p = f->objects[i]->position();
            for (int k = 0; k < 10; ++k) {
                EXPECT_GE((p - b2Vec2(0.0f, static_cast<float>(-20 + 2 * k))).LengthSquared(), 9.0f);
            }
            // So nothing stands on the line to the pond either.
            if (p.y >= -20.0f && p.y <= -2.0f) {
                EXPECT_GT(std::fabs(p.x), 2.8f);
            }
        }
    }
}

TEST(ForestGeneration, DrawsComeInTheirOrder) {
    RoundGlobals g(1);
    const uint32_t seed = 31337u;
    auto f = grow(seed);
    ReferenceRandom r(seed);
    // The first pond: its hit time is drawn first, then its place.
    r.unit();
    const float x = r.range(-1.0f, 1.0f);
    const float y = r.range(-1.0f, 1.0f);
    const Scenery* pond = static_cast<const Scenery*>(f->objects[0]);
    EXPECT_EQ(pond->x, x);
    EXPECT_EQ(pond->y, y);
    // The second pond's hit time is the next draw.
    const Scenery* second = static_cast<const Scenery*>(f->objects[1]);
    ASSERT_EQ(second->sceneryType, SCENERY_POND);
    EXPECT_EQ(second->lastHitTime, world->elapsed - 60.0f * r.unit());
    // Its place is the first pair of draws that lands inside, off the lane and
    // clear of the first pond.
    for (;;) {
        const float px = r.range(-70.0f, 70.0f);
        const float py = r.range(-70.0f, 70.0f);
        if (px * px + py * py > 4704.0f) continue;
        bool lane = false;
        for (int k = 0; k < 10; ++k) {
            const float dy = py - static_cast<float>(-20 + 2 * k);
            lane = lane || px * px + dy * dy < 9.0f;
        }
        if (lane) continue;
        const float dx = px - x, dy = py - y;
        if (dx * dx + dy * dy < 4.8f * 4.8f) continue;
        EXPECT_EQ(second->x, px);
        EXPECT_EQ(second->y, py);
        break;
    }
}

TEST(ForestGeneration, TheSameSeedGivesTheSameForest) {
    RoundGlobals g(2, 1);  // overfished: the ponds draw their hit times too
    auto a = grow(2024u);
    const uint32_t after = randomState();
    auto b = grow(2024u);
    EXPECT_EQ(randomState(), after) << "the same number of draws";
    ASSERT_EQ(a->objects.size(), b->objects.size());
    for (size_t i = 0; i < a->objects.size(); ++i) {
        EXPECT_EQ(a->objects[i]->kind, b->objects[i]->kind);
        EXPECT_EQ(a->objects[i]->position(), b->objects[i]->position());
        if (a->objects[i]->kind == FOREST_SCENERY) {
            const Scenery* sa = static_cast<const Scenery*>(a->objects[i]);
            const Scenery* sb = static_cast<const Scenery*>(b->objects[i]);
            EXPECT_EQ(sa->sceneryType, sb->sceneryType);
            EXPECT_EQ(sa->variety, sb->variety);
            EXPECT_EQ(sa->lastHitTime, sb->lastHitTime);
        }
    }
    auto c = grow(2025u);
    EXPECT_NE(a->objects[0]->position(), c->objects[0]->position());
}

TEST(ForestGeneration, TheSkyAndStripesFollowTheYear) {
    RoundGlobals g(1);
    stripePhase = 0.7f;
    stripeParity = 1;
    auto f = grow(1u);
    EXPECT_EQ(stripePhase, 0.0f);
    EXPECT_EQ(stripeParity, 0);
    EXPECT_EQ(stripeColors[0], 0xFF295215u);
    EXPECT_EQ(stripeColors[3], 0xFFB4B4DCu);
}

}  // namespace
