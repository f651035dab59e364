// The badger: its jointed body, the kicks and thrashing drawn from the game's
// generator, the food its head catches, the count of living badgers and its looks.
#include "forest/animals.h"
#include "forest/animals_badger.h"
#include "forest/cab_categories.h"
#include "forest/forest.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "main/year.h"
#include "tests/forest/animals_round.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float PI = 3.14159265f;
constexpr uint16_t BADGER_MASK = 0x0155;

// What one badger update draws; the kick it gives, if any.
struct Kick {
    bool kicked = false;
    float torque = 0.0f;
    int leg = 0;
    b2Vec2 impulse = b2Vec2(0.0f, 0.0f);
};
Kick predictBadger(ReferenceRandom& r, bool inside) {
    Kick k;
    if (engine->Timer_Delta() * 10.0f > r.unit()) {
        k.kicked = true;
        k.torque = r.unit() < 0.5f ? -10000.0f : 10000.0f;
        k.leg = 1 + static_cast<int>(r.integer(4));
        if (inside) {
            const float ix = r.range(-1000.0f, 1000.0f);
            const float iy = r.range(-1000.0f, 1000.0f);
            k.impulse = b2Vec2(ix, iy);
        }
        if (r.integer(10) == 0) r.range(0.7f, 1.3f);
        r.integer(5);
    }
    return k;
}

Badger* badgerAt(b2Vec2 torso) {
    Badger* b = AnimalRound::add(new Badger());
    AnimalRound::moveBy(b, torso);
    return b;
}

TEST(Badger, ATorsoWithAHeadAndFourLegsOnLimitedHinges) {
    AnimalRound r;
    Badger* b = AnimalRound::add(new Badger());
    EXPECT_EQ(b->kind, 1);
    EXPECT_EQ(b->bodyCount, 6);
    EXPECT_EQ(b->stayChance, 0.0f);
    EXPECT_FALSE(b->escapesWhenFast);
    EXPECT_EQ(b->heldBody, nullptr);

    const b2Vec2 at[6] = {{-3.6f, 0.0f}, {-1.7f, -2.0f}, {1.3f, -2.0f}, {-1.7f, 2.0f}, {1.3f, 2.0f}, {0.0f, 0.0f}};
    for (int i = 0; i < 6; ++i) {
        const b2Body* body = b->bodies[i];
        EXPECT_EQ(body->GetPosition(), at[i]) << i;
        EXPECT_EQ(body->GetType(), b2_dynamicBody) << i;
        EXPECT_EQ(cabObjectOf(const_cast<b2Body*>(body)), b) << i;
        const b2Fixture* f = body->GetFixtureList();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GetNext(), nullptr) << "one shape each";
        EXPECT_FLOAT_EQ(f->GetFriction(), 0.1f);
        EXPECT_FLOAT_EQ(f->GetRestitution(), 0.0f);
        EXPECT_FLOAT_EQ(f->GetDensity(), 2.0f);
        EXPECT_EQ(AnimalRound::mask(body), BADGER_MASK) << i;
        EXPECT_EQ(AnimalRound::category(body), i == 0 ? CAB_BADGER_HEAD : CAB_LOOSE) << i;
        EXPECT_FLOAT_EQ(b->radii[i], i == 5 ? 2.0f : 0.5f) << i;
    }
    // The torso is a 3 x 1.4 box; mass from the shapes.
    EXPECT_NEAR(b->torso()->GetMass(), 3.0f * 1.4f * 2.0f, 1e-4f);
    EXPECT_NEAR(b->head()->GetMass(), PI * 0.25f * 2.0f, 1e-4f);

    const b2Vec2 hinges[5] = {{-2.1f, 0.0f}, {-1.5f, -1.0f}, {1.5f, -1.0f}, {-1.5f, 1.0f}, {1.5f, 1.0f}};
    for (int i = 0; i < 5; ++i) {
        b2RevoluteJoint* j = b->legJoints[i];
        ASSERT_NE(j, nullptr);
        EXPECT_EQ(j->GetBodyA(), b->torso()) << i;
        EXPECT_EQ(j->GetBodyB(), b->bodies[i]) << i;
        EXPECT_NEAR((j->GetAnchorA() - hinges[i]).Length(), 0.0f, 1e-5f) << i;
        EXPECT_TRUE(j->IsLimitEnabled());
        EXPECT_FALSE(j->IsMotorEnabled());
        EXPECT_FLOAT_EQ(j->GetLowerLimit(), -PI / 4.0f);
        EXPECT_FLOAT_EQ(j->GetUpperLimit(), PI / 4.0f);
    }
}

TEST(Badger, OutsideTheCabItOnlyKicksItsLegs) {
    AnimalRound r;
    // Above the roof, falling in: the roof is not yet closed behind it.
    Badger* b = badgerAt(b2Vec2(10.0f, -6.0f));
    ASSERT_EQ(AnimalRound::mask(b->torso()) & CAB_ROOF, 0);
    seedRandom(9u);
    ReferenceRandom expect(9u);
    int kicks = 0;
    for (int i = 0; i < 600; ++i) {
        AnimalRound::stopAll(b);
        const Kick k = predictBadger(expect, false);
        b->update();
        ASSERT_EQ(randomState(), expect.state) << i;
        kicks += k.kicked;
        EXPECT_EQ(b->torso()->GetLinearVelocity(), b2Vec2(0.0f, 0.0f)) << "no thrashing outside";
    }
    // About ten kicks a second.
    EXPECT_NEAR(kicks, 100, 30);
}

TEST(Badger, InsideTheCabItIsThrownAboutByImpulsesOfUpTo1000) {
    AnimalRound r;
    Badger* b = badgerAt(b2Vec2(10.0f, 9.0f));
    b->setMaskBits(CAB_ROOF);  // the roof closed behind it on the way in
    seedRandom(31u);
    ReferenceRandom expect(31u);
    const float mass = b->torso()->GetMass();
    int thrown = 0;
    float largest = 0.0f;
    for (int i = 0; i < 600; ++i) {
        AnimalRound::stopAll(b);
        const Kick k = predictBadger(expect, true);
        b->update();
        ASSERT_EQ(randomState(), expect.state) << i;
        const b2Vec2 v = b->torso()->GetLinearVelocity();
        if (!k.kicked) {
            EXPECT_EQ(v, b2Vec2(0.0f, 0.0f));
            continue;
        }
        ++thrown;
        EXPECT_NEAR(v.x, k.impulse.x / mass, 1e-3f);
        EXPECT_NEAR(v.y, k.impulse.y / mass, 1e-3f);
        largest = std::max({largest, std::fabs(k.impulse.x), std::fabs(k.impulse.y)});
    }
    EXPECT_GT(thrown, 60);
    EXPECT_LE(largest, 1000.0f);
    EXPECT_GT(largest, 900.0f);
}

TEST(Badger, AKickTurnsTheDrawnLegTheDrawnWay) {
    int seen[2] = {};
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        AnimalRound r;
        world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
        Badger* b = badgerAt(b2Vec2(10.0f, -6.0f));
        // Find a seed's first update that kicks.
        seedRandom(seed * 2654435761u);
        ReferenceRandom expect(seed * 2654435761u);
        Kick k;
        for (int i = 0; i < 200 && !k.kicked; ++i) {
            k = predictBadger(expect, false);
            b->update();
        }
        ASSERT_TRUE(k.kicked);
        world->cabWorld->step(1.0f / 60.0f, 10, 10);
        float fastest = 0.0f;
        int fastestLeg = 0;
        for (int leg = 1; leg <= 4; ++leg) {
            const float w = std::fabs(b->bodies[leg]->GetAngularVelocity());
            if (w > fastest) {
                fastest = w;
                fastestLeg = leg;
            }
        }
        EXPECT_EQ(fastestLeg, k.leg) << seed;
        EXPECT_GT(b->bodies[k.leg]->GetAngularVelocity() * k.torque, 0.0f) << seed;
        seen[k.torque > 0.0f] += 1;
    }
    EXPECT_GT(seen[0], 5);
    EXPECT_GT(seen[1], 5);
}

TEST(Badger, ItsHeadCatchesABerryAndEatsItOnItsNextUpdate) {
    AnimalRound r;
    world->cabWorld->setGravity(b2Vec2(0.0f, 0.0f));
    Badger* b = badgerAt(b2Vec2(13.0f, 3.0f));
    RoundItem* berry = AnimalRound::add(new RoundItem());
    berry->makeBerry();
    RoundItem* rock = AnimalRound::add(new RoundItem());
    rock->makeRock();
    // The berry touches the head; a rock touches a leg.
    berry->bodies[0]->SetTransform(b->head()->GetPosition() + b2Vec2(-0.6f, 0.0f), 0.0f);
    rock->bodies[0]->SetTransform(b->bodies[4]->GetPosition() + b2Vec2(0.0f, 0.9f), 0.0f);
    world->stepCab();
    ASSERT_EQ(b->heldBody, berry->bodies[0]) << "only food is caught, and only by the head";
    b->update();
    EXPECT_EQ(b->heldBody, nullptr);
    EXPECT_TRUE(berry->dead);
    EXPECT_EQ(AnimalRound::mask(berry->bodies[0]) & (CAB_MOUTH | CAB_BADGER_HEAD), 0);
    EXPECT_FALSE(rock->dead);
    world->updateCabObjects();
    EXPECT_EQ(std::count(world->cabObjects.begin(), world->cabObjects.end(), berry), 0);
}

TEST(Badger, ACaughtFishLosesThatHalfAndTheBonesStay) {
    AnimalRound r;
    Badger* b = badgerAt(b2Vec2(13.0f, 3.0f));
    Fish* fish = AnimalRound::add(new Fish());
    badgerCatches(b, fish->tail());
    EXPECT_EQ(b->heldBody, fish->tail());
    b->update();
    EXPECT_TRUE(fish->tailEaten);
    EXPECT_FALSE(fish->headEaten);
    EXPECT_FALSE(fish->dead);
    EXPECT_EQ(fish->life, 0.0f);
    EXPECT_EQ(fish->tailLook(), FishLook::Bones);
    EXPECT_EQ(fish->headLook(), FishLook::Half);
    EXPECT_EQ(AnimalRound::mask(fish->tail()) & (CAB_MOUTH | CAB_BADGER_HEAD), 0);
    EXPECT_EQ(AnimalRound::mask(fish->head()) & (CAB_MOUTH | CAB_BADGER_HEAD), CAB_MOUTH | CAB_BADGER_HEAD);
    // Anything but a badger ignores a catch.
    badgerCatches(fish, fish->head());
    fish->update();
    EXPECT_FALSE(fish->headEaten);
}

TEST(Badger, FoodThatLeftBeforeTheBadgerAteIsForgotten) {
    AnimalRound r;
    Badger* b = badgerAt(b2Vec2(13.0f, 3.0f));
    Fish* fish = AnimalRound::add(new Fish());
    RoundItem* berry = AnimalRound::add(new RoundItem());
    berry->makeBerry();
    badgerCatches(b, berry->bodies[0]);
    // The berry flew out of the cab and went before the badger's turn came.
    berry->dead = true;
    world->cabObjects.erase(std::find(world->cabObjects.begin(), world->cabObjects.end(), berry));
    delete berry;
    b->update();
    EXPECT_EQ(b->heldBody, nullptr);
    EXPECT_FALSE(fish->headEaten);
    EXPECT_FALSE(fish->tailEaten);
}

TEST(Badger, TheCountOfLivingBadgersFollowsThemWhateverTakesThemAway) {
    {
        AnimalRound r;
        EXPECT_EQ(livingBadgers(), 0);
        Badger* a = badgerAt(b2Vec2(10.0f, 9.0f));
        badgerAt(b2Vec2(10.0f, 3.0f));
        EXPECT_EQ(livingBadgers(), 2);
        // Out of the cab world's bounds: marked dead in the step, gone after it.
        AnimalRound::moveBy(a, b2Vec2(40.0f, 0.0f));
        world->stepCab();
        EXPECT_TRUE(a->dead);
        world->updateCabObjects();
        EXPECT_EQ(livingBadgers(), 1);
    }
    EXPECT_EQ(livingBadgers(), 0) << "the round's end takes the rest";
}

// A knock that would shake a badger loose gives none while three are alive.
TEST(Badger, NoFourthBadgerFallsInWhileThreeAreAlive) {
    int withTwo = 0;
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        for (int alive : {2, 3}) {
            AnimalRound r(3, 77u, MODIFIER_FULL_MOON);
            for (int i = 0; i < alive; ++i) badgerAt(b2Vec2(4.0f + 6.0f * static_cast<float>(i), 9.0f));
            Scenery tree;
            tree.sceneryType = SCENERY_TREE;
            tree.variety = 2;
            b2Body* car = forest->playerCar->body;
            car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, 6.0f)));
            seedRandom(seed * 2654435761u);
            world->carImpact(&tree, 7.0f);
            EXPECT_LE(livingBadgers(), 3);
            if (alive == 2) withTwo += livingBadgers() == 3;
            if (alive == 3) {
                EXPECT_EQ(livingBadgers(), 3);
            }
        }
    }
    // With the full moon most of these knocks do bring one in when there is room.
    EXPECT_GT(withTwo, 10);
}

TEST(Badger, DrawsItsLegsBodyAndChompingHead) {
    AnimalRound r;
    AnimalSprites sprites;
    ASSERT_FLOAT_EQ(AnimalSprites::named("badger_body")->hotX, 4.0f);
    Badger* b = badgerAt(b2Vec2(10.0f, 9.0f));
    b->torso()->SetTransform(b->torso()->GetPosition(), 0.5f);
    for (const float t : {0.1f, 0.3f, 0.5f, 1.9f}) {
        world->elapsed = t;
        const bool open = static_cast<int>(t * 5.0f) % 2 == 0;
        Sprite* head = AnimalSprites::named(open ? "badger_head1" : "badger_head2");
        Sprite* other = AnimalSprites::named(open ? "badger_head2" : "badger_head1");
        AnimalSprites::unmark(head);
        AnimalSprites::unmark(other);
        b->render();
        EXPECT_TRUE(AnimalSprites::drawn(head)) << t;
        EXPECT_FALSE(AnimalSprites::drawn(other)) << t;
        const b2Vec2 hp = AnimalSprites::centre(head);
        EXPECT_NEAR(hp.x, 16.0f * b->head()->GetPosition().x, 1e-3f);
        EXPECT_NEAR(hp.y, 16.0f * b->head()->GetPosition().y, 1e-3f);
    }
    // The body turned with its torso; the last paw drawn is the last leg's, flipped.
    const Sprite* body = AnimalSprites::named("badger_body");
    const b2Vec2 c = AnimalSprites::centre(body);
    EXPECT_NEAR(c.x, 16.0f * b->torso()->GetPosition().x, 1e-3f);
    EXPECT_NEAR(c.y, 16.0f * b->torso()->GetPosition().y, 1e-3f);
    const b2Vec2 edge = AnimalSprites::topEdge(body);
    EXPECT_NEAR(std::atan2(edge.y, edge.x), 0.5f, 1e-4f);
    const Sprite* paw = AnimalSprites::named("badger_paw");
    const b2Vec2 leg = 16.0f * b->bodies[4]->GetPosition();
    EXPECT_NEAR(AnimalSprites::centre(paw).x, leg.x, 1e-3f);
    EXPECT_NEAR(paw->quad.v[0].y, leg.y + 2.0f, 1e-3f) << "the top edge is below: flipped";
}

}  // namespace
