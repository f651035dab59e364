#include "physics/edge_chain.h"
#include "physics/physics_world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

b2AABB box(float x0, float y0, float x1, float y1) {
    b2AABB b;
    b.lowerBound.Set(x0, y0);
    b.upperBound.Set(x1, y1);
    return b;
}

class BoundaryRecorder : public BoundaryListener {
public:
    void violation(b2Body* body) override { bodies.push_back(body); }
    std::vector<b2Body*> bodies;
};

constexpr float DT = 1.0f / 60.0f;

b2Body* ball(PhysicsWorld& w, b2Vec2 pos, float radius = 0.5f) {
    BodyDef def;
    def.position = pos;
    b2Body* b = w.createBody(def);
    ShapeDef s = circleShape(radius);
    s.density = 1.0f;
    addShape(b, s);
    setMassFromShapes(b);
    return b;
}

TEST(Bounds, ABodyLeavingIsReportedOnceAndStops) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 20.0f), true);
    BoundaryRecorder rec;
    w.setBoundaryListener(&rec);
    b2Body* fast = ball(w, b2Vec2(10.0f, 5.0f));
    b2Body* stays = ball(w, b2Vec2(5.0f, 5.0f));
    stays->SetGravityScale(0.0f);
    fast->SetLinearVelocity(b2Vec2(0.0f, -60.0f));

    int reportedAt = -1;
    for (int i = 0; i < 120; ++i) {
        w.step(DT, 10, 10);
        if (!rec.bodies.empty() && reportedAt < 0) reportedAt = i;
    }
    ASSERT_EQ(rec.bodies.size(), 1u);
    EXPECT_EQ(rec.bodies[0], fast);
    EXPECT_FALSE(fast->IsEnabled());
    // Out only once its whole shape is past y -20: 25.5 units at about 60 per s.
    EXPECT_GE(reportedAt, 23);
    EXPECT_LE(reportedAt, 28);
    EXPECT_LT(fast->GetPosition().y, -20.5f);
    EXPECT_TRUE(stays->IsEnabled());
}

// Reported in the very step its own box (not the swept or enlarged ones the
// library keeps) first lies wholly outside, whichever way it leaves, spinning or
// put there in one jump.
TEST(Bounds, ABodyIsOutExactlyWhenItsOwnBoxIsPastTheBounds) {
    const b2AABB bounds = box(-20, -20, 40, 35);
    const struct {
        b2Vec2 velocity;
        float spin;
        float jumpX;  // a SetTransform to (jumpX, 5) before the first step, when not zero
        bool out;
    } cases[] = {
        {b2Vec2(-45.0f, 0.0f), 0.0f, 0.0f, true}, {b2Vec2(50.0f, 3.0f), 9.0f, 0.0f, true},
        {b2Vec2(2.0f, -70.0f), -4.0f, 0.0f, true}, {b2Vec2(0.0f, 0.0f), 0.0f, -21.05f, true},
        {b2Vec2(0.0f, 0.0f), 0.0f, -20.95f, false},
    };
    for (const auto& c : cases) {
        PhysicsWorld w(bounds, b2Vec2(0.0f, 0.0f), true);
        BoundaryRecorder rec;
        w.setBoundaryListener(&rec);
        BodyDef def;
        def.position.Set(10.0f, 5.0f);
        b2Body* b = w.createBody(def);
        ShapeDef s = boxShape(1.0f, 0.5f);
        s.density = 1.0f;
        Shape* f = addShape(b, s);
        setMassFromShapes(b);
        b->SetLinearVelocity(c.velocity);
        b->SetAngularVelocity(c.spin);
        if (c.jumpX != 0.0f) b->SetTransform(b2Vec2(c.jumpX, 5.0f), 0.0f);
        for (int i = 0; i < 60 && rec.bodies.empty(); ++i) {
            w.step(DT, 10, 10);
            b2AABB own;
            f->GetShape()->ComputeAABB(&own, b->GetTransform(), 0);
            ASSERT_EQ(rec.bodies.size(), b2TestOverlap(own, bounds) ? 0u : 1u) << "step " << i << ", " << c.velocity.x;
        }
        EXPECT_EQ(rec.bodies.size(), c.out ? 1u : 0u) << c.jumpX;
    }
}

TEST(Bounds, StaticBodiesOutsideAreNotReported) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 20.0f), true);
    BoundaryRecorder rec;
    w.setBoundaryListener(&rec);
    BodyDef def;
    def.position.Set(100.0f, 100.0f);
    b2Body* s = w.createBody(def);
    addShape(s, circleShape(1.0f));
    for (int i = 0; i < 5; ++i) w.step(DT, 10, 10);
    EXPECT_TRUE(rec.bodies.empty());
}

TEST(Mass, ABodyWithoutMassFromItsShapesIsStatic) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 20.0f), true);
    BodyDef def;
    def.position.Set(3.0f, 3.0f);
    b2Body* b = w.createBody(def);
    addShape(b, circleShape(1.0f));  // density 0
    setMassFromShapes(b);
    EXPECT_EQ(b->GetType(), b2_staticBody);
    for (int i = 0; i < 10; ++i) w.step(DT, 10, 10);
    EXPECT_EQ(b->GetPosition(), b2Vec2(3.0f, 3.0f));
}

TEST(Mass, LaterShapesAddNoMassUntilAskedAgain) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 20.0f), true);
    BodyDef def;
    b2Body* wheel = w.createBody(def);
    ShapeDef rim = circleShape(3.0f);
    rim.density = 1.0f;
    addShape(wheel, rim);
    setMassFromShapes(wheel);
    EXPECT_EQ(wheel->GetType(), b2_dynamicBody);
    EXPECT_NEAR(wheel->GetMass(), 28.274334f, 1e-4f);
    const float inertia = wheel->GetInertia();

    ShapeDef spoke = boxShape(2.5f, 0.4f);
    spoke.density = 1.0f;
    addShape(wheel, spoke);
    addShape(wheel, boxShape(0.4f, 1.25f, b2Vec2(0.0f, 1.25f)));
    EXPECT_NEAR(wheel->GetMass(), 28.274334f, 1e-4f);
    EXPECT_NEAR(wheel->GetInertia(), inertia, 1e-3f);
    EXPECT_EQ(wheel->GetLocalCenter(), b2Vec2(0.0f, 0.0f));

    setMassFromShapes(wheel);
    EXPECT_NEAR(wheel->GetMass(), 28.274334f + 5.0f * 0.8f, 1e-3f) << "the first spoke has density 1";
}

TEST(Mass, StatedMassStaysWhateverTheShapes) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 0.0f), true);
    BodyDef def;
    b2Body* car = w.createBody(def);
    ShapeDef body = boxShape(1.0f, 1.1f);
    body.density = 0.1f;
    addShape(car, body);
    addShape(car, circleShape(1.0f, b2Vec2(0.0f, 1.1f)));
    setMass(car, b2MassData{0.76f, b2Vec2(0.0f, 0.0f), 1.15f});
    EXPECT_EQ(car->GetType(), b2_dynamicBody);
    EXPECT_FLOAT_EQ(car->GetMass(), 0.76f);
    EXPECT_FLOAT_EQ(car->GetInertia(), 1.15f);
    ShapeDef extra = circleShape(0.5f);
    extra.density = 5.0f;
    Shape* s = addShape(car, extra);
    EXPECT_FLOAT_EQ(car->GetMass(), 0.76f);
    destroyShape(s);
    EXPECT_FLOAT_EQ(car->GetMass(), 0.76f);
}

TEST(MouseJoint, StiffnessFollowsFrequencyAndTheHeldMass) {
    PhysicsWorld w(box(-20, -20, 40, 35), b2Vec2(0.0f, 20.0f), true);
    b2Body* b = ball(w, b2Vec2(5.0f, 5.0f), 1.0f);
    MouseJointDef def;
    def.body = b;
    def.target.Set(5.5f, 5.0f);
    def.maxForce = 10000.0f;
    def.frequencyHz = 20.0f;
    def.dampingRatio = 1.0f;
    b2MouseJoint* j = w.createMouseJoint(def);
    const float m = b->GetMass();
    const float omega = 2.0f * b2_pi * 20.0f;
    EXPECT_NEAR(j->GetStiffness(), m * omega * omega, 1e-2f * m * omega * omega);
    EXPECT_NEAR(j->GetDamping(), 2.0f * m * omega, 1e-3f * m * omega);
    EXPECT_EQ(j->GetBodyA(), w.groundBody());
    // The grip point is where the target was.
    EXPECT_NEAR(j->GetAnchorB().x, 5.5f, 1e-5f);
    j->SetTarget(b2Vec2(8.0f, 3.0f));
    for (int i = 0; i < 60; ++i) w.step(1.0f / 60.0f, 10, 10);
    EXPECT_NEAR(j->GetAnchorB().x, 8.0f, 0.1f);
    EXPECT_NEAR(j->GetAnchorB().y, 3.0f, 0.1f);
}

TEST(EdgeChain, EdgesStopBodiesFromEitherSide) {
    PhysicsWorld w(box(-100, -100, 100, 100), b2Vec2(0.0f, 0.0f), false);
    BodyDef gd;
    b2Body* ground = w.createBody(gd);
    b2Vec2 ring[32];
    for (int i = 0; i < 32; ++i) {
        float a = 2.0f * b2_pi * static_cast<float>(i) / 32.0f;
        ring[i].Set(10.0f * std::cos(a), -10.0f * std::sin(a));
    }
    Shape* first = addEdgeChain(ground, ring, 32, true, ShapeDef());
    int n = 0;
    for (b2Fixture* f = ground->GetFixtureList(); f; f = f->GetNext()) ++n;
    EXPECT_EQ(n, 32);
    EXPECT_EQ(first->GetType(), b2Shape::e_edge);

    b2Body* inside = ball(w, b2Vec2(0.0f, 0.0f));
    inside->SetLinearVelocity(b2Vec2(20.0f, 0.0f));
    b2Body* outside = ball(w, b2Vec2(-20.0f, 0.0f));
    outside->SetLinearVelocity(b2Vec2(20.0f, 0.0f));
    for (int i = 0; i < 60; ++i) w.step(1.0f / 60.0f, 10, 10);
    EXPECT_LT(inside->GetPosition().Length(), 10.0f);
    EXPECT_GT(outside->GetPosition().Length(), 10.0f);
}

TEST(AreaQuery, StopsAfterTheGivenNumberOfShapes) {
    PhysicsWorld w(box(-100, -100, 100, 100), b2Vec2(0.0f, 0.0f), false);
    for (int i = 0; i < 6; ++i) ball(w, b2Vec2(0.1f * static_cast<float>(i), 0.0f));
    Shape* found[8] = {};
    EXPECT_EQ(w.query(box(-0.5f, -0.5f, 0.5f, 0.5f), found, 3), 3);
    EXPECT_EQ(w.query(box(-0.5f, -0.5f, 0.5f, 0.5f), found, 8), 6);
    EXPECT_EQ(w.query(box(30.0f, 30.0f, 31.0f, 31.0f), found, 8), 0);
}

}  // namespace
