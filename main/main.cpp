// The entry point: configures the Engine, loads every resource, runs the loop.
#include "engine/engine.h"
#include "main/game.h"
#include "main/startup.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace {

// Start-up failures must not look like success: the text goes to a message box
// (or to standard error without a window system) and the program exits with 1.
// A file the failure is about, when the error text does not name it, is its second line.
int failStartup(bool finish, const std::string& file = "") {
    std::string text = engine->System_LastError();
    if (!file.empty() && text.find(file) == std::string::npos) text += "\n" + file;
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    letTheErrorBoxEnd();
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr);
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
    std::string failedFile;
    if (!loadResources(&failedFile)) return failStartup(true, failedFile);

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
