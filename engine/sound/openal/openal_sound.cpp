// The sound group on OpenAL Soft. Every voice is an OpenAL source: an effect's voices
// play its one buffer, music and streams play a queue of short buffers that the sound
// thread keeps filled. The game thread and the sound thread share the tables below
// under one lock and hold it only for table updates and quick OpenAL calls; decoding
// runs outside it, on a Decoding object that only the sound thread touches once the
// voice exists.
#include "engine/sound/loopback.h"
#include "engine/sound/openal/decoders.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Handles: 2 kind bits, a generation, a slot. A freed or taken-over slot gets a new
// generation, so old handles stop matching.
constexpr int SLOT_BITS = 12;
constexpr int SLOTS = 1 << SLOT_BITS;  // slot 0 is never used
constexpr uint32_t SLOT_MASK = SLOTS - 1;
constexpr uint32_t GEN_MASK = (1u << (30 - SLOT_BITS)) - 1;
constexpr uint32_t KIND_MASK = 3u << 30;
constexpr uint32_t KIND_EFFECT = 1u << 30;
constexpr uint32_t KIND_CHANNEL = 2u << 30;

constexpr int EFFECT_VOICES = 4;
constexpr int CHUNK_FRAMES = 1024;
constexpr int STREAM_BUFFERS = 12;
constexpr double STREAM_AHEAD = 0.12;  // seconds of output kept queued per streaming voice
constexpr auto TICK = std::chrono::milliseconds(5);
constexpr int DRIVEN_STEP = 256;  // frames between two services when the caller renders
constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 192000;
constexpr float HALF_PI = 1.57079632679f;
constexpr float SIXTH_PI = 0.52359877560f;

uint32_t nextGen(uint32_t gen) {
    gen = (gen + 1) & GEN_MASK;
    return gen ? gen : 1;
}
uint32_t makeHandle(uint32_t kind, int slot, uint32_t gen) {
    return kind | (gen << SLOT_BITS) | static_cast<uint32_t>(slot);
}
int handleSlot(uint32_t h) { return static_cast<int>(h & SLOT_MASK); }
uint32_t handleGen(uint32_t h) { return (h >> SLOT_BITS) & GEN_MASK; }

enum class Kind : uint8_t { None, Effect, Music, Stream };
enum class Run : uint8_t { Stopped, Playing, Paused };
enum class SeekKind : uint8_t { None, OrderRow, Seconds };

// Where a queued buffer starts in the source.
struct Tag {
    double seconds = 0.0;
    int order = 0;
    int row = 0;
    int frames = 0;
};

// What the sound thread decodes with. Built by the game thread at load; afterwards
// only the sound thread touches it (the settings are copied in under the lock).
struct Decoding {
    std::unique_ptr<ModulePlayer> module;
    std::unique_ptr<StreamDecoder> file;
    std::vector<float> scratch;  // STREAM_BUFFERS chunks
    std::vector<int> trackVolume;
    std::vector<uint8_t> trackTouched;
    std::vector<int> instrumentVolume;
    int amplify = 50;
    bool loop = false;
    bool settingsDirty = true;
};

// The queue side of a music or stream voice, under the lock.
struct Streaming {
    std::shared_ptr<Decoding> dec;
    int channels = 2;
    int rate = 0;
    ALenum format = AL_FORMAT_STEREO_FLOAT32;
    ALuint buffers[STREAM_BUFFERS] = {};
    ALuint freeList[STREAM_BUFFERS] = {};
    int freeCount = 0;
    Tag tags[STREAM_BUFFERS];  // in queue order from tagHead
    int tagHead = 0;
    int tagCount = 0;
    Run run = Run::Stopped;
    bool loop = false;
    bool ended = false;  // the decoder has nothing more
    uint32_t epoch = 0;  // every flush bumps it: chunks decoded before are dropped
    SeekKind seek = SeekKind::None;
    int seekOrder = 0;
    int seekRow = 0;
    double seekSeconds = 0.0;
    // Music settings as the game set them.
    int amplify = 50;
    std::vector<int> trackVolume;
    std::vector<uint8_t> trackTouched;
    std::vector<int> instrumentVolume;
    std::vector<int> orderRows;
    bool settingsDirty = false;
    int orderCount = 0;
    double length = -1.0;
    // The decoder's own position, as the sound thread last left it.
    double decSeconds = 0.0;
    int decOrder = 0;
    int decRow = 0;

    Tag& tagAt(int i) { return tags[(tagHead + i) % STREAM_BUFFERS]; }
};

struct Slide {
    bool on = false;
    float from = 0.0f;
    float to = 0.0f;
    double time = 0.0;
    double begin = 0.0;  // on the group's clock
};

struct Voice {
    Kind kind = Kind::None;
    uint32_t gen = 1;
    ALuint source = 0;
    int effect = 0;  // owning effect slot
    bool stereo = false;
    float volume = 100.0f;
    float pan = 0.0f;
    float rate = 0.0f;
    float baseRate = 0.0f;
    uint64_t started = 0;
    Slide slideVolume, slidePan, slideRate;
    std::unique_ptr<Streaming> stream;

    bool sliding() const { return slideVolume.on || slidePan.on || slideRate.on; }
    void stopSlides() { slideVolume.on = slidePan.on = slideRate.on = false; }
};

struct Effect {
    bool used = false;
    uint32_t gen = 1;
    ALuint buffer = 0;
    int rate = 0;
    int channels = 0;
    size_t frames = 0;
    int voices[EFFECT_VOICES] = {};
};

// One streaming voice's work for the sound thread, taken under the lock.
struct Job {
    int slot = 0;
    uint32_t gen = 0;
    uint32_t epoch = 0;
    std::shared_ptr<Decoding> dec;
    SeekKind seek = SeekKind::None;
    int order = 0;
    int row = 0;
    double seconds = 0.0;
    bool loop = false;
    int want = 0;
    int channels = 2;
    int rate = 0;
    int chunks = 0;
    Tag tags[STREAM_BUFFERS];
    bool ended = false;
    Tag decoderAt;
};

// The OpenAL Soft extensions the group relies on.
struct AlcExtensions {
    LPALCLOOPBACKOPENDEVICESOFT loopbackOpen = nullptr;
    LPALCISRENDERFORMATSUPPORTEDSOFT renderFormatSupported = nullptr;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
    PFNALCSETTHREADCONTEXTPROC setThreadContext = nullptr;
    PFNALCGETTHREADCONTEXTPROC getThreadContext = nullptr;
    LPALCDEVICEPAUSESOFT pauseDevice = nullptr;
    LPALCDEVICERESUMESOFT resumeDevice = nullptr;

    bool load() {
        if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") ||
            !alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) {
            return false;
        }
        loopbackOpen = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        renderFormatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
            alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
        renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        setThreadContext = reinterpret_cast<PFNALCSETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
        getThreadContext = reinterpret_cast<PFNALCGETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
        pauseDevice = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(nullptr, "alcDevicePauseSOFT"));
        resumeDevice = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(nullptr, "alcDeviceResumeSOFT"));
        return loopbackOpen && renderFormatSupported && renderSamples && setThreadContext && getThreadContext;
    }
};

// The versions this build was made against must be what runs.
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
void alsaSilent(const char*, int, const char*, int, const char*, ...) {}

class QuietProbe {
public:
    QuietProbe() {
        lib_ = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (lib_) set_ = reinterpret_cast<SetHandler>(dlsym(lib_, "snd_lib_error_set_handler"));
        if (set_) set_(alsaSilent);
    }
    ~QuietProbe() {
        if (set_) set_(nullptr);
        if (lib_) dlclose(lib_);
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
        if (value && !std::getenv(name)) set_ = setenv(name, value, 1) == 0;
    }
    ~ScopedEnv() {
        if (set_) unsetenv(name_);
    }

private:
    const char* name_;
    bool set_ = false;
};

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// ---------------------------------------------------------------------------------

class OpenALSound final : public LoopbackSound {
public:
    enum class Mode { Device, Driven };

    OpenALSound(EngineContext& ctx, Mode mode) : ctx_(ctx), mode_(mode) {
        voices_.resize(SLOTS);
        effects_.resize(SLOTS);
        jobs_.reserve(32);
    }
    ~OpenALSound() override { shutdown(); }

    bool start() override;
    void shutdown() override;
    void applyVolumes() override;

    EffectHandle effectLoad(const char* filename, uint32_t size) override;
    void effectFree(EffectHandle effect) override;
    ChannelHandle effectPlay(EffectHandle effect) override { return effectPlayWith(effect, 100, 0, 1.0f, false); }
    ChannelHandle effectPlayWith(EffectHandle effect, int volume, int pan, float pitch, bool loop) override;

    MusicHandle musicLoad(const char* filename, uint32_t size) override;
    void musicFree(MusicHandle music) override { freeStreaming(music, Kind::Music); }
    ChannelHandle musicPlay(MusicHandle music, bool loop, int volume, int order, int row) override;
    void musicSetAmplify(MusicHandle music, int amplify) override;
    int musicGetAmplify(MusicHandle music) override;
    int musicOrderCount(MusicHandle music) override;
    void musicSeek(MusicHandle music, int order, int row) override;
    bool musicTell(MusicHandle music, int* order, int* row) override;
    void musicSetInstrumentVolume(MusicHandle music, int instrument, int volume) override;
    int musicGetInstrumentVolume(MusicHandle music, int instrument) override;
    void musicSetTrackVolume(MusicHandle music, int track, int volume) override;
    int musicGetTrackVolume(MusicHandle music, int track) override;

    StreamHandle streamLoad(const char* filename, uint32_t size) override;
    void streamFree(StreamHandle stream) override { freeStreaming(stream, Kind::Stream); }
    ChannelHandle streamPlay(StreamHandle stream, bool loop, int volume) override;

    void channelSetPan(ChannelHandle channel, int pan) override;
    void channelSetVolume(ChannelHandle channel, int volume) override;
    void channelSetPitch(ChannelHandle channel, float pitch) override;
    void channelPause(ChannelHandle channel) override;
    void channelResume(ChannelHandle channel) override;
    void channelStop(ChannelHandle channel) override;
    void channelPauseAll() override;
    void channelResumeAll() override;
    void channelStopAll() override;
    bool channelIsPlaying(ChannelHandle channel) override;
    float channelLength(ChannelHandle channel) override;
    float channelPosition(ChannelHandle channel) override;
    void channelSeek(ChannelHandle channel, float seconds) override;
    void channelSlide(ChannelHandle channel, float time, int volume, int pan, float pitch) override;
    bool channelIsSliding(ChannelHandle channel) override;

    void render(float* out, int frames) override;
    int sampleRate() const override { return deviceRate_; }

private:
    using Lock = std::lock_guard<std::mutex>;

    void bind();
    void unbind();
    void closeDevice();
    void threadMain();
    double clock();
    bool service();
    void wake();

    void* readFile(const char* filename, uint32_t size, size_t* outSize, bool* owned, const char* error);
    void releaseFile(void* data, bool owned);

    int findFreeVoice();
    Voice* findVoice(ChannelHandle h);
    Voice* findStreaming(uint32_t h, Kind kind);
    Effect* findEffect(EffectHandle h);
    void releaseVoice(Voice& v);
    void freeStreaming(uint32_t h, Kind kind);
    uint32_t addStreaming(std::unique_ptr<Streaming> s, Kind kind, const char* error);
    void stopVoice(Voice& v);
    void setupSource(ALuint source);

    void applyGain(Voice& v);
    void applyPan(Voice& v);
    void applyRate(Voice& v);
    float rateFor(const Voice& v, float pitch) const;
    static void setVolume(Voice& v, int volume) { v.volume = static_cast<float>(std::min(volume, 100)); }
    static void setPan(Voice& v, int pan) { v.pan = static_cast<float>(std::clamp(pan, -100, 100)); }
    void advanceSlides(Voice& v, double now);

    ALint sourceState(const Voice& v);
    void reclaim(Voice& v);
    void flush(Voice& v, bool keepPosition);
    void resumeStreaming(Voice& v);
    void restartLevels(Voice& v, int volume);
    static bool hasOrderRow(const Streaming& s, int order, int row);
    void seekOrderRow(Voice& v, int order, int row);
    Tag audible(Voice& v);
    void prepare(int slot, Voice& v);
    void decode(Job& job);
    void publish(Job& job);

    EngineContext& ctx_;
    const Mode mode_;
    AlcExtensions alc_;

    // Fixed while started.
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    bool loopback_ = false;
    bool noDevice_ = false;
    bool directChannels_ = false;
    int deviceRate_ = 44100;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::thread thread_;
    // Under mutex_.
    bool started_ = false;
    bool quit_ = false;
    bool wake_ = false;
    bool pausedAll_ = false;
    int fxVolume_ = 100;
    int musicVolume_ = 100;
    int streamVolume_ = 100;
    uint64_t serial_ = 0;
    int highWater_ = 1;
    std::vector<Voice> voices_;
    std::vector<Effect> effects_;

    // The sound thread's own (the caller's in render()).
    std::vector<Job> jobs_;
    // Under mutex_: the time the caller has rendered, the clock of slides when it drives.
    double rendered_ = 0.0;
    Clock::time_point epoch_ = Clock::now();
};

// ---------------------------------------------------------------------------------
// Start-up and shut-down.

bool OpenALSound::start() {
    {
        Lock lock(mutex_);
        if (started_) return true;
    }
    // OpenAL Soft reads its settings once, at its first use. Unless the user says
    // otherwise: no log on standard error, and when no output device is wanted (headless
    // tools and tests, the caller's loopback) no probing of the system's sound servers.
    // Only for this start: programs started from this one do not inherit them.
    ScopedEnv quietLog("ALSOFT_LOGLEVEL", "0");
    ScopedEnv noServers("ALSOFT_DRIVERS", mode_ == Mode::Driven || ctx_.headless ? "null" : nullptr);
    if (!librariesMatch() || !alc_.load()) {
        ctx_.postError("Incorrect sound library version");
        return false;
    }
    const int rate = std::clamp(ctx_.sampleRate, MIN_RATE, MAX_RATE);
    loopback_ = false;
    noDevice_ = false;
    if (mode_ == Mode::Device && !ctx_.headless) {
        QuietProbe quiet;
        device_ = alcOpenDevice(nullptr);
        // OpenAL's own null output is no device either.
        const char* name = device_ ? alcGetString(device_, ALC_DEVICE_SPECIFIER) : nullptr;
        if (name && std::strcmp(name, "No Output") == 0) {
            alcCloseDevice(device_);
            device_ = nullptr;
        }
        if (device_) {
            const ALCint attrs[] = {ALC_FREQUENCY, rate, ALC_MONO_SOURCES, 256, ALC_STEREO_SOURCES, 64, 0};
            context_ = alcCreateContext(device_, attrs);
            if (!context_) {
                alcCloseDevice(device_);
                device_ = nullptr;
            }
        }
    }
    if (!context_) {
        // The silent device: a loopback that the sound thread renders and throws away,
        // or, for tests and tools, that the caller renders as float.
        const ALCenum type = mode_ == Mode::Driven ? ALC_FLOAT_SOFT : ALC_SHORT_SOFT;
        device_ = alc_.loopbackOpen(nullptr);
        if (device_ && alc_.renderFormatSupported(device_, rate, ALC_STEREO_SOFT, type)) {
            const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, type,
                                    ALC_FREQUENCY, rate, ALC_MONO_SOURCES, 256, ALC_STEREO_SOURCES, 64, 0};
            context_ = alcCreateContext(device_, attrs);
        }
        if (!context_) {
            if (device_) alcCloseDevice(device_);
            device_ = nullptr;
            ctx_.postError("Can't open sound library");
            return false;
        }
        loopback_ = true;
        noDevice_ = mode_ == Mode::Device;
    }
    ALCint freq = 0;
    alcGetIntegerv(device_, ALC_FREQUENCY, 1, &freq);
    deviceRate_ = freq >= MIN_RATE && freq <= MAX_RATE ? freq : rate;
    bind();
    if (!alIsExtensionPresent("AL_EXT_FLOAT32") || !alIsExtensionPresent("AL_EXT_STEREO_ANGLES")) {
        closeDevice();
        ctx_.postError("Incorrect sound library version");
        return false;
    }
    directChannels_ = alIsExtensionPresent("AL_SOFT_direct_channels");
    // Positions only pan: no distance and no Doppler.
    alDistanceModel(AL_NONE);
    {
        Lock lock(mutex_);
        started_ = true;
        quit_ = false;
        wake_ = false;
        pausedAll_ = false;
    }
    applyVolumes();
    rendered_ = 0.0;
    if (mode_ == Mode::Device) thread_ = std::thread(&OpenALSound::threadMain, this);
    return true;
}

void OpenALSound::shutdown() {
    {
        Lock lock(mutex_);
        if (!started_) return;
        quit_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    {
        Lock lock(mutex_);
        bind();
        for (int i = 1; i < highWater_; ++i) {
            Voice& v = voices_[i];
            if (v.kind != Kind::None) releaseVoice(v);
        }
        for (Effect& e : effects_) {
            if (!e.used) continue;
            alDeleteBuffers(1, &e.buffer);
            e = Effect{false, nextGen(e.gen)};
        }
        highWater_ = 1;
        started_ = false;
        pausedAll_ = false;
    }
    closeDevice();
}

void OpenALSound::closeDevice() {
    unbind();
    if (context_) alcDestroyContext(context_);
    if (device_) alcCloseDevice(device_);
    context_ = nullptr;
    device_ = nullptr;
    loopback_ = noDevice_ = false;
}

void OpenALSound::bind() {
    if (alc_.getThreadContext() != context_) alc_.setThreadContext(context_);
}

void OpenALSound::unbind() {
    if (alc_.getThreadContext && alc_.getThreadContext() == context_) alc_.setThreadContext(nullptr);
}

void OpenALSound::applyVolumes() {
    Lock lock(mutex_);
    fxVolume_ = std::clamp(ctx_.fxVolume, 0, 100);
    musicVolume_ = std::clamp(ctx_.musicVolume, 0, 100);
    streamVolume_ = std::clamp(ctx_.streamVolume, 0, 100);
    if (!started_) return;
    bind();
    for (int i = 1; i < highWater_; ++i) {
        Voice& v = voices_[i];
        if (v.kind != Kind::None && v.source) applyGain(v);
    }
}

void OpenALSound::wake() {
    wake_ = true;
    cv_.notify_one();
}

// ---------------------------------------------------------------------------------
// The sound thread, and its work done by render() instead when the caller drives.

void OpenALSound::threadMain() {
    bind();
    // A quarter second of silent output at most per pass, should the thread stall.
    const int maxFrames = deviceRate_ / 4;
    std::vector<int16_t> discard(noDevice_ ? static_cast<size_t>(maxFrames) * 2 : 0);
    Clock::time_point last = Clock::now();
    double owed = 0.0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait_for(lock, TICK, [this] { return quit_ || wake_; });
            if (quit_) break;
            wake_ = false;
        }
        Clock::time_point now = Clock::now();
        double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        bool paused = service();
        if (noDevice_ && !paused) {
            owed += dt * deviceRate_;
            int frames = static_cast<int>(owed);
            owed -= frames;
            if (frames > maxFrames) {
                frames = maxFrames;
                owed = 0.0;
            }
            if (frames > 0) {
                // Under the lock, so that the mix never overlaps a call from the game
                // thread: a few hundred frames, some microseconds.
                Lock lock(mutex_);
                if (!pausedAll_) alc_.renderSamples(device_, discard.data(), frames);
            }
        }
    }
    unbind();
}

void OpenALSound::render(float* out, int frames) {
    if (!out || frames <= 0) return;
    while (frames > 0) {
        const int n = std::min(frames, DRIVEN_STEP);
        // A step hears the slides' values of its own start.
        const bool paused = service();
        bool live = false;
        {
            Lock lock(mutex_);
            live = started_ && loopback_ && !paused;
            rendered_ += static_cast<double>(n) / deviceRate_;
        }
        if (live) {
            bind();
            alc_.renderSamples(device_, out, n);
        } else {
            std::fill(out, out + 2 * n, 0.0f);
        }
        out += 2 * n;
        frames -= n;
    }
}

// Seconds on the clock of slides: real time, or the time rendered when the caller drives.
// Under the lock.
double OpenALSound::clock() {
    if (mode_ == Mode::Driven) return rendered_;
    return std::chrono::duration<double>(Clock::now() - epoch_).count();
}

bool OpenALSound::service() {
    bool paused = true;
    {
        Lock lock(mutex_);
        if (!started_) return true;
        bind();
        paused = pausedAll_;
        const double now = clock();
        for (int i = 1; i < highWater_; ++i) {
            Voice& v = voices_[i];
            if (v.kind == Kind::None) continue;
            if (v.sliding()) advanceSlides(v, now);
            if (v.stream) prepare(i, v);
        }
    }
    if (jobs_.empty()) return paused;
    for (Job& job : jobs_) decode(job);
    {
        Lock lock(mutex_);
        if (started_) {
            for (Job& job : jobs_) publish(job);
        }
    }
    // Outside the lock: a decoder freed meanwhile is destroyed here.
    jobs_.clear();
    return paused;
}

// ---------------------------------------------------------------------------------
// Voices.

void OpenALSound::setupSource(ALuint source) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, -1.0f);
}

void OpenALSound::applyGain(Voice& v) {
    const int global = v.kind == Kind::Effect ? fxVolume_ : v.kind == Kind::Music ? musicVolume_ : streamVolume_;
    alSourcef(v.source, AL_GAIN, clampf(v.volume / 100.0f * static_cast<float>(global) / 100.0f, 0.0f, 1.0f));
}

void OpenALSound::applyPan(Voice& v) {
    const float p = v.pan / 100.0f;
    if (!v.stereo) {
        // A mono voice sits on the front half circle: -100 hard left, 100 hard right.
        const float a = p * HALF_PI;
        alSource3f(v.source, AL_POSITION, std::sin(a), 0.0f, -std::cos(a));
        return;
    }
    // A stereo voice moves its far channel over to the near side; centred, it plays as is.
    if (directChannels_) alSourcei(v.source, AL_DIRECT_CHANNELS_SOFT, p == 0.0f ? AL_TRUE : AL_FALSE);
    ALfloat angles[2] = {SIXTH_PI, -SIXTH_PI};
    if (p < 0.0f) angles[1] = -SIXTH_PI - p * 2.0f * SIXTH_PI;
    if (p > 0.0f) angles[0] = SIXTH_PI - p * 2.0f * SIXTH_PI;
    alSourcefv(v.source, AL_STEREO_ANGLES, angles);
}

// OpenAL resamples by pitch x buffer rate / device rate; OpenAL Soft 1.19 caps that step
// at 255 (later releases at 10), far above the game's 8.75 on 22 kHz samples (4.4).
void OpenALSound::applyRate(Voice& v) {
    alSourcef(v.source, AL_PITCH, v.baseRate > 0.0f ? v.rate / v.baseRate : 1.0f);
}

// The rate a pitch factor asks for, in whole Hz: 0 is the voice's own rate, a
// negative result leaves the rate as it is (returned as -1).
float OpenALSound::rateFor(const Voice& v, float pitch) const {
    if (!std::isfinite(pitch)) return -1.0f;
    double r = std::trunc(static_cast<double>(v.baseRate) * pitch);
    if (r < 0.0) return -1.0f;
    if (r == 0.0) return v.baseRate;
    return static_cast<float>(std::min(r, 1.0e7));
}

void OpenALSound::advanceSlides(Voice& v, double now) {
    auto step = [now](Slide& s, float* value) {
        if (!s.on) return false;
        const double t = s.time > 0.0 ? std::clamp((now - s.begin) / s.time, 0.0, 1.0) : 1.0;
        *value = static_cast<float>(s.from + (s.to - s.from) * t);
        if (t >= 1.0) s.on = false;
        return true;
    };
    if (step(v.slideVolume, &v.volume)) applyGain(v);
    if (step(v.slidePan, &v.pan)) applyPan(v);
    if (step(v.slideRate, &v.rate)) applyRate(v);
}

int OpenALSound::findFreeVoice() {
    for (int i = 1; i < SLOTS; ++i) {
        if (voices_[i].kind == Kind::None) {
            highWater_ = std::max(highWater_, i + 1);
            return i;
        }
    }
    return 0;
}

Voice* OpenALSound::findVoice(ChannelHandle h) {
    if ((h & KIND_MASK) != KIND_CHANNEL) return nullptr;
    const int slot = handleSlot(h);
    if (slot <= 0 || slot >= highWater_) return nullptr;
    Voice& v = voices_[slot];
    if (v.kind == Kind::None || v.gen != handleGen(h) || !v.source) return nullptr;
    return &v;
}

Voice* OpenALSound::findStreaming(uint32_t h, Kind kind) {
    Voice* v = findVoice(h);
    return v && v->kind == kind ? v : nullptr;
}

Effect* OpenALSound::findEffect(EffectHandle h) {
    if ((h & KIND_MASK) != KIND_EFFECT) return nullptr;
    const int slot = handleSlot(h);
    if (slot <= 0 || slot >= SLOTS) return nullptr;
    Effect& e = effects_[slot];
    return e.used && e.gen == handleGen(h) ? &e : nullptr;
}

void OpenALSound::releaseVoice(Voice& v) {
    if (v.source) {
        alSourceStop(v.source);
        alSourcei(v.source, AL_BUFFER, 0);
        alDeleteSources(1, &v.source);
    }
    if (v.stream) alDeleteBuffers(STREAM_BUFFERS, v.stream->buffers);
    const uint32_t gen = nextGen(v.gen);
    v = Voice();
    v.gen = gen;
}

ALint OpenALSound::sourceState(const Voice& v) {
    ALint state = AL_INITIAL;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    return state;
}

// ---------------------------------------------------------------------------------
// Loading.

// The data of a load: the caller's block, or the file through Resource_Load (whose
// own error text stands when it fails).
void* OpenALSound::readFile(const char* filename, uint32_t size, size_t* outSize, bool* owned,
                            const char* error) {
    *owned = false;
    *outSize = 0;
    if (!filename || (size == 0 && !ctx_.engine)) {
        ctx_.postError("%s", error);
        return nullptr;
    }
    if (size) {
        *outSize = size;
        return const_cast<char*>(filename);
    }
    uint32_t n = 0;
    void* data = ctx_.engine->Resource_Load(filename, &n);
    if (!data) return nullptr;
    *owned = true;
    *outSize = n;
    return data;
}

void OpenALSound::releaseFile(void* data, bool owned) {
    if (owned && ctx_.engine) ctx_.engine->Resource_Free(data);
}

EffectHandle OpenALSound::effectLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
        if (noDevice_) return 1;
    }
    size_t n = 0;
    bool owned = false;
    void* data = readFile(filename, size, &n, &owned, "Can't create sound effect");
    if (!data) return 0;
    DecodedSample sample;
    DecodeResult result = decodeSample(data, n, &sample);
    releaseFile(data, owned);
    if (result != DecodeResult::Ok) {
        ctx_.postError(result == DecodeResult::NoMemory ? "Can't create sound effect: Not enough memory"
                                                        : "Can't create sound effect");
        return 0;
    }

    // Every OpenAL call under the lock, so that none overlaps a mix of the silent device.
    Lock lock(mutex_);
    if (!started_) return 0;
    bind();
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) {
        ctx_.postError("Can't create sound effect: Not enough memory");
        return 0;
    }
    alBufferData(buffer, sample.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, sample.pcm.data(),
                 static_cast<ALsizei>(sample.pcm.size() * sizeof(int16_t)), sample.rate);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        ctx_.postError(err == AL_OUT_OF_MEMORY ? "Can't create sound effect: Not enough memory"
                                               : "Can't create sound effect");
        return 0;
    }

    int eslot = 0;
    for (int i = 1; i < SLOTS && !eslot; ++i) {
        if (!effects_[i].used) eslot = i;
    }
    int slots[EFFECT_VOICES] = {};
    int found = 0;
    for (int i = 1; i < SLOTS && found < EFFECT_VOICES && eslot; ++i) {
        if (voices_[i].kind == Kind::None) slots[found++] = i;
    }
    if (!eslot || found < EFFECT_VOICES) {
        alDeleteBuffers(1, &buffer);
        ctx_.postError("Can't create sound effect: Not enough memory");
        return 0;
    }
    Effect& e = effects_[eslot];
    e.used = true;
    e.buffer = buffer;
    e.rate = sample.rate;
    e.channels = sample.channels;
    e.frames = sample.frames;
    for (int i = 0; i < EFFECT_VOICES; ++i) {
        Voice& v = voices_[slots[i]];
        v.kind = Kind::Effect;
        v.effect = eslot;
        v.stereo = sample.channels == 2;
        v.baseRate = v.rate = static_cast<float>(sample.rate);
        e.voices[i] = slots[i];
        highWater_ = std::max(highWater_, slots[i] + 1);
    }
    return makeHandle(KIND_EFFECT, eslot, e.gen);
}

void OpenALSound::effectFree(EffectHandle effect) {
    Lock lock(mutex_);
    Effect* e = findEffect(effect);
    if (!e) return;
    bind();
    for (int slot : e->voices) releaseVoice(voices_[slot]);
    alDeleteBuffers(1, &e->buffer);
    *e = Effect{false, nextGen(e->gen)};
}

ChannelHandle OpenALSound::effectPlayWith(EffectHandle effect, int volume, int pan, float pitch, bool loop) {
    Lock lock(mutex_);
    Effect* e = findEffect(effect);
    if (!e) return 0;
    bind();
    // A free voice, else the one that has played longest.
    int pick = -1;
    for (int i = 0; i < EFFECT_VOICES && pick < 0; ++i) {
        const Voice& v = voices_[e->voices[i]];
        if (!v.source) {
            pick = i;
            continue;
        }
        ALint state = sourceState(v);
        if (state != AL_PLAYING && state != AL_PAUSED) pick = i;
    }
    if (pick < 0) {
        pick = 0;
        for (int i = 1; i < EFFECT_VOICES; ++i) {
            if (voices_[e->voices[i]].started < voices_[e->voices[pick]].started) pick = i;
        }
    }
    const int slot = e->voices[pick];
    Voice& v = voices_[slot];
    if (!v.source) {
        alGetError();
        alGenSources(1, &v.source);
        if (alGetError() != AL_NO_ERROR) {
            v.source = 0;
            return 0;
        }
        setupSource(v.source);
        alSourcei(v.source, AL_BUFFER, static_cast<ALint>(e->buffer));
    }
    alSourceStop(v.source);
    v.gen = nextGen(v.gen);
    v.stopSlides();
    v.volume = 100.0f;
    v.pan = 0.0f;
    v.rate = v.baseRate;
    if (volume >= 0) setVolume(v, volume);
    if (pan != -101) setPan(v, pan);
    if (float r = rateFor(v, pitch); r > 0.0f) v.rate = r;
    alSourcei(v.source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    applyGain(v);
    applyPan(v);
    applyRate(v);
    alSourcePlay(v.source);
    v.started = ++serial_;
    return makeHandle(KIND_CHANNEL, slot, v.gen);
}

MusicHandle OpenALSound::musicLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
    }
    size_t n = 0;
    bool owned = false;
    void* data = readFile(filename, size, &n, &owned, "Can't load music");
    if (!data) return 0;
    std::unique_ptr<ModulePlayer> player = ModulePlayer::open(data, n);
    releaseFile(data, owned);
    if (!player) {
        ctx_.postError("Can't load music");
        return 0;
    }

    auto s = std::make_unique<Streaming>();
    s->channels = 2;
    s->rate = deviceRate_;
    s->format = AL_FORMAT_STEREO_FLOAT32;
    s->orderCount = player->orderCount();
    s->length = player->duration();
    s->orderRows.resize(static_cast<size_t>(s->orderCount));
    for (int i = 0; i < s->orderCount; ++i) s->orderRows[static_cast<size_t>(i)] = player->rowsAt(i);
    s->trackVolume.assign(static_cast<size_t>(player->trackCount()), 100);
    s->trackTouched.assign(static_cast<size_t>(player->trackCount()), 0);
    s->instrumentVolume.assign(static_cast<size_t>(player->instrumentCount()), 100);
    s->decOrder = player->order();
    s->decRow = player->row();
    auto dec = std::make_shared<Decoding>();
    dec->scratch.resize(static_cast<size_t>(STREAM_BUFFERS) * CHUNK_FRAMES * 2);
    dec->trackVolume = s->trackVolume;
    dec->trackTouched = s->trackTouched;
    dec->instrumentVolume = s->instrumentVolume;
    dec->module = std::move(player);
    s->dec = std::move(dec);

    return addStreaming(std::move(s), Kind::Music, "Can't load music");
}

StreamHandle OpenALSound::streamLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
        if (noDevice_) return 1;
    }
    size_t n = 0;
    bool owned = false;
    void* data = readFile(filename, size, &n, &owned, "Can't load stream");
    if (!data) return 0;
    // The stream keeps its own copy until it is freed.
    std::unique_ptr<StreamDecoder> file;
    try {
        auto* bytes = static_cast<const unsigned char*>(data);
        file = StreamDecoder::open(std::vector<unsigned char>(bytes, bytes + n));
    } catch (const std::bad_alloc&) {
        file.reset();
    }
    releaseFile(data, owned);
    if (!file) {
        ctx_.postError("Can't load stream");
        return 0;
    }

    auto s = std::make_unique<Streaming>();
    s->channels = file->channels();
    s->rate = file->rate();
    s->format = s->channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32;
    s->length = file->frames() >= 0 ? static_cast<double>(file->frames()) / file->rate() : -1.0;
    s->decOrder = s->decRow = 0;
    auto dec = std::make_shared<Decoding>();
    dec->scratch.resize(static_cast<size_t>(STREAM_BUFFERS) * CHUNK_FRAMES * static_cast<size_t>(s->channels));
    dec->file = std::move(file);
    s->dec = std::move(dec);

    return addStreaming(std::move(s), Kind::Stream, "Can't load stream");
}

// Gives a loaded music or stream its voice: a source and its queue of buffers. The
// decoder of a failed load goes with s, after the lock is released.
uint32_t OpenALSound::addStreaming(std::unique_ptr<Streaming> s, Kind kind, const char* error) {
    Lock lock(mutex_);
    if (!started_) return 0;
    bind();
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        ctx_.postError("%s", error);
        return 0;
    }
    alGenBuffers(STREAM_BUFFERS, s->buffers);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        ctx_.postError("%s", error);
        return 0;
    }
    std::copy(s->buffers, s->buffers + STREAM_BUFFERS, s->freeList);
    s->freeCount = STREAM_BUFFERS;
    setupSource(source);
    const int slot = findFreeVoice();
    if (!slot) {
        alDeleteSources(1, &source);
        alDeleteBuffers(STREAM_BUFFERS, s->buffers);
        ctx_.postError("%s", error);
        return 0;
    }
    Voice& v = voices_[slot];
    v.kind = kind;
    v.source = source;
    v.stereo = s->channels == 2;
    v.baseRate = v.rate = static_cast<float>(s->rate);
    v.stream = std::move(s);
    applyGain(v);
    applyPan(v);
    applyRate(v);
    return makeHandle(KIND_CHANNEL, slot, v.gen);
}

void OpenALSound::freeStreaming(uint32_t h, Kind kind) {
    std::shared_ptr<Decoding> dec;  // destroyed after the lock is released
    Lock lock(mutex_);
    Voice* v = findStreaming(h, kind);
    if (!v) return;
    bind();
    dec = std::move(v->stream->dec);
    releaseVoice(*v);
}

// ---------------------------------------------------------------------------------
// Streaming voices.

// Takes back the buffers OpenAL has played.
void OpenALSound::reclaim(Voice& v) {
    Streaming& s = *v.stream;
    ALint processed = 0;
    alGetSourcei(v.source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0 && s.tagCount > 0) {
        ALuint b = 0;
        alSourceUnqueueBuffers(v.source, 1, &b);
        s.freeList[s.freeCount++] = b;
        s.tagHead = (s.tagHead + 1) % STREAM_BUFFERS;
        --s.tagCount;
    }
}

// Drops everything queued. With keepPosition the decoder is sent back to what was
// being heard, so that playing on continues from there.
void OpenALSound::flush(Voice& v, bool keepPosition) {
    Streaming& s = *v.stream;
    if (keepPosition && s.seek == SeekKind::None) {
        Tag at = audible(v);
        s.seek = SeekKind::Seconds;
        s.seekSeconds = at.seconds;
        s.seekOrder = at.order;
        s.seekRow = at.row;
    }
    alSourceStop(v.source);
    alSourcei(v.source, AL_BUFFER, 0);
    // Back to the initial state: buffers queued on a stopped source count as played.
    alSourceRewind(v.source);
    std::copy(s.buffers, s.buffers + STREAM_BUFFERS, s.freeList);
    s.freeCount = STREAM_BUFFERS;
    s.tagHead = s.tagCount = 0;
    s.ended = false;
    ++s.epoch;
}

void OpenALSound::resumeStreaming(Voice& v) {
    Streaming& s = *v.stream;
    s.run = Run::Playing;
    ALint state = sourceState(v);
    if (state == AL_PAUSED || (state != AL_PLAYING && s.tagCount > 0)) alSourcePlay(v.source);
    wake();
}

// Playing music or a stream anew sets its volume (unless negative) and centres it;
// the rate stays as it is.
void OpenALSound::restartLevels(Voice& v, int volume) {
    v.slideVolume.on = v.slidePan.on = false;
    if (volume >= 0) setVolume(v, volume);
    v.pan = 0.0f;
    applyGain(v);
    applyPan(v);
}

// Row 0 of an order is there even when the module reports no rows for it.
bool OpenALSound::hasOrderRow(const Streaming& s, int order, int row) {
    return order >= 0 && order < s.orderCount && row >= 0 &&
           (row == 0 || row < s.orderRows[static_cast<size_t>(order)]);
}

void OpenALSound::seekOrderRow(Voice& v, int order, int row) {
    Streaming& s = *v.stream;
    flush(v, false);
    s.seek = SeekKind::OrderRow;
    s.seekOrder = order;
    s.seekRow = row;
}

// What is being heard: the queued buffer under OpenAL's play offset.
Tag OpenALSound::audible(Voice& v) {
    Streaming& s = *v.stream;
    Tag at;
    if (s.seek != SeekKind::None) {
        at.seconds = s.seek == SeekKind::Seconds ? s.seekSeconds : s.decSeconds;
        at.order = s.seekOrder;
        at.row = s.seekRow;
        return at;
    }
    at = Tag{s.decSeconds, s.decOrder, s.decRow, 0};
    if (s.tagCount == 0) return at;
    const ALint state = sourceState(v);
    if (state == AL_PLAYING || state == AL_PAUSED) {
        ALint offset = 0;
        alGetSourcei(v.source, AL_SAMPLE_OFFSET, &offset);
        int start = 0;
        for (int i = 0; i < s.tagCount; ++i) {
            const Tag& t = s.tagAt(i);
            if (offset < start + t.frames) {
                at = Tag{t.seconds + static_cast<double>(offset - start) / s.rate, t.order, t.row, 0};
                break;
            }
            start += t.frames;
        }
    } else if (state == AL_INITIAL) {
        const Tag& t = s.tagAt(0);
        at = Tag{t.seconds, t.order, t.row, 0};
    }
    if (s.length > 0.0) at.seconds = std::min(at.seconds, s.length);
    return at;
}

// Under the lock: returns played buffers and takes down what the decoder must do.
void OpenALSound::prepare(int slot, Voice& v) {
    Streaming& s = *v.stream;
    reclaim(v);
    if (s.run == Run::Playing && s.ended && s.tagCount == 0) s.run = Run::Stopped;
    Decoding& d = *s.dec;
    if (s.settingsDirty) {
        d.loop = s.loop;
        d.amplify = s.amplify;
        std::copy(s.trackVolume.begin(), s.trackVolume.end(), d.trackVolume.begin());
        std::copy(s.trackTouched.begin(), s.trackTouched.end(), d.trackTouched.begin());
        std::copy(s.instrumentVolume.begin(), s.instrumentVolume.end(), d.instrumentVolume.begin());
        d.settingsDirty = true;
        s.settingsDirty = false;
    }
    int want = 0;
    if (s.run != Run::Stopped && !s.ended) {
        double queued = 0.0;
        for (int i = 0; i < s.tagCount; ++i) queued += s.tagAt(i).frames;
        const double speed = v.baseRate > 0.0f ? std::max(1.0, static_cast<double>(v.rate / v.baseRate)) : 1.0;
        const double ahead = STREAM_AHEAD * s.rate * speed;
        while (queued < ahead && want < s.freeCount) {
            queued += CHUNK_FRAMES;
            ++want;
        }
    }
    if (want == 0 && s.seek == SeekKind::None && !d.settingsDirty) return;
    jobs_.emplace_back();
    Job& job = jobs_.back();
    job.slot = slot;
    job.gen = v.gen;
    job.epoch = s.epoch;
    job.dec = s.dec;
    job.seek = s.seek;
    job.order = s.seekOrder;
    job.row = s.seekRow;
    job.seconds = s.seekSeconds;
    job.loop = s.loop;
    job.want = want;
    job.channels = s.channels;
    job.rate = s.rate;
}

// Outside the lock, on data only this thread touches.
void OpenALSound::decode(Job& job) {
    Decoding& d = *job.dec;
    const bool seeked = job.seek != SeekKind::None;
    // Mutes before the seek, so that the notes a seek brings back are muted too.
    if (d.module && d.settingsDirty) {
        ModulePlayer& m = *d.module;
        m.setLoop(d.loop);
        m.setAmplify(d.amplify);
        for (size_t i = 0; i < d.instrumentVolume.size(); ++i) {
            m.setInstrumentMuted(static_cast<int>(i), d.instrumentVolume[i] == 0);
        }
    }
    if (job.seek == SeekKind::OrderRow && d.module) {
        d.module->seekOrderRow(job.order, job.row);
    } else if (job.seek == SeekKind::Seconds) {
        if (d.module) {
            d.module->seekSeconds(job.seconds);
        } else {
            d.file->seek(static_cast<int64_t>(std::llround(std::max(0.0, job.seconds) * job.rate)));
        }
    }
    // Track volumes after it: a seek may set the module's channel volumes back.
    if (d.module && (d.settingsDirty || seeked)) {
        for (size_t t = 0; t < d.trackVolume.size(); ++t) {
            if (d.trackTouched[t]) d.module->setTrackVolume(static_cast<int>(t), d.trackVolume[t]);
        }
    }
    d.settingsDirty = false;

    auto where = [&d, &job]() {
        if (d.module) return Tag{d.module->positionSeconds(), d.module->order(), d.module->row(), 0};
        return Tag{static_cast<double>(d.file->position()) / job.rate, 0, 0, 0};
    };
    job.chunks = 0;
    job.ended = false;
    for (int i = 0; i < job.want; ++i) {
        float* out = d.scratch.data() + static_cast<size_t>(i) * CHUNK_FRAMES * job.channels;
        Tag tag = where();
        size_t n = 0;
        if (d.module) {
            n = d.module->render(job.rate, out, CHUNK_FRAMES);
        } else {
            n = d.file->read(out, CHUNK_FRAMES);
            while (n < CHUNK_FRAMES && job.loop) {
                if (!d.file->seek(0)) break;
                size_t more = d.file->read(out + n * job.channels, CHUNK_FRAMES - n);
                if (more == 0) break;
                n += more;
            }
        }
        if (n == 0) {
            job.ended = true;
            break;
        }
        tag.frames = static_cast<int>(n);
        job.tags[job.chunks++] = tag;
        if (n < static_cast<size_t>(CHUNK_FRAMES)) {
            job.ended = true;
            break;
        }
    }
    job.decoderAt = where();
}

// Under the lock: queues what was decoded, unless the voice was flushed or freed meanwhile.
void OpenALSound::publish(Job& job) {
    Voice& v = voices_[job.slot];
    if (v.kind == Kind::None || v.gen != job.gen || !v.stream) return;
    Streaming& s = *v.stream;
    if (s.epoch != job.epoch) return;
    s.seek = SeekKind::None;
    s.decSeconds = job.decoderAt.seconds;
    s.decOrder = job.decoderAt.order;
    s.decRow = job.decoderAt.row;
    // A source that ran dry meanwhile has played everything it holds.
    if (sourceState(v) == AL_STOPPED) {
        reclaim(v);
        alSourceRewind(v.source);
    }
    const Decoding& d = *job.dec;
    for (int i = 0; i < job.chunks && s.freeCount > 0; ++i) {
        const ALuint b = s.freeList[--s.freeCount];
        const float* data = d.scratch.data() + static_cast<size_t>(i) * CHUNK_FRAMES * job.channels;
        alBufferData(b, s.format, data, static_cast<ALsizei>(job.tags[i].frames * job.channels * sizeof(float)),
                     s.rate);
        alSourceQueueBuffers(v.source, 1, &b);
        s.tagAt(s.tagCount++) = job.tags[i];
    }
    if (job.ended) s.ended = true;
    if (s.run == Run::Playing) {
        if (s.tagCount > 0 && sourceState(v) != AL_PLAYING) alSourcePlay(v.source);
        if (s.ended && s.tagCount == 0) s.run = Run::Stopped;
    }
}

// ---------------------------------------------------------------------------------
// Music and streams.

ChannelHandle OpenALSound::musicPlay(MusicHandle music, bool loop, int volume, int order, int row) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return 0;
    bind();
    Streaming& s = *v->stream;
    if (order != -1 || row != -1) {
        const Tag at = audible(*v);
        const int o = order == -1 ? at.order : order;
        const int r = row == -1 ? at.row : row;
        if (hasOrderRow(s, o, r)) seekOrderRow(*v, o, r);
    }
    restartLevels(*v, volume);
    if (s.loop != loop) {
        s.loop = loop;
        s.settingsDirty = true;
    }
    resumeStreaming(*v);
    return music;
}

void OpenALSound::musicSetAmplify(MusicHandle music, int amplify) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return;
    v->stream->amplify = std::clamp(amplify, 0, 100);
    v->stream->settingsDirty = true;
}

int OpenALSound::musicGetAmplify(MusicHandle music) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    return v ? v->stream->amplify : -1;
}

int OpenALSound::musicOrderCount(MusicHandle music) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    return v ? v->stream->orderCount : -1;
}

void OpenALSound::musicSeek(MusicHandle music, int order, int row) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return;
    if (!hasOrderRow(*v->stream, order, row)) return;
    bind();
    seekOrderRow(*v, order, row);
    wake();
}

bool OpenALSound::musicTell(MusicHandle music, int* order, int* row) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return false;
    bind();
    const Tag at = audible(*v);
    if (order) *order = at.order;
    if (row) *row = at.row;
    return true;
}

void OpenALSound::musicSetInstrumentVolume(MusicHandle music, int instrument, int volume) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v || volume < 0) return;
    Streaming& s = *v->stream;
    if (instrument < 0 || instrument >= static_cast<int>(s.instrumentVolume.size())) return;
    int& current = s.instrumentVolume[static_cast<size_t>(instrument)];
    const bool muteChanges = (current == 0) != (volume == 0);
    current = std::min(volume, 100);
    s.settingsDirty = true;
    if (muteChanges) {
        // libopenmpt mutes an instrument from its next note on. Decoding again from
        // what is being heard, with the mute in place, silences the notes already sounding.
        bind();
        flush(*v, true);
        wake();
    }
}

int OpenALSound::musicGetInstrumentVolume(MusicHandle music, int instrument) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return -1;
    const Streaming& s = *v->stream;
    if (instrument < 0 || instrument >= static_cast<int>(s.instrumentVolume.size())) return -1;
    return s.instrumentVolume[static_cast<size_t>(instrument)];
}

void OpenALSound::musicSetTrackVolume(MusicHandle music, int track, int volume) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v || volume < 0) return;
    Streaming& s = *v->stream;
    if (track < 0 || track >= static_cast<int>(s.trackVolume.size())) return;
    s.trackVolume[static_cast<size_t>(track)] = std::min(volume, 100);
    s.trackTouched[static_cast<size_t>(track)] = 1;
    s.settingsDirty = true;
}

int OpenALSound::musicGetTrackVolume(MusicHandle music, int track) {
    Lock lock(mutex_);
    Voice* v = findStreaming(music, Kind::Music);
    if (!v) return -1;
    const Streaming& s = *v->stream;
    if (track < 0 || track >= static_cast<int>(s.trackVolume.size())) return -1;
    return s.trackVolume[static_cast<size_t>(track)];
}

ChannelHandle OpenALSound::streamPlay(StreamHandle stream, bool loop, int volume) {
    Lock lock(mutex_);
    Voice* v = findStreaming(stream, Kind::Stream);
    if (!v) return 0;
    bind();
    Streaming& s = *v->stream;
    flush(*v, false);
    s.seek = SeekKind::Seconds;
    s.seekSeconds = 0.0;
    s.seekOrder = s.seekRow = 0;
    s.loop = loop;
    restartLevels(*v, volume);
    resumeStreaming(*v);
    return stream;
}

// ---------------------------------------------------------------------------------
// Channels.

void OpenALSound::channelSetPan(ChannelHandle channel, int pan) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v || pan < -100) return;
    bind();
    v->slidePan.on = false;
    setPan(*v, pan);
    applyPan(*v);
}

void OpenALSound::channelSetVolume(ChannelHandle channel, int volume) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v || volume < 0) return;
    bind();
    v->slideVolume.on = false;
    setVolume(*v, volume);
    applyGain(*v);
}

void OpenALSound::channelSetPitch(ChannelHandle channel, float pitch) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return;
    const float r = rateFor(*v, pitch);
    if (r <= 0.0f) return;
    bind();
    v->slideRate.on = false;
    v->rate = r;
    applyRate(*v);
}

void OpenALSound::channelPause(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return;
    bind();
    if (v->stream) {
        if (v->stream->run != Run::Playing) return;
        v->stream->run = Run::Paused;
    }
    if (sourceState(*v) == AL_PLAYING) alSourcePause(v->source);
}

void OpenALSound::channelResume(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return;
    bind();
    if (v->stream) {
        if (v->stream->run != Run::Playing) resumeStreaming(*v);
        return;
    }
    if (sourceState(*v) == AL_PAUSED) alSourcePlay(v->source);
}

void OpenALSound::channelStop(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return;
    bind();
    stopVoice(*v);
}

// Music and streams keep their place; a stopped effect voice is gone, as when it is taken over.
void OpenALSound::stopVoice(Voice& v) {
    v.stopSlides();
    if (v.stream) {
        v.stream->run = Run::Stopped;
        flush(v, true);
        return;
    }
    alSourceStop(v.source);
    v.gen = nextGen(v.gen);
}

void OpenALSound::channelPauseAll() {
    Lock lock(mutex_);
    if (!started_ || pausedAll_) return;
    pausedAll_ = true;
    if (!loopback_ && alc_.pauseDevice) alc_.pauseDevice(device_);
}

void OpenALSound::channelResumeAll() {
    Lock lock(mutex_);
    if (!started_ || !pausedAll_) return;
    pausedAll_ = false;
    if (!loopback_ && alc_.resumeDevice) alc_.resumeDevice(device_);
}

void OpenALSound::channelStopAll() {
    Lock lock(mutex_);
    if (!started_) return;
    bind();
    for (int i = 1; i < highWater_; ++i) {
        Voice& v = voices_[i];
        if (v.kind != Kind::None && v.source) stopVoice(v);
    }
    if (pausedAll_) {
        pausedAll_ = false;
        if (!loopback_ && alc_.resumeDevice) alc_.resumeDevice(device_);
    }
}

bool OpenALSound::channelIsPlaying(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v || pausedAll_) return false;
    if (v->stream) return v->stream->run == Run::Playing;
    bind();
    return sourceState(*v) == AL_PLAYING;
}

float OpenALSound::channelLength(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return -1.0f;
    if (v->stream) return static_cast<float>(v->stream->length);
    const Effect& e = effects_[v->effect];
    return static_cast<float>(static_cast<double>(e.frames) / e.rate);
}

float OpenALSound::channelPosition(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return -1.0f;
    bind();
    if (v->stream) return static_cast<float>(audible(*v).seconds);
    ALfloat seconds = 0.0f;
    alGetSourcef(v->source, AL_SEC_OFFSET, &seconds);
    return seconds;
}

void OpenALSound::channelSeek(ChannelHandle channel, float seconds) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v || !std::isfinite(seconds) || seconds < 0.0f) return;
    bind();
    if (v->stream) {
        Streaming& s = *v->stream;
        if (s.length >= 0.0 && seconds > s.length) return;
        const Tag at = audible(*v);
        flush(*v, false);
        s.seek = SeekKind::Seconds;
        s.seekSeconds = seconds;
        s.seekOrder = at.order;
        s.seekRow = at.row;
        if (s.run == Run::Playing) wake();
        return;
    }
    const Effect& e = effects_[v->effect];
    if (seconds * e.rate >= static_cast<double>(e.frames)) return;
    alSourcef(v->source, AL_SEC_OFFSET, seconds);
}

void OpenALSound::channelSlide(ChannelHandle channel, float time, int volume, int pan, float pitch) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    if (!v) return;
    bind();
    const float rate = pitch == -1.0f ? -1.0f : rateFor(*v, pitch);
    const double seconds = std::isfinite(time) && time > 0.0f ? std::floor(std::min(time, 1.0e6f) * 1000.0f) / 1000.0 : 0.0;
    const double now = clock();
    auto begin = [seconds, now](Slide& s, float from, float to) {
        s.on = true;
        s.from = from;
        s.to = to;
        s.time = seconds;
        s.begin = now;
    };
    if (volume >= 0) begin(v->slideVolume, v->volume, static_cast<float>(std::min(volume, 100)));
    if (pan >= -100) begin(v->slidePan, v->pan, static_cast<float>(std::min(pan, 100)));
    if (rate > 0.0f) begin(v->slideRate, v->rate, rate);
    // A slide of no length arrives at once.
    if (seconds <= 0.0) advanceSlides(*v, now);
}

bool OpenALSound::channelIsSliding(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = findVoice(channel);
    return v && v->sliding();
}

}  // namespace

std::unique_ptr<Sound> createOpenALSound(EngineContext& ctx) {
    return std::make_unique<OpenALSound>(ctx, OpenALSound::Mode::Device);
}

std::unique_ptr<LoopbackSound> createLoopbackSound(EngineContext& ctx) {
    return std::make_unique<OpenALSound>(ctx, OpenALSound::Mode::Driven);
}
