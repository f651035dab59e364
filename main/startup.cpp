#include "main/startup.h"

#include "engine/resources/report.h"
#include "engine/resources/resource_manager.h"
#include "main/game.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {
constexpr const char* RESOURCE_SCRIPT = "data\\bear.res";

pid_t g_gameProcess = 0;

// In the process SDL forks to show the box: it ends when the game does.
void endWithTheGame() {
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    if (getppid() != g_gameProcess) _exit(1);
}
}  // namespace

void letTheErrorBoxEnd() {
    // SDL's handlers only queue a quit event, which nothing reads while the box waits.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    if (g_gameProcess == 0) {
        g_gameProcess = getpid();
        pthread_atfork(nullptr, nullptr, endWithTheGame);
    }
}

void configureEngine(EngineCallback frame, EngineCallback render, EngineCallback restore) {
    engine->System_SetState(STATE_FRAME_FUNC, frame);
    engine->System_SetState(STATE_RENDER_FUNC, render);
    engine->System_SetState(STATE_RESTORE_FUNC, restore);
    engine->System_SetState(STATE_TITLE, "Timberdrive");
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_SOUND, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
    engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
#ifndef __EMSCRIPTEN__
    // The window grows with the player's wish, and starts at twice the picture
    // where the desktop holds that; in a browser the page sizes the canvas.
    engine->System_SetState(STATE_WINDOW_SCALE, 2);
#endif
    // The game draws its 320 x 240 picture at twice the size.
    engine->System_SetState(STATE_PIXEL_SIZE, 2);
    engine->System_SetState(STATE_TEXTURE_FILTER, false);
    engine->System_SetState(STATE_FPS, 60);
    engine->System_SetState(STATE_ZBUFFER, false);
    engine->System_SetState(STATE_HIDE_CURSOR, true);
    engine->System_SetState(STATE_ICON, "data\\icon.png");
    engine->System_SetState(STATE_ALTERNATE_SPRITES, false);
}

bool loadResources(std::string* failedFile) {
    // What the script, its includes and the font skip would otherwise go unseen.
    setResourceReportHook([](const char* line) { std::fprintf(stderr, "%s\n", line); });
    // A missing script would start a game with none of its pictures or sounds, which
    // its unchecked lookups cannot survive: that is a start-up failure too, with the
    // file group's error text.
    resourceManager = new ResourceManager(RESOURCE_SCRIPT);
    if (resourceManager->ScriptFound() && resourceManager->LoadAll(0)) return true;
    if (failedFile) *failedFile = resourceManager->FailedFile();
    freeResources();  // frees what was loaded before the failure, while the Engine lives
    return false;
}

void freeResources() {
    delete resourceManager;
    resourceManager = nullptr;
}
