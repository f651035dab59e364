// The engine's one public interface: the Engine object, its states and the shared
// handle, vertex and input types. Game code includes this header and nothing else
// of the engine's internals.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------------
// Handles. 0 always means "none" or "failed".
using EffectHandle = uint32_t;
using MusicHandle = uint32_t;
using StreamHandle = uint32_t;
using ChannelHandle = uint32_t;
using TextureHandle = uintptr_t;
using TargetHandle = uintptr_t;
using WindowHandle = void*;

constexpr int ENGINE_VERSION = 0x180;

// ---------------------------------------------------------------------------------
// Drawing types.

// Blend mode bits.
constexpr int BLEND_COLORMUL = 0;
constexpr int BLEND_COLORADD = 1;
constexpr int BLEND_ALPHAADD = 0;
constexpr int BLEND_ALPHABLEND = 2;
constexpr int BLEND_NOZWRITE = 0;
constexpr int BLEND_ZWRITE = 4;
constexpr int BLEND_DEFAULT = BLEND_COLORMUL | BLEND_ALPHABLEND | BLEND_NOZWRITE;

// Primitive types; the value is also the number of vertices per primitive.
constexpr int PRIM_LINES = 2;
constexpr int PRIM_TRIPLES = 3;
constexpr int PRIM_QUADS = 4;

constexpr int VERTEX_BUFFER_SIZE = 4000;

struct Vertex {
    float x, y;    // pixels, origin top-left, y down
    float z;       // 0 near .. 1 far
    uint32_t col;  // ARGB
    float tx, ty;  // texture coordinates 0..1
};
static_assert(sizeof(Vertex) == 24, "Vertex is the layout of the vertex buffer");

struct Triple {
    Vertex v[3];
    TextureHandle tex;
    int blend;
};

// Vertices run top-left, top-right, bottom-right, bottom-left.
struct Quad {
    Vertex v[4];
    TextureHandle tex;
    int blend;
};

// ---------------------------------------------------------------------------------
// Input types.

enum InputEventType {
    INPUT_KEYDOWN = 1,
    INPUT_KEYUP = 2,
    INPUT_MBUTTONDOWN = 3,
    INPUT_MBUTTONUP = 4,
    INPUT_MOUSEMOVE = 5,
    INPUT_MOUSEWHEEL = 6,
};

enum InputEventFlag {
    INP_SHIFT = 1,
    INP_CTRL = 2,
    INP_ALT = 4,
    INP_CAPSLOCK = 8,
    INP_SCROLLLOCK = 16,
    INP_NUMLOCK = 32,
    INP_REPEAT = 64,
};

struct InputEvent {
    int type;
    int key;
    int flags;
    int chr;
    int wheel;
    float x;
    float y;
};

// Key codes: the classic virtual-key numbers. Letters and digits are their
// upper-case character codes ('A' .. 'Z', '0' .. '9').
enum KeyCode {
    KEY_LBUTTON = 0x01,
    KEY_RBUTTON = 0x02,
    KEY_MBUTTON = 0x04,
    KEY_BACKSPACE = 0x08,
    KEY_TAB = 0x09,
    KEY_ENTER = 0x0D,
    KEY_SHIFT = 0x10,
    KEY_CTRL = 0x11,
    KEY_ALT = 0x12,
    KEY_PAUSE = 0x13,
    KEY_CAPSLOCK = 0x14,
    KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20,
    KEY_PGUP = 0x21,
    KEY_PGDN = 0x22,
    KEY_END = 0x23,
    KEY_HOME = 0x24,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_INSERT = 0x2D,
    KEY_DELETE = 0x2E,
    KEY_0 = 0x30,
    KEY_9 = 0x39,
    KEY_A = 0x41,
    KEY_Z = 0x5A,
    KEY_LWIN = 0x5B,
    KEY_RWIN = 0x5C,
    KEY_APPS = 0x5D,
    KEY_NUMPAD0 = 0x60,
    KEY_NUMPAD9 = 0x69,
    KEY_MULTIPLY = 0x6A,
    KEY_ADD = 0x6B,
    KEY_SUBTRACT = 0x6D,
    KEY_DECIMAL = 0x6E,
    KEY_DIVIDE = 0x6F,
    KEY_F1 = 0x70,
    KEY_F12 = 0x7B,
    KEY_NUMLOCK = 0x90,
    KEY_SCROLLLOCK = 0x91,
    KEY_SEMICOLON = 0xBA,
    KEY_EQUALS = 0xBB,
    KEY_COMMA = 0xBC,
    KEY_MINUS = 0xBD,
    KEY_PERIOD = 0xBE,
    KEY_SLASH = 0xBF,
    KEY_GRAVE = 0xC0,
    KEY_LBRACKET = 0xDB,
    KEY_BACKSLASH = 0xDC,
    KEY_RBRACKET = 0xDD,
    KEY_APOSTROPHE = 0xDE,
};

// ---------------------------------------------------------------------------------
// States. Each type has its own enum so that System_SetState / System_GetState are
// chosen by overloading; an identifier outside a type's list is ignored.

enum BoolState {
    STATE_WINDOWED = 1,
    STATE_ZBUFFER = 2,
    STATE_TEXTURE_FILTER = 3,
    STATE_SOUND = 4,
    STATE_RUN_INACTIVE = 5,
    STATE_HIDE_CURSOR = 6,
    STATE_ALTERNATE_SPRITES = 100,
};

enum FuncState {
    STATE_FRAME_FUNC = 8,
    STATE_RENDER_FUNC = 9,
    STATE_FOCUS_LOST_FUNC = 10,
    STATE_FOCUS_GAINED_FUNC = 11,
    STATE_RESTORE_FUNC = 12,
    STATE_EXIT_FUNC = 13,
};

enum WindowState {
    STATE_WINDOW = 15,
    STATE_PARENT_WINDOW = 16,
};

enum IntState {
    STATE_SCREEN_WIDTH = 17,
    STATE_SCREEN_HEIGHT = 18,
    STATE_SCREEN_BPP = 19,
    STATE_SAMPLE_RATE = 20,
    STATE_FX_VOLUME = 21,
    STATE_MUSIC_VOLUME = 22,
    STATE_STREAM_VOLUME = 23,
    STATE_FPS = 24,
    STATE_POWER_STATUS = 25,
    // 0 (the default): the window keeps the screen's size. n > 0: the window can be
    // resized and maximised, never below the screen's size, and starts at the
    // largest whole multiple of it, up to n, that the desktop's usable area holds.
    // The picture is scaled by the largest whole number that fits, as in full screen.
    STATE_WINDOW_SCALE = 101,
    // 1 (the default), or n: the screen's picture is a smaller one drawn n times its
    // size, so it is shown at any whole multiple of 1/n of its size (each of its
    // n x n blocks a whole number of pixels), a window may be that small, and a
    // browser's canvas holds the smaller picture. Set before System_Initiate.
    STATE_PIXEL_SIZE = 102,
};

enum StringState {
    // An image file read through Resource_Load ("data\icon.png"); the program's
    // resources are its data files on this platform.
    STATE_ICON = 26,
    STATE_TITLE = 27,
    STATE_INI_FILE = 28,
    STATE_LOG_FILE = 29,
};

// Callbacks take no arguments. The frame callback returns true to end the loop; the
// restore and exit callbacks return whether to go on; other results are unused.
using EngineCallback = bool (*)();

constexpr int FPS_UNLIMITED = 0;
constexpr int FPS_VSYNC = -1;

constexpr int POWER_UNKNOWN = -2;
constexpr int POWER_AC = -1;

// ---------------------------------------------------------------------------------
// The Engine: 106 operations in a fixed slot order.
class Engine {
public:
    // 0-7: lifetime and system
    virtual void Release() = 0;
    virtual bool System_Initiate() = 0;
    virtual void System_Finish() = 0;
    virtual bool System_Start() = 0;
    virtual const char* System_LastError() = 0;
    virtual void System_Log(const char* format, ...) = 0;
    virtual bool System_OpenURL(const char* url) = 0;
    virtual void System_Screenshot(const char* filename = nullptr) = 0;

    // 8-17: states
    virtual void System_SetState(BoolState state, bool value) = 0;
    virtual void System_SetState(FuncState state, EngineCallback value) = 0;
    virtual void System_SetState(WindowState state, WindowHandle value) = 0;
    virtual void System_SetState(IntState state, int value) = 0;
    virtual void System_SetState(StringState state, const char* value) = 0;
    virtual bool System_GetState(BoolState state) = 0;
    virtual EngineCallback System_GetState(FuncState state) = 0;
    virtual WindowHandle System_GetState(WindowState state) = 0;
    virtual int System_GetState(IntState state) = 0;
    virtual const char* System_GetState(StringState state) = 0;

    // 18-25: files and packs
    virtual void* Resource_Load(const char* filename, uint32_t* size = nullptr) = 0;
    virtual void Resource_Free(void* block) = 0;
    virtual bool Resource_AddPack(const char* filename, const char* password = nullptr) = 0;
    virtual void Resource_DropPack(const char* filename) = 0;
    virtual void Resource_DropAllPacks() = 0;
    virtual char* Resource_FullPath(const char* filename) = 0;
    virtual char* Resource_FindFile(const char* wildcard = nullptr) = 0;
    virtual char* Resource_FindFolder(const char* wildcard = nullptr) = 0;

    // 26-31: ini
    virtual void Ini_SetInt(const char* section, const char* name, int value) = 0;
    virtual int Ini_GetInt(const char* section, const char* name, int def = 0) = 0;
    virtual void Ini_SetFloat(const char* section, const char* name, float value) = 0;
    virtual float Ini_GetFloat(const char* section, const char* name, float def = 0.0f) = 0;
    virtual void Ini_SetString(const char* section, const char* name, const char* value) = 0;
    virtual char* Ini_GetString(const char* section, const char* name, const char* def) = 0;

    // 32-34: random
    virtual void Random_Seed(uint32_t seed = 0) = 0;
    virtual int Random_Int(int min, int max) = 0;
    virtual float Random_Float(float min, float max) = 0;

    // 35-37: timer
    virtual float Timer_Time() = 0;
    virtual float Timer_Delta() = 0;
    virtual int Timer_FPS() = 0;

    // 38-41: effects
    virtual EffectHandle Effect_Load(const char* filename, uint32_t size = 0) = 0;
    virtual void Effect_Free(EffectHandle effect) = 0;
    virtual ChannelHandle Effect_Play(EffectHandle effect) = 0;
    virtual ChannelHandle Effect_PlayWith(EffectHandle effect, int volume = 100, int pan = 0,
                                          float pitch = 1.0f, bool loop = false) = 0;

    // 42-53: music
    virtual MusicHandle Music_Load(const char* filename, uint32_t size = 0) = 0;
    virtual void Music_Free(MusicHandle music) = 0;
    virtual ChannelHandle Music_Play(MusicHandle music, bool loop, int volume = 100, int order = -1,
                                     int row = -1) = 0;
    virtual void Music_SetAmplify(MusicHandle music, int amplify) = 0;
    virtual int Music_GetAmplify(MusicHandle music) = 0;
    virtual int Music_OrderCount(MusicHandle music) = 0;
    virtual void Music_Seek(MusicHandle music, int order, int row) = 0;
    virtual bool Music_Tell(MusicHandle music, int* order, int* row) = 0;
    virtual void Music_SetInstrumentVolume(MusicHandle music, int instrument, int volume) = 0;
    virtual int Music_GetInstrumentVolume(MusicHandle music, int instrument) = 0;
    virtual void Music_SetTrackVolume(MusicHandle music, int track, int volume) = 0;
    virtual int Music_GetTrackVolume(MusicHandle music, int track) = 0;

    // 54-56: streams
    virtual StreamHandle Stream_Load(const char* filename, uint32_t size = 0) = 0;
    virtual void Stream_Free(StreamHandle stream) = 0;
    virtual ChannelHandle Stream_Play(StreamHandle stream, bool loop, int volume = 100) = 0;

    // 57-71: channels
    virtual void Channel_SetPan(ChannelHandle channel, int pan) = 0;
    virtual void Channel_SetVolume(ChannelHandle channel, int volume) = 0;
    virtual void Channel_SetPitch(ChannelHandle channel, float pitch) = 0;
    virtual void Channel_Pause(ChannelHandle channel) = 0;
    virtual void Channel_Resume(ChannelHandle channel) = 0;
    virtual void Channel_Stop(ChannelHandle channel) = 0;
    virtual void Channel_PauseAll() = 0;
    virtual void Channel_ResumeAll() = 0;
    virtual void Channel_StopAll() = 0;
    virtual bool Channel_IsPlaying(ChannelHandle channel) = 0;
    virtual float Channel_Length(ChannelHandle channel) = 0;
    virtual float Channel_Position(ChannelHandle channel) = 0;
    virtual void Channel_Seek(ChannelHandle channel, float seconds) = 0;
    virtual void Channel_Slide(ChannelHandle channel, float time, int volume, int pan = -101,
                               float pitch = -1.0f) = 0;
    virtual bool Channel_IsSliding(ChannelHandle channel) = 0;

    // 72-82: input
    virtual void Input_MousePos(float* x, float* y) = 0;
    virtual void Input_WarpMouse(float x, float y) = 0;
    virtual int Input_Wheel() = 0;
    virtual bool Input_MouseInside() = 0;
    virtual bool Input_KeyPressed(int key) = 0;
    virtual bool Input_KeyReleased(int key) = 0;
    virtual bool Input_KeyHeld(int key) = 0;
    virtual const char* Input_KeyName(int key) = 0;
    virtual int Input_LastKey() = 0;
    virtual int Input_LastChar() = 0;
    virtual bool Input_NextEvent(InputEvent* event) = 0;

    // 83-95: graphics
    virtual bool Gfx_BeginScene(TargetHandle target = 0) = 0;
    virtual void Gfx_EndScene() = 0;
    virtual void Gfx_Flush() = 0;
    virtual void Gfx_Clear(uint32_t color) = 0;
    virtual void Gfx_DrawLine(float x1, float y1, float x2, float y2, uint32_t color = 0xFFFFFFFF,
                              float z = 0.5f) = 0;
    virtual void Gfx_DrawTriangle(const Triple* triple) = 0;
    virtual void Gfx_DrawQuad(const Quad* quad) = 0;
    virtual Vertex* Gfx_OpenBatch(int primType, TextureHandle texture, int blend, int* maxPrims) = 0;
    virtual void Gfx_CloseBatch(int primCount) = 0;
    virtual void Gfx_SetClipRect(int x = 0, int y = 0, int w = 0, int h = 0) = 0;
    virtual void Gfx_SetViewTransform(float x = 0, float y = 0, float dx = 0, float dy = 0,
                                      float rot = 0, float hscale = 0, float vscale = 0) = 0;
    virtual void Gfx_DrawRect(float x, float y, float w, float h, uint32_t color) = 0;
    virtual void* Gfx_Device() = 0;

    // 96-98: render targets
    virtual TargetHandle Target_Create(int width, int height, bool zbuffer) = 0;
    virtual void Target_Free(TargetHandle target) = 0;
    virtual TextureHandle Target_Texture(TargetHandle target) = 0;

    // 99-105: textures
    virtual TextureHandle Texture_Create(int width, int height) = 0;
    virtual TextureHandle Texture_Load(const char* filename, uint32_t size = 0, bool mipmap = false) = 0;
    virtual void Texture_Free(TextureHandle texture) = 0;
    virtual int Texture_Width(TextureHandle texture, bool asLoaded = false) = 0;
    virtual int Texture_Height(TextureHandle texture, bool asLoaded = false) = 0;
    virtual uint32_t* Texture_Lock(TextureHandle texture, bool readOnly = true, int left = 0, int top = 0,
                                   int width = 0, int height = 0) = 0;
    virtual void Texture_Unlock(TextureHandle texture) = 0;

protected:
    virtual ~Engine() = default;
};

// Returns the shared Engine for ENGINE_VERSION (creating it on the first call and
// adding a reference on every call); null for any other version.
Engine* engineCreate(int version);

// The same Engine, built for tools and tests: no window, a renderer that accepts
// every call and draws nothing, and the silent sound device. Never used by the game.
Engine* engineCreateHeadless(int version);

// ARGB helpers.
constexpr uint32_t ARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t GETA(uint32_t c) { return c >> 24; }
constexpr uint32_t GETR(uint32_t c) { return (c >> 16) & 0xFF; }
constexpr uint32_t GETG(uint32_t c) { return (c >> 8) & 0xFF; }
constexpr uint32_t GETB(uint32_t c) { return c & 0xFF; }
