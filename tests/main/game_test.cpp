// The application's state machine driven through the Engine's real event dispatch.
#include "main/random.h"
#include "tests/support/file_text.h"
#include "tests/support/headless_game.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class GameStates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(startGameEngine(false));
        startGame();
        game->inputLog.clear();  // whatever demo the data folder holds
        mouseDX = mouseDY = 0.0f;
    }
    void TearDown() override {
        stopGame();
        stopGameEngine();
    }

    static void key(int sym, bool down) {
        dispatchKey(sym,
                    sym == SDLK_ESCAPE  ? SDL_SCANCODE_ESCAPE
                    : sym == SDLK_SPACE ? SDL_SCANCODE_SPACE
                                        : static_cast<SDL_Scancode>(SDL_SCANCODE_A + (sym - SDLK_a)),
                    down);
    }
    static void tap(int sym) {
        key(sym, true);
        key(sym, false);
    }
    static void button(int which, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = static_cast<Uint8>(which);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        engineImpl()->dispatchEvent(e);
    }
    // One frame as the loop runs it: the events above, the frame, then the edges cleared.
    static bool step() {
        bool quit = game->frame();
        engineImpl()->input().clearFrame();
        return quit;
    }
    static void steps(int n) {
        for (int i = 0; i < n; ++i) step();
    }
    static void finishFadeIn() {
        while (game->fadeDir != 0) step();
    }
    static void recordSomething() { game->inputLog.append({1.0f, 2.0f, 0}); }
};

TEST_F(GameStates, InitialFieldsAndFadeIn) {
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->fadeDir, 1);
    EXPECT_FLOAT_EQ(game->titleTime, -2.0f);
    EXPECT_EQ(game->year, 1);
    EXPECT_EQ(game->winterMinutes, 5);
    EXPECT_EQ(game->modifierA, -1);
    // 1.5 per second: full brightness after 2/3 s, i.e. 40 frames.
    steps(39);
    EXPECT_EQ(game->fadeDir, 1);
    step();
    EXPECT_EQ(game->fadeDir, 0);
    EXPECT_NEAR(game->fade, 1.0f, 1e-4f);
}

TEST_F(GameStates, FirstPressOnlySkipsTheOpening) {
    finishFadeIn();
    game->pointerX = 200.0f;
    game->pointerY = 210.0f;
    button(SDL_BUTTON_LEFT, true);
    step();
    EXPECT_EQ(game->fadeDir, 0);
    EXPECT_FLOAT_EQ(game->titleTime, 100.0f);
    EXPECT_TRUE(game->overButton);

    button(SDL_BUTTON_LEFT, false);
    step();
    button(SDL_BUTTON_LEFT, true);
    step();
    EXPECT_EQ(game->fadeDir, -1);
    EXPECT_EQ(game->nextState, Playing);
}

TEST_F(GameStates, PressOffTheButtonOnlySetsTheTitleTime) {
    finishFadeIn();
    game->titleTime = 10.0f;
    game->pointerX = 100.0f;  // left of the button
    game->pointerY = 210.0f;
    button(SDL_BUTTON_LEFT, true);
    step();
    EXPECT_EQ(game->fadeDir, 0);
    EXPECT_FLOAT_EQ(game->titleTime, 100.0f);
    EXPECT_FALSE(game->overButton);
    // The button's edges are inclusive.
    game->pointerX = 284.0f;
    game->pointerY = 200.0f;
    step();
    EXPECT_TRUE(game->overButton);
}

TEST_F(GameStates, SpaceCountsAsOnTheButton) {
    finishFadeIn();
    game->titleTime = 4.5f;
    game->pointerX = 0.0f;
    game->pointerY = 0.0f;
    tap(SDLK_SPACE);
    step();
    EXPECT_EQ(game->fadeDir, -1);
    EXPECT_EQ(game->nextState, Playing);
}

TEST_F(GameStates, NoStartWhileAFadeRuns) {
    game->titleTime = 50.0f;
    tap(SDLK_SPACE);
    step();  // still fading in
    EXPECT_EQ(game->fadeDir, 1);
    EXPECT_EQ(game->nextState, Title);
}

TEST_F(GameStates, DemoKeyNeedsARecordedLog) {
    finishFadeIn();
    tap(SDLK_d);
    step();
    EXPECT_EQ(game->fadeDir, 0);

    recordSomething();
    tap(SDLK_d);
    step();
    EXPECT_EQ(game->fadeDir, -1);
    EXPECT_EQ(game->nextState, StartDemo);
    EXPECT_EQ(game->idleFrames, 0);
}

TEST_F(GameStates, OnlyHorizontalMovementDelaysTheDemo) {
    recordSomething();
    // Vertical movement alone: the demo starts once 960 idle frames have passed.
    mouseDY = 5.0f;
    steps(960);
    EXPECT_NE(game->nextState, StartDemo);
    step();
    EXPECT_EQ(game->nextState, StartDemo);
}

TEST_F(GameStates, HorizontalMovementRestartsTheIdleCountAt300) {
    recordSomething();
    steps(500);
    mouseDX = 3.0f;
    step();
    EXPECT_EQ(game->idleFrames, 300);
    mouseDX = 0.0f;
    steps(660);
    EXPECT_NE(game->nextState, StartDemo);
    step();
    EXPECT_EQ(game->nextState, StartDemo);
}

TEST_F(GameStates, EscapeQuitsInYearOneAndResetsLaterYears) {
    game->year = 3;
    game->winterMinutes = 4;
    game->modifierA = 2;
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(step());
    EXPECT_EQ(game->year, 1);
    EXPECT_EQ(game->winterMinutes, 5);
    EXPECT_EQ(game->modifierA, -1);
    EXPECT_EQ(game->state, Title);

    tap(SDLK_ESCAPE);
    EXPECT_TRUE(step());
}

TEST_F(GameStates, TitlePointerMovesAtHalfSpeedAndStaysOnTheTarget) {
    mouseDX = 30.0f;
    mouseDY = -10.0f;
    step();
    EXPECT_FLOAT_EQ(game->pointerX, 175.0f);
    EXPECT_FLOAT_EQ(game->pointerY, 115.0f);
    mouseDX = 10000.0f;
    mouseDY = 10000.0f;
    step();
    EXPECT_FLOAT_EQ(game->pointerX, 320.0f);
    EXPECT_FLOAT_EQ(game->pointerY, 240.0f);
}

TEST_F(GameStates, GameOverClickShortensTheFade) {
    game->state = GameOver;
    game->fadeDir = -1;
    game->fade = 6.0f;
    game->nextState = Title;
    step();
    EXPECT_NEAR(game->fade, 6.0f - 0.025f, 1e-4f);
    button(SDL_BUTTON_LEFT, true);
    step();
    EXPECT_FLOAT_EQ(game->fade, 1.0f);
    // 2/3 s later the fade-out ends on the title screen.
    steps(40);
    EXPECT_EQ(game->state, Title);
    EXPECT_FLOAT_EQ(game->fade, -1.5f + 0.0f);
}

TEST_F(GameStates, FadeOutToTitleRestoresThePlayerVolumes) {
    engine->System_SetState(STATE_FX_VOLUME, 20);
    engine->System_SetState(STATE_MUSIC_VOLUME, 30);
    game->fadeDir = -1;
    game->fade = 0.01f;
    game->nextState = Title;
    step();
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->fadeDir, 1);
    EXPECT_FLOAT_EQ(game->fade, -1.5f);
    EXPECT_EQ(engine->System_GetState(STATE_FX_VOLUME), fxVolume);
    EXPECT_EQ(engine->System_GetState(STATE_MUSIC_VOLUME), musicVolume);
}

TEST_F(GameStates, RecordingKeepsOnlyThePressWhenBothEdgesShareAFrame) {
    game->state = Playing;
    game->playingBack = 0;
    mouseDX = 4.0f;
    mouseDY = -2.0f;
    button(SDL_BUTTON_LEFT, true);
    button(SDL_BUTTON_LEFT, false);
    button(SDL_BUTTON_RIGHT, true);
    step();
    button(SDL_BUTTON_LEFT, false);
    step();
    step();
    ASSERT_EQ(game->inputLog.size(), 3u);
    EXPECT_EQ(game->playIndex, 3u);
    EXPECT_EQ(game->inputLog[0].buttons, INPUT_LEFT_DOWN | INPUT_RIGHT_DOWN);
    EXPECT_FLOAT_EQ(game->inputLog[0].dx, 4.0f);
    EXPECT_FLOAT_EQ(game->inputLog[0].dy, -2.0f);
    EXPECT_EQ(game->inputLog[1].buttons, INPUT_LEFT_UP);
    EXPECT_EQ(game->inputLog[2].buttons, 0u);
}

TEST_F(GameStates, PlaybackEndsAtTheEndOfTheLogOrOnAPress) {
    for (int i = 0; i < 3; ++i) recordSomething();
    game->state = Playing;
    game->playingBack = 1;
    game->playIndex = 0;
    steps(3);
    EXPECT_EQ(game->state, Playing);
    EXPECT_EQ(game->playIndex, 3u);
    step();
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->playingBack, 0);
    EXPECT_EQ(game->inputLog.size(), 3u);  // the log stays for the next idle period

    game->state = Playing;
    game->playingBack = 1;
    game->playIndex = 0;
    tap(SDLK_SPACE);
    step();
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->playIndex, 0u);
}

TEST_F(GameStates, EscapeInPlayReturnsToTheTitleAtOnce) {
    game->state = Playing;
    game->year = 2;
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(step());
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->year, 1);
    EXPECT_FLOAT_EQ(game->fade, 0.0f);
    EXPECT_FLOAT_EQ(game->titleTime, -2.0f);
    EXPECT_EQ(game->inputLog.size(), 0u);  // nothing recorded from the Escape frame
}

// 'S' and 'L' on the title screen, with a player's data folder of their own; the
// tests work inside it, where "demo.dem" is.
class TitleDemoKeys : public GameStates {
protected:
    void SetUp() override {
        GameStates::SetUp();
        char tmpl[] = "/tmp/titledemoXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        folder = tmpl;
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        home = here;
        xdg.emplace("XDG_DATA_HOME", folder.c_str());
        ASSERT_EQ(mkdir((folder + "/timberdrive").c_str(), 0700), 0);
        ASSERT_EQ(chdir((folder + "/timberdrive").c_str()), 0);
        finishFadeIn();
    }
    void TearDown() override {
        control(false);
        std::remove("demo.dem");
        if (chdir(home.c_str()) != 0) ADD_FAILURE() << "cannot return to " << home;
        xdg.reset();
        rmdir((folder + "/timberdrive").c_str());
        rmdir(folder.c_str());
        GameStates::TearDown();
    }
    static void control(bool held) {
        Uint8* state = const_cast<Uint8*>(SDL_GetKeyboardState(nullptr));
        state[SDL_SCANCODE_LCTRL] = held ? 1 : 0;
    }
    static void writeDemo(const std::string& bytes) { ASSERT_TRUE(writeFileBytes("demo.dem", bytes)); }
    static std::string demoBytes() { return readFileBytes("demo.dem"); }
    // A demo of seed 77 with two records.
    static std::string twoRecords() {
        InputLog log;
        log.append({1.0f, 0.0f, 0});
        log.append({2.0f, 0.0f, 1});
        log.save("demo.dem", 77);
        return demoBytes();
    }
    std::string folder;
    std::string home;
    std::optional<ScopedEnv> xdg;
};

TEST_F(TitleDemoKeys, SavingNothingLeavesTheSavedDemoAsItWas) {
    writeDemo("an earlier game");
    tap(SDLK_s);
    step();
    EXPECT_EQ(demoBytes(), "an earlier game");
    // With something recorded the same key does save, over the old file.
    recordSomething();
    tap(SDLK_s);
    step();
    EXPECT_EQ(demoBytes().size(), 8u + 12u + 16u);  // one record and the trailer
}

TEST_F(TitleDemoKeys, LoadingOnlyOnTheTitleOfYearOne) {
    writeDemo(twoRecords());
    game->year = 2;  // between the years of a game: its seed and log stay
    game->seed = 5;
    recordSomething();
    tap(SDLK_l);
    step();
    EXPECT_EQ(game->seed, 5u);
    ASSERT_EQ(game->inputLog.size(), 1u);
    EXPECT_FLOAT_EQ(game->inputLog[0].dx, 1.0f);

    game->year = 1;
    tap(SDLK_l);
    step();
    EXPECT_EQ(game->seed, 77u);
    ASSERT_EQ(game->inputLog.size(), 2u);
    EXPECT_EQ(game->inputLog[1].buttons, 1u);
}

// Each press of 'S' or 'L' says what came of it, as the sound switches do.
TEST_F(TitleDemoKeys, SavingAndLoadingSayHowItWent) {
    const struct {
        const char* setUp;  // what lies where "demo.dem" goes
        bool recorded;
        int key;
        const char* notice;
    } cases[] = {
        {"nothing", true, SDLK_s, "Demo saved"},
        {"nothing", false, SDLK_s, "No game to save yet"},
        {"a folder", true, SDLK_s, "Can't save the demo:\nnot a plain file"},
        {"a demo", false, SDLK_l, "Demo loaded"},
        {"nothing", false, SDLK_l, "No saved demo"},
        {"an empty file", false, SDLK_l, "No saved demo"},
        {"a count beyond any game", false, SDLK_l, "Can't load the saved demo"},
        {"a demo of another version", false, SDLK_l, "Recorded by another version: it may play differently"},
    };
    for (const auto& c : cases) {
        std::remove("demo.dem");
        if (std::string(c.setUp) == "a folder") {
            ASSERT_EQ(mkdir("demo.dem", 0700), 0);
        }
        if (std::string(c.setUp) == "a demo") writeDemo(twoRecords());
        if (std::string(c.setUp) == "a demo of another version") {
            std::string bytes = twoRecords();
            bytes[8 + 24 + 4] ^= 0x40;  // the trailer's version
            writeDemo(bytes);
        }
        if (std::string(c.setUp) == "an empty file") writeDemo("");
        if (std::string(c.setUp) == "a count beyond any game") writeDemo(std::string("\1\0\0\0\xff\xff\xff\xff", 8));
        game->inputLog.clear();
        if (c.recorded) recordSomething();
        tap(c.key);
        step();
        ASSERT_NE(game->help.noticeText(), nullptr) << c.notice;
        EXPECT_STREQ(game->help.noticeText(), c.notice) << c.setUp;
        steps(NOTICE_FRAMES);
        EXPECT_EQ(game->help.noticeText(), nullptr) << c.notice << " stays";
        rmdir("demo.dem");
    }
}

TEST_F(TitleDemoKeys, WithControlHeldTheDemoKeysDoNothing) {
    writeDemo(twoRecords());
    recordSomething();
    control(true);
    ASSERT_TRUE(engine->Input_KeyHeld(KEY_CTRL));
    const std::string before = demoBytes();
    tap(SDLK_s);  // Control+S is the sound switch, not a save
    step();
    EXPECT_EQ(demoBytes(), before);
    tap(SDLK_l);
    step();
    EXPECT_EQ(game->inputLog.size(), 1u);
    tap(SDLK_d);
    step();
    EXPECT_EQ(game->fadeDir, 0) << "no demo started";

    control(false);
    tap(SDLK_d);
    step();
    EXPECT_EQ(game->nextState, StartDemo);
}

}  // namespace
