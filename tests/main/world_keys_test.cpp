// The developer keys and the sound switches, with keys through the Engine's event
// dispatch and Control held in the keyboard state the Engine reads.
#include "engine/core/engine_impl.h"
#include "forest/forest.h"
#include "tests/forest/round_globals.h"
#include "vehicle/car.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

class WorldKeys : public ::testing::Test {
protected:
    void SetUp() override {
        globals = new RoundGlobals(2);
        engine->System_SetState(STATE_SOUND, false);
        ASSERT_TRUE(engine->System_Initiate());
        seedRandom(5u);
        world->setup(5.0f);
        savedFx = fxVolume;
        savedMusic = musicVolume;
    }
    void TearDown() override {
        control(false);
        fxVolume = savedFx;
        musicVolume = savedMusic;
        engine->System_Finish();
        delete globals;
    }
    // Stands in for the operating system's keyboard state.
    static void control(bool held) {
        Uint8* state = const_cast<Uint8*>(SDL_GetKeyboardState(nullptr));
        state[SDL_SCANCODE_LCTRL] = held ? 1 : 0;
    }
    static void press(char letter) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = SDLK_a + (letter - 'A');
        e.key.keysym.scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_A + (letter - 'A'));
        e.key.state = SDL_PRESSED;
        engineImpl()->dispatchEvent(e);
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        engineImpl()->dispatchEvent(e);
    }
    static void update() {
        InputFrame idle{0.0f, 0.0f, 0};
        world->update(&idle);
        engineImpl()->input().clearFrame();
    }

    RoundGlobals* globals = nullptr;
    int savedFx = 100, savedMusic = 100;
};

TEST_F(WorldKeys, ControlSAndControlMSwitchTheSound) {
    fxVolume = 100;
    musicVolume = 100;
    control(true);
    ASSERT_TRUE(engine->Input_KeyHeld(KEY_CTRL));
    press('S');
    update();
    EXPECT_EQ(fxVolume, 0);
    EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), 0);
    EXPECT_EQ(musicVolume, 100);
    press('M');
    update();
    EXPECT_EQ(musicVolume, 0);
    EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), 0);
    press('S');
    update();
    EXPECT_EQ(fxVolume, 100);
    control(false);
    press('S');
    update();
    EXPECT_EQ(fxVolume, 100) << "S alone does nothing";
}

TEST_F(WorldKeys, ControlCOpensASecondForTheDeveloperKeys) {
    control(true);
    press('C');
    update();
    EXPECT_EQ(world->devKeyFrames, 60);
    // Held Control keeps the window from running down.
    for (int i = 0; i < 90; ++i) update();
    EXPECT_EQ(world->devKeyFrames, 60);
    control(false);
    for (int i = 0; i < 10; ++i) update();
    EXPECT_EQ(world->devKeyFrames, 50);
    press('O');
    press('U');
    update();
    EXPECT_EQ(world->winterPhase, 1);
    EXPECT_EQ(world->fatNotice > 0.0f, true);
    for (int i = 0; i < 60; ++i) update();
    EXPECT_EQ(world->devKeyFrames, 0);
    press('T');
    update();
    EXPECT_EQ(world->sleepPhase, 0) << "the window has closed";
}

TEST_F(WorldKeys, TDropsTheBearIntoHibernationAtOnce) {
    control(true);
    press('C');
    update();
    control(false);
    press('T');
    update();
    EXPECT_EQ(world->sleepPhase, 1);
    EXPECT_FLOAT_EQ(world->caveZoom, 1.0f);
    // Asleep, the forest stands still.
    const b2Vec2 car = forest->playerCar->position();
    forest->playerCar->body->SetLinearVelocity(b2Vec2(0.0f, 5.0f));
    update();
    EXPECT_EQ(forest->playerCar->position(), car);
}

}  // namespace
