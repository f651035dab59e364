#include "physics/physics_world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Recorded {
    char kind;  // 'a', 'p', 'r'
    ContactPoint point;
};

class Recorder : public ContactListener {
public:
    void add(const ContactPoint& p) override { events.push_back({'a', p}); }
    void persist(const ContactPoint& p) override { events.push_back({'p', p}); }
    void remove(const ContactPoint& p) override { events.push_back({'r', p}); }
    bool persistPointsWanted() const override { return wantsPersistPoints; }
    int count(char k) const {
        int n = 0;
        for (const Recorded& e : events) n += e.kind == k;
        return n;
    }
    std::vector<Recorded> events;
    bool wantsPersistPoints = true;
};

b2AABB box(float x0, float y0, float x1, float y1) {
    b2AABB b;
    b.lowerBound.Set(x0, y0);
    b.upperBound.Set(x1, y1);
    return b;
}

b2Body* floorBody(PhysicsWorld& w) {
    BodyDef def;
    b2Body* b = w.createBody(def);
    ShapeDef s = boxShape(20.0f, 0.5f, b2Vec2(0.0f, 10.5f));
    s.friction = 1.0f;
    addShape(b, s);
    return b;
}

b2Body* dynamicBox(PhysicsWorld& w, b2Vec2 pos) {
    BodyDef def;
    def.position = pos;
    b2Body* b = w.createBody(def);
    ShapeDef s = boxShape(1.0f, 0.5f);
    s.density = 1.0f;
    s.friction = 1.0f;
    addShape(b, s);
    setMassFromShapes(b);
    return b;
}

constexpr float DT = 1.0f / 60.0f;

TEST(ContactEvents, BoxLandingGivesTwoPointsThatPersistEachStep) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    floorBody(w);
    b2Body* b = dynamicBox(w, b2Vec2(0.0f, 8.0f));

    int step = 0;
    while (rec.count('a') == 0 && step < 120) {
        w.step(DT, 10, 10);
        ++step;
    }
    ASSERT_EQ(rec.count('a'), 2) << "a flat box lands on two corner points";
    for (const Recorded& e : rec.events) {
        // Both corners touch the floor's top at y 10, B falling onto A (or A onto B).
        EXPECT_NEAR(e.point.position.y, 10.0f, 0.05f);
        EXPECT_GT(e.point.velocity.Length(), 1.0f) << "the point carries the impact velocity";
    }
    rec.events.clear();
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    EXPECT_EQ(rec.count('a'), 0);
    EXPECT_EQ(rec.count('r'), 0);
    EXPECT_EQ(rec.count('p'), 20) << "two persists per step while it rests";
    (void)b;
}

TEST(ContactEvents, DestroyingATouchingBodyRemovesItsPoints) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    floorBody(w);
    b2Body* b = dynamicBox(w, b2Vec2(0.0f, 9.4f));
    for (int i = 0; i < 20; ++i) w.step(DT, 10, 10);
    ASSERT_EQ(rec.count('a'), 2);
    rec.events.clear();
    w.destroyBody(b);
    ASSERT_EQ(rec.count('r'), 2);
    EXPECT_EQ(rec.events.size(), 2u);
    for (const Recorded& e : rec.events) EXPECT_NEAR(e.point.position.y, 10.0f, 0.05f);
}

TEST(ContactEvents, BouncingAwayRemovesEveryPointThatWasAdded) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    floorBody(w);
    b2Body* b = dynamicBox(w, b2Vec2(0.0f, 9.4f));
    for (int i = 0; i < 20; ++i) w.step(DT, 10, 10);
    ASSERT_EQ(rec.count('a'), 2);
    b->SetLinearVelocity(b2Vec2(0.0f, -30.0f));
    for (int i = 0; i < 5; ++i) w.step(DT, 10, 10);
    EXPECT_EQ(rec.count('r'), 2) << "points that go when the contact stops touching are reported";
    // The removes name the corners that touched, not empty points.
    for (const Recorded& e : rec.events) {
        if (e.kind == 'r') {
            EXPECT_NEAR(std::abs(e.point.position.x), 1.0f, 0.1f);
        }
    }
}

TEST(ContactEvents, SensorOverlapIsOneAddAndOneRemove) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 0.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    BodyDef gd;
    b2Body* ground = w.createBody(gd);
    ShapeDef pond = circleShape(2.7f, b2Vec2(0.0f, 0.0f));
    pond.isSensor = true;
    Shape* pondShape = addShape(ground, pond);

    b2Body* car = dynamicBox(w, b2Vec2(-10.0f, 0.0f));
    car->SetLinearVelocity(b2Vec2(10.0f, 0.0f));
    for (int i = 0; i < 180; ++i) w.step(DT, 10, 10);

    ASSERT_GT(car->GetPosition().x, 10.0f) << "a sensor does not stop the body";
    EXPECT_EQ(rec.count('a'), 1);
    EXPECT_EQ(rec.count('r'), 1);
    // Overlapping for about 6.4 / 10 s: one persist per step in between.
    EXPECT_GT(rec.count('p'), 25);
    EXPECT_LT(rec.count('p'), 45);
    ASSERT_EQ(rec.events.front().kind, 'a');
    EXPECT_EQ(rec.events.back().kind, 'r');
    const ContactPoint& a = rec.events.front().point;
    EXPECT_TRUE(a.shapeA == pondShape || a.shapeB == pondShape);
    EXPECT_NEAR(a.velocity.Length(), 10.0f, 0.01f);
    EXPECT_LT(a.position.x, -1.5f) << "the point lies where the box enters the pond";
}

TEST(ContactEvents, FilteredOutShapesGiveNoEvents) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    BodyDef gd;
    b2Body* ground = w.createBody(gd);
    ShapeDef floor = boxShape(20.0f, 0.5f, b2Vec2(0.0f, 10.5f));
    floor.filter = makeFilter(2);
    addShape(ground, floor);
    BodyDef bd;
    bd.position.Set(0.0f, 8.0f);
    b2Body* b = w.createBody(bd);
    ShapeDef s = circleShape(0.5f);
    s.density = 1.0f;
    s.filter = makeFilter(64, 0xFFFF & ~2);
    Shape* shape = addShape(b, s);
    setMassFromShapes(b);
    for (int i = 0; i < 60; ++i) w.step(DT, 10, 10);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_GT(b->GetPosition().y, 11.0f) << "it fell through";

    // With the bit set again it lands on the floor.
    b->SetTransform(b2Vec2(0.0f, 9.0f), 0.0f);
    b->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    b2Filter f = shape->GetFilterData();
    f.maskBits |= 2;
    shape->SetFilterData(f);
    for (int i = 0; i < 30; ++i) w.step(DT, 10, 10);
    EXPECT_GE(rec.count('a'), 1);
    EXPECT_NEAR(b->GetPosition().y, 9.5f, 0.05f);
}

// A listener that only counts persists hears the same events in the same order:
// a box that lands, slides into a sensor and bounces off the floor out of it.
TEST(ContactEvents, PersistsWithoutPointsComeAsOftenAndInTheSameOrder) {
    struct Heard {
        char kind;
        bool sensor;
        b2Vec2 position, velocity;
    };
    std::vector<Heard> runs[2];
    for (int run = 0; run < 2; ++run) {
        PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
        Recorder rec;
        rec.wantsPersistPoints = run == 0;
        w.setContactListener(&rec);
        b2Body* ground = floorBody(w);
        ShapeDef pond = circleShape(1.5f, b2Vec2(3.0f, 9.0f));
        pond.isSensor = true;
        addShape(ground, pond);
        b2Body* b = dynamicBox(w, b2Vec2(0.0f, 9.0f));
        for (int i = 0; i < 150; ++i) {
            if (i == 20) b->SetLinearVelocity(b2Vec2(10.0f, 0.0f));
            if (i == 110) b->SetLinearVelocity(b2Vec2(0.0f, -25.0f));
            w.step(DT, 10, 10);
        }
        for (const Recorded& e : rec.events) {
            const bool sensor = e.point.shapeA->IsSensor() || e.point.shapeB->IsSensor();
            runs[run].push_back({e.kind, sensor, e.point.position, e.point.velocity});
        }
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    int sensorPersists = 0;
    for (size_t i = 0; i < runs[0].size(); ++i) {
        const Heard& full = runs[0][i];
        const Heard& counted = runs[1][i];
        ASSERT_EQ(full.kind, counted.kind) << i;
        EXPECT_EQ(full.sensor, counted.sensor) << i;
        if (counted.kind == 'p') {
            EXPECT_EQ(counted.position.LengthSquared() + counted.velocity.LengthSquared(), 0.0f);
            sensorPersists += counted.sensor;
        } else {
            EXPECT_EQ(full.position.x, counted.position.x) << i;
            EXPECT_EQ(full.velocity.y, counted.velocity.y) << i;
        }
    }
    EXPECT_GT(sensorPersists, 0) << "the box must pass through the sensor";
}

// Solid contacts that end, and sensor pairs that end, leave the persists of a
// sensor pair that still overlaps alone; a sensor pair that begins again persists again.
TEST(ContactEvents, ASensorPairPersistsWhateverElseEnds) {
    PhysicsWorld w(box(-50, -50, 50, 50), b2Vec2(0.0f, 20.0f), false);
    Recorder rec;
    w.setContactListener(&rec);
    b2Body* ground = floorBody(w);
    ShapeDef pondDef = circleShape(1.5f, b2Vec2(0.0f, 9.5f));
    pondDef.isSensor = true;
    Shape* pond = addShape(ground, pondDef);
    dynamicBox(w, b2Vec2(0.0f, 9.4f));  // rests in the pond
    b2Body* other = dynamicBox(w, b2Vec2(8.0f, 9.4f));
    b2Body* passer = dynamicBox(w, b2Vec2(0.0f, 5.0f));
    passer->SetGravityScale(0.0f);
    auto pondPersists = [&] {
        int n = 0;
        for (const Recorded& e : rec.events) n += e.kind == 'p' && (e.point.shapeA == pond || e.point.shapeB == pond);
        return n;
    };
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    w.destroyBody(other);  // two solid points end
    passer->SetLinearVelocity(b2Vec2(0.0f, 12.0f));  // through the pond's top and out of the world's way
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    passer->SetLinearVelocity(b2Vec2(0.0f, -12.0f));
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    w.destroyBody(passer);
    rec.events.clear();
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    EXPECT_EQ(pondPersists(), 10) << "the resting box still overlaps the pond";
}

}  // namespace
