// The entry point: configures the Engine, loads every resource, runs the loop.
#include "engine/engine.h"
#include "main/game.h"
#include "main/startup.h"

#include <SDL.h>

#include <cstdio>

namespace {

// Start-up failures must not look like success: the text goes to a message box
// (or to standard error without a window system) and the program exits with 1.
int failStartup(bool finish) {
    const char* text = engine->System_LastError();
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr) != 0) {
        std::fprintf(stderr, "Error: %s\n", text);
    }
    if (finish) engine->System_Finish();
    engine->Release();
    return 1;
}

}  // namespace

int main(int, char**) {
    engine = engineCreate(ENGINE_VERSION);
    if (!engine) return 1;
    configureEngine(frameCallback, renderCallback, restoreCallback);

    if (!engine->System_Initiate()) return failStartup(false);
    // Every resource of every group is loaded at once; nothing is fetched from disk later.
    if (!loadResources()) return failStartup(true);

    game = new Game();
    game->init();

    engine->System_Start();

    delete game;
    game = nullptr;
    freeResources();
    engine->System_Finish();
    engine->Release();
    return 0;
}
