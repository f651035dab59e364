#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "tests/bear/paw_script.h"
#include "tests/forest/round_globals.h"
#include "tests/forest/test_ball.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

int ballUpdates = 0;

class Ball : public TestBall {
public:
    Ball(b2Vec2 at, float radius, uint16_t mask = 0x01CD) : TestBall(at, radius, mask) {}
    void update() override {
        ++updates;
        ++ballUpdates;
    }
    void onContact() override { ++contacts; }
    int updates = 0;
    int contacts = 0;
};

uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(WorldSetup, BuildsTheCabAndTheForest) {
    SetUpRound r(1, 42u);
    ASSERT_NE(world->cabWorld, nullptr);
    ASSERT_NE(forest, nullptr);
    EXPECT_EQ(forest->objects.size(), 104u);
    EXPECT_TRUE(world->easyStart);
    EXPECT_FLOAT_EQ(world->winterCountdown, 300.0f);
    EXPECT_FLOAT_EQ(world->fatness, 0.25f);
    EXPECT_EQ(world->cabAnchor->GetUserData().pointer, CAB_BODY);
    int shapes = 0;
    for (b2Fixture* f = world->cabAnchor->GetFixtureList(); f; f = f->GetNext()) ++shapes;
    EXPECT_EQ(shapes, 8) << "seven boxes and the ledge";
    ASSERT_NE(world->winterBlock, nullptr);
    b2AABB box;
    world->winterBlock->GetShape()->ComputeAABB(&box, world->cabAnchor->GetTransform(), 0);
    EXPECT_NEAR(box.lowerBound.x, 11.5f, 0.02f);
    EXPECT_NEAR(box.upperBound.y, 15.0f, 0.02f);
    EXPECT_EQ(world->cabWorld->gravity(), b2Vec2(0.0f, 20.0f));
}

TEST(WorldSetup, TheYearDecidesFatnessAndLooks) {
    {
        RoundGlobals g(12, 4, 2);
        world->setup(1.0f);
        EXPECT_FLOAT_EQ(world->fatness, -0.25f) << "two modifiers, one of them famished";
        EXPECT_TRUE(world->wearsHat);
        EXPECT_TRUE(world->wearsAntlers);
        EXPECT_FALSE(world->easyStart);
    }
    RoundGlobals g(7, 0);
    world->setup(2.0f);
    EXPECT_FLOAT_EQ(world->fatness, 0.25f);
    EXPECT_FALSE(world->wearsHat);
    EXPECT_TRUE(world->wearsAntlers);
}

TEST(WorldUpdate, CountsTimeInWholeFrames) {
    SetUpRound r(1, 42u);
    InputFrame idle{0.0f, 0.0f, 0};
    world->update(&idle);
    EXPECT_EQ(bits(world->elapsed), 0x3C88889Au);
    EXPECT_EQ(world->frameCount, 1);
    for (int i = 0; i < 59; ++i) world->update(&idle);
    EXPECT_EQ(world->frameCount, 60);
    EXPECT_NEAR(world->elapsed, 1.0f, 1e-4f);
    EXPECT_NEAR(world->winterCountdown, 299.0f, 1e-3f);
}

TEST(WorldUpdate, DeadObjectsGoAndTheirGripAndBiteFirst) {
    SetUpRound r(1, 42u);
    Ball* dying = new Ball(b2Vec2(4.0f, 10.0f), 0.5f);
    Ball* a = new Ball(b2Vec2(8.0f, 10.0f), 0.5f);
    Ball* last = new Ball(b2Vec2(12.0f, 10.0f), 0.5f);
    // Only these three: the year's clock goes.
    for (CabObject* o : world->cabObjects) delete o;
    world->cabObjects = {dying, a, last};
    MouseJointDef grip;
    grip.body = dying->bodies[0];
    grip.target = dying->bodies[0]->GetPosition();
    grip.maxForce = 10000.0f;
    grip.frequencyHz = 20.0f;
    grip.dampingRatio = 1.0f;
    world->grabJoint = world->cabWorld->createMouseJoint(grip);
    world->biteBody = dying->bodies[0];
    dying->dead = true;

    ballUpdates = 0;
    InputFrame idle{0.0f, 0.0f, 0};
    world->update(&idle);
    EXPECT_EQ(world->grabJoint, nullptr);
    EXPECT_EQ(world->biteBody, nullptr);
    ASSERT_EQ(world->cabObjects.size(), 2u);
    EXPECT_EQ(world->cabObjects[0], last) << "the last one takes the dead one's place";
    EXPECT_EQ(world->cabObjects[1], a);
    EXPECT_EQ(ballUpdates, 3) << "every object, the moved one too, is updated once";
    EXPECT_EQ(last->updates, 1);
}

TEST(WorldUpdate, AnObjectThrownOutOfTheCabIsRemovedOnce) {
    SetUpRound r(1, 42u);
    // Its mask lacks the roof: it leaves upwards.
    Ball* ball = new Ball(b2Vec2(10.0f, 3.0f), 0.5f);
    world->cabObjects.push_back(ball);
    ball->bodies[0]->SetLinearVelocity(b2Vec2(0.0f, -90.0f));
    InputFrame idle{0.0f, 0.0f, 0};
    int frames = 0;
    auto listed = [ball] {
        return std::find(world->cabObjects.begin(), world->cabObjects.end(), ball) != world->cabObjects.end();
    };
    while (listed() && frames < 120) {
        world->update(&idle);
        ++frames;
    }
    EXPECT_FALSE(listed());
    EXPECT_GT(frames, 10);
    EXPECT_LT(frames, 30);
}

TEST(WorldContacts, AtMost512EventsAStep) {
    SetUpRound r(1, 42u);
    Ball ball(b2Vec2(10.0f, 10.0f), 0.5f);
    ContactPoint p{};
    p.shapeA = ball.bodies[0]->GetFixtureList();
    p.shapeB = world->cabAnchor->GetFixtureList();
    world->contactCount = 0;
    for (int i = 0; i < 300; ++i) world->persist(p);
    for (int i = 0; i < 300; ++i) world->add(p);
    EXPECT_EQ(ball.contacts, 212);
    EXPECT_EQ(world->contactCount, 512);
    world->contactCount = 0;
    world->add(p);
    EXPECT_EQ(ball.contacts, 213) << "the next step counts afresh";
}

TEST(WorldContacts, TheMouthKeepsOneBite) {
    SetUpRound r(1, 42u);
    Ball a(b2Vec2(3.0f, 10.0f), 0.3f);
    Ball b(b2Vec2(4.0f, 10.0f), 0.3f);
    world->mouthBegin(a.bodies[0]);
    world->mouthBegin(a.bodies[0]);
    world->mouthBegin(b.bodies[0]);  // another bite is ignored
    EXPECT_EQ(world->biteBody, a.bodies[0]);
    EXPECT_EQ(world->mouthContacts, 2);
    world->mouthEnd(a.bodies[0]);
    world->mouthEnd(a.bodies[0]);
    EXPECT_FLOAT_EQ(world->mouthLinger, 0.5f);
    for (int i = 0; i < 29; ++i) world->updateMouthLinger(0.0166667f);
    EXPECT_EQ(world->biteBody, a.bodies[0]) << "it lingers half a second";
    world->mouthBegin(a.bodies[0]);  // back in time: the same bite goes on
    EXPECT_EQ(world->mouthLinger, 0.0f);
    world->mouthEnd(a.bodies[0]);
    for (int i = 0; i < 31; ++i) world->updateMouthLinger(0.0166667f);
    EXPECT_EQ(world->biteBody, nullptr);
}

// The same seed and the same controls give the same round, frame for frame.
TEST(WorldUpdate, ARoundReplaysExactly) {
    struct Snapshot {
        b2Vec2 car;
        float angle;
        b2Vec2 others[3];
        uint32_t state;
        float tilt;
        bool operator==(const Snapshot& o) const {
            return car == o.car && angle == o.angle && others[0] == o.others[0] && others[1] == o.others[1] &&
                   others[2] == o.others[2] && state == o.state && tilt == o.tilt;
        }
    };
    // Gas, a turn of the wheel, gas again and the brake, all through the paw.
    PawScript input;
    input.moveTo(GAS_X, GAS_Y, 4).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 280).release().home();
    input.moveTo(WHEEL_X + 2.8f, WHEEL_Y, 10).press().circle(WHEEL_X, WHEEL_Y, -1.5f, 30).release().home();
    input.moveTo(GAS_X, GAS_Y, 10).press().drag(0.0f, 6.0f, 10).drag(0.0f, 0.5f, 250).release().home();
    input.moveTo(BRAKE_X, BRAKE_Y, 10).press().drag(0.0f, 6.0f, 20).release();
    while (input.frames.size() < 900) input.wait(1);
    auto play = [&input](uint32_t seed) {
        SetUpRound r(2, seed);
        for (const InputFrame& f : input.frames) world->update(&f);
        Snapshot s{};
        s.car = forest->playerCar->position();
        s.angle = forest->playerCar->body->GetAngle();
        int k = 0;
        for (ForestObject* o : forest->objects)
            if (o->isCar() && k < 3) s.others[k++] = o->position();
        s.state = randomState();
        s.tilt = world->cabTilt;
        return s;
    };
    const Snapshot a = play(1001u);
    const Snapshot b = play(1001u);
    EXPECT_TRUE(a == b);
    EXPECT_GT((a.car - b2Vec2(0.0f, -20.0f)).Length(), 5.0f) << "the car drove somewhere";
    const Snapshot c = play(1002u);
    EXPECT_FALSE(a == c);
}

}  // namespace
