// The application object: the off-screen picture, the fades, the title / play /
// game-over states and the input log, and the program-wide globals of the game.
#pragma once

#include "engine/engine.h"
#include "main/help.h"
#include "main/input_log.h"

class Sprite;
class World;
class ResourceManager;

enum GameState {
    Title = 0,
    Playing = 1,
    StartDemo = 2,
    GameOver = 3,
};

// Title-screen button "Click to Drive!" in target pixels.
constexpr float TITLE_BUTTON_LEFT = 152.0f;
constexpr float TITLE_BUTTON_TOP = 200.0f;
constexpr float TITLE_BUTTON_WIDTH = 132.0f;
constexpr float TITLE_BUTTON_HEIGHT = 20.0f;

constexpr int TARGET_WIDTH = 320;
constexpr int TARGET_HEIGHT = 240;
constexpr int WINDOW_WIDTH = 640;
constexpr int WINDOW_HEIGHT = 480;

class Game {
public:
    Game() = default;
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void init();
    // One step of the application; true means quit.
    bool frame();
    // Abandons the round at once and shows the title screen of year 1.
    void returnToTitle();
    // Draws the picture of the current state into the target, then the target
    // doubled into the window with the fade (the screens live with the forest view).
    void renderFrame();
    // The device was reset: the target's texture is a new one.
    void restore();

    // Ends the current year: survived, the next year's title follows with its
    // modifiers; snowed in, the "Game Over" screen and then year 1.
    void endYear(bool survived);
    // Picks the next year's modifiers and minutes until winter (after year was raised).
    void chooseModifiers();

    // Saves the log as "demo.dem"; an empty log leaves the file as it is. A
    // notice tells the player how it went.
    void saveDemo();
    // Replaces the seed and the log from a demo file (on the title, only in year
    // 1); false when the file cannot be opened or is refused.
    bool loadDemo(const char* path);
    // Plays the demo file from the title of year 1 (a round in progress is
    // abandoned); a file that holds no demo changes nothing and is false, with a
    // notice in the game.
    bool playDemoFile(const char* path);

    TargetHandle target = 0;
    Sprite* targetSprite = nullptr;
    int state = Title;
    int nextState = Title;
    int fadeDir = 1;
    float fade = 0.0f;
    float titleTime = -2.0f;
    int idleFrames = 0;
    float pointerX = 160.0f;
    float pointerY = 120.0f;
    bool overButton = false;
    int year = 1;
    int winterMinutes = 5;
    int modifierA = -1;
    int modifierB = -1;
    uint32_t seed = 0;
    InputLog inputLog;
    uint32_t playIndex = 0;
    int playingBack = 0;
    // The replay has reached a checkpoint its file says the round never had.
    bool replayDiffered = false;
    // The card, the hints and the notices for the player; not part of any round.
    Help help;
    // Called when a demo's records run out, before the round ends (the page's tests
    // read the round's end state there).
    void (*demoEnded)() = nullptr;

private:
    void stepFade(float dt);
    bool frameTitle(float dt);
    void framePlaying();
    void frameGameOver();
    void checkReplay();
    void startRound();
    void deleteWorld();

    bool demoNow_ = false;  // a demo file was given: it starts at the next title frame
};

extern Engine* engine;
extern ResourceManager* resourceManager;
extern Game* game;
extern World* world;
extern float mouseDX;
extern float mouseDY;
extern int fxVolume;
extern int musicVolume;

// The callbacks the entry point gives to the Engine.
bool frameCallback();
bool renderCallback();
bool restoreCallback();
