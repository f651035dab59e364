#include "forest/forest.h"
#include "forest/projection.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float PI = 3.14159265f;

TEST(ViewProjection, ScreenXFollowsTheBearingAcrossThe90DegreeField) {
    EXPECT_FLOAT_EQ(viewScreenX(0.0f, 10.0f), 160.0f);
    EXPECT_NEAR(viewScreenX(10.0f, 10.0f), 320.0f, 1e-3f);  // 45 degrees right: the right edge
    EXPECT_NEAR(viewScreenX(-7.0f, 7.0f), 0.0f, 1e-3f);
    // The bearing, not the side offset, decides: the same angle at any distance.
    EXPECT_NEAR(viewScreenX(1.0f, 3.0f), viewScreenX(20.0f, 60.0f), 1e-4f);
    // 30 degrees to the left is two thirds of the way from the edge to the centre.
    EXPECT_NEAR(viewScreenX(-std::tan(PI / 6.0f), 1.0f), 160.0f - 160.0f * (30.0f / 45.0f), 1e-3f);
}

TEST(ViewProjection, FartherObjectsAreSmallerAndNearerTheHorizon) {
    ViewPlacement at10 = viewPlacement(0.0f, 10.0f, 10.0f);
    EXPECT_FLOAT_EQ(at10.scale, 1.0f);
    EXPECT_FLOAT_EQ(at10.screenY, 94.0f);  // 68 + 6 + 20
    EXPECT_FLOAT_EQ(at10.distance, 10.0f);
    ViewPlacement at100 = viewPlacement(0.0f, 100.0f, 100.0f);
    EXPECT_FLOAT_EQ(at100.scale, 0.1f);
    EXPECT_NEAR(at100.screenY, 70.6f, 1e-4f);  // 68.6 + 2
    // Toward the horizon (68) from below, never above it.
    float last = 1e9f;
    for (float d = 1.0f; d < 10000.0f; d *= 2.0f) {
        const float y = viewScreenY(d);
        EXPECT_LT(y, last);
        EXPECT_GT(y, VIEW_HORIZON);
        last = y;
    }
}

TEST(ViewProjection, CarsShowTheSideThatFacesTheViewer) {
    const b2Vec2 ahead(0.0f, 1.0f);
    // From directly behind: the heading points away from the viewer.
    EXPECT_NEAR(carViewAngle(ahead, ahead), 25.0f * PI / 16.0f, 1e-5f);
    // From the front: the heading points at the viewer.
    EXPECT_NEAR(carViewAngle(b2Vec2(0.0f, -1.0f), ahead), 9.0f * PI / 16.0f, 1e-5f);
    // Crossing from side to side: the two sides are mirror angles about the offset.
    const float right = carViewAngle(b2Vec2(1.0f, 0.0f), ahead);
    const float left = carViewAngle(b2Vec2(-1.0f, 0.0f), ahead);
    EXPECT_NEAR(right, PI / 2.0f + CAR_SPRITE_OFFSET, 1e-5f);
    EXPECT_NEAR(left, -PI / 2.0f + CAR_SPRITE_OFFSET, 1e-5f);
    // Only the relative direction counts: turn the whole scene and nothing changes.
    const float turn = 2.1f;
    const b2Rot r(turn);
    EXPECT_NEAR(carViewAngle(b2Mul(r, b2Vec2(1.0f, 0.0f)), b2Mul(r, ahead)), right, 1e-5f);
    // A dot product rounded just past one still gives an angle.
    const b2Vec2 u(0.6f, 0.8f);
    EXPECT_FALSE(std::isnan(carViewAngle(b2Vec2(0.6000001f, 0.8000001f), u)));
}

struct Band {
    float y, h;
    int parity;
};

std::vector<Band> bands(float phase, int parity) {
    std::vector<Band> out;
    forEachGroundBand(phase, parity, [&out](float y, float h, int p) { out.push_back(Band{y, h, p}); });
    return out;
}

TEST(ViewProjection, GroundBandsRunFromBelowThePictureToTheHorizon) {
    std::vector<Band> b = bands(0.0f, 0);
    ASSERT_GE(b.size(), 10u);
    EXPECT_FLOAT_EQ(b[0].y, 158.0f);  // 52 + 106
    EXPECT_FLOAT_EQ(b[0].h, 242.0f);
    EXPECT_EQ(b[0].parity, 0);
    EXPECT_NEAR(b[1].y, 52.0f + 1060.0f / 15.0f, 1e-3f);
    EXPECT_EQ(b[1].parity, 1);
    for (size_t i = 1; i < b.size(); ++i) {
        EXPECT_NEAR(b[i].y + b[i].h, b[i - 1].y, 1e-3f) << "band " << i << " meets the one below";
        EXPECT_LT(b[i].h, b[i - 1].h);
        EXPECT_GE(b[i].h, 1.0f);
        EXPECT_GT(b[i].y, 52.0f);
        EXPECT_NE(b[i].parity, b[i - 1].parity);
    }
    // The next band would have been thinner than a pixel.
    const float z = 5.0f * static_cast<float>(b.size());
    EXPECT_LT(groundY(z - 5.0f) - groundY(z), 1.0f);

    // The phase moves the first band's top up; the parity picks its colour.
    std::vector<Band> half = bands(0.5f, 1);
    EXPECT_NEAR(half[0].y, 52.0f + 1060.0f / 12.5f, 1e-3f);
    EXPECT_EQ(half[0].parity, 1);
    EXPECT_EQ(half[1].parity, 0);
}

// A forest object that records how it was drawn.
struct Drawn {
    int id;
    float x, y, angle, scale, distance;
};

class RecordingObject : public ForestObject {
public:
    RecordingObject(int id, b2Vec2 at, bool car, b2Vec2 heading, std::vector<Drawn>* log)
        : id_(id), at_(at), car_(car), heading_(heading), log_(log) {}
    void update() override {}
    void render(float x, float y, float angle, float scale, float distance) override {
        log_->push_back(Drawn{id_, x, y, angle, scale, distance});
    }
    b2Vec2 position() const override { return at_; }
    b2Vec2 heading() const override { return heading_; }
    bool isCar() override { return car_; }

private:
    int id_;
    b2Vec2 at_;
    bool car_;
    b2Vec2 heading_;
    std::vector<Drawn>* log_;
};

TEST(ForestView, DrawsEveryObjectAheadInListOrderWithItsProjection) {
    RoundGlobals g(2);
    Forest f;
    f.createWorld();
    f.playerCar = new Car(true);
    // The car at (5, 5) turned a quarter to the left: ahead is world -x, its right
    // (local +x) is world +y.
    f.playerCar->body->SetTransform(b2Vec2(5.0f, 5.0f), 0.5f * PI);
    std::vector<Drawn> log;
    auto add = [&](int id, b2Vec2 at, bool car = false, b2Vec2 heading = b2Vec2(0.0f, 0.0f)) {
        RecordingObject* o = new RecordingObject(id, at, car, heading, &log);
        const b2Vec2 d = at - b2Vec2(5.0f, 5.0f);
        o->localX = d.y;
        o->localY = -d.x;
        f.objects.push_back(o);
    };
    // The order is the forest step's; drawing keeps it.
    add(1, b2Vec2(-95.0f, 5.0f));                                 // 100 ahead
    add(2, b2Vec2(-5.0f, 15.0f));                                  // 10 ahead, 45 degrees right
    add(3, b2Vec2(-5.0f, 5.0f), true, b2Vec2(-1.0f, 0.0f));        // a car 10 ahead, driving away
    add(4, b2Vec2(4.6f, 5.0f));                                    // 0.4 ahead: too near
    add(5, b2Vec2(15.0f, 5.0f));                                   // behind
    add(6, b2Vec2(4.5f, -3.0f));                                   // just far enough ahead, far left
    add(7, b2Vec2(-5.0f, 5.0f), true, b2Vec2(1.0f, 0.0f));         // a car coming toward us

    f.drawView();

    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].id, 1);
    EXPECT_FLOAT_EQ(log[0].x, 160.0f);
    EXPECT_NEAR(log[0].y, 70.6f, 1e-4f);
    EXPECT_NEAR(log[0].scale, 0.1f, 1e-6f);
    EXPECT_NEAR(log[0].distance, 100.0f, 1e-4f);
    EXPECT_FLOAT_EQ(log[0].angle, 0.0f);

    EXPECT_EQ(log[1].id, 2);
    EXPECT_NEAR(log[1].x, 320.0f, 1e-3f);
    EXPECT_NEAR(log[1].distance, std::sqrt(200.0f), 1e-4f);
    EXPECT_NEAR(log[1].scale, 10.0f / std::sqrt(200.0f), 1e-5f);

    EXPECT_EQ(log[2].id, 3);
    EXPECT_NEAR(log[2].y, 94.0f, 1e-4f);
    EXPECT_NEAR(log[2].angle, 25.0f * PI / 16.0f, 1e-5f);  // seen from behind

    EXPECT_EQ(log[3].id, 6);
    EXPECT_NEAR(log[3].x, viewScreenX(-8.0f, 0.5f), 1e-4f);
    EXPECT_LT(log[3].x, 10.0f);

    EXPECT_EQ(log[4].id, 7);
    EXPECT_NEAR(log[4].angle, 9.0f * PI / 16.0f, 1e-5f);  // seen from the front
}

}  // namespace
