// What the OpenAL underneath offers, decided once, here, at compile time.
// Natively it is OpenAL Soft: its extension header, the loopback device (the silent
// output, tests and tools), a context per thread and stereo angles. In a browser it is
// emscripten's OpenAL on Web Audio: none of those and no threads, so the group runs
// without a sound thread, fed once per frame by the loop (Sound::pump). The rest of the
// sound code asks these constants instead of the compiler.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#if defined(__EMSCRIPTEN__)
#define TD_OPENAL_WEB 1
#else
#define TD_OPENAL_WEB 0
#include <AL/alext.h>
#endif

#if TD_OPENAL_WEB
// Extensions the browser's library implements without declaring them (AL_EXT_float32,
// AL_SOFT_source_spatialize, ALC_SOFT_HRTF), with their registered values.
#define AL_FORMAT_MONO_FLOAT32 0x10010
#define AL_FORMAT_STEREO_FLOAT32 0x10011
#define AL_SOURCE_SPATIALIZE_SOFT 0x1214
#define ALC_HRTF_SOFT 0x1992
// OpenAL Soft's only: named in code that the constants below keep from running.
#define AL_STEREO_ANGLES 0x1030
#define AL_DIRECT_CHANNELS_SOFT 0x1033
#define ALC_FORMAT_CHANNELS_SOFT 0x1990
#define ALC_FORMAT_TYPE_SOFT 0x1991
#define ALC_SHORT_SOFT 0x1402
#define ALC_FLOAT_SOFT 0x1406
#define ALC_STEREO_SOFT 0x1501
#endif

namespace openal {

namespace features {

constexpr bool WEB = TD_OPENAL_WEB;
// alcLoopbackOpenDeviceSOFT: the silent output when there is no device, and output
// that the caller renders.
constexpr bool LOOPBACK = !WEB;
// alcSetThreadContext; without it one context is made current for the process.
constexpr bool THREAD_CONTEXTS = !WEB;
// AL_EXT_STEREO_ANGLES pans a stereo voice; without it a stereo voice is spatialised
// and placed like a mono one.
constexpr bool STEREO_ANGLES = !WEB;
// A sound thread can feed the voices; without one the frame loop pumps them.
constexpr bool SOUND_THREAD = !WEB;
// OpenAL Soft's settings through the environment, and the quieted probe of ALSA.
constexpr bool SOFT_SETTINGS = !WEB;

}  // namespace features

// The entry points of OpenAL Soft's extensions, by their signatures.
using LoopbackOpenFn = ALCdevice* (*)(const ALCchar*);
using RenderFormatSupportedFn = ALCboolean (*)(ALCdevice*, ALCsizei, ALCenum, ALCenum);
using RenderSamplesFn = void (*)(ALCdevice*, ALCvoid*, ALCsizei);
using SetThreadContextFn = ALCboolean (*)(ALCcontext*);
using GetThreadContextFn = ALCcontext* (*)();
using DeviceFn = void (*)(ALCdevice*);

// The browser's Web Audio behind a context (web_audio.cpp, built in the browser only).
namespace web {
// How far ahead the library hands queued buffers to Web Audio: what survives a frame
// that blocks the page.
void setScheduleAhead(double seconds);
// The library leaves the AudioContext of a destroyed context running: closed here first.
void closeAudio(ALCcontext* context);
}  // namespace web

}  // namespace openal
