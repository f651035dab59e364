// The shipped demo plays on the title screen exactly as it was recorded.
#include "engine/core/engine_impl.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/random.h"
#include "main/round_state.h"
#include "main/world.h"
#include "tests/support/headless_game.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// One number per update that moves with the round: the generator and the car.
uint32_t fingerprint() {
    uint32_t h = randomState();
    if (forest && forest->playerCar) {
        const b2Vec2 p = forest->playerCar->position();
        h = h * 31u + bitsOf(p.x);
        h = h * 31u + bitsOf(p.y);
    }
    return h;
}

// The shipped demo, as the title screen's 'D' starts it.
class ShippedDemo : public GameWithResources {
protected:
    // Presses 'D' on the title screen and runs frames as the engine's loop does
    // until the demo has run out and the title screen is back.
    std::vector<uint32_t> playThroughTheGame() {
        dispatchKey(SDLK_d, SDL_SCANCODE_D, true);
        std::vector<uint32_t> trace;
        bool played = false;
        for (int i = 0; i < 20000; ++i) {
            game->frame();
            if (game->state == Playing && world) {
                played = true;
                trace.push_back(fingerprint());
            }
            game->renderFrame();
            engineImpl()->input().clearFrame();
            if (played && game->state == Title) break;
        }
        return trace;
    }
};

TEST_F(ShippedDemo, PlaysToItsEndAndMatchesItsRecording) {
    ASSERT_GT(game->inputLog.size(), 600u) << "data/d1.dem is missing or short";
    const uint32_t frames = game->inputLog.size();
    const std::vector<uint32_t> viaGame = playThroughTheGame();
    ASSERT_EQ(viaGame.size(), frames);  // every record played, none skipped
    EXPECT_FALSE(game->replayDiffered) << "a checkpoint of its trailer differs";
    EXPECT_EQ(game->state, Title);
    EXPECT_EQ(game->year, 1);

    // The same records straight into a round, as the recorder ran them.
    InputLog log;
    uint32_t seed = 0;
    ASSERT_TRUE(log.load("data/d1.dem", &seed));
    seedRandom(seed);
    world = new World();
    world->setup(5.0f);
    game->state = Playing;
    const b2Vec2 start = forest->playerCar->position();
    std::vector<uint32_t> direct;
    int nearlyFull = 0;  // updates with the fat in [0.999, 1)
    for (uint32_t i = 0; i < log.size() && world; ++i) {
        world->update(&log[i]);
        nearlyFull += world->fatness >= 0.999f && world->fatness < 1.0f;
        direct.push_back(fingerprint());
        game->renderFrame();
    }
    const float driven = (forest->playerCar->position() - start).Length();
    const float fatness = world->fatness;
    delete world;
    world = nullptr;
    game->state = Title;

    ASSERT_EQ(direct.size(), viaGame.size());
    for (size_t i = 0; i < direct.size(); ++i) {
        ASSERT_EQ(direct[i], viaGame[i]) << "the replay parts from its recording at update " << i;
    }
    // A demo worth watching: the car leaves the start, and the bear eats.
    EXPECT_GT(driven, 10.0f);
    EXPECT_GT(fatness, 0.5f);
    // Where "fat enough" is drawn below 1 changes nothing in this recording.
    EXPECT_EQ(nearlyFull, 0);
}

// A replay that leaves its recording says so once, at the first checkpoint that
// differs: here the first holds the round's true state, the next two do not.
TEST_F(ShippedDemo, AReplayThatPartsFromItsCheckpointsSaysSoOnce) {
    InputLog log;
    uint32_t seed = 0;
    ASSERT_TRUE(log.load("data/d1.dem", &seed));
    ASSERT_GT(log.size(), 3 * CHECKPOINT_UPDATES);
    seedRandom(seed);
    world = new World();
    world->setup(5.0f);
    game->state = Playing;
    uint32_t truth = 0;
    for (uint32_t i = 0; i < CHECKPOINT_UPDATES; ++i) {
        world->update(&log[i]);
        truth = roundStateHash();  // as the game checks: after the update, before the picture
        game->renderFrame();
    }
    delete world;
    world = nullptr;
    game->state = Title;

    InputLog marked;
    for (uint32_t i = 0; i < log.size(); ++i) marked.append(log[i]);
    for (uint32_t wrong : {truth, truth ^ 1u, truth ^ 2u}) marked.addCheckpoint(wrong);
    char path[] = "/tmp/markedXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(marked.save(path, seed));
    ASSERT_TRUE(game->loadDemo(path));
    std::remove(path);

    dispatchKey(SDLK_d, SDL_SCANCODE_D, true);
    std::vector<uint32_t> toldAt;
    bool told = false;
    for (int i = 0; i < 20000 && game->playIndex < 3 * CHECKPOINT_UPDATES + 10; ++i) {
        game->frame();
        const char* text = game->help.noticeText();
        const bool now = text && !std::strcmp(text, "The replay differs from the recorded game");
        if (now && !told) toldAt.push_back(game->playIndex);
        told = now;
        game->renderFrame();
        engineImpl()->input().clearFrame();
    }
    EXPECT_EQ(toldAt, std::vector<uint32_t>{2 * CHECKPOINT_UPDATES});
}

// timberdrive FILE and the page's demo files: a demo plays at once, also over a round
// being recorded; a file that holds none changes nothing.
TEST_F(ShippedDemo, AGivenDemoFilePlaysAtOnceAndOneThatHoldsNoneChangesNothing) {
    const std::string empty = testing::TempDir() + "empty.dem", huge = testing::TempDir() + "huge.dem";
    std::fclose(std::fopen(empty.c_str(), "wb"));
    const uint32_t hugeHeader[2] = {1u, InputLog::MAX_FRAMES + 1u};
    FILE* f = std::fopen(huge.c_str(), "wb");
    std::fwrite(hugeHeader, sizeof hugeHeader, 1, f);
    std::fclose(f);
    const uint32_t frames = game->inputLog.size(), seed = game->seed;
    for (const std::string& bad : {std::string("no/such.dem"), empty, huge}) {
        EXPECT_FALSE(game->playDemoFile(bad.c_str())) << bad;
        EXPECT_EQ(game->inputLog.size(), frames) << bad;
        EXPECT_EQ(game->seed, seed) << bad;
    }
    for (bool recording : {false, true}) {
        game->playingBack = 0;
        if (recording) game->state = Playing;  // a round of the player's own
        ASSERT_TRUE(game->playDemoFile("data/d1.dem"));
        for (int i = 0; i < 3 && !(game->state == Playing && game->playingBack == 1); ++i) {
            game->frame();
            engineImpl()->input().clearFrame();
        }
        EXPECT_EQ(game->state, Playing) << recording;
        EXPECT_EQ(game->playingBack, 1) << recording;
        EXPECT_EQ(game->inputLog.size(), frames) << recording;
        game->returnToTitle();
    }
}

TEST_F(ShippedDemo, ReplaysTheSameEveryTime) {
    const std::vector<uint32_t> first = playThroughTheGame();
    const std::vector<uint32_t> second = playThroughTheGame();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

}  // namespace
