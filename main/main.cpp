// The entry point: configures the Engine, loads every resource, runs the loop.
#include "engine/engine.h"
#include "main/game.h"

#include <SDL.h>

#include <cstdio>

namespace {

// Start-up failures must not look like success: the text goes to a message box
// (or standard error without a window system) and the program exits with 1.
int failStartup() {
    const char* text = engine->System_LastError();
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr) != 0) {
        std::fprintf(stderr, "Error: %s\n", text);
    }
    engine->Release();
    return 1;
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

    if (!engine->System_Initiate()) return failStartup();

    game = new Game();
    game->init();

    engine->System_Start();

    delete game;
    game = nullptr;
    engine->System_Finish();
    engine->Release();
    return 0;
}
