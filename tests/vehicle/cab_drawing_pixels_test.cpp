// The cab drawing as OpenGL draws it into the 320 x 240 picture, read back pixel
// by pixel: the order of the layers, the cab turned about the picture's centre
// with the windshield, the snow and the notice left upright, the needles, the
// wheel and the lever, the bear's faces, bodies and eye, and the paw.
#include "tests/vehicle/cab_drawing_fixture.h"

#include "vehicle/car.h"

#include <algorithm>

namespace {

constexpr float PI = 3.14159265f;

class CabDrawingPixels : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip;
        round_ = new CabDrawingRound(true, &skip);
        if (!skip.empty()) GTEST_SKIP() << skip;
    }
    void TearDown() override { delete round_; }

    static b2Vec2 pixels(b2Vec2 cab) { return 16.0f * cab; }
    static b2Vec2 head() { return pixels(world->bearBody->GetPosition()); }
    uint32_t at(b2Vec2 p) const {
        return round_->at(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
    }

    // The direction from pivot to the middle of the pixels of the colour within
    // radius of it; NaN when fewer than ten such pixels are seen.
    float angleOf(uint32_t color, b2Vec2 pivot, float radius) const {
        const std::vector<uint32_t> p = round_->picture();
        double sx = 0.0, sy = 0.0;
        int n = 0;
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                const float dx = x + 0.5f - pivot.x, dy = y + 0.5f - pivot.y;
                if (p[y * 320 + x] != color || dx * dx + dy * dy > radius * radius) continue;
                sx += dx;
                sy += dy;
                ++n;
            }
        }
        return n < 10 ? NAN : static_cast<float>(std::atan2(sy, sx));
    }

    // How far apart two angles are, a whole turn either way being the same.
    static float turnBetween(float a, float b) {
        const float d = std::fmod(std::fabs(a - b), 2.0f * PI);
        return std::min(d, 2.0f * PI - d);
    }

    // The name of the cab sprite with this colour, for messages.
    static std::string nameOf(uint32_t color) {
        for (const std::string& n : cabSpriteNames()) {
            if (CabDrawingRound::color(n.c_str()) == color) return n;
        }
        char hex[16];
        std::snprintf(hex, sizeof(hex), "0x%06X", color);
        return hex;
    }

    struct Layer {
        const char* name;
        b2Vec2 drawnAt;
    };
    // Layer k covers x from 12 k to the right edge on rows 226..233: a band shows
    // its own layer only when it was drawn after every layer before it.
    void expectStaircase(const std::vector<Layer>& layers) {
        const float W = 12.0f, Y0 = 226.0f;
        for (size_t k = 0; k < layers.size(); ++k) {
            CabDrawingRound::place(layers[k].name, layers[k].drawnAt, b2Vec2(W * k, Y0), 320.0f - W * k, 8.0f);
        }
        round_->draw();
        std::string want, got;
        for (size_t k = 0; k < layers.size(); ++k) {
            want += std::string(layers[k].name) + " ";
            got += nameOf(round_->at(static_cast<int>(W * k + W / 2), static_cast<int>(Y0 + 4))) + " ";
        }
        EXPECT_EQ(got, want);
    }

    CabDrawingRound* round_ = nullptr;
};

TEST_F(CabDrawingPixels, TheLayersCoverOneAnotherInTheirOrder) {
    world->wearsAntlers = true;
    world->wearsHat = true;
    world->pawX = 15.0f;
    world->pawY = 9.0f;
    world->crumbs[0] = Crumb{0.5f, 0.25f, 1.0f, 1.0f, 1.0f};
    world->cabObjects.push_back(new TestThing("testthing", b2Vec2(12.0f, 4.0f)));
    world->snowballs.push_back(new TestThing("testsnowball", b2Vec2(3.0f, 3.0f)));
    const b2Vec2 h = head();
    const b2Vec2 paw = pixels(b2Vec2(15.0f, 9.0f));
    const b2Vec2 crumb(h.x + 90.0f + 8.0f, h.y + 50.0f + 4.0f);

    expectStaircase({
        {"dash", b2Vec2(0.0f, 0.0f)},
        {"antlers", b2Vec2(162.0f, 89.0f)},
        {"gaspedal", pixels(world->gasPedalBody->GetPosition())},
        {"brakepedal", pixels(world->brakePedalBody->GetPosition())},
        {"shifter", pixels(world->shifterBody->GetPosition())},
        {"shifter_overlay", b2Vec2(184.0f, 208.0f)},
        {"gauge", b2Vec2(184.0f, 102.0f)},
        {"speed_arrow", b2Vec2(200.0f, 116.0f)},
        {"gas_arrow", b2Vec2(228.0f, 124.0f)},
        {"bearhead", h},
        {"russianhat", h},
        {"bearbody2", b2Vec2(h.x, h.y + 80.0f)},
        {"testthing", pixels(b2Vec2(12.0f, 4.0f))},
        {"steeringwheel", pixels(world->wheelBody->GetPosition())},
        {"spit", crumb},
        {"arm", paw},
        {"paw", paw},
        {"testsnowball", pixels(b2Vec2(3.0f, 3.0f))},
        {"seats", b2Vec2(0.0f, -16.0f)},
    });
}

TEST_F(CabDrawingPixels, AHeldThingHasTheArmAndGrippingPawBehindTheBear) {
    TestThing* thing = new TestThing("testthing", b2Vec2(12.0f, 4.0f));
    world->cabObjects.push_back(thing);
    world->pawX = 12.0f;
    world->pawY = 4.0f;
    world->grabAt(12.0f, 4.0f);
    ASSERT_TRUE(world->isHeld(thing->bodies[0]));
    const b2Vec2 h = head();
    const b2Vec2 grip = pixels(b2Vec2(12.0f, 4.0f));
    // The free paw is not drawn at all while it holds a loose thing.
    CabDrawingRound::place("paw", grip, b2Vec2(100.0f, 200.0f), 6.0f, 6.0f);
    CabDrawingRound::place("paw_closed", grip, b2Vec2(110.0f, 200.0f), 6.0f, 6.0f);

    expectStaircase({
        {"dash", b2Vec2(0.0f, 0.0f)},
        {"shifter_overlay", b2Vec2(184.0f, 208.0f)},
        {"gas_arrow", b2Vec2(228.0f, 124.0f)},
        {"arm", grip},
        {"paw_grabbing", grip},
        {"bearhead", h},
        {"bearbody2", b2Vec2(h.x, h.y + 80.0f)},
        {"testthing", grip},
        {"steeringwheel", pixels(world->wheelBody->GetPosition())},
        {"seats", b2Vec2(0.0f, -16.0f)},
    });
    EXPECT_NE(nameOf(round_->at(102, 202)), "paw");
    EXPECT_NE(nameOf(round_->at(112, 202)), "paw_closed");
}

// Where the view transform of the cab puts a cab pixel: turned by -rot about the
// picture's centre in the row-vector convention, lifted by 32 per unit of bump.
b2Vec2 onPicture(b2Vec2 cab, float tilt, float bump) {
    const float r = -tilt;
    const float u = cab.x - 160.0f, v = cab.y - 120.0f;
    return b2Vec2(u * std::cos(r) + v * std::sin(r) + 160.0f, -u * std::sin(r) + v * std::cos(r) + 120.0f - 32.0f * bump);
}

TEST_F(CabDrawingPixels, TheCabTurnsAboutThePictureCentreAndRisesOnBumps) {
    CabDrawingRound::block("gauge", 5.0f, 5.0f);
    CabDrawingRound::block("shifter_overlay", 5.0f, 5.0f);
    const uint32_t gauge = CabDrawingRound::color("gauge");
    const uint32_t overlay = CabDrawingRound::color("shifter_overlay");
    const struct {
        float tilt, bump;
    } cases[] = {{0.0f, 0.0f}, {0.5f, 0.25f}, {-0.5f, 0.0f}, {0.2f, -0.3f}, {3.0f, 0.0f}};
    for (const auto& c : cases) {
        world->cabTilt = c.tilt;
        world->bumpSmooth = c.bump;
        round_->draw();
        const b2Vec2 g = onPicture(b2Vec2(184.0f, 102.0f), c.tilt, c.bump);
        const b2Vec2 o = onPicture(b2Vec2(184.0f, 208.0f), c.tilt, c.bump);
        EXPECT_EQ(at(g), gauge) << "tilt " << c.tilt << ", bump " << c.bump << ": gauge at " << g.x << ", " << g.y;
        EXPECT_EQ(at(o), overlay) << "tilt " << c.tilt << ", bump " << c.bump << ": overlay at " << o.x << ", " << o.y;
        if (c.tilt != 0.0f || c.bump != 0.0f) {
            EXPECT_NE(round_->at(184, 102), gauge) << "tilt " << c.tilt << ": the gauge must move";
        }
    }
}

TEST_F(CabDrawingPixels, SnowAndTheNoticeStayUprightWhileTheCabTilts) {
    world->cabTilt = 0.5f;
    world->bumpSmooth = 0.2f;
    world->winterPhase = 30;
    world->snowScrollX = 100.0f;
    world->snowScrollY = 150.0f;
    CabDrawingRound::block("snowflake", 3.0f, 3.0f);
    round_->draw();

    // The hundred flakes where the Engine's generator from seed 1 puts them,
    // scrolled and wrapped, whatever the tilt.
    uint32_t seed = 1u;
    auto next = [&seed](float a, float b) {
        seed = seed * 214013u + 2531011u;
        return a + (b - a) * static_cast<float>(seed >> 16) * (1.0f / 65535.0f);
    };
    int seen = 0;
    for (int i = 0; i < 100; ++i) {
        float x = next(0.0f, 320.0f) + 100.0f;
        if (x > 320.0f) x -= 320.0f;
        float y = next(0.0f, 200.0f) + 150.0f;
        if (y > 200.0f) y -= 200.0f;
        next(0.0f, PI);
        if (x >= 0.0f && x < 320.0f && at(b2Vec2(x, y)) == CabDrawingRound::color("snowflake")) ++seen;
    }
    EXPECT_GE(seen, 98) << "flakes found where they belong";

    // The dash covers the snow; the notice covers the seats, the last cab layer,
    // and runs straight across the picture: s = 4, rows 40..71.
    world->fatNotice = 1.5f;
    world->elapsed = 0.0f;
    CabDrawingRound::block("seats", 700.0f, 700.0f);
    round_->draw();
    const std::vector<uint32_t> p = round_->picture();
    int notice = 0;
    for (int x = 0; x < 320; ++x) {
        const uint32_t c = p[56 * 320 + x];
        const int dr = static_cast<int>(c >> 16) - 0x96, dg = static_cast<int>((c >> 8) & 0xFF) - 0x2A,
                  db = static_cast<int>(c & 0xFF) - 0x06;
        notice += std::abs(dr) <= 2 && std::abs(dg) <= 2 && std::abs(db) <= 2;
    }
    EXPECT_GE(notice, 200) << "\"Hibernate!\" across row 56";
    EXPECT_EQ(round_->at(160, 20), CabDrawingRound::color("seats")) << "above the notice";
    EXPECT_EQ(round_->at(160, 200), CabDrawingRound::color("seats")) << "no snow over the cab";
}

TEST_F(CabDrawingPixels, TheNeedlesShowSpeedAndFat) {
    CabDrawingRound::bar("speed_arrow", 24.0f);
    CabDrawingRound::bar("gas_arrow", 24.0f);
    const uint32_t speedColor = CabDrawingRound::color("speed_arrow");
    const uint32_t fatColor = CabDrawingRound::color("gas_arrow");
    b2Body* car = forest->playerCar->body;
    const struct {
        float speed, fatness, speedAngle, fatAngle;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f},                    // at rest
        {-6.0f, -0.25f, 0.0f, 0.0f},                 // reversing; a famished bear
        {5.0f, 0.25f, 3.0f * PI / 8.0f, PI / 8.0f},  //
        {10.0f, 0.5f, 3.0f * PI / 4.0f, PI / 4.0f},  // halfway round both dials
        {20.0f, 1.0f, 1.5f * PI, PI / 2.0f},         // full
        {34.0f, 3.0f, 1.5f * PI, PI / 2.0f},         // past the ends
    };
    for (const auto& c : cases) {
        car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, c.speed)));
        ASSERT_NEAR(forest->playerCar->forwardSpeed(), c.speed, 1e-4f);
        world->fatness = c.fatness;
        round_->draw();
        const float speedAngle = angleOf(speedColor, b2Vec2(200.0f, 116.0f), 26.0f);
        const float fatAngle = angleOf(fatColor, b2Vec2(228.0f, 124.0f), 26.0f);
        EXPECT_LT(turnBetween(speedAngle, c.speedAngle), 0.06f) << "speed " << c.speed << ": " << speedAngle;
        EXPECT_LT(turnBetween(fatAngle, c.fatAngle), 0.06f) << "fatness " << c.fatness << ": " << fatAngle;
    }
}

TEST_F(CabDrawingPixels, TheWheelAndTheLeverTurnWithTheirBodiesUpToTheirStops) {
    CabDrawingRound::bar("steeringwheel", 40.0f);
    CabDrawingRound::bar("shifter", 20.0f);
    const b2Vec2 wheel = pixels(world->wheelBody->GetPosition());
    const b2Vec2 lever = pixels(world->shifterBody->GetPosition());
    const struct {
        float body, drawn;
    } wheelCases[] = {{0.0f, 0.0f}, {1.0f, 1.0f}, {-2.5f, -2.5f}, {8.0f, 2.0f * PI}, {-7.0f, -2.0f * PI}},
      leverCases[] = {{0.3f, 0.3f}, {-0.2f, -0.2f}, {1.2f, PI / 6.0f}, {-1.0f, -PI / 6.0f}, {0.5235988f, PI / 6.0f}};
    for (const auto& c : wheelCases) {
        world->wheelBody->SetTransform(world->wheelBody->GetPosition(), c.body);
        round_->draw();
        const float a = angleOf(CabDrawingRound::color("steeringwheel"), wheel, 42.0f);
        EXPECT_LT(turnBetween(a, c.drawn), 0.05f) << "wheel at " << c.body << ": drawn at " << a;
    }
    for (const auto& c : leverCases) {
        world->shifterBody->SetTransform(world->shifterBody->GetPosition(), c.body);
        round_->draw();
        const float a = angleOf(CabDrawingRound::color("shifter"), lever, 22.0f);
        EXPECT_LT(turnBetween(a, c.drawn), 0.06f) << "lever at " << c.body << ": drawn at " << a;
    }
}

TEST_F(CabDrawingPixels, TheBearsFaceBodyHatAndEye) {
    const b2Vec2 h = head();
    for (const char* face : {"bearhead", "growl", "eat1", "eat2"}) {
        CabDrawingRound::place(face, h, b2Vec2(20.0f, 100.0f), 8.0f, 8.0f);
    }
    for (const char* body : {"bearbody1", "bearbody2", "bearbody3", "bearbody4", "bearbody5"}) {
        CabDrawingRound::place(body, b2Vec2(h.x, h.y + 80.0f), b2Vec2(20.0f, 190.0f), 8.0f, 8.0f);
    }
    CabDrawingRound::place("russianhat", h, b2Vec2(40.0f, 100.0f), 8.0f, 8.0f);
    auto face = [this] { return nameOf(round_->at(24, 104)); };

    round_->draw();
    EXPECT_EQ(face(), "bearhead");
    EXPECT_NE(nameOf(round_->at(44, 104)), "russianhat");
    world->growlTimer = 0.5f;
    world->wearsHat = true;
    round_->draw();
    EXPECT_EQ(face(), "growl");
    EXPECT_EQ(nameOf(round_->at(44, 104)), "russianhat");

    // Chewing wins over growling: a frame every fifth of a second.
    world->biteBody = world->wheelBody;
    const struct {
        float chew;
        const char* face;
    } chewing[] = {{0.0f, "eat1"}, {0.1f, "eat1"}, {0.3f, "eat2"}, {0.5f, "eat1"},
                   {0.7f, "eat2"}, {0.9f, "bearhead"}, {1.05f, "eat1"}, {2.9f, "bearhead"}};
    for (const auto& c : chewing) {
        world->chewTime = c.chew;
        round_->draw();
        EXPECT_EQ(face(), c.face) << "chewed " << c.chew << " s";
    }
    world->biteBody = nullptr;
    world->growlTimer = 0.0f;

    const struct {
        float fatness;
        const char* body;
    } bodies[] = {{-3.0f, "bearbody1"}, {-0.01f, "bearbody1"}, {0.0f, "bearbody2"}, {0.34f, "bearbody3"},
                  {0.67f, "bearbody4"}, {0.99f, "bearbody4"},  {1.0f, "bearbody5"}, {5.0f, "bearbody5"}};
    for (const auto& c : bodies) {
        world->fatness = c.fatness;
        round_->draw();
        EXPECT_EQ(nameOf(round_->at(24, 194)), c.body) << "fatness " << c.fatness;
    }

    // The pupil, 2 x 2, sits 1.5 pixels from the eye's point toward the paw.
    const b2Vec2 eye(h.x + 76.0f, h.y + 24.0f);
    const b2Vec2 paws[] = {b2Vec2(20.0f, 8.0f), b2Vec2(0.0f, 15.0f), b2Vec2(2.0f, 2.0f)};
    for (const b2Vec2& p : paws) {
        world->pawX = p.x;
        world->pawY = p.y;
        round_->draw();
        b2Vec2 u = pixels(p) - eye;
        u *= 1.0f / u.Length();
        const b2Vec2 corner = eye + 1.5f * u;
        EXPECT_EQ(at(corner + b2Vec2(1.0f, 1.0f)), 0x141414u) << "paw at " << p.x << ", " << p.y;
        EXPECT_NE(at(eye - 1.5f * u + b2Vec2(1.0f, 1.0f)), 0x141414u) << "not on the far side";
    }
}

TEST_F(CabDrawingPixels, CrumbsFlyFromTheMouthTurnedAlongTheirFlight) {
    CabDrawingRound::bar("spit", 10.0f);
    const uint32_t spit = CabDrawingRound::color("spit");
    const b2Vec2 mouth = head() + b2Vec2(90.0f, 50.0f);
    // Rising to the right: turned up by 45 degrees; falling back to the left:
    // mirrored, so pointing down and left.
    world->crumbs[0] = Crumb{0.0f, 0.0f, 2.0f, -4.0f, 0.5f};
    world->crumbs[1] = Crumb{2.0f, -1.0f, -1.0f, 6.0f, 0.5f};
    world->crumbs[2] = Crumb{1.0f, 1.5f, 1.0f, 1.0f, 0.0f};  // spent
    round_->draw();
    EXPECT_LT(turnBetween(angleOf(spit, mouth, 12.0f), -PI / 4.0f), 0.1f);
    EXPECT_LT(turnBetween(angleOf(spit, mouth + b2Vec2(32.0f, -16.0f), 12.0f), 3.0f * PI / 4.0f), 0.1f);
    EXPECT_TRUE(std::isnan(angleOf(spit, mouth + b2Vec2(16.0f, 24.0f), 6.0f))) << "a spent crumb is not drawn";
}

TEST_F(CabDrawingPixels, ThePawOpenClosedStungAndOnAFixture) {
    CabDrawingRound::block("paw", 6.0f, 6.0f);
    CabDrawingRound::block("paw_closed", 6.0f, 6.0f);
    world->pawX = 15.0f;
    world->pawY = 9.0f;
    const b2Vec2 p = pixels(b2Vec2(15.0f, 9.0f));

    world->elapsed = 3.0f;
    world->lastGrabTime = 2.0f;
    round_->draw();
    EXPECT_EQ(nameOf(at(p)), "paw");
    world->lastGrabTime = 2.85f;  // missed a moment ago
    round_->draw();
    EXPECT_EQ(nameOf(at(p)), "paw_closed");
    world->lastGrabTime = 2.0f;

    // Stung: shaken by half a unit times the sines of 20.1 pi and 9.9 pi the phase;
    // at this phase almost wholly downward.
    world->stingTimer = 0.3f;
    world->stingPhase = 0.05f;
    CabDrawingRound::block("paw", 3.0f, 3.0f);
    round_->draw();
    const b2Vec2 shaken = pixels(b2Vec2(15.0f + 0.5f * std::sin(63.146015f * 0.05f), 9.0f + 0.5f * std::sin(31.101767f * 0.05f)));
    EXPECT_EQ(nameOf(at(shaken)), "paw");
    EXPECT_NE(nameOf(at(p)), "paw");
    world->stingTimer = -5.0f;

    // On the wheel the closed paw stays on the rim point it took as the wheel turns.
    world->pawX = 10.0f;
    world->pawY = 7.25f;
    world->grabAt(10.0f, 7.25f);
    ASSERT_TRUE(world->isHeld(world->wheelBody));
    world->wheelBody->SetTransform(world->wheelBody->GetPosition(), 0.5f);
    round_->draw();
    const b2Vec2 grip = pixels(world->wheelBody->GetPosition() + 2.75f * b2Vec2(std::cos(0.5f), std::sin(0.5f)));
    EXPECT_EQ(nameOf(at(grip)), "paw_closed");
    const std::string own = nameOf(at(pixels(b2Vec2(10.0f, 7.25f))));
    EXPECT_TRUE(own != "paw" && own != "paw_closed") << "nothing at the paw's own point: " << own;
}

}  // namespace
