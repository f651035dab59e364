// What a frame of the cab drawing does besides pixels, against the headless
// engine: which generator it draws from, how many flakes it shows, and the
// "Hibernate!" notice's size, colour and lifetime.
#include "tests/forest/round_globals.h"
#include "tests/vehicle/cab_drawing_fixture.h"

namespace {

constexpr float DT = 0.0166667f;

class CabDrawingState : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip;
        round_ = new CabDrawingRound(false, &skip);
        if (!skip.empty()) GTEST_FAIL() << skip;
        // The snowflake and the dash are the only sprites with a size.
        CabDrawingRound::block("snowflake", 3.0f, 3.0f);
        CabDrawingRound::block("dash", 4.0f, 4.0f);
    }
    void TearDown() override { delete round_; }

    // Quads and rectangles of one frame.
    long primitivesOfAFrame() {
        CabDrawingRound::gfx()->resetStats();
        round_->draw();
        return CabDrawingRound::gfx()->stats().primitives;
    }

    CabDrawingRound* round_ = nullptr;
};

// The Engine's generator, written out again.
struct EngineRandom {
    uint32_t seed;
    float next(float a, float b) {
        seed = seed * 214013u + 2531011u;
        return a + (b - a) * static_cast<float>(seed >> 16) * (1.0f / 65535.0f);
    }
};

TEST_F(CabDrawingState, TheGamesGeneratorIsLeftAloneAndTheSnowIsTheSameEveryFrame) {
    // Three draws per flake, a hundred flakes, from seed 1.
    EngineRandom snow{1u};
    for (int i = 0; i < 300; ++i) snow.next(0.0f, 1.0f);

    struct State {
        const char* what;
        int winterPhase;
        float winterCountdown, cabTilt, bumpSmooth, fatNotice;
    };
    const State states[] = {
        {"autumn", 0, 200.0f, 0.0f, 0.0f, 0.0f},
        {"tilted and bumped", 0, 200.0f, 0.45f, 0.3f, 0.0f},
        {"the notice", 0, 200.0f, 0.0f, 0.0f, 1.5f},
        {"winter's first flakes", 1, 3.0f, 0.0f, 0.0f, 0.0f},
        {"snowing", 40, 0.05f, -0.3f, 0.0f, 2.5f},
    };
    for (const State& s : states) {
        world->winterPhase = s.winterPhase;
        world->winterCountdown = s.winterCountdown;
        world->cabTilt = s.cabTilt;
        world->bumpSmooth = s.bumpSmooth;
        world->fatNotice = s.fatNotice;
        seedRandom(987654u);
        engine->Random_Seed(31337u);
        const long first = primitivesOfAFrame();
        EXPECT_EQ(randomState(), 987654u) << s.what;
        EXPECT_EQ(engineRandomSeed(), s.winterPhase > 0 ? snow.seed : 31337u) << s.what;
        // The next frame of the same state is the same picture.
        engine->Random_Seed(5u);
        EXPECT_EQ(primitivesOfAFrame(), first) << s.what;
        EXPECT_EQ(randomState(), 987654u) << s.what;
    }
}

TEST_F(CabDrawingState, OnlyAGrowlingHeadShakesWithTwoDrawsOfTheGamesGenerator) {
    world->growlTimer = 0.5f;
    seedRandom(1234u);
    round_->draw();
    ReferenceRandom twoDraws(1234u);
    twoDraws.next();
    twoDraws.next();
    EXPECT_EQ(randomState(), twoDraws.state);

    // Chewing shows the eating face, which does not shake.
    world->biteBody = world->wheelBody;
    seedRandom(1234u);
    round_->draw();
    EXPECT_EQ(randomState(), 1234u);

    world->biteBody = nullptr;
    world->growlTimer = 0.0f;
    round_->draw();
    EXPECT_EQ(randomState(), 1234u);
}

TEST_F(CabDrawingState, WintersFirstPhaseAddsTenFlakesASecondUpToAHundred) {
    world->winterPhase = 0;
    const long autumn = primitivesOfAFrame();
    struct Case {
        int phase;
        float countdown;
        long flakes;
    };
    const Case cases[] = {
        {1, 0.0f, 1},   {1, 0.05f, 1},  {1, 0.1f, 2},    {1, 2.5f, 26},  {1, 9.95f, 100},
        {1, 10.0f, 100}, {1, -0.25f, 0}, {2, 0.0f, 100},  {74, 0.2f, 100},
    };
    for (const Case& c : cases) {
        world->winterPhase = c.phase;
        world->winterCountdown = c.countdown;
        EXPECT_EQ(primitivesOfAFrame() - autumn, c.flakes) << "phase " << c.phase << ", countdown " << c.countdown;
    }
}

TEST_F(CabDrawingState, TheNoticeZoomsHoldsShrinksAndFlashesEveryFifthOfASecond) {
    Font* font = resourceManager->FontByName("f1");
    ASSERT_NE(font, nullptr);
    const struct {
        float notice, scale;
    } sizes[] = {{0.01f, 1.03f}, {0.5f, 2.5f}, {0.99f, 3.97f}, {1.0f, 4.0f}, {1.7f, 4.0f},
                 {2.0f, 4.0f},   {2.5f, 1.5f}, {2.99f, 1.01f}};
    for (const auto& s : sizes) {
        world->fatNotice = s.notice;
        font->scale = 1.0f;
        round_->draw();
        EXPECT_NEAR(font->scale, s.scale, 1e-5f) << s.notice;
    }

    world->fatNotice = 1.5f;
    const struct {
        float elapsed;
        uint32_t color;
    } colors[] = {{0.0f, 0xFF962A06}, {0.19f, 0xFF962A06}, {0.21f, 0xFFBC3307},
                  {0.39f, 0xFFBC3307}, {0.41f, 0xFF962A06}, {7.9f, 0xFFBC3307}};
    for (const auto& c : colors) {
        world->elapsed = c.elapsed;
        round_->draw();
        EXPECT_EQ(font->GetColor(), c.color) << c.elapsed;
    }

    // No notice: the font is not touched.
    world->fatNotice = 0.0f;
    font->scale = 7.0f;
    font->SetColor(0xFF00FF00);
    round_->draw();
    EXPECT_EQ(font->scale, 7.0f);
    EXPECT_EQ(font->GetColor(), 0xFF00FF00u);
}

TEST_F(CabDrawingState, TheNoticeShowsForThreeSecondsAfterTheBearIsFatEnough) {
    Font* font = resourceManager->FontByName("f1");
    ASSERT_NE(font, nullptr);
    world->fatNotice = 0.01f;  // as the swallow that makes fatness reach 1 sets it
    int shown = 0;
    float largest = 0.0f;
    for (int frame = 0; frame < 400; ++frame) {
        font->scale = -1.0f;
        round_->draw();
        if (font->scale > 0.0f) {
            ++shown;
            largest = std::max(largest, font->scale);
        }
        world->updateFatNotice(DT);
    }
    EXPECT_EQ(world->fatNotice, 0.0f);
    EXPECT_NEAR(shown, 180, 1) << "frames with the notice";
    EXPECT_EQ(largest, 4.0f);
}

}  // namespace
