#include "main/game.h"

#include "engine/sprite/sprite.h"
#include "main/random.h"
#include "main/round_state.h"
#include "main/sound_switches.h"
#include "main/user_folder.h"
#include "main/world.h"

#include <cmath>
#include <string>
#include <utility>
#include <unistd.h>

Engine* engine = nullptr;
ResourceManager* resourceManager = nullptr;
Game* game = nullptr;
World* world = nullptr;
float mouseDX = 0.0f;
float mouseDY = 0.0f;
int fxVolume = 100;
int musicVolume = 100;

namespace {
constexpr float FADE_RATE = 1.5f;
constexpr int IDLE_CAP = 300;
constexpr int IDLE_DEMO_FRAMES = 960;
#ifdef __EMSCRIPTEN__
constexpr bool CAN_QUIT = false;  // a page has no quit: Escape belongs to the browser
#else
constexpr bool CAN_QUIT = true;
#endif
}  // namespace

Game::~Game() {
    deleteWorld();
    delete targetSprite;
    targetSprite = nullptr;
    if (target) engine->Target_Free(target);
    target = 0;
}

void Game::init() {
    target = engine->Target_Create(TARGET_WIDTH, TARGET_HEIGHT, false);
    targetSprite = new Sprite(engine->Target_Texture(target), 0.0f, 0.0f, 320.0f, 240.0f);

    fade = 0.0f;
    titleTime = -2.0f;
    fadeDir = 1;
    pointerX = 160.0f;
    pointerY = 120.0f;
    year = 1;
    state = nextState = Title;
    idleFrames = 0;
    overButton = false;
    winterMinutes = 5;
    modifierA = modifierB = -1;
    playIndex = 0;
    playingBack = 0;

    engine->System_SetState(STATE_FX_VOLUME, fxVolume);
    engine->System_SetState(STATE_MUSIC_VOLUME, musicVolume);

    loadDemo(engine->Resource_FullPath("data\\d1.dem"));
}

void Game::deleteWorld() {
    delete world;
    world = nullptr;
}

void Game::startRound() {
    world = new World();
    world->setup(static_cast<float>(winterMinutes));
    help.roundStarted(playingBack != 0);
}

void Game::stepFade(float dt) {
    if (fadeDir == 1) {
        fade += dt * FADE_RATE;
        if (fade >= 1.0f) fadeDir = 0;
    } else if (fadeDir == -1) {
        fade -= dt * FADE_RATE;
        if (fade <= 0.0f) {
            // Black for one second, then brighten over the next 2/3 s.
            fadeDir = 1;
            fade = -1.5f;
            state = nextState;
            if (state == StartDemo) {
                if (year == 1) {
                    seedRandom(seed);
                    playIndex = 0;
                    playingBack = 1;
                    replayDiffered = false;
                }
                startRound();
                state = Playing;
            } else if (state == Playing) {
                if (year == 1) {
                    seedRandom(0);
                    seed = randomState();
                    inputLog.clear();
                    playIndex = 0;
                    playingBack = 0;
                }
                startRound();
            } else if (state == Title) {
                deleteWorld();
                engine->System_SetState(STATE_FX_VOLUME, fxVolume);
                engine->System_SetState(STATE_MUSIC_VOLUME, musicVolume);
            }
        }
    }
}

bool Game::frame() {
    float dt = engine->Timer_Delta();
    help.step();
    stepFade(dt);
    switch (state) {
    case Title: return frameTitle(dt);
    case Playing: framePlaying(); return false;
    case GameOver: frameGameOver(); return false;
    default: return false;
    }
}

bool Game::frameTitle(float dt) {
    // The card holds the title still, its idle count too: no demo starts while it is read.
    if (help.takeTitleInput(playingBack == 0 && fadeDir != -1)) return false;
    soundSwitches();
    idleFrames += 1;
    if (engine->Input_KeyPressed(KEY_ESCAPE)) {
        if (year == 1) {
            if (CAN_QUIT) return true;
        } else {
            returnToTitle();
        }
    }
    // Only horizontal movement counts as the player being there.
    if (std::fabs(mouseDX) > 0.1f && idleFrames > IDLE_CAP) idleFrames = IDLE_CAP;

    overButton = pointerX >= TITLE_BUTTON_LEFT && pointerX <= TITLE_BUTTON_LEFT + TITLE_BUTTON_WIDTH &&
                 pointerY >= TITLE_BUTTON_TOP && pointerY <= TITLE_BUTTON_TOP + TITLE_BUTTON_HEIGHT;
    overButton = overButton || engine->Input_KeyPressed(KEY_SPACE);
    bool pressed = engine->Input_KeyPressed(KEY_SPACE) || engine->Input_KeyPressed(KEY_LBUTTON);
    // The demo keys act only without Control: Control+S is the sound switch.
    const bool control = engine->Input_KeyHeld(KEY_CTRL);
    const auto demoKey = [control](int key) { return !control && engine->Input_KeyPressed(key); };

    if (fadeDir == 0 && pressed && overButton && titleTime >= 4.5f) {
        fadeDir = -1;
        nextState = Playing;
        idleFrames = 0;
    } else if (((idleFrames > IDLE_DEMO_FRAMES || demoKey('D') || demoNow_) && !inputLog.empty() &&
                year == 1) ||
               playingBack == 1) {
        // No fade check: this also interrupts a fade in progress.
        demoNow_ = false;
        fadeDir = -1;
        nextState = StartDemo;
        idleFrames = 0;
    } else if (demoKey('S')) {
        saveDemo();
    } else if (demoKey('L') && year == 1) {
        // Only before a game: between its years the log and the seed are the
        // game's own, and the next year is appended to them.
        const std::string path = userDataFile("demo.dem");
        const bool loaded = loadDemo(path.c_str());
        if (loaded && !inputLog.empty()) {
            const uint32_t by = inputLog.version();
            help.notice(by && by != SIMULATION_VERSION ? "Recorded by another version: it may play differently"
                                                       : "Demo loaded");
        } else {
            help.notice(loaded || access(path.c_str(), F_OK) != 0 ? "No saved demo" : "Can't load the saved demo");
        }
    }

    pointerX = clampFloat(pointerX + mouseDX * 0.5f, 0.0f, 320.0f);
    pointerY = clampFloat(pointerY + mouseDY * 0.5f, 0.0f, 240.0f);

    titleTime += dt;
    if (pressed) titleTime = 100.0f;  // the first press only skips the opening
    return false;
}

void Game::framePlaying() {
    if (engine->Input_KeyPressed(KEY_ESCAPE)) {
        returnToTitle();
        return;
    }
    if (playingBack == 0) {
        InputFrame rec{mouseDX, mouseDY, 0};
        if (engine->Input_KeyPressed(KEY_LBUTTON)) {
            rec.buttons = INPUT_LEFT_DOWN;
        } else if (engine->Input_KeyReleased(KEY_LBUTTON)) {
            rec.buttons = INPUT_LEFT_UP;
        }
        if (engine->Input_KeyPressed(KEY_RBUTTON)) rec.buttons |= INPUT_RIGHT_DOWN;
        inputLog.append(rec);
        playIndex += 1;
        help.takePlayInput();
        if (world) world->update(nullptr);
        if (inputLog.checkpointDue()) inputLog.addCheckpoint(roundStateHash());
        if (world) help.watchRound(*world);
        return;
    }
    if (engine->Input_KeyPressed(KEY_SPACE) || engine->Input_KeyPressed(KEY_LBUTTON)) {
        returnToTitle();
    } else if (playIndex < inputLog.size()) {
        if (world) world->update(&inputLog[playIndex]);
        playIndex += 1;
        checkReplay();
    } else {
        if (demoEnded) demoEnded();
        returnToTitle();
    }
}

// Once per replay, at the first checkpoint where the round is not the recorded one.
void Game::checkReplay() {
    if (replayDiffered) return;
    const uint32_t* recorded = inputLog.checkpointAfter(playIndex);
    if (!recorded || *recorded == roundStateHash()) return;
    replayDiffered = true;
    help.notice("The replay differs from the recorded game");
}

void Game::frameGameOver() {
    if (engine->Input_KeyPressed(KEY_LBUTTON) || engine->Input_KeyPressed(KEY_SPACE) ||
        engine->Input_KeyPressed(KEY_ESCAPE)) {
        fade = 1.0f;  // shortens the remaining fade-out to 2/3 s
    }
}

void Game::returnToTitle() {
    deleteWorld();
    engine->System_SetState(STATE_FX_VOLUME, fxVolume);
    engine->System_SetState(STATE_MUSIC_VOLUME, musicVolume);
    fade = 0.0f;
    state = nextState = Title;
    titleTime = -2.0f;
    playingBack = 0;
    fadeDir = 1;
    year = 1;
    winterMinutes = 5;
    modifierA = modifierB = -1;
}

void Game::saveDemo() {
    // Nothing recorded: an earlier saved game is worth more than an empty file.
    if (inputLog.empty()) {
        help.notice("No game to save yet");
        return;
    }
    std::string brief;
    if (inputLog.save(userDataFile("demo.dem", true).c_str(), seed, nullptr, &brief)) {
        help.notice("Demo saved");
    } else {
        help.notice(("Can't save the demo:\n" + brief).c_str());
    }
}

bool Game::loadDemo(const char* path) { return inputLog.load(path, &seed); }

bool Game::playDemoFile(const char* path) {
    // Read aside first: a file that is no demo leaves the log as it was.
    InputLog log;
    uint32_t fileSeed = 0;
    if (!path || !log.load(path, &fileSeed) || log.empty()) {
        help.notice("Can't play that demo");
        return false;
    }
    // The round being recorded ends here, or its next year would go on over the demo.
    if (state != Title || year != 1 || playingBack != 0 || fadeDir == -1) returnToTitle();
    inputLog = std::move(log);
    seed = fileSeed;
    demoNow_ = true;
    return true;
}

void Game::restore() {
    if (targetSprite) targetSprite->SetTexture(engine->Target_Texture(target));
}

bool frameCallback() {
    float x = 0.0f, y = 0.0f;
    engine->Input_MousePos(&x, &y);
    mouseDX = x - static_cast<float>(WINDOW_WIDTH / 2);
    mouseDY = y - static_cast<float>(WINDOW_HEIGHT / 2);
    engine->Input_WarpMouse(320.0f, 240.0f);
    return game->frame();
}

bool renderCallback() {
    game->renderFrame();
    return false;
}

bool restoreCallback() {
    game->restore();
    return true;
}
