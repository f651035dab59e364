// A round played live through the Game, with the pointer and buttons coming in as
// the Engine's events, is recorded, written to a demo file, read back and played
// again: the replay must be the same round, every body of both worlds bit for bit.
#include "engine/core/engine_impl.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "tests/bear/morsel.h"
#include "tests/bear/paw_script.h"
#include "tools/round_fingerprint.h"
#include "vehicle/car.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int ROUND_FRAMES = 1500;
constexpr int MORSEL_FRAME = 300;

Morsel* morsel = nullptr;  // the test's own, once it is in the cab

// What the player does, looking at the cab: hold the gas, turn the wheel, pick up
// the morsel and hold it to the mouth, growl, then drive on.
class Player {
public:
    InputFrame next() {
        InputFrame f{0.0f, 0.0f, 0};
        const int t = world->frameCount;  // updates so far
        if (t < 200) {
            press(f, world->gasPedalBody, b2Vec2(GAS_X, GAS_Y), 1.6f);
        } else if (t < 280) {
            const float a = -1.2f * static_cast<float>(std::min(t - 230, 40)) / 40.0f;
            turn(f, a);
        } else if (t < 330) {
            release(f);
        } else if (t < 480 && morsel) {
            carry(f);
        } else if (t < 500) {
            release(f);
        } else if (t == 600) {
            f.buttons = INPUT_RIGHT_DOWN;
        } else {
            press(f, world->gasPedalBody, b2Vec2(GAS_X, GAS_Y), 1.6f);
        }
        return f;
    }
    bool bit = false;  // something was in the mouth at some time

private:
    static void moveToward(InputFrame& f, b2Vec2 target) {
        f.dx = std::max(-40.0f, std::min(40.0f, (target.x - world->pawX) * 32.0f));
        f.dy = std::max(-40.0f, std::min(40.0f, (target.y - world->pawY) * 32.0f));
    }
    static void release(InputFrame& f) {
        if (world->grabJoint) f.buttons = INPUT_LEFT_UP;
    }
    // Grips body at `at`, then keeps pushing the grip `depth` units down.
    void press(InputFrame& f, b2Body* body, b2Vec2 at, float depth) {
        if (world->grabJoint && !world->isHeld(body)) return release(f);
        if (!world->grabJoint) {
            moveToward(f, at);
            if (b2Distance(at, b2Vec2(world->pawX, world->pawY)) < 0.3f) {
                f.buttons = INPUT_LEFT_DOWN;  // onto it and grip in one go
                gripY_ = at.y;
            }
            return;
        }
        moveToward(f, b2Vec2(world->pawX, gripY_ + depth));
    }
    // Grips the rim on its right and carries it to the given wheel angle.
    void turn(InputFrame& f, float angle) {
        const b2Vec2 hub(WHEEL_X, WHEEL_Y);
        if (!world->isHeld(world->wheelBody)) {
            const float a = world->wheelBody->GetAngle();
            press(f, world->wheelBody, hub + 2.8f * b2Vec2(std::cos(a), std::sin(a)), 0.0f);
            return;
        }
        moveToward(f, hub + 2.8f * b2Vec2(std::cos(angle), std::sin(angle)));
    }
    // Up off the floor, across under the wheel and into the mouth.
    void carry(InputFrame& f) {
        b2Body* body = morsel->bodies[0];
        if (!world->isHeld(body)) {
            press(f, body, body->GetPosition(), 0.0f);
            return;
        }
        bit = bit || world->biteBody == body;
        const b2Vec2 g = world->grabJoint->GetAnchorB();
        moveToward(f, g.x > 8.0f && g.y > 10.7f ? b2Vec2(g.x, 10.6f) : b2Vec2(3.5f, 10.6f));
    }
    float gripY_ = 0.0f;
};

class PawReplay : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        engine->System_SetState(STATE_SOUND, false);
        ASSERT_TRUE(engine->System_Initiate());
        game = new Game();
        game->init();
        game->inputLog.clear();
        path = ::testing::TempDir() + "paw_replay.dem";
    }
    void TearDown() override {
        morsel = nullptr;
        std::remove(path.c_str());
        delete game;
        game = nullptr;
        engine->Release();
        engine = nullptr;
    }
    static void button(bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        engineImpl()->dispatchEvent(e);
    }
    static void rightClick() {
        SDL_Event e{};
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = SDL_BUTTON_RIGHT;
        e.button.state = SDL_PRESSED;
        e.button.clicks = 1;
        engineImpl()->dispatchEvent(e);
        e.type = SDL_MOUSEBUTTONUP;
        e.button.state = SDL_RELEASED;
        engineImpl()->dispatchEvent(e);
    }
    // The fade-out ends on the demo: the Game starts the round.
    static void enterDemo() {
        game->year = 1;
        game->nextState = StartDemo;
        game->fadeDir = -1;
        game->fade = 0.001f;
    }
    // One frame of the loop; the test's own morsel falls in at a fixed update.
    static void step() {
        if (world && world->frameCount == MORSEL_FRAME) {
            morsel = new Morsel(b2Vec2(12.0f, 9.0f));
            world->cabObjects.push_back(morsel);
        }
        game->frame();
        engineImpl()->input().clearFrame();
    }

    std::string path;
};

TEST_F(PawReplay, ARecordedRoundReplaysBitForBit) {
    // Live: the pointer's movement and the button events, recorded by the Game. The
    // recording starts as after the title screen, but from a known seed.
    seedRandom(20240611u);
    game->seed = randomState();
    game->inputLog.clear();
    game->playIndex = 0;
    game->playingBack = 0;
    game->state = Playing;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    Player player;
    b2Vec2 last = forest->playerCar->position();
    float driven = 0.0f;
    bool held[4] = {};
    float maxSteer = 0.0f;
    while (game->playIndex < ROUND_FRAMES) {
        const InputFrame f = player.next();
        mouseDX = f.dx;
        mouseDY = f.dy;
        if (f.buttons & INPUT_LEFT_DOWN) button(true);
        if (f.buttons & INPUT_LEFT_UP) button(false);
        if (f.buttons & INPUT_RIGHT_DOWN) rightClick();
        step();
        held[0] |= world->isHeld(world->gasPedalBody);
        held[1] |= world->isHeld(world->wheelBody);
        held[2] |= morsel && world->isHeld(morsel->bodies[0]);
        held[3] |= world->growlTimer > 0.0f;
        maxSteer = std::max(maxSteer, forest->playerCar->steer);
        driven += (forest->playerCar->position() - last).Length();
        last = forest->playerCar->position();
    }
    // The round did what the player meant.
    EXPECT_TRUE(held[0] && held[1] && held[2]) << held[0] << held[1] << held[2];
    EXPECT_TRUE(player.bit) << "the morsel reached the mouth";
    EXPECT_TRUE(held[3]) << "the growl";
    EXPECT_GT(maxSteer, 0.15f);
    EXPECT_GT(driven, 20.0f);
    const std::vector<uint32_t> live = roundFingerprint();
    ASSERT_EQ(game->inputLog.size(), static_cast<uint32_t>(ROUND_FRAMES));

    // Through the demo file and back.
    const uint32_t seed = game->seed;
    ASSERT_TRUE(game->inputLog.save(path.c_str(), seed));
    game->returnToTitle();
    morsel = nullptr;
    game->inputLog.clear();
    game->seed = 0;
    game->loadDemo(path.c_str());
    ASSERT_EQ(game->seed, seed);
    ASSERT_EQ(game->inputLog.size(), static_cast<uint32_t>(ROUND_FRAMES));

    // Played back: the pointer is left where it was; only the records count.
    mouseDX = 300.0f;
    mouseDY = -300.0f;
    enterDemo();
    step();
    while (game->playIndex < ROUND_FRAMES && game->state == Playing) step();
    ASSERT_NE(world, nullptr);
    const std::vector<uint32_t> replay = roundFingerprint();
    ASSERT_EQ(live.size(), replay.size());
    EXPECT_TRUE(live == replay);
}

}  // namespace
