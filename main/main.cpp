// The entry point: configures the Engine, loads every resource, runs the loop.
#include "engine/engine.h"
#include "main/game.h"
#include "main/startup.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#ifdef __EMSCRIPTEN__
#include "main/round_state.h"

#include <emscripten.h>
#endif

namespace {

constexpr const char* USAGE =
    "Usage: timberdrive [FILE]\n"
    "Drive a bear's car through the forest before winter comes.\n"
    "With FILE, a demo file (as S saves it), the game starts by playing it back;\n"
    "afterwards the title screen plays it again when idle, and D plays it at once.\n";

// Start-up failures must not look like success: the text goes to a message box
// (or to standard error without a window system) and the program exits with 1.
int failWith(bool finish, const std::string& text) {
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    letTheErrorBoxEnd();
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr);
    if (finish) engine->System_Finish();
    engine->Release();
    return 1;
}

// The Engine's error text; a file the failure is about, when the text does not
// name it, is its second line.
int failStartup(bool finish, const std::string& file = "") {
    std::string text = engine->System_LastError();
    if (!file.empty() && text.find(file) == std::string::npos) text += "\n" + file;
    return failWith(finish, text);
}

}  // namespace

#ifdef __EMSCRIPTEN__
// The page's demo files (dropped, chosen or linked): 1 playing, 0 no demo, -1 the
// game is not there yet. And the download of the last game.
extern "C" EMSCRIPTEN_KEEPALIVE int timberdrive_play_demo(const char* path) {
    if (!game) return -1;
    return game->playDemoFile(path) ? 1 : 0;
}

// The end state of the last demo played to its end, as the round tool prints it for
// the same records natively: the page's tests compare the two.
namespace {
uint32_t g_demoEndState = 0;
void noteDemoEnd() { g_demoEndState = roundStateHash(); }
}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE uint32_t timberdrive_demo_end_state() { return g_demoEndState; }

extern "C" EMSCRIPTEN_KEEPALIVE int timberdrive_save_log(const char* path) {
    return game && !game->inputLog.empty() && game->inputLog.save(path, game->seed) ? 1 : 0;
}
#endif

int main(int argc, char** argv) {
    const char* demoFile = nullptr;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (argc == 2) demoFile = argv[1];

    engine = engineCreate(ENGINE_VERSION);
    if (!engine) return 1;
    configureEngine(frameCallback, renderCallback, restoreCallback);

    if (!engine->System_Initiate()) return failStartup(false);
    // Every resource of every group is loaded at once; nothing is fetched from disk later.
    std::string failedFile;
    if (!loadResources(&failedFile)) return failStartup(true, failedFile);

    game = new Game();
    game->init();
#ifdef __EMSCRIPTEN__
    game->demoEnded = noteDemoEnd;
#endif
    if (demoFile && !game->playDemoFile(demoFile)) {
        delete game;
        game = nullptr;
        freeResources();
        return failWith(true, std::string("Can't play the demo file ") + demoFile);
    }

    engine->System_Start();

    delete game;
    game = nullptr;
    freeResources();
    engine->System_Finish();
    engine->Release();
    return 0;
}
