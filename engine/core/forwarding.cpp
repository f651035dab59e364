// The Engine operations of the other groups, handed to their modules. Sound calls
// while sound is not started do nothing and return the "not loaded" values.
#include "engine/core/engine_impl.h"

void* EngineImpl::Resource_Load(const char* f, uint32_t* size) { return files_.load(f, size); }
void EngineImpl::Resource_Free(void* block) { files_.free(block); }
bool EngineImpl::Resource_AddPack(const char* f, const char* pw) { return files_.addPack(f, pw); }
void EngineImpl::Resource_DropPack(const char* f) { files_.dropPack(f); }
void EngineImpl::Resource_DropAllPacks() { files_.dropAllPacks(); }
char* EngineImpl::Resource_FullPath(const char* f) { return files_.fullPath(f); }
char* EngineImpl::Resource_FindFile(const char* w) { return files_.findFile(w); }
char* EngineImpl::Resource_FindFolder(const char* w) { return files_.findFolder(w); }

void EngineImpl::Ini_SetInt(const char* s, const char* n, int v) { files_.iniSetInt(s, n, v); }
int EngineImpl::Ini_GetInt(const char* s, const char* n, int d) { return files_.iniGetInt(s, n, d); }
void EngineImpl::Ini_SetFloat(const char* s, const char* n, float v) { files_.iniSetFloat(s, n, v); }
float EngineImpl::Ini_GetFloat(const char* s, const char* n, float d) { return files_.iniGetFloat(s, n, d); }
void EngineImpl::Ini_SetString(const char* s, const char* n, const char* v) { files_.iniSetString(s, n, v); }
char* EngineImpl::Ini_GetString(const char* s, const char* n, const char* d) {
    return files_.iniGetString(s, n, d);
}

#define SOUND_OR(value) \
    if (!soundStarted()) return value
#define SOUND_OR_NOTHING() \
    if (!soundStarted()) return

EffectHandle EngineImpl::Effect_Load(const char* f, uint32_t size) {
    SOUND_OR(0);
    return sound_->effectLoad(f, size);
}
void EngineImpl::Effect_Free(EffectHandle e) {
    SOUND_OR_NOTHING();
    sound_->effectFree(e);
}
ChannelHandle EngineImpl::Effect_Play(EffectHandle e) {
    SOUND_OR(0);
    return sound_->effectPlay(e);
}
ChannelHandle EngineImpl::Effect_PlayWith(EffectHandle e, int volume, int pan, float pitch, bool loop) {
    SOUND_OR(0);
    return sound_->effectPlayWith(e, volume, pan, pitch, loop);
}
MusicHandle EngineImpl::Music_Load(const char* f, uint32_t size) {
    SOUND_OR(0);
    return sound_->musicLoad(f, size);
}
void EngineImpl::Music_Free(MusicHandle m) {
    SOUND_OR_NOTHING();
    sound_->musicFree(m);
}
ChannelHandle EngineImpl::Music_Play(MusicHandle m, bool loop, int volume, int order, int row) {
    SOUND_OR(0);
    return sound_->musicPlay(m, loop, volume, order, row);
}
void EngineImpl::Music_SetAmplify(MusicHandle m, int a) {
    SOUND_OR_NOTHING();
    sound_->musicSetAmplify(m, a);
}
int EngineImpl::Music_GetAmplify(MusicHandle m) {
    SOUND_OR(-1);
    return sound_->musicGetAmplify(m);
}
int EngineImpl::Music_OrderCount(MusicHandle m) {
    SOUND_OR(-1);
    return sound_->musicOrderCount(m);
}
void EngineImpl::Music_Seek(MusicHandle m, int order, int row) {
    SOUND_OR_NOTHING();
    sound_->musicSeek(m, order, row);
}
bool EngineImpl::Music_Tell(MusicHandle m, int* order, int* row) {
    SOUND_OR(false);
    return sound_->musicTell(m, order, row);
}
void EngineImpl::Music_SetInstrumentVolume(MusicHandle m, int i, int v) {
    SOUND_OR_NOTHING();
    sound_->musicSetInstrumentVolume(m, i, v);
}
int EngineImpl::Music_GetInstrumentVolume(MusicHandle m, int i) {
    SOUND_OR(-1);
    return sound_->musicGetInstrumentVolume(m, i);
}
void EngineImpl::Music_SetTrackVolume(MusicHandle m, int t, int v) {
    SOUND_OR_NOTHING();
    sound_->musicSetTrackVolume(m, t, v);
}
int EngineImpl::Music_GetTrackVolume(MusicHandle m, int t) {
    SOUND_OR(-1);
    return sound_->musicGetTrackVolume(m, t);
}
StreamHandle EngineImpl::Stream_Load(const char* f, uint32_t size) {
    SOUND_OR(0);
    return sound_->streamLoad(f, size);
}
void EngineImpl::Stream_Free(StreamHandle s) {
    SOUND_OR_NOTHING();
    sound_->streamFree(s);
}
ChannelHandle EngineImpl::Stream_Play(StreamHandle s, bool loop, int volume) {
    SOUND_OR(0);
    return sound_->streamPlay(s, loop, volume);
}
void EngineImpl::Channel_SetPan(ChannelHandle c, int pan) {
    SOUND_OR_NOTHING();
    sound_->channelSetPan(c, pan);
}
void EngineImpl::Channel_SetVolume(ChannelHandle c, int volume) {
    SOUND_OR_NOTHING();
    sound_->channelSetVolume(c, volume);
}
void EngineImpl::Channel_SetPitch(ChannelHandle c, float pitch) {
    SOUND_OR_NOTHING();
    sound_->channelSetPitch(c, pitch);
}
void EngineImpl::Channel_Pause(ChannelHandle c) {
    SOUND_OR_NOTHING();
    sound_->channelPause(c);
}
void EngineImpl::Channel_Resume(ChannelHandle c) {
    SOUND_OR_NOTHING();
    sound_->channelResume(c);
}
void EngineImpl::Channel_Stop(ChannelHandle c) {
    SOUND_OR_NOTHING();
    sound_->channelStop(c);
}
void EngineImpl::Channel_PauseAll() {
    SOUND_OR_NOTHING();
    sound_->channelPauseAll();
}
void EngineImpl::Channel_ResumeAll() {
    SOUND_OR_NOTHING();
    sound_->channelResumeAll();
}
void EngineImpl::Channel_StopAll() {
    SOUND_OR_NOTHING();
    sound_->channelStopAll();
}
bool EngineImpl::Channel_IsPlaying(ChannelHandle c) {
    SOUND_OR(false);
    return sound_->channelIsPlaying(c);
}
float EngineImpl::Channel_Length(ChannelHandle c) {
    SOUND_OR(-1.0f);
    return sound_->channelLength(c);
}
float EngineImpl::Channel_Position(ChannelHandle c) {
    SOUND_OR(-1.0f);
    return sound_->channelPosition(c);
}
void EngineImpl::Channel_Seek(ChannelHandle c, float seconds) {
    SOUND_OR_NOTHING();
    sound_->channelSeek(c, seconds);
}
void EngineImpl::Channel_Slide(ChannelHandle c, float time, int volume, int pan, float pitch) {
    SOUND_OR_NOTHING();
    sound_->channelSlide(c, time, volume, pan, pitch);
}
bool EngineImpl::Channel_IsSliding(ChannelHandle c) {
    SOUND_OR(false);
    return sound_->channelIsSliding(c);
}

void EngineImpl::Input_MousePos(float* x, float* y) { input_.mousePos(x, y); }
void EngineImpl::Input_WarpMouse(float x, float y) { input_.warpMouse(x, y); }
int EngineImpl::Input_Wheel() { return input_.wheel(); }
bool EngineImpl::Input_MouseInside() { return input_.mouseInside(); }
bool EngineImpl::Input_KeyPressed(int key) { return input_.keyPressed(key); }
bool EngineImpl::Input_KeyReleased(int key) { return input_.keyReleased(key); }
bool EngineImpl::Input_KeyHeld(int key) { return input_.keyHeld(key); }
const char* EngineImpl::Input_KeyName(int key) { return input_.keyName(key); }
int EngineImpl::Input_LastKey() { return input_.lastKey(); }
int EngineImpl::Input_LastChar() { return input_.lastChar(); }
bool EngineImpl::Input_NextEvent(InputEvent* event) { return input_.nextEvent(event); }

// Graphics calls before System_Initiate (no renderer yet) do nothing, nor do those
// of a frame the loop does not show.
#define GFX_OR(value) \
    if (!gfx_ || unseen_) return value
#define GFX_OR_NOTHING() \
    if (!gfx_ || unseen_) return

bool EngineImpl::Gfx_BeginScene(TargetHandle t) {
    if (gfx_ && unseen_) {
        // A frame not shown opens and closes its scene as a shown one does.
        if (unseenScene_) {
            ctx_.postError("Gfx_BeginScene: Scene is already being rendered");
            return false;
        }
        unseenScene_ = true;
        return true;
    }
    GFX_OR(false);
    return gfx_->beginScene(t);
}
void EngineImpl::Gfx_EndScene() {
    unseenScene_ = false;
    GFX_OR_NOTHING();
    gfx_->endScene();
}
void EngineImpl::Gfx_Flush() {
    GFX_OR_NOTHING();
    gfx_->flush();
}
void EngineImpl::Gfx_Clear(uint32_t color) {
    GFX_OR_NOTHING();
    gfx_->clear(color);
}
void EngineImpl::Gfx_DrawLine(float x1, float y1, float x2, float y2, uint32_t color, float z) {
    GFX_OR_NOTHING();
    gfx_->drawLine(x1, y1, x2, y2, color, z);
}
void EngineImpl::Gfx_DrawTriangle(const Triple* t) {
    GFX_OR_NOTHING();
    gfx_->drawTriangle(t);
}
void EngineImpl::Gfx_DrawQuad(const Quad* q) {
    GFX_OR_NOTHING();
    gfx_->drawQuad(q);
}
Vertex* EngineImpl::Gfx_OpenBatch(int type, TextureHandle tex, int blend, int* maxPrims) {
    GFX_OR(nullptr);
    return gfx_->openBatch(type, tex, blend, maxPrims);
}
void EngineImpl::Gfx_CloseBatch(int count) {
    GFX_OR_NOTHING();
    gfx_->closeBatch(count);
}
void EngineImpl::Gfx_SetClipRect(int x, int y, int w, int h) {
    GFX_OR_NOTHING();
    gfx_->setClipRect(x, y, w, h);
}
void EngineImpl::Gfx_SetViewTransform(float x, float y, float dx, float dy, float rot, float hs, float vs) {
    GFX_OR_NOTHING();
    gfx_->setViewTransform(x, y, dx, dy, rot, hs, vs);
}
void EngineImpl::Gfx_DrawRect(float x, float y, float w, float h, uint32_t color) {
    GFX_OR_NOTHING();
    gfx_->drawRect(x, y, w, h, color);
}
void* EngineImpl::Gfx_Device() {
    if (!gfx_) return nullptr;
    return gfx_->device();
}
TargetHandle EngineImpl::Target_Create(int w, int h, bool z) {
    GFX_OR(0);
    return gfx_->targetCreate(w, h, z);
}
void EngineImpl::Target_Free(TargetHandle t) {
    GFX_OR_NOTHING();
    gfx_->targetFree(t);
}
TextureHandle EngineImpl::Target_Texture(TargetHandle t) {
    GFX_OR(0);
    return gfx_->targetTexture(t);
}
TextureHandle EngineImpl::Texture_Create(int w, int h) {
    GFX_OR(0);
    return gfx_->textureCreate(w, h);
}
TextureHandle EngineImpl::Texture_Load(const char* f, uint32_t size, bool mipmap) {
    GFX_OR(0);
    return gfx_->textureLoad(f, size, mipmap);
}
void EngineImpl::Texture_Free(TextureHandle t) {
    GFX_OR_NOTHING();
    gfx_->textureFree(t);
}
int EngineImpl::Texture_Width(TextureHandle t, bool asLoaded) {
    GFX_OR(0);
    return gfx_->textureWidth(t, asLoaded);
}
int EngineImpl::Texture_Height(TextureHandle t, bool asLoaded) {
    GFX_OR(0);
    return gfx_->textureHeight(t, asLoaded);
}
uint32_t* EngineImpl::Texture_Lock(TextureHandle t, bool ro, int l, int tp, int w, int h) {
    GFX_OR(nullptr);
    return gfx_->textureLock(t, ro, l, tp, w, h);
}
void EngineImpl::Texture_Unlock(TextureHandle t) {
    GFX_OR_NOTHING();
    gfx_->textureUnlock(t);
}
