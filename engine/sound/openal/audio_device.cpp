#include "engine/sound/openal/audio_device.h"

#include "engine/sound/openal/streaming.h"

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace openal {
namespace {

// The versions this build was made against must be what runs: OpenAL 1.1 (OpenAL
// Soft natively, emscripten's in a browser), libopenmpt and libsndfile.
bool librariesMatch() {
    ALCint major = 0, minor = 0;
    alcGetIntegerv(nullptr, ALC_MAJOR_VERSION, 1, &major);
    alcGetIntegerv(nullptr, ALC_MINOR_VERSION, 1, &minor);
    if (major != 1 || minor < 1) return false;
    uint32_t mpt = openmpt_get_library_version();
    if ((mpt >> 24) != OPENMPT_API_VERSION_MAJOR || ((mpt >> 16) & 0xFF) < OPENMPT_API_VERSION_MINOR) return false;
    const char* sf = sf_version_string();
    return sf && std::strncmp(sf, "libsndfile-1.", 13) == 0;
}

// Without a sound card ALSA reports every probe on standard error; the player is not
// to see that. (OpenAL Soft's own log is quieted through its variable, unless set.)
[[maybe_unused]] void alsaSilent(const char*, int, const char*, int, const char*, ...) {}

class QuietProbe {
public:
    QuietProbe() {
        if constexpr (features::SOFT_SETTINGS) {
            lib_ = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
            if (lib_) set_ = reinterpret_cast<SetHandler>(dlsym(lib_, "snd_lib_error_set_handler"));
            if (set_) set_(alsaSilent);
        }
    }
    ~QuietProbe() {
        if constexpr (features::SOFT_SETTINGS) {
            if (set_) set_(nullptr);
            if (lib_) dlclose(lib_);
        }
    }

private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    void* lib_ = nullptr;
    SetHandler set_ = nullptr;
};

// An environment variable for the length of a scope, unless it is set already.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (features::SOFT_SETTINGS && value && !std::getenv(name)) set_ = setenv(name, value, 1) == 0;
    }
    ~ScopedEnv() {
        if (set_) unsetenv(name_);
    }

private:
    const char* name_;
    bool set_ = false;
};

// HRTF off: OpenAL Soft turns it on by itself when the output reports headphones, and
// its 3D filtering then leaks a hard pan into the other ear. (A user's own "hrtf = true"
// still wins: the library lets no program refuse it.) The end of an attribute list,
// with room for three values.
void endWithHrtfOff(ALCdevice* device, ALCint* end) {
    if (!alcIsExtensionPresent(device, "ALC_SOFT_HRTF")) {
        end[0] = 0;
        return;
    }
    end[0] = ALC_HRTF_SOFT;
    end[1] = ALC_FALSE;
    end[2] = 0;
}

// The float formats: OpenAL Soft names the extension in capitals, emscripten in
// lower case, and the browser's library compares names exactly.
bool hasFloat32() { return alIsExtensionPresent("AL_EXT_FLOAT32") || alIsExtensionPresent("AL_EXT_float32"); }

template <typename Fn>
Fn alcProc(const char* name) {
    return reinterpret_cast<Fn>(alcGetProcAddress(nullptr, name));
}

}  // namespace

bool AudioDevice::Extensions::load() {
    // Asked only when announced: emscripten reports an unknown name on the console.
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_pause_device")) {
        pauseDevice = alcProc<DeviceFn>("alcDevicePauseSOFT");
        resumeDevice = alcProc<DeviceFn>("alcDeviceResumeSOFT");
    }
    if constexpr (features::LOOPBACK) {
        if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
        loopbackOpen = alcProc<LoopbackOpenFn>("alcLoopbackOpenDeviceSOFT");
        renderFormatSupported = alcProc<RenderFormatSupportedFn>("alcIsRenderFormatSupportedSOFT");
        renderSamples = alcProc<RenderSamplesFn>("alcRenderSamplesSOFT");
        if (!loopbackOpen || !renderFormatSupported || !renderSamples) return false;
    }
    if constexpr (features::THREAD_CONTEXTS) {
        if (!alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) return false;
        setThreadContext = alcProc<SetThreadContextFn>("alcSetThreadContext");
        getThreadContext = alcProc<GetThreadContextFn>("alcGetThreadContext");
        if (!setThreadContext || !getThreadContext) return false;
    }
    return true;
}

const char* AudioDevice::open(Output output, int rate) {
    // OpenAL Soft reads its settings once, at its first use. Unless the user says
    // otherwise: no log on standard error, and when no output device is wanted (headless
    // tools and tests, the caller's loopback) no probing of the system's sound servers.
    // Only for this start: programs started from this one do not inherit them.
    ScopedEnv quietLog("ALSOFT_LOGLEVEL", "0");
    ScopedEnv noServers("ALSOFT_DRIVERS", output != Output::System ? "null" : nullptr);
    if (!librariesMatch() || !alc_.load()) return "Incorrect sound library version";
    rate = std::clamp(rate, MIN_RATE, MAX_RATE);
    loopback_ = false;
    noDevice_ = false;
    if (output == Output::System) openSystem(rate);
    if (!context_) {
        if constexpr (!features::LOOPBACK) {
            // In a browser without audio (or a headless one) the group runs with nothing
            // under it; a caller cannot render.
            if (output == Output::Caller) return "Can't open sound library";
            noDevice_ = true;
            return nullptr;
        }
        // The silent device: a loopback that is rendered and thrown away, or, for tests
        // and tools, that the caller renders as float.
        if (!openLoopback(output == Output::Caller ? ALC_FLOAT_SOFT : ALC_SHORT_SOFT, rate)) {
            return "Can't open sound library";
        }
        loopback_ = true;
        noDevice_ = output != Output::Caller;
    }
    // Bound first: emscripten answers the rate from the current context.
    bind();
    ALCint freq = 0;
    alcGetIntegerv(device_, ALC_FREQUENCY, 1, &freq);
    rate_ = freq >= MIN_RATE && freq <= MAX_RATE ? freq : rate;
    if (!hasFloat32() || (features::STEREO_ANGLES && !alIsExtensionPresent("AL_EXT_STEREO_ANGLES"))) {
        close();
        return "Incorrect sound library version";
    }
    directChannels_ = features::STEREO_ANGLES && alIsExtensionPresent("AL_SOFT_direct_channels");
    // Positions only pan: no distance and no Doppler. The listener faces -z with +y up
    // (emscripten's starts with no orientation, which puts every relative source on it).
    alDistanceModel(AL_NONE);
    const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_ORIENTATION, orientation);
    if constexpr (features::WEB) web::setScheduleAhead(PUMPED_QUEUE.ahead);
    return nullptr;
}

void AudioDevice::openSystem(int rate) {
    QuietProbe quiet;
    device_ = alcOpenDevice(nullptr);
    // OpenAL's own null output is no device either.
    const char* name = device_ ? alcGetString(device_, ALC_DEVICE_SPECIFIER) : nullptr;
    if (name && std::strcmp(name, "No Output") == 0) {
        alcCloseDevice(device_);
        device_ = nullptr;
    }
    if (!device_) return;
    ALCint attrs[] = {ALC_FREQUENCY, rate, ALC_MONO_SOURCES, 256, ALC_STEREO_SOURCES, 64, 0, 0, 0};
    endWithHrtfOff(device_, attrs + 6);
    context_ = alcCreateContext(device_, attrs);
    if (!context_) {
        alcCloseDevice(device_);
        device_ = nullptr;
    }
}

bool AudioDevice::openLoopback(ALCenum type, int rate) {
    device_ = alc_.loopbackOpen(nullptr);
    if (device_ && alc_.renderFormatSupported(device_, rate, ALC_STEREO_SOFT, type)) {
        ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, type, ALC_FREQUENCY, rate,
                          ALC_MONO_SOURCES, 256, ALC_STEREO_SOURCES, 64, 0, 0, 0};
        endWithHrtfOff(device_, attrs + 10);
        context_ = alcCreateContext(device_, attrs);
    }
    if (context_) return true;
    if (device_) alcCloseDevice(device_);
    device_ = nullptr;
    return false;
}

void AudioDevice::close() {
    unbind();
    if (context_) {
        if constexpr (features::WEB) web::closeAudio(context_);
        alcDestroyContext(context_);
    }
    if (device_) alcCloseDevice(device_);
    context_ = nullptr;
    device_ = nullptr;
    loopback_ = noDevice_ = false;
}

void AudioDevice::bind() {
    if (!context_) return;
    if constexpr (features::THREAD_CONTEXTS) {
        if (alc_.getThreadContext() != context_) alc_.setThreadContext(context_);
    } else if (alcGetCurrentContext() != context_) {
        alcMakeContextCurrent(context_);
    }
}

void AudioDevice::unbind() {
    if (!context_) return;
    if constexpr (features::THREAD_CONTEXTS) {
        if (alc_.getThreadContext && alc_.getThreadContext() == context_) alc_.setThreadContext(nullptr);
    } else if (alcGetCurrentContext() == context_) {
        alcMakeContextCurrent(nullptr);
    }
}

void AudioDevice::pause() {
    if (context_ && !loopback_ && alc_.pauseDevice) alc_.pauseDevice(device_);
}

void AudioDevice::resume() {
    if (context_ && !loopback_ && alc_.resumeDevice) alc_.resumeDevice(device_);
}

void AudioDevice::render(void* out, int frames) {
    if (loopback_) alc_.renderSamples(device_, out, frames);
}

}  // namespace openal
