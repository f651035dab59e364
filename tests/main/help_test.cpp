// The help for a new player: the card on the title screen, the first round's
// hints, the sound switches' notices, and that none of it reaches a round, its
// record or a demo's picture.
#include "engine/core/engine_impl.h"
#include "forest/pickups_fish.h"
#include "main/help.h"
#include "tests/main/seasons_round.h"
#include "tests/support/headless_game.h"
#include "tools/round_fingerprint.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

void controlHeld(bool held) {
    Uint8* state = const_cast<Uint8*>(SDL_GetKeyboardState(nullptr));
    state[SDL_SCANCODE_LCTRL] = held ? 1 : 0;
}

// A key by its SDL scancode, pressed and let go within one frame.
void tap(SDL_Scancode code) {
    dispatchKey(SDL_GetKeyFromScancode(code), code, true);
    dispatchKey(SDL_GetKeyFromScancode(code), code, false);
}

void leftButton(bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    engineImpl()->dispatchEvent(e);
}

bool step() {
    const bool quit = game->frame();
    engineImpl()->input().clearFrame();
    return quit;
}

class HelpOnTheTitle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(startGameEngine(false));
        startGame();
        mouseDX = mouseDY = 0.0f;
        while (game->fadeDir != 0) step();
        game->titleTime = 100.0f;  // past the opening: a press on the button would start
        game->pointerX = TITLE_BUTTON_LEFT + 10.0f;
        game->pointerY = TITLE_BUTTON_TOP + 10.0f;
    }
    void TearDown() override {
        controlHeld(false);
        fxVolume = musicVolume = 100;
        stopGame();
        stopGameEngine();
    }
};

TEST_F(HelpOnTheTitle, TheCardClosesOnAnyKeyOrClickWhichThenDoesNothingElse) {
    ASSERT_FALSE(game->inputLog.empty()) << "the shipped demo makes 'D' a demo key";
    const struct {
        const char* what;
        SDL_Scancode opener;
        void (*close)();
    } cases[] = {
        {"a click on the button", SDL_SCANCODE_F1, [] { leftButton(true), leftButton(false); }},
        {"space", SDL_SCANCODE_H, [] { tap(SDL_SCANCODE_SPACE); }},
        {"the demo key", SDL_SCANCODE_F1, [] { tap(SDL_SCANCODE_D); }},
        {"Escape", SDL_SCANCODE_H, [] { tap(SDL_SCANCODE_ESCAPE); }},
        {"F1 again", SDL_SCANCODE_F1, [] { tap(SDL_SCANCODE_F1); }},
    };
    for (const auto& c : cases) {
        tap(c.opener);
        step();
        ASSERT_TRUE(game->help.cardOpen()) << c.what;
        step();
        EXPECT_TRUE(game->help.cardOpen()) << c.what << ": the opening key closed it";
        c.close();
        EXPECT_FALSE(step()) << c.what << " quit the program";
        EXPECT_FALSE(game->help.cardOpen()) << c.what;
        step();
        EXPECT_EQ(game->fadeDir, 0) << c.what << " started a game or a demo";
        EXPECT_EQ(game->state, Title) << c.what;
    }
}

TEST_F(HelpOnTheTitle, NoDemoStartsWhileTheCardIsReadAndNoCardDuringAFadeOut) {
    tap(SDL_SCANCODE_F1);
    for (int i = 0; i < 2000; ++i) step();
    EXPECT_TRUE(game->help.cardOpen());
    EXPECT_EQ(game->fadeDir, 0);
    tap(SDL_SCANCODE_SPACE);
    step();

    tap(SDL_SCANCODE_SPACE);
    step();
    ASSERT_EQ(game->fadeDir, -1);
    tap(SDL_SCANCODE_F1);
    step();
    EXPECT_FALSE(game->help.cardOpen());
    EXPECT_EQ(game->nextState, Playing);
}

TEST_F(HelpOnTheTitle, TheSoundSwitchesSayWhatTheyDidForTwoSeconds) {
    const struct {
        SDL_Scancode key;
        const char* notice;
        int fx, music;
    } presses[] = {
        {SDL_SCANCODE_S, "Sound effects off", 0, 100},
        {SDL_SCANCODE_S, "Sound effects on", 100, 100},
        {SDL_SCANCODE_M, "Music off", 100, 0},
        {SDL_SCANCODE_M, "Music on", 100, 100},
    };
    for (const auto& p : presses) {
        controlHeld(true);
        tap(p.key);
        step();
        controlHeld(false);
        ASSERT_NE(game->help.noticeText(), nullptr) << p.notice;
        EXPECT_STREQ(game->help.noticeText(), p.notice);
        EXPECT_EQ(fxVolume, p.fx) << p.notice;
        EXPECT_EQ(musicVolume, p.music) << p.notice;
        for (int i = 1; i < NOTICE_FRAMES; ++i) step();
        EXPECT_STREQ(game->help.noticeText(), p.notice) << "gone before its two seconds";
        step();
        EXPECT_EQ(game->help.noticeText(), nullptr) << p.notice << " stays";
    }
}

TEST(HelpHints, TheFirstPlayedRoundOfARunHasThemUntilTheFirstGrabAndTheFirstBite) {
    SeasonRound round(1, -1, -1, 7u);
    Help help;
    help.roundStarted(true);  // a demo first: it does not use up the hints
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None);
    help.roundStarted(false);
    SeasonRound::update();
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::Grab);

    world->grabAt(7.25f, 10.0f);  // the wheel's rim
    ASSERT_NE(world->grabJoint, nullptr);
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None) << "nothing has fallen in yet";
    world->releaseGrab();

    Fish* fish = new Fish();
    fish->dropIntoCab();
    world->cabObjects.push_back(fish);
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::Food);

    world->mouthBegin(fish->bodies[0]);
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None);
    world->biteBody = nullptr;
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None) << "the hint came back after the bite";

    help.roundStarted(false);
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None) << "a second round of the run has hints";
}

uint32_t hashed(const std::vector<uint32_t>& bits) {
    uint32_t h = 2166136261u;
    for (uint32_t b : bits) h = (h ^ b) * 16777619u;
    return h;
}

class HelpAroundTheRound : public GameWithResources {
protected:
    void TearDown() override {
        controlHeld(false);
        fxVolume = musicVolume = 100;
        GameWithResources::TearDown();
    }
    static void frameAndPicture() {
        game->frame();
        game->renderFrame();
        engineImpl()->input().clearFrame();
    }
};

// The player's input for record i: the paw to the wheel's rim, a grab, wheel
// turns, the switches and the card's key, which do nothing to the round.
void playerInput(uint32_t i) {
    mouseDX = i < 22 ? -4.0f : 12.0f * std::sin(0.05f * static_cast<float>(i));
    mouseDY = i < 22 ? 0.0f : 3.0f * std::cos(0.07f * static_cast<float>(i));
    if (i == 25) leftButton(true);
    if (i == 200) leftButton(false);
    controlHeld(i == 300 || i == 301);
    if (i == 301) tap(SDL_SCANCODE_S);
    if (i == 350) tap(SDL_SCANCODE_F1);
}

TEST_F(HelpAroundTheRound, ARoundPlayedWithTheHelpShowingReplaysAsRecorded) {
    mouseDX = mouseDY = 0.0f;
    while (game->fadeDir != 0) frameAndPicture();
    tap(SDL_SCANCODE_SPACE);
    frameAndPicture();
    tap(SDL_SCANCODE_SPACE);
    std::vector<uint32_t> live;
    bool hinted = false, noticed = false;
    for (int f = 0; f < 2000 && live.size() < 600; ++f) {
        if (game->state == Playing) playerInput(game->playIndex);
        game->frame();
        if (game->state == Playing && world) {
            live.push_back(hashed(roundFingerprint()));
            hinted = hinted || game->help.hint() == Hint::Grab;
            noticed = noticed || game->help.noticeText() != nullptr;
        }
        game->renderFrame();
        engineImpl()->input().clearFrame();
    }
    ASSERT_EQ(live.size(), 600u);
    ASSERT_EQ(game->inputLog.size(), 600u);
    EXPECT_TRUE(hinted && noticed) << "the help never showed";
    EXPECT_EQ(game->help.hint(), Hint::None) << "the grab did not end the hint";

    const InputLog log = game->inputLog;
    const uint32_t seed = game->seed;
    game->returnToTitle();
    seedRandom(seed);
    world = new World();
    world->setup(5.0f);
    game->state = Playing;
    game->playingBack = 1;
    for (uint32_t i = 0; i < log.size(); ++i) {
        world->update(&log[i]);
        ASSERT_EQ(hashed(roundFingerprint()), live[i]) << "the replay parts from the recording at update " << i;
        game->renderFrame();
    }
    game->returnToTitle();
}

TEST_F(HelpAroundTheRound, ADemoShowsNothingOfTheHelp) {
    auto primitivesOfAFrame = [] {
        engineImpl()->graphics()->resetStats();
        game->renderFrame();
        return engineImpl()->graphics()->stats().primitives;
    };
    seedRandom(3u);
    world = new World();
    world->setup(5.0f);
    game->state = Playing;
    game->fade = 1.0f;
    game->playingBack = 1;
    const long demo = primitivesOfAFrame();
    game->playingBack = 0;
    EXPECT_EQ(primitivesOfAFrame(), demo + 1) << "the fat gauge's mark, one triangle, and nothing else";
    game->help.roundStarted(false);
    game->help.notice("Music off");
    // The hint's box and text, the notice's box and text.
    EXPECT_GT(primitivesOfAFrame(), demo + 3 + 2 * static_cast<long>(std::strlen("Music off")));
    game->playingBack = 1;
    EXPECT_EQ(primitivesOfAFrame(), demo) << "the help shows in a demo";
    game->returnToTitle();
}

}  // namespace
