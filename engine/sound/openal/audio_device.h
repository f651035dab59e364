// The OpenAL device and context the sound group plays on: the system's default
// output, or the loopback device when there is none (rendered and thrown away by
// whoever feeds the voices) or when the caller renders. With OpenAL Soft, calls go to
// the context bound to the calling thread, so every thread that calls OpenAL binds it
// first. In a browser there is no loopback: without an output the group has no
// context at all and plays nothing.
#pragma once

#include "engine/sound/openal/al_features.h"

namespace openal {

constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 192000;

class AudioDevice {
public:
    enum class Output {
        System,  // the default output device, the silent loopback when there is none
        Silent,  // the silent loopback only (headless)
        Caller,  // a loopback that the caller renders as float
    };

    // Returns null, or the error text to post when the library cannot be used.
    const char* open(Output output, int rate);
    void close();

    void bind();
    void unbind();
    void pause();
    void resume();
    // Mixes frames of interleaved stereo (16-bit when silent, float for the caller).
    void render(void* out, int frames);

    int rate() const { return rate_; }
    // The output is the loopback device.
    bool loopback() const { return loopback_; }
    // No output device: the group runs silent.
    bool noDevice() const { return noDevice_; }
    // Not even a silent device: no OpenAL call may be made.
    bool absent() const { return !context_; }
    bool directChannels() const { return directChannels_; }

private:
    struct Extensions {
        LoopbackOpenFn loopbackOpen = nullptr;
        RenderFormatSupportedFn renderFormatSupported = nullptr;
        RenderSamplesFn renderSamples = nullptr;
        SetThreadContextFn setThreadContext = nullptr;
        GetThreadContextFn getThreadContext = nullptr;
        DeviceFn pauseDevice = nullptr;
        DeviceFn resumeDevice = nullptr;
        // False when an extension the build relies on is missing.
        bool load();
    };

    void openSystem(int rate);
    bool openLoopback(ALCenum type, int rate);

    Extensions alc_;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    bool loopback_ = false;
    bool noDevice_ = false;
    bool directChannels_ = false;
    int rate_ = 44100;
};

}  // namespace openal
