// The game on an Engine without a window, as the headless tools run it.
#pragma once

#include "engine/engine.h"
#include "main/game.h"
#include "main/startup.h"

#include <cstdio>

// Starts the Engine; on failure tells why under the tool's name and leaves none.
inline bool startHeadlessEngine(const char* tool) {
    engine = engineCreateHeadless(ENGINE_VERSION);
    if (engine->System_Initiate()) return true;
    std::fprintf(stderr, "%s: %s\n", tool, engine->System_LastError());
    engine->Release();
    engine = nullptr;
    return false;
}

// Ends the Game, the resources and the Engine, whichever were started.
inline void stopHeadlessGame() {
    delete game;
    game = nullptr;
    freeResources();
    engine->System_Finish();
    engine->Release();
    engine = nullptr;
}
