// The help for a new player, and that none of it reaches a round, its record or a demo.
#include "engine/core/engine_impl.h"
#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "forest/animals_badger.h"
#include "forest/animals_bee.h"
#include "forest/help_drawing.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "tests/main/seasons_round.h"
#include "tests/support/headless_game.h"
#include "tools/round_fingerprint.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

void controlHeld(bool held) { const_cast<Uint8*>(SDL_GetKeyboardState(nullptr))[SDL_SCANCODE_LCTRL] = held; }
void tap(SDL_Scancode code) {
    dispatchKey(SDL_GetKeyFromScancode(code), code, true);
    dispatchKey(SDL_GetKeyFromScancode(code), code, false);
}
void leftButton(bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    engineImpl()->dispatchEvent(e);
}
bool step() {
    const bool quit = game->frame();
    game->renderFrame();
    engineImpl()->input().clearFrame();
    return quit;
}

class HelpForThePlayer : public GameWithResources {
protected:
    void SetUp() override {
        GameWithResources::SetUp();
        mouseDX = mouseDY = 0.0f;
        while (game->fadeDir != 0) step();
        game->titleTime = 100.0f;  // past the opening: a press on the button would start
        game->pointerX = TITLE_BUTTON_LEFT + 10.0f;
        game->pointerY = TITLE_BUTTON_TOP + 10.0f;
    }
    void TearDown() override {
        controlHeld(false);
        fxVolume = musicVolume = 100;
        if (world) game->returnToTitle();
        GameWithResources::TearDown();
    }
    static void startRound() {
        world = new World();
        world->setup(5.0f);
        game->state = Playing;
    }
    // What one picture of the round draws, in triangles.
    static long primitivesOfAFrame() {
        engineImpl()->graphics()->resetStats();
        game->renderFrame();
        return engineImpl()->graphics()->stats().primitives;
    }
};

void altEnter() {
    const_cast<Uint8*>(SDL_GetKeyboardState(nullptr))[SDL_SCANCODE_LALT] = 1;
    dispatchKey(SDLK_RETURN, SDL_SCANCODE_RETURN, true);
    dispatchKey(SDLK_RETURN, SDL_SCANCODE_RETURN, false);
}

// Each key or click is pressed once per step, from the card's first page: the
// pages it shows after each press (0 closed), and nothing else happens.
TEST_F(HelpForThePlayer, TheCardTurnsItsPagesAndClosesOnAnyOtherKeyOrClickThatThenDoesNothingElse) {
    ASSERT_FALSE(game->inputLog.empty()) << "the shipped demo makes 'D' and idling start a demo";
    constexpr SDL_Scancode CLICK = SDL_SCANCODE_UNKNOWN;
    const struct {
        SDL_Scancode opener;
        std::vector<SDL_Scancode> presses;
        std::vector<int> pages;
    } cases[] = {
        {SDL_SCANCODE_F1, {CLICK, CLICK, CLICK}, {2, 3, 0}},
        {SDL_SCANCODE_H,
         {SDL_SCANCODE_SPACE, SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT, SDL_SCANCODE_RETURN, SDL_SCANCODE_RETURN},
         {2, 1, 2, 3, 0}},
        {SDL_SCANCODE_F1, {SDL_SCANCODE_D}, {0}},
        {SDL_SCANCODE_H, {SDL_SCANCODE_SPACE, SDL_SCANCODE_ESCAPE}, {2, 0}},
        {SDL_SCANCODE_F1, {SDL_SCANCODE_F1}, {0}},
        {SDL_SCANCODE_F1, {SDL_SCANCODE_BACKSPACE}, {0}},
    };
    for (const auto& c : cases) {
        tap(c.opener);
        step();
        tap(SDL_SCANCODE_LALT);
        altEnter();  // the window changes; the card stays as it is
        step();
        const_cast<Uint8*>(SDL_GetKeyboardState(nullptr))[SDL_SCANCODE_LALT] = 0;
        for (int i = 0; i < 1000; ++i) step();  // past the idle time that starts the demo
        ASSERT_EQ(game->help.cardPage(), 1) << c.opener;
        for (size_t i = 0; i < c.presses.size(); ++i) {
            const SDL_Scancode k = c.presses[i];
            k != CLICK ? tap(k) : (leftButton(true), leftButton(false));
            EXPECT_FALSE(step()) << k;
            EXPECT_EQ(game->help.cardPage(), c.pages[i]) << "press " << i << " of case " << c.presses[0];
        }
        step();
        EXPECT_EQ(game->fadeDir, 0) << c.presses.back() << " started a game or a demo";
    }
    tap(SDL_SCANCODE_SPACE);
    step();
    tap(SDL_SCANCODE_F1);
    step();
    EXPECT_FALSE(game->help.cardOpen()) << "opened on the way into a round";
}

TEST_F(HelpForThePlayer, TheSoundSwitchesSayWhatTheyDidForTwoSeconds) {
    const struct {
        SDL_Scancode key;
        const char* notice;
        int fx, music;
    } presses[] = {{SDL_SCANCODE_S, "Sound effects off", 0, 100},
                   {SDL_SCANCODE_S, "Sound effects on", 100, 100},
                   {SDL_SCANCODE_M, "Music off", 100, 0},
                   {SDL_SCANCODE_M, "Music on", 100, 100}};
    for (const auto& p : presses) {
        controlHeld(true);
        tap(p.key);
        step();
        controlHeld(false);
        EXPECT_EQ(fxVolume * 1000 + musicVolume, p.fx * 1000 + p.music) << p.notice;
        for (int i = 1; i < NOTICE_FRAMES; ++i) step();
        ASSERT_NE(game->help.noticeText(), nullptr) << p.notice << " gone before its two seconds";
        EXPECT_STREQ(game->help.noticeText(), p.notice);
        step();
        EXPECT_EQ(game->help.noticeText(), nullptr) << p.notice << " stays";
    }
}

TEST(HelpHints, TheFirstPlayedRoundOfARunHasThemUntilTheFirstGrabAndTheFirstBite) {
    SeasonRound round(1, -1, -1, 7u);
    Help help;
    help.roundStarted(true);  // a demo first does not use them up
    EXPECT_EQ(help.hint(), Hint::None);
    help.roundStarted(false);
    EXPECT_EQ(help.hint(), Hint::Grab);
    world->grabAt(7.25f, 10.0f);  // the wheel's rim
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None) << "nothing has fallen in yet";
    Fish* fish = new Fish();
    fish->dropIntoCab();
    world->cabObjects.push_back(fish);
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::Food);
    world->mouthBegin(fish->bodies[0]);
    help.watchRound(*world);
    world->biteBody = nullptr;
    help.watchRound(*world);
    EXPECT_EQ(help.hint(), Hint::None) << "the hint stayed or came back after the bite";
    help.roundStarted(false);
    EXPECT_EQ(help.hint(), Hint::None) << "a second round of the run has hints";
}

// What falls in with the paw already on the wheel: only food sends it to the mouth.
TEST(HelpHints, OnlyWhatTheBearCanEatBringsTheFoodHint) {
    using Make = CabObject* (*)();
    const struct {
        const char* what;
        Make make;
        bool food;
    } cases[] = {
        {"a bee", [] { return static_cast<CabObject*>(new Bee()); }, false},
        {"a badger", [] { return static_cast<CabObject*>(new Badger()); }, false},
        {"a rock", [] { RoundItem* r = new RoundItem(); r->makeRock(); return static_cast<CabObject*>(r); }, false},
        {"a leaf", [] { RoundItem* r = new RoundItem(); r->makeLeaf(1); return static_cast<CabObject*>(r); }, false},
        {"a pinecone", [] { RoundItem* r = new RoundItem(); r->makePinecone(); return static_cast<CabObject*>(r); },
         false},
        {"a berry", [] { RoundItem* r = new RoundItem(); r->makeBerry(); return static_cast<CabObject*>(r); }, true},
        {"a fish", [] { return static_cast<CabObject*>(new Fish()); }, true},
    };
    for (const auto& c : cases) {
        SeasonRound round(1, -1, -1, 7u);
        Help help;
        help.roundStarted(false);
        world->grabAt(7.25f, 10.0f);
        CabObject* thing = c.make();
        thing->dropIntoCab();
        world->cabObjects.push_back(thing);
        help.watchRound(*world);
        EXPECT_EQ(help.hint(), c.food ? Hint::Food : Hint::None) << c.what;
        // An eaten berry on its way out is food no more.
        if (c.food) continue;
        RoundItem* eaten = new RoundItem();
        eaten->makeBerry();
        eaten->dead = true;
        world->cabObjects.push_back(eaten);
        help.watchRound(*world);
        EXPECT_EQ(help.hint(), Hint::None) << c.what << " and an eaten berry";
    }
}

// The paw on the gas pedal: a rock on its plate keeps it up, and the hint says so
// three times in the year at most; never without the rock, never in a demo.
TEST(HelpHints, ALooseThingOnThePedalsBringsItsHintAFewTimesAYear) {
    const struct {
        const char* what;
        bool rock, demo;
        int shows;
    } cases[] = {{"a rock on the plate", true, false, PEDAL_HINT_SHOWS},
                 {"nothing on it", false, false, 0},
                 {"a rock in a demo", true, true, 0}};
    for (const auto& c : cases) {
        SeasonRound round(1, -1, -1, 7u);
        Help help;
        help.roundStarted(c.demo);
        const b2Vec2 grip = world->gasPedalBody->GetWorldPoint(b2Vec2(1.25f, -1.0f));
        world->pawX = grip.x;
        world->pawY = grip.y;
        world->grabAt(grip.x, grip.y);
        ASSERT_TRUE(world->isHeld(world->gasPedalBody)) << c.what;
        if (c.rock) {
            RoundItem* rock = new RoundItem();
            rock->makeRock();
            rock->bodies[0]->SetTransform(world->gasPedalBody->GetWorldPoint(b2Vec2(1.25f, -2.5f)), 0.0f);
            world->cabObjects.push_back(rock);
        }
        int shows = 0, firstAt = -1;
        Hint was = Hint::None;
        for (int i = 0; i < 4 * (PEDAL_HINT_FRAMES + PEDAL_HINT_GAP_FRAMES); ++i) {
            SeasonRound::update();
            help.watchRound(*world);
            if (help.hint() == Hint::Pedals && was != Hint::Pedals) {
                ++shows;
                if (firstAt < 0) firstAt = i;
            }
            was = help.hint();
        }
        EXPECT_EQ(shows, c.shows) << c.what;
        if (c.shows) {
            EXPECT_LT(firstAt, 90 + PEDAL_STUCK_FRAMES) << "the rock's fall and most of a second";
        }
    }
}

// Over every place of the paw, the hint stays on the picture and off the paw and
// the top of its arm; at round start "Hold" was under the paw near the windshield.
TEST_F(HelpForThePlayer, TheHintStandsWhereThePawIsNot) {
    Font* font = resourceManager->FontByName("f1");
    ASSERT_NE(font, nullptr);
    font->SetScale(1.0f);
    for (Hint hint : {Hint::Grab, Hint::Food, Hint::Pedals}) {
        const float one = font->TextWidth(hintText(hint, false));
        const std::string narrow = hintText(hint, true);
        const float two = font->TextWidth(narrow.c_str(), true);
        const int lines = 1 + static_cast<int>(std::count(narrow.begin(), narrow.end(), '\n'));
        ASSERT_GT(one, 150.0f);
        ASSERT_LT(two, 0.6f * one) << "broken near its middle";
        int twoLined = 0;
        for (float py = 0.0f; py <= 240.0f; py += 3.0f) {
            for (float px = 0.0f; px <= 320.0f; px += 3.0f) {
                const HintBox b = placeHint(px, py, one, two, 12.0f, lines);
                const float right = b.left + b.width, bottom = b.top + b.height;
                ASSERT_TRUE(b.left >= 0.0f && b.top >= 0.0f && right <= 320.0f && bottom <= 240.0f) << px << "," << py;
                ASSERT_EQ(b.width, (b.twoLines ? two : one) + 6.0f);
                twoLined += b.twoLines;
                // The paw's sprite (24 x 27, point at 12, 16) and the arm, which leans
                // left as it goes down from the paw point.
                const bool onPaw = b.left < px + 12.0f && right > px - 12.0f && b.top < py + 11.0f && bottom > py - 16.0f;
                const bool onArm = bottom > py && b.left < px + 8.0f && right > px - 10.0f - 0.5f * (bottom - py);
                ASSERT_FALSE(onPaw || onArm) << "paw at " << px << "," << py << " box " << b.left << "," << b.top;
                // Over the fat gauge the food hint hid what the player feeds the bear for.
                const bool onGauge = b.left < FAT_GAUGE_RIGHT && right > FAT_GAUGE_LEFT && b.top < FAT_GAUGE_BOTTOM &&
                                     bottom > FAT_GAUGE_TOP;
                ASSERT_FALSE(onGauge) << "paw at " << px << "," << py << " box " << b.left << "," << b.top;
            }
        }
        EXPECT_GT(twoLined, 0) << "the top middle, where one line fits on neither side";
    }
    // Where there is room, above the paw and centred on it, as before.
    const HintBox above = placeHint(160.0f, 160.0f, 200.0f, 120.0f, 12.0f);
    EXPECT_FALSE(above.twoLines);
    EXPECT_FLOAT_EQ(above.left + 0.5f * above.width, 160.0f);
    EXPECT_LT(above.top + above.height, 160.0f - 16.0f);
}

uint32_t hashed(const std::vector<uint32_t>& bits) {
    uint32_t h = 2166136261u;
    for (uint32_t b : bits) h = (h ^ b) * 16777619u;
    return h;
}

TEST_F(HelpForThePlayer, ARoundPlayedWithTheHelpShowingReplaysAsRecorded) {
    tap(SDL_SCANCODE_SPACE);
    std::vector<uint32_t> live;
    bool shown = false;
    while (live.size() < 600) {
        if (game->state == Playing) {
            // The paw to the wheel's rim, a grab, turns; the switch and the card's key.
            const float i = static_cast<float>(game->playIndex);
            mouseDX = i < 22.0f ? -4.0f : 12.0f * std::sin(0.05f * i);
            mouseDY = i < 22.0f ? 0.0f : 3.0f * std::cos(0.07f * i);
            if (i == 25.0f || i == 200.0f) leftButton(i == 25.0f);
            controlHeld(i == 10.0f);
            if (i == 10.0f || i == 350.0f) tap(i == 10.0f ? SDL_SCANCODE_S : SDL_SCANCODE_F1);
            if (i == 300.0f || i == 420.0f) tap(SDL_SCANCODE_C);  // the cave pointer off and on
        }
        step();
        if (game->state != Playing || !world) continue;
        live.push_back(hashed(roundFingerprint()));
        shown = shown || (game->help.hint() == Hint::Grab && game->help.noticeText());
    }
    EXPECT_TRUE(shown) << "the hint and the notice never showed together";
    EXPECT_EQ(game->help.hint(), Hint::None) << "the grab did not end the hint";

    const InputLog log = game->inputLog;
    ASSERT_EQ(log.size(), live.size());
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
}

TEST_F(HelpForThePlayer, ADemoShowsNothingOfIt) {
    startRound();
    game->playingBack = 1;
    const long demo = primitivesOfAFrame();
    game->playingBack = 0;
    EXPECT_EQ(primitivesOfAFrame(), demo + 1) << "the fat gauge's mark, one triangle, and nothing else";
    game->help.roundStarted(false);
    game->help.notice("Music off");
    EXPECT_GT(primitivesOfAFrame(), demo + 20) << "the hint's and the notice's boxes and letters";
    world->fatness = 1.0f;  // the cave pointer's time, too
    game->playingBack = 1;
    EXPECT_EQ(primitivesOfAFrame(), demo) << "the help shows in a demo";
}

// Fat enough: the pointer to the cave, until the sleep begins; C takes it away and
// brings it back, each time with a notice.
TEST_F(HelpForThePlayer, TheCavePointerShowsOnceTheBearIsFatAndCSwitchesIt) {
    startRound();
    game->playingBack = 0;
    game->help.roundStarted(false);
    step();  // the forest placed in the view
    const long lean = primitivesOfAFrame();
    world->fatness = 1.0f;
    const long fat = primitivesOfAFrame();
    EXPECT_GT(fat, lean + 8) << "the chevron, its shadow and the word";
    const struct {
        bool on;
        const char* notice;
    } presses[] = {{false, "Cave pointer off"}, {true, "Cave pointer on"}};
    for (const auto& p : presses) {
        tap(SDL_SCANCODE_C);
        step();
        EXPECT_STREQ(game->help.noticeText(), p.notice);
        for (int i = 0; i < NOTICE_FRAMES; ++i) game->help.step();
        EXPECT_EQ(primitivesOfAFrame(), p.on ? fat : lean) << p.notice;
    }
    world->sleepPhase = 1;
    const long asleep = primitivesOfAFrame();
    world->fatness = 0.5f;
    EXPECT_EQ(primitivesOfAFrame(), asleep) << "still pointing into the cave it sleeps in";
}

}  // namespace
