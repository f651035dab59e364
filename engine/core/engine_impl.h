// The Engine's implementation: the core (states, window, frame loop, timer, random)
// and the forwarding of every other group to its module.
#pragma once

#include "engine/core/context.h"
#include "engine/core/frame_stats.h"
#include "engine/files/files.h"
#include "engine/graphics/graphics.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"

#include <memory>

union SDL_Event;

// The clock and the event source of the frame loop. The default one is SDL's with the
// system's high-resolution clock and sleep; tests put in a fake to drive the loop's
// timing rules.
class LoopPlatform {
public:
    virtual ~LoopPlatform() = default;
    virtual uint64_t microseconds() = 0;  // a monotonic clock
    virtual void sleep(uint64_t us) = 0;
    virtual bool pollEvent(SDL_Event* event) = 0;
};

// What one pass of the frame loop did.
struct LoopPass {
    bool ended = false;   // the loop is over: call endLoop()
    uint64_t waitUs = 0;  // nothing more to do before this much time has passed
};

class EngineImpl final : public Engine {
public:
    explicit EngineImpl(bool headless);
    ~EngineImpl() override;

    // Test seams.
    void setLoopPlatform(LoopPlatform* platform);  // null restores SDL's
    EngineContext& context() { return ctx_; }
    Graphics* graphics() { return gfx_.get(); }
    Sound* sound() { return sound_.get(); }
    Input& input() { return input_; }
    Files& files() { return files_; }
    const FrameStats& frameStats() const { return frameStats_; }
    int frameRate() const { return frameRate_; }  // frames per second the loop keeps, 0 = no limit
    // Hands one SDL event to the engine's dispatcher, as the loop does.
    void dispatchEvent(const SDL_Event& event);

    void addRef() { ++refCount_; }
    // The browser build's frame loop: one pass per picture the browser shows.
    void browserPass();

    // 0-7
    void Release() override;
    bool System_Initiate() override;
    void System_Finish() override;
    bool System_Start() override;
    // System_Start in pieces, for a host that calls one pass per frame of its own (a
    // browser): beginLoop once (false: System_Start's error), loopPass until it reports
    // the end, then endLoop. System_Start is these with a sleep between passes.
    bool beginLoop();
    LoopPass loopPass();
    void endLoop();
    const char* System_LastError() override;
    void System_Log(const char* format, ...) override;
    bool System_OpenURL(const char* url) override;
    void System_Screenshot(const char* filename) override;

    // 8-17
    void System_SetState(BoolState state, bool value) override;
    void System_SetState(FuncState state, EngineCallback value) override;
    void System_SetState(WindowState state, WindowHandle value) override;
    void System_SetState(IntState state, int value) override;
    void System_SetState(StringState state, const char* value) override;
    bool System_GetState(BoolState state) override;
    EngineCallback System_GetState(FuncState state) override;
    WindowHandle System_GetState(WindowState state) override;
    int System_GetState(IntState state) override;
    const char* System_GetState(StringState state) override;

    // 18-31
    void* Resource_Load(const char* filename, uint32_t* size) override;
    void Resource_Free(void* block) override;
    bool Resource_AddPack(const char* filename, const char* password) override;
    void Resource_DropPack(const char* filename) override;
    void Resource_DropAllPacks() override;
    char* Resource_FullPath(const char* filename) override;
    char* Resource_FindFile(const char* wildcard) override;
    char* Resource_FindFolder(const char* wildcard) override;
    void Ini_SetInt(const char* section, const char* name, int value) override;
    int Ini_GetInt(const char* section, const char* name, int def) override;
    void Ini_SetFloat(const char* section, const char* name, float value) override;
    float Ini_GetFloat(const char* section, const char* name, float def) override;
    void Ini_SetString(const char* section, const char* name, const char* value) override;
    char* Ini_GetString(const char* section, const char* name, const char* def) override;

    // 32-37
    void Random_Seed(uint32_t seed) override;
    int Random_Int(int min, int max) override;
    float Random_Float(float min, float max) override;
    float Timer_Time() override;
    float Timer_Delta() override;
    int Timer_FPS() override;

    // 38-71
    EffectHandle Effect_Load(const char* filename, uint32_t size) override;
    void Effect_Free(EffectHandle effect) override;
    ChannelHandle Effect_Play(EffectHandle effect) override;
    ChannelHandle Effect_PlayWith(EffectHandle effect, int volume, int pan, float pitch, bool loop) override;
    MusicHandle Music_Load(const char* filename, uint32_t size) override;
    void Music_Free(MusicHandle music) override;
    ChannelHandle Music_Play(MusicHandle music, bool loop, int volume, int order, int row) override;
    void Music_SetAmplify(MusicHandle music, int amplify) override;
    int Music_GetAmplify(MusicHandle music) override;
    int Music_OrderCount(MusicHandle music) override;
    void Music_Seek(MusicHandle music, int order, int row) override;
    bool Music_Tell(MusicHandle music, int* order, int* row) override;
    void Music_SetInstrumentVolume(MusicHandle music, int instrument, int volume) override;
    int Music_GetInstrumentVolume(MusicHandle music, int instrument) override;
    void Music_SetTrackVolume(MusicHandle music, int track, int volume) override;
    int Music_GetTrackVolume(MusicHandle music, int track) override;
    StreamHandle Stream_Load(const char* filename, uint32_t size) override;
    void Stream_Free(StreamHandle stream) override;
    ChannelHandle Stream_Play(StreamHandle stream, bool loop, int volume) override;
    void Channel_SetPan(ChannelHandle channel, int pan) override;
    void Channel_SetVolume(ChannelHandle channel, int volume) override;
    void Channel_SetPitch(ChannelHandle channel, float pitch) override;
    void Channel_Pause(ChannelHandle channel) override;
    void Channel_Resume(ChannelHandle channel) override;
    void Channel_Stop(ChannelHandle channel) override;
    void Channel_PauseAll() override;
    void Channel_ResumeAll() override;
    void Channel_StopAll() override;
    bool Channel_IsPlaying(ChannelHandle channel) override;
    float Channel_Length(ChannelHandle channel) override;
    float Channel_Position(ChannelHandle channel) override;
    void Channel_Seek(ChannelHandle channel, float seconds) override;
    void Channel_Slide(ChannelHandle channel, float time, int volume, int pan, float pitch) override;
    bool Channel_IsSliding(ChannelHandle channel) override;

    // 72-82
    void Input_MousePos(float* x, float* y) override;
    void Input_WarpMouse(float x, float y) override;
    int Input_Wheel() override;
    bool Input_MouseInside() override;
    bool Input_KeyPressed(int key) override;
    bool Input_KeyReleased(int key) override;
    bool Input_KeyHeld(int key) override;
    const char* Input_KeyName(int key) override;
    int Input_LastKey() override;
    int Input_LastChar() override;
    bool Input_NextEvent(InputEvent* event) override;

    // 83-105
    bool Gfx_BeginScene(TargetHandle target) override;
    void Gfx_EndScene() override;
    void Gfx_Flush() override;
    void Gfx_Clear(uint32_t color) override;
    void Gfx_DrawLine(float x1, float y1, float x2, float y2, uint32_t color, float z) override;
    void Gfx_DrawTriangle(const Triple* triple) override;
    void Gfx_DrawQuad(const Quad* quad) override;
    Vertex* Gfx_OpenBatch(int primType, TextureHandle texture, int blend, int* maxPrims) override;
    void Gfx_CloseBatch(int primCount) override;
    void Gfx_SetClipRect(int x, int y, int w, int h) override;
    void Gfx_SetViewTransform(float x, float y, float dx, float dy, float rot, float hscale,
                              float vscale) override;
    void Gfx_DrawRect(float x, float y, float w, float h, uint32_t color) override;
    void* Gfx_Device() override;
    TargetHandle Target_Create(int width, int height, bool zbuffer) override;
    void Target_Free(TargetHandle target) override;
    TextureHandle Target_Texture(TargetHandle target) override;
    TextureHandle Texture_Create(int width, int height) override;
    TextureHandle Texture_Load(const char* filename, uint32_t size, bool mipmap) override;
    void Texture_Free(TextureHandle texture) override;
    int Texture_Width(TextureHandle texture, bool asLoaded) override;
    int Texture_Height(TextureHandle texture, bool asLoaded) override;
    uint32_t* Texture_Lock(TextureHandle texture, bool readOnly, int left, int top, int width,
                           int height) override;
    void Texture_Unlock(TextureHandle texture) override;

private:
    bool createWindow();
    void destroyWindow();
    void applyIcon();
    // Puts the window in the mode ctx_.windowed now names.
    void changeWindowMode();
    void setActive(bool active);
    // Holds the pointer for the game or leaves it to the window system.
    void updateCapture();
    // The window manager's modifier keys lend it the pointer; a click takes it back.
    void lendPointerOnKey(const SDL_Event& event);
    void refreshPowerStatus();
    bool askExit();
    bool graphicsStarted() const { return gfx_ && gfxStarted_; }
    bool soundStarted() const { return sound_ && soundStarted_; }

    EngineContext ctx_;
    Input input_;
    Files files_;
    std::unique_ptr<Graphics> gfx_;
    std::unique_ptr<Sound> sound_;
    bool gfxStarted_ = false;
    bool soundStarted_ = false;
    bool sdlVideo_ = false;
    bool quitRequested_ = false;
    bool focused_ = false;
    bool minimized_ = false;
    int windowedX_ = 0;  // where the window was before it went full screen
    int windowedY_ = 0;
    bool windowedMaximized_ = false;
    // Alt or the Super key is down: the window manager may want the pointer for a
    // menu, a move or Alt+drag, which a held pointer would refuse it.
    bool pointerLent_ = false;

    int refCount_ = 0;
    LoopPlatform* platform_ = nullptr;

    LoopPlatform& loopPlatform();
    void resetTiming();

    // Timing, in microseconds of the loop platform's clock. Frames with a fixed rate
    // are due at scheduleStartUs_ + n / scheduleRate_ seconds, so that the rate holds
    // exactly on average; a frame more than a whole frame late or a new rate starts the
    // schedule anew.
    float time_ = 0.0f;
    float frameTime_ = 0.0f;
    int frameRate_ = 0;
    int fps_ = 0;
    uint64_t lastFrameUs_ = 0;  // when the last frame started
    uint64_t scheduleStartUs_ = 0;
    uint64_t scheduledFrames_ = 0;
    int scheduleRate_ = 0;
    // A frame the loop draws but does not show (it catches up): drawing calls do
    // nothing, and a scene opens as it would.
    bool unseen_ = false;
    bool unseenScene_ = false;
    uint64_t fpsTickUs_ = 0;
    int frameCount_ = 0;
    FrameStats frameStats_;
};

// The live Engine as its implementation (for tests and tools), or null.
EngineImpl* engineImpl();

// The engine-wide random seed (Random_Seed and friends).
uint32_t engineRandomSeed();

// The whole multiple of the screen, 1 to maxScale, that a growing window starts at:
// the largest whose window, with room for its frame, the area holds.
int startScale(int screenWidth, int screenHeight, int maxScale, int areaWidth, int areaHeight);
