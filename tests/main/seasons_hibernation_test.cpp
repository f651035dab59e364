// Going to sleep in the cave: only a fat enough bear, only before the snow, and
// the year survived part way through the hibernation steps.
#include "engine/core/engine_impl.h"
#include "forest/forest.h"
#include "tests/main/seasons_round.h"
#include "vehicle/car.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

// One update with the cave in reach, as the scenery drawing reports it.
void updateAtTheCave() {
    world->caveAhead = true;
    SeasonRound::update();
}

TEST(Cave, ABearShortOfFatDoesNotSleepAndTheCheckRepeats) {
    {
        SeasonRound r;
        world->fatness = 0.99f;
        for (int i = 0; i < 30; ++i) {
            updateAtTheCave();
            ASSERT_EQ(world->sleepPhase, 0) << i;
            ASSERT_FALSE(world->caveAhead) << "cleared by every update";
        }
        world->fatness = 1.0f;
        updateAtTheCave();
        EXPECT_EQ(world->sleepPhase, 1);
        EXPECT_EQ(world->caveZoom, 1.0f);
    }
    // Out of reach of the cave nothing starts, however fat.
    SeasonRound r;
    world->fatness = 2.0f;
    SeasonRound::update();
    EXPECT_EQ(world->sleepPhase, 0);
}

TEST(Cave, SavesTheYearInTheFirstTenSecondsOfWinterButNotOnceTheSnowBegins) {
    {
        SeasonRound r;
        world->fatness = 1.0f;
        world->winterPhase = 1;
        world->winterCountdown = 9.9f;
        updateAtTheCave();
        EXPECT_EQ(world->sleepPhase, 1) << "still in the grace";
    }
    SeasonRound r;
    world->fatness = 1.0f;
    world->winterPhase = 1;
    world->winterCountdown = 9.99f;
    SeasonRound::update();
    ASSERT_EQ(world->winterPhase, 2);
    ASSERT_EQ(world->winterBlock, nullptr);
    for (int i = 0; i < 30; ++i) updateAtTheCave();
    EXPECT_EQ(world->sleepPhase, 0) << "too late once the snow pours in";
}

TEST(Hibernation, SurvivesTheYearAbout1Point3SecondsAfterTheCaveAndFadesOut) {
    SeasonRound r(2);
    fxVolume = 100;
    musicVolume = 60;
    world->fatness = 1.0f;
    updateAtTheCave();
    ASSERT_EQ(world->sleepPhase, 1);
    int updates = 1;
    bool sawFirstStep = false;
    while (game->year == 2 && updates < 200) {
        const int phase = world->sleepPhase;
        SeasonRound::update();
        ++updates;
        if (phase == 1 && world->sleepPhase == 2) {
            sawFirstStep = true;
            // The fade of a step uses the phase before the step.
            EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), 90);
            EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), 50);
            EXPECT_FLOAT_EQ(world->caveZoom, 1.15f);
        }
    }
    EXPECT_TRUE(sawFirstStep);
    ASSERT_EQ(game->year, 3) << "the year was survived";
    EXPECT_EQ(world->sleepPhase, 14);
    EXPECT_NEAR(static_cast<float>(updates) / 60.0f, 1.3f, 0.05f);
    EXPECT_EQ(game->nextState, Title);
    EXPECT_EQ(game->fadeDir, -1);
    EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), 0);
    EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), 0);

    // The steps go on to 20 during the fade-out; the year ends only once.
    const b2Vec2 car = forest->playerCar->position();
    for (int i = 0; i < 120; ++i) SeasonRound::update();
    EXPECT_EQ(world->sleepPhase, 20);
    EXPECT_NEAR(world->caveZoom, 1.0f + 19 * 0.15f, 1e-4f);
    EXPECT_EQ(game->year, 3);
    EXPECT_EQ(forest->playerCar->position(), car) << "asleep, the forest stands still";
}

// The developer's way through the year: Control+C, then 'P' with Control released.
TEST(Hibernation, TheDeveloperKeyPSurvivesTheYear) {
    SeasonRound r(4);
    ASSERT_TRUE(engine->System_Initiate());
    auto key = [](SDL_Keycode sym, SDL_Scancode code) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = code;
        e.key.state = SDL_PRESSED;
        engineImpl()->dispatchEvent(e);
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        engineImpl()->dispatchEvent(e);
    };
    auto update = [] {
        SeasonRound::update();
        engineImpl()->input().clearFrame();
    };
    Uint8* keys = const_cast<Uint8*>(SDL_GetKeyboardState(nullptr));
    keys[SDL_SCANCODE_LCTRL] = 1;
    key(SDLK_c, SDL_SCANCODE_C);
    update();
    keys[SDL_SCANCODE_LCTRL] = 0;
    for (int i = 0; i < 30; ++i) update();
    EXPECT_EQ(game->year, 4);
    key(SDLK_p, SDL_SCANCODE_P);
    update();
    EXPECT_EQ(game->year, 5);
    EXPECT_EQ(game->nextState, Title);
    EXPECT_EQ(world->sleepPhase, 0) << "no hibernation needed";
    engine->System_Finish();
}

}  // namespace
