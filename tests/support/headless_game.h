// The whole Game on an Engine without a window, for the tests that drive it as the
// engine's loop does: the Engine, the game's resources, keys through the real
// event dispatch, and the environment the game reads.
#pragma once

#include "engine/core/engine_impl.h"
#include "main/game.h"
#include "main/startup.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

// Starts the headless Engine at the game's screen size.
inline bool startGameEngine(bool sound) {
    engine = engineCreateHeadless(ENGINE_VERSION);
    engine->System_SetState(STATE_SOUND, sound);
    engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
    engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
    return engine->System_Initiate();
}

inline void stopGameEngine() {
    engine->Release();
    engine = nullptr;
}

inline void startGame() {
    game = new Game();
    game->init();
}

inline void stopGame() {
    delete game;
    game = nullptr;
}

// A key pressed or let go, as SDL reports it.
inline void dispatchKey(SDL_Keycode sym, SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = code;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    engineImpl()->dispatchEvent(e);
}

// One Engine and one set of resources for the suite, as in the game: the round's
// drawing keeps the sprites it fetched for the rest of the run. A new Game per test.
class GameWithResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (startGameEngine(true)) loadResources();
    }
    static void TearDownTestSuite() {
        freeResources();
        stopGameEngine();
    }
    void SetUp() override {
        ASSERT_NE(resourceManager, nullptr) << engine->System_LastError();
        startGame();
    }
    void TearDown() override { stopGame(); }
};

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};
