// The bee: its body, the buzz, drift and climb drawn from the game's generator,
// the forces that fly it, the sting and its mark, and its looks.
#include "forest/animals.h"
#include "forest/animals_bee.h"
#include "forest/cab_categories.h"
#include "tests/forest/animals_round.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float PI = 3.14159265f;

// What one bee update draws before the sting, given where the bee is; the new
// direction and height if they were drawn.
struct Flight {
    bool turned = false, climbed = false;
    float direction = 0.0f, targetY = 0.0f;
    float lo = 0.0f, hi = 0.0f;
};
Flight predictBee(ReferenceRandom& r, float x) {
    const float dt = engine->Timer_Delta();
    Flight f;
    if (dt > r.unit()) {
        r.range(0.5f, 1.5f);  // the buzz's pitch, then which buzz
        r.integer(2);
    }
    f.lo = x >= 5.0f ? -1.0f : -0.25f;
    f.hi = x > 15.0f ? 0.25f : 1.0f;
    if (dt > r.unit()) {
        f.turned = true;
        f.direction = r.range(f.lo, f.hi);
    }
    if (dt > r.unit()) {
        f.climbed = true;
        f.targetY = r.range(-2.0f, 13.0f);
    }
    return f;
}

Bee* beeAt(b2Vec2 p) {
    Bee* bee = AnimalRound::add(new Bee());
    bee->body()->SetTransform(p, 0.0f);
    return bee;
}

TEST(Bee, OneSmallFixedBodyFlyingRight) {
    AnimalRound r;
    Bee* bee = AnimalRound::add(new Bee());
    EXPECT_EQ(bee->kind, -1);
    EXPECT_EQ(bee->bodyCount, 1);
    EXPECT_EQ(bee->stayChance, 0.0f);
    EXPECT_TRUE(bee->escapesWhenFast);
    EXPECT_EQ(bee->direction, 1.0f);
    EXPECT_EQ(bee->targetY, 10.0f);
    EXPECT_EQ(bee->size, 0.5f);
    EXPECT_EQ(bee->ouchTime, 0.0f);
    const b2Body* b = bee->body();
    EXPECT_EQ(b->GetPosition(), b2Vec2(0.0f, 0.0f));
    EXPECT_EQ(b->GetType(), b2_dynamicBody);
    EXPECT_TRUE(b->IsFixedRotation());
    EXPECT_TRUE(b->IsSleepingAllowed());
    EXPECT_EQ(cabObjectOf(const_cast<b2Body*>(b)), bee);
    const b2Fixture* f = b->GetFixtureList();
    ASSERT_EQ(f->GetType(), b2Shape::e_circle);
    EXPECT_FLOAT_EQ(f->GetShape()->m_radius, 0.5f);
    EXPECT_FLOAT_EQ(f->GetDensity(), 0.5f);
    EXPECT_FLOAT_EQ(f->GetFriction(), 0.1f);
    EXPECT_EQ(AnimalRound::category(b), CAB_LOOSE);
    EXPECT_EQ(AnimalRound::mask(b), 0x0155);
    EXPECT_FLOAT_EQ(bee->radii[0], 0.5f);
    EXPECT_NEAR(b->GetMass(), 0.5f * PI * 0.25f, 1e-5f);
}

// Near a side wall the new direction leans back toward the middle.
TEST(Bee, DrawsItsBuzzDriftAndHeightInOrderAndTurnsFromTheWalls) {
    for (const float x : {3.0f, 5.0f, 10.0f, 15.0f, 17.0f}) {
        AnimalRound r;
        Bee* bee = beeAt(b2Vec2(x, 8.0f));
        seedRandom(1234u);
        ReferenceRandom expect(1234u);
        float lowest = 2.0f, highest = -2.0f;
        int turns = 0;
        for (int i = 0; i < 3000; ++i) {
            bee->body()->SetTransform(b2Vec2(x, 8.0f), 0.0f);
            const float before = bee->direction;
            const Flight f = predictBee(expect, x);
            bee->update();
            ASSERT_EQ(randomState(), expect.state) << x << " " << i;
            if (!f.turned) {
                ASSERT_EQ(bee->direction, before);
                continue;
            }
            ++turns;
            ASSERT_EQ(bee->direction, f.direction);
            EXPECT_GE(bee->direction, f.lo);
            EXPECT_LE(bee->direction, f.hi);
            lowest = std::min(lowest, bee->direction);
            highest = std::max(highest, bee->direction);
        }
        EXPECT_NEAR(turns, 50, 20) << "about once a second";
        const float lo = x >= 5.0f ? -1.0f : -0.25f;
        const float hi = x > 15.0f ? 0.25f : 1.0f;
        EXPECT_LT(lowest, lo + 0.2f) << x;
        EXPECT_GT(highest, hi - 0.2f) << x;
    }
}

TEST(Bee, DriftsSidewaysAndClimbsOnlyWhenBelowItsHeight) {
    for (const float targetY : {1.0f, 12.0f}) {
        AnimalRound r;
        world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
        Bee* bee = beeAt(b2Vec2(17.0f, 3.0f));
        // A seed whose first update draws neither a new direction nor a new height.
        uint32_t seed = 1;
        for (;; ++seed) {
            ReferenceRandom probe(seed);
            const Flight f = predictBee(probe, 17.0f);
            if (!f.turned && !f.climbed) break;
        }
        seedRandom(seed);
        bee->direction = -0.5f;
        bee->targetY = targetY;
        bee->update();
        world->cabWorld->step(1.0f / 60.0f, 10, 10);
        const float m = bee->body()->GetMass();
        const b2Vec2 v = bee->body()->GetLinearVelocity();
        EXPECT_NEAR(v.x, 6.0f * -0.5f / m / 60.0f, 1e-4f);
        EXPECT_NEAR(v.y, targetY < 3.0f ? -12.0f / m / 60.0f : 0.0f, 1e-4f) << targetY;
    }
}

TEST(Bee, StingsAPawItReachesThenTurnsAndShowsOuch) {
    AnimalRound r;
    Bee* bee = beeAt(b2Vec2(12.0f, 4.0f));
    world->pawX = 13.0f;
    world->pawY = 4.5f;
    world->stingTimer = -5.0f;
    seedRandom(555u);
    ReferenceRandom expect(555u);
    const Flight f = predictBee(expect, 12.0f);
    expect.unit();  // the stung paw's shake
    const float heading = f.turned ? f.direction : 1.0f;
    bee->update();
    EXPECT_EQ(randomState(), expect.state);
    EXPECT_FLOAT_EQ(world->stingTimer, 0.5f);
    EXPECT_FLOAT_EQ(bee->ouchTime, 0.15f);
    EXPECT_EQ(bee->direction, -heading);
    EXPECT_FLOAT_EQ(bee->ouchY, 4.0f);
    EXPECT_FLOAT_EQ(bee->ouchX, bee->direction > 0.0f ? 11.75f : 12.25f);

    // The mark shows for 0.15 s; the paw cannot be stung again for 5.5 s.
    int shown = 0;
    for (int i = 0; i < 330; ++i) {
        bee->body()->SetTransform(b2Vec2(12.0f, 4.0f), 0.0f);
        const float d = bee->direction;
        const uint32_t s = randomState();
        ReferenceRandom probe(s);
        const Flight g = predictBee(probe, 12.0f);
        bee->update();
        world->updatePaw(0.0f, 0.0f, false, false);
        EXPECT_EQ(bee->direction, g.turned ? g.direction : d) << "no second sting, " << i;
        shown += bee->ouchTime > 0.0f;
    }
    EXPECT_NEAR(shown, 9, 1);
    EXPECT_LE(world->stingTimer, -5.0f) << "immune no longer";
}

TEST(Bee, FacesTheWayItFliesAndLeansWithItsSpeed) {
    AnimalRound r;
    AnimalSprites sprites;
    Bee* bee = beeAt(b2Vec2(10.0f, 4.0f));
    struct Case {
        float elapsed, direction, vx;
    };
    for (const Case c : {Case{0.05f, 1.0f, 0.0f}, Case{0.15f, -0.3f, 10.0f}, Case{0.25f, 0.0f, -40.0f}}) {
        world->elapsed = c.elapsed;
        bee->direction = c.direction;
        bee->body()->SetLinearVelocity(b2Vec2(c.vx, 0.0f));
        const bool up = static_cast<int>(c.elapsed * 10.0f) % 2 == 0;
        Sprite* s = AnimalSprites::named(up ? "bee1" : "bee2");
        Sprite* other = AnimalSprites::named(up ? "bee2" : "bee1");
        AnimalSprites::unmark(s);
        AnimalSprites::unmark(other);
        bee->render();
        ASSERT_TRUE(AnimalSprites::drawn(s)) << c.elapsed;
        EXPECT_FALSE(AnimalSprites::drawn(other));
        EXPECT_NEAR(AnimalSprites::centre(s).x, 160.0f, 1e-3f);
        EXPECT_NEAR(AnimalSprites::centre(s).y, 64.0f, 1e-3f);
        // The top edge runs from v0 to v1: leftward when mirrored, turned by the tilt.
        const b2Vec2 edge = AnimalSprites::topEdge(s);
        EXPECT_NEAR(edge.Length(), 8.0f * 0.5f, 1e-3f);
        const float tilt = std::fmax(-PI / 4.0f, std::fmin(PI / 4.0f, c.vx / 20.0f * PI / 4.0f));
        const float expected = c.direction >= 0.0f ? tilt + PI : tilt;
        EXPECT_NEAR(std::remainder(std::atan2(edge.y, edge.x) - expected, 2.0f * PI), 0.0f, 1e-4f) << c.elapsed;
    }
    Sprite* ouch = AnimalSprites::named("ouch");
    EXPECT_FALSE(AnimalSprites::drawn(ouch));
    bee->ouchTime = 0.1f;
    bee->ouchX = 11.0f;
    bee->ouchY = 3.0f;
    bee->render();
    ASSERT_TRUE(AnimalSprites::drawn(ouch));
    EXPECT_NEAR(AnimalSprites::centre(ouch).x, 176.0f, 1e-3f);
    EXPECT_NEAR(AnimalSprites::centre(ouch).y, 48.0f, 1e-3f);
}

}  // namespace
