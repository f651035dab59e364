// What the engine's groups share: the configuration states, the window, the error
// text and the callbacks. One per Engine; every group holds a reference to it.
#pragma once

#include "engine/engine.h"

#include <cstdarg>

struct SDL_Window;

constexpr int ENGINE_PATH_MAX = 260;
constexpr int ENGINE_TEXT_MAX = 256;

struct EngineContext {
    Engine* engine = nullptr;  // for one group calling another (Texture_Load -> Resource_Load)
    bool headless = false;     // no window, null renderer, silent sound

    SDL_Window* window = nullptr;  // null until System_Initiate (and always when headless)
    bool windowExists = false;     // true between a successful window creation and System_Finish
    bool active = false;

    char errorText[ENGINE_TEXT_MAX] = "";
    char programFolder[ENGINE_PATH_MAX] = "";  // ends with the path separator

    EngineCallback frameFunc = nullptr;
    EngineCallback renderFunc = nullptr;
    EngineCallback focusLostFunc = nullptr;
    EngineCallback focusGainedFunc = nullptr;
    EngineCallback restoreFunc = nullptr;
    EngineCallback exitFunc = nullptr;

    char icon[ENGINE_PATH_MAX] = "";
    char title[ENGINE_TEXT_MAX] = "DEN";
    int screenWidth = 800;
    int screenHeight = 600;
    int screenBpp = 32;
    bool windowed = false;
    int windowScale = 0;  // STATE_WINDOW_SCALE
    int pixelSize = 1;    // STATE_PIXEL_SIZE
    bool zbuffer = false;
    bool textureFilter = true;

    char iniFile[ENGINE_PATH_MAX] = "";
    char logFile[ENGINE_PATH_MAX] = "";

    bool soundEnabled = true;
    // No sound thread: the frame loop feeds the sound group through Sound::pump().
    // Always so in a browser; natively for tests of that mode.
    bool soundPumped = false;
    int sampleRate = 44100;
    int fxVolume = 100;
    int musicVolume = 100;
    int streamVolume = 100;
    int fps = 0;
    bool hideCursor = true;
    bool alternateSprites = false;
    bool runInactive = false;
    WindowHandle parentWindow = nullptr;
    int powerStatus = POWER_UNKNOWN;

    // Copies the formatted text into the error buffer (cut to fit); the log discards it.
    void postError(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
};
