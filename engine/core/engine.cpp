// Obtaining and releasing the Engine, its states, start-up and shut-down.
#include "engine/core/engine_impl.h"

#include "engine/core/boot_clock.h"
#include "engine/core/copy_text.h"
#include "engine/core/display_loss.h"
#include "engine/core/program_folder.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

EngineImpl* g_engine = nullptr;
uint32_t g_randomSeed = 0;

// Timer_Delta's constant: the float 0.0166667 (bits 0x3C88889A).
constexpr float FRAME_DELTA = 0.0166667f;

// The software renderer allocates and frees buffers of hundreds of kilobytes for every
// draw. By default glibc maps each from the system and hands it back at once, or trims
// the heap after it: thousands of page faults a frame. Kept in the heap, they are reused.
void keepFreedMemory() {
#if defined(__GLIBC__)
    static bool done = false;
    if (done) return;
    done = true;
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc takes
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
#endif
}

Engine* obtain(int version, bool headless) {
    if (version != ENGINE_VERSION) return nullptr;
    if (!g_engine) g_engine = new EngineImpl(headless);
    g_engine->addRef();
    return g_engine;
}

}  // namespace

void EngineContext::postError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(errorText, sizeof(errorText), format, args);
    va_end(args);
}

Engine* engineCreate(int version) { return obtain(version, false); }
Engine* engineCreateHeadless(int version) { return obtain(version, true); }
EngineImpl* engineImpl() { return g_engine; }
uint32_t engineRandomSeed() { return g_randomSeed; }

EngineImpl::EngineImpl(bool headless) : input_(ctx_), files_(ctx_) {
    ctx_.engine = this;
    ctx_.headless = headless;
    readProgramFolder(ctx_.programFolder, sizeof(ctx_.programFolder));
}

EngineImpl::~EngineImpl() = default;

void EngineImpl::Release() {
    if (--refCount_ > 0) return;
    if (ctx_.windowExists) System_Finish();
    Resource_DropAllPacks();
    g_engine = nullptr;
    delete this;
}

// ---------------------------------------------------------------------------------
// Start-up and shut-down.

bool EngineImpl::System_Initiate() {
    System_Log("DEN Started..\n");
    System_Log("DEN version: %X.%X", 1, 0x80);
    System_Log("Application: %s", ctx_.title);

    if (!createWindow()) return false;
    if (!ctx_.headless) keepFreedMemory();
    watchDisplayLoss(ctx_.window, [](void* self) {
        EngineImpl* engine = static_cast<EngineImpl*>(self);
        if (engine->sound_) engine->sound_->shutdown();
    }, this);

    Random_Seed(0);
    refreshPowerStatus();
    input_.init();

    gfx_ = ctx_.headless ? createNullGraphics(ctx_) : createGlGraphics(ctx_);
    if (!gfx_->start()) {
        System_Finish();
        return false;
    }
    gfxStarted_ = true;
    // The cursor rule of the window: hidden and captured while active.
    setActive(ctx_.headless || ctx_.parentWindow || (SDL_GetWindowFlags(ctx_.window) & SDL_WINDOW_INPUT_FOCUS));

    sound_ = createOpenALSound(ctx_);
    if (ctx_.soundEnabled) {
        if (!sound_->start()) {
            System_Finish();
            return false;
        }
        soundStarted_ = true;
    }

    System_Log("Init done.\n");
    resetTiming();
    // Room for half an hour of frames at 60 a second.
    const char* stats = SDL_getenv("TIMBERDRIVE_FRAME_STATS");
    frameStats_.start(stats && *stats && std::strcmp(stats, "0") != 0 ? 60 * 60 * 30 : 0);
    return true;
}

void EngineImpl::System_Finish() {
    System_Log("\nFinishing..");
    if (frameStats_.recording()) {
        std::fprintf(stderr, "frame cost: %s\n", frameStats_.summary().c_str());
        frameStats_.start(0);
    }
    files_.closeEnumeration();
    input_.clearFrame();
    if (sound_) {
        sound_->shutdown();
        sound_.reset();
    }
    soundStarted_ = false;
    if (gfx_) {
        gfx_->shutdown();
        gfx_.reset();
    }
    gfxStarted_ = false;
    destroyWindow();
    ctx_.active = false;
    System_Log("The End.");
}

const char* EngineImpl::System_LastError() { return ctx_.errorText; }

void EngineImpl::System_Log(const char* format, ...) {
    // The program writes no log: the text and its arguments are discarded.
    (void)format;
}

void EngineImpl::System_Screenshot(const char* filename) {
    char path[ENGINE_PATH_MAX];
    if (filename) {
        copyText(path, sizeof(path), Resource_FullPath(filename));
    } else {
        // Never overwrite: the first unused "shot%03d.bmp" in the program folder.
        path[0] = '\0';
        for (int i = 0; i < 1000; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "shot%03d.bmp", i);
            const char* full = Resource_FullPath(name);
            struct stat st;
            if (stat(full, &st) != 0) {
                copyText(path, sizeof(path), full);
                break;
            }
        }
        if (!path[0]) return;  // all thousand names taken
    }
    if (graphicsStarted()) gfx_->saveScreenshot(path);
}

void EngineImpl::refreshPowerStatus() {
    int percent = -1;
    switch (SDL_GetPowerInfo(nullptr, &percent)) {
    case SDL_POWERSTATE_ON_BATTERY:
        ctx_.powerStatus = percent >= 0 ? percent : POWER_UNKNOWN;
        break;
    case SDL_POWERSTATE_NO_BATTERY:
    case SDL_POWERSTATE_CHARGING:
    case SDL_POWERSTATE_CHARGED:
        ctx_.powerStatus = POWER_AC;
        break;
    default:
        ctx_.powerStatus = POWER_UNKNOWN;
        break;
    }
}

// ---------------------------------------------------------------------------------
// States.

void EngineImpl::System_SetState(BoolState state, bool value) {
    switch (state) {
    case STATE_WINDOWED: {
        if ((gfx_ && gfx_->sceneOpen()) || ctx_.parentWindow) return;
        if (!graphicsStarted() || value == ctx_.windowed) {
            ctx_.windowed = value;
            return;
        }
        ctx_.windowed = value;
        changeWindowMode();
        gfx_->reset();
        return;
    }
    case STATE_ZBUFFER:
        if (!graphicsStarted()) ctx_.zbuffer = value;
        return;
    case STATE_TEXTURE_FILTER:
        ctx_.textureFilter = value;
        if (graphicsStarted()) gfx_->setTextureFilter(value);
        return;
    case STATE_SOUND:
        if (value == ctx_.soundEnabled) return;
        ctx_.soundEnabled = value;
        if (!ctx_.windowExists) return;
        if (value) {
            if (!sound_) sound_ = createOpenALSound(ctx_);
            soundStarted_ = sound_->start();
        } else if (sound_) {
            sound_->shutdown();
            soundStarted_ = false;
        }
        return;
    case STATE_RUN_INACTIVE:
        ctx_.runInactive = value;
        return;
    case STATE_HIDE_CURSOR:
        ctx_.hideCursor = value;
        if (ctx_.window) setActive(ctx_.active);
        return;
    case STATE_ALTERNATE_SPRITES:
        ctx_.alternateSprites = value;
        return;
    }
}

void EngineImpl::System_SetState(FuncState state, EngineCallback value) {
    switch (state) {
    case STATE_FRAME_FUNC: ctx_.frameFunc = value; return;
    case STATE_RENDER_FUNC: ctx_.renderFunc = value; return;
    case STATE_FOCUS_LOST_FUNC: ctx_.focusLostFunc = value; return;
    case STATE_FOCUS_GAINED_FUNC: ctx_.focusGainedFunc = value; return;
    case STATE_RESTORE_FUNC: ctx_.restoreFunc = value; return;
    case STATE_EXIT_FUNC: ctx_.exitFunc = value; return;
    }
}

void EngineImpl::System_SetState(WindowState state, WindowHandle value) {
    if (state == STATE_PARENT_WINDOW && !ctx_.windowExists) ctx_.parentWindow = value;
}

void EngineImpl::System_SetState(IntState state, int value) {
    switch (state) {
    case STATE_SCREEN_WIDTH:
        if (!graphicsStarted()) ctx_.screenWidth = value;
        return;
    case STATE_SCREEN_HEIGHT:
        if (!graphicsStarted()) ctx_.screenHeight = value;
        return;
    case STATE_SCREEN_BPP:
        if (!graphicsStarted()) ctx_.screenBpp = value;
        return;
    case STATE_SAMPLE_RATE:
        if (!soundStarted()) ctx_.sampleRate = value;
        return;
    case STATE_FX_VOLUME:
    case STATE_MUSIC_VOLUME:
    case STATE_STREAM_VOLUME:
        (state == STATE_FX_VOLUME ? ctx_.fxVolume
                                  : state == STATE_MUSIC_VOLUME ? ctx_.musicVolume : ctx_.streamVolume) = value;
        if (soundStarted()) sound_->applyVolumes();
        return;
    case STATE_FPS: {
        if (gfx_ && gfx_->sceneOpen()) return;
        bool signChanged = (ctx_.fps < 0) != (value < 0);
        ctx_.fps = value;
        // Above 1000 the frame length of whole milliseconds was 0: no limit.
        frameRate_ = value > 0 && value <= 1000 ? value : 0;
        if (graphicsStarted() && signChanged) gfx_->reset();
        return;
    }
    case STATE_POWER_STATUS:
        return;  // read only
    case STATE_WINDOW_SCALE:
        if (!ctx_.windowExists) ctx_.windowScale = value < 0 ? 0 : value;
        return;
    case STATE_PIXEL_SIZE:
        if (!ctx_.windowExists) ctx_.pixelSize = value < 1 ? 1 : value;
        return;
    }
}

void EngineImpl::System_SetState(StringState state, const char* value) {
    switch (state) {
    case STATE_ICON:
        copyText(ctx_.icon, sizeof(ctx_.icon), value);
        applyIcon();
        return;
    case STATE_TITLE:
        copyText(ctx_.title, sizeof(ctx_.title), value);
        if (ctx_.window) SDL_SetWindowTitle(ctx_.window, ctx_.title);
        return;
    case STATE_INI_FILE:
        copyText(ctx_.iniFile, sizeof(ctx_.iniFile), value ? Resource_FullPath(value) : "");
        return;
    case STATE_LOG_FILE:
        if (!value) {
            ctx_.logFile[0] = '\0';
            return;
        }
        copyText(ctx_.logFile, sizeof(ctx_.logFile), Resource_FullPath(value));
        if (FILE* f = std::fopen(ctx_.logFile, "w")) {
            std::fclose(f);
        } else {
            ctx_.logFile[0] = '\0';
        }
        return;
    }
}

bool EngineImpl::System_GetState(BoolState state) {
    switch (state) {
    case STATE_WINDOWED: return ctx_.windowed;
    case STATE_ZBUFFER: return ctx_.zbuffer;
    case STATE_TEXTURE_FILTER: return ctx_.textureFilter;
    case STATE_SOUND: return ctx_.soundEnabled;
    case STATE_RUN_INACTIVE: return ctx_.runInactive;
    case STATE_HIDE_CURSOR: return ctx_.hideCursor;
    case STATE_ALTERNATE_SPRITES: return ctx_.alternateSprites;
    }
    return false;
}

EngineCallback EngineImpl::System_GetState(FuncState state) {
    switch (state) {
    case STATE_FRAME_FUNC: return ctx_.frameFunc;
    case STATE_RENDER_FUNC: return ctx_.renderFunc;
    case STATE_FOCUS_LOST_FUNC: return ctx_.focusLostFunc;
    case STATE_FOCUS_GAINED_FUNC: return ctx_.focusGainedFunc;
    case STATE_RESTORE_FUNC: return ctx_.restoreFunc;
    case STATE_EXIT_FUNC: return ctx_.exitFunc;
    }
    return nullptr;
}

WindowHandle EngineImpl::System_GetState(WindowState state) {
    switch (state) {
    case STATE_WINDOW: return ctx_.window;
    case STATE_PARENT_WINDOW: return ctx_.parentWindow;
    }
    return nullptr;
}

int EngineImpl::System_GetState(IntState state) {
    switch (state) {
    case STATE_SCREEN_WIDTH: return ctx_.screenWidth;
    case STATE_SCREEN_HEIGHT: return ctx_.screenHeight;
    case STATE_SCREEN_BPP: return ctx_.screenBpp;
    case STATE_SAMPLE_RATE: return ctx_.sampleRate;
    case STATE_FX_VOLUME: return ctx_.fxVolume;
    case STATE_MUSIC_VOLUME: return ctx_.musicVolume;
    case STATE_STREAM_VOLUME: return ctx_.streamVolume;
    case STATE_FPS: return ctx_.fps;
    case STATE_POWER_STATUS: return ctx_.powerStatus;
    case STATE_WINDOW_SCALE: return ctx_.windowScale;
    case STATE_PIXEL_SIZE: return ctx_.pixelSize;
    }
    return 0;
}

const char* EngineImpl::System_GetState(StringState state) {
    switch (state) {
    case STATE_ICON: return ctx_.icon[0] ? ctx_.icon : nullptr;
    case STATE_TITLE: return ctx_.title;
    case STATE_INI_FILE: return ctx_.iniFile[0] ? ctx_.iniFile : nullptr;
    case STATE_LOG_FILE: return ctx_.logFile[0] ? ctx_.logFile : nullptr;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------
// Random and timer.

void EngineImpl::Random_Seed(uint32_t seed) { g_randomSeed = seed ? seed : millisecondsSinceBoot(); }

int EngineImpl::Random_Int(int min, int max) {
    g_randomSeed = g_randomSeed * 214013u + 2531011u;
    uint32_t range = static_cast<uint32_t>(max) - static_cast<uint32_t>(min) + 1u;
    if (range == 0) return min;  // the whole 32-bit range wraps to zero: no modulo by 0
    return static_cast<int>(((g_randomSeed ^ (g_randomSeed >> 15)) % range) + static_cast<uint32_t>(min));
}

float EngineImpl::Random_Float(float min, float max) {
    g_randomSeed = g_randomSeed * 214013u + 2531011u;
    return min + (max - min) * static_cast<float>(g_randomSeed >> 16) * (1.0f / 65535.0f);
}

float EngineImpl::Timer_Time() { return time_; }
float EngineImpl::Timer_Delta() { return FRAME_DELTA; }
int EngineImpl::Timer_FPS() { return fps_; }
