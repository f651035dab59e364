// The entry point: configures the Engine, loads every resource, runs the loop.
#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "main/game.h"

#include <SDL.h>

#include <cstdio>

namespace {

constexpr const char* RESOURCE_SCRIPT = "data\\bear.res";

// Start-up failures must not look like success: the text goes to a message box
// (or standard error without a window system) and the program exits with 1.
void showError() {
    const char* text = engine->System_LastError();
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr) != 0) {
        std::fprintf(stderr, "Error: %s\n", text);
    }
}

}  // namespace

int main(int, char**) {
    engine = engineCreate(ENGINE_VERSION);
    if (!engine) return 1;

    engine->System_SetState(STATE_FRAME_FUNC, frameCallback);
    engine->System_SetState(STATE_RENDER_FUNC, renderCallback);
    engine->System_SetState(STATE_RESTORE_FUNC, restoreCallback);
    engine->System_SetState(STATE_TITLE, "Timberdrive");
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_SOUND, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
    engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
    engine->System_SetState(STATE_TEXTURE_FILTER, false);
    engine->System_SetState(STATE_FPS, 60);
    engine->System_SetState(STATE_ZBUFFER, false);
    engine->System_SetState(STATE_HIDE_CURSOR, true);
    engine->System_SetState(STATE_ICON, "data\\icon.png");
    engine->System_SetState(STATE_ALTERNATE_SPRITES, false);

    if (!engine->System_Initiate()) {
        showError();
        engine->Release();
        return 1;
    }

    // A missing script would start a game with none of its pictures or sounds, which
    // its unchecked lookups cannot survive: that is a start-up failure too.
    void* script = engine->Resource_Load(RESOURCE_SCRIPT);
    if (!script) {
        showError();
        engine->System_Finish();
        engine->Release();
        return 1;
    }
    engine->Resource_Free(script);

    // Every resource of every group is loaded at once; nothing is fetched from disk later.
    resourceManager = new ResourceManager(RESOURCE_SCRIPT);
    if (!resourceManager->LoadAll(0)) {
        showError();
        delete resourceManager;  // frees what was loaded before the failure, while the Engine lives
        resourceManager = nullptr;
        engine->Release();
        return 1;
    }

    game = new Game();
    game->init();

    engine->System_Start();

    delete game;
    game = nullptr;
    delete resourceManager;
    resourceManager = nullptr;
    engine->System_Finish();
    engine->Release();
    return 0;
}
