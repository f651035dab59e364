// The sound group's life: start-up and shut-down, the sound thread that keeps
// streaming voices fed and slides moving, pump() doing that work from the frame loop
// instead, and render() when the caller drives the loopback device.
#include "engine/sound/openal/openal_sound.h"

#include <algorithm>

namespace openal {
namespace {

constexpr auto TICK = std::chrono::milliseconds(5);
constexpr int DRIVEN_STEP = 256;  // frames between two services when the caller renders

}  // namespace

bool OpenALSound::start() {
    {
        Lock lock(mutex_);
        if (started_) return true;
    }
    const AudioDevice::Output output = mode_ == Mode::Driven ? AudioDevice::Output::Caller
                                       : ctx_.headless       ? AudioDevice::Output::Silent
                                                             : AudioDevice::Output::System;
    if (const char* error = device_.open(output, ctx_.sampleRate)) {
        ctx_.postError("%s", error);
        return false;
    }
    {
        Lock lock(mutex_);
        pool_.setDirectChannels(device_.directChannels());
        started_ = true;
        quit_ = false;
        wake_ = false;
        pausedAll_ = false;
    }
    applyVolumes();
    rendered_ = 0.0;
    owed_ = 0.0;
    lastPass_ = Clock::now();
    // A quarter second of silent output at most per pass, should the feeding stall.
    discard_.assign(device_.noDevice() && device_.loopback() ? static_cast<size_t>(device_.rate() / 4) * 2 : 0, 0);
    if constexpr (features::SOUND_THREAD) {
        if (mode_ == Mode::Device && !pumped_) thread_ = std::thread(&OpenALSound::threadMain, this);
    }
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
        pool_.clear();
        started_ = false;
        pausedAll_ = false;
    }
    device_.close();
}

void OpenALSound::applyVolumes() {
    Lock lock(mutex_);
    pool_.setVolumes(ctx_.fxVolume, ctx_.musicVolume, ctx_.streamVolume);
    if (!started_) return;
    bind();
    for (int i = 1; i < pool_.highWater(); ++i) {
        Voice& v = pool_.voice(i);
        if (v.kind != Kind::None && v.source) pool_.applyGain(v);
    }
}

void OpenALSound::wake() {
    wake_ = true;
    cv_.notify_one();
}

void OpenALSound::threadMain() {
    bind();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait_for(lock, TICK, [this] { return quit_ || wake_; });
            if (quit_) break;
            wake_ = false;
        }
        playSilent(serviceVoices());
    }
    device_.unbind();
}

void OpenALSound::pump() {
    if (!pumped_) return;
    const bool paused = serviceVoices();
    if (mode_ == Mode::Device) playSilent(paused);
}

void OpenALSound::playSilent(bool paused) {
    const Clock::time_point now = Clock::now();
    const double dt = std::chrono::duration<double>(now - lastPass_).count();
    lastPass_ = now;
    if (discard_.empty() || paused) return;
    owed_ += dt * device_.rate();
    int frames = static_cast<int>(owed_);
    owed_ -= frames;
    const int maxFrames = static_cast<int>(discard_.size() / 2);
    if (frames > maxFrames) {
        frames = maxFrames;
        owed_ = 0.0;
    }
    if (frames > 0) {
        // Under the lock, so that the mix never overlaps a call from the game thread:
        // a few hundred frames, some microseconds.
        Lock lock(mutex_);
        if (!pausedAll_) device_.render(discard_.data(), frames);
    }
}

void OpenALSound::render(float* out, int frames) {
    if (!out || frames <= 0) return;
    while (frames > 0) {
        const int n = std::min(frames, DRIVEN_STEP);
        // A step hears the slides' values of its own start. Pumped, they are the last
        // pump's, as the frame loop leaves them.
        bool paused = false;
        if (pumped_) {
            Lock lock(mutex_);
            paused = pausedAll_;
        } else {
            paused = serviceVoices();
        }
        bool live = false;
        {
            Lock lock(mutex_);
            live = started_ && device_.loopback() && !paused;
            rendered_ += static_cast<double>(n) / device_.rate();
        }
        if (live) {
            bind();
            device_.render(out, n);
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

bool OpenALSound::serviceVoices() {
    bool paused = true;
    {
        Lock lock(mutex_);
        if (!started_) return true;
        bind();
        paused = pausedAll_;
        const double now = clock();
        for (int i = 1; i < pool_.highWater(); ++i) {
            Voice& v = pool_.voice(i);
            if (v.kind == Kind::None) continue;
            if (v.sliding()) pool_.advanceSlides(v, now);
            if (v.stream) prepare(i, v, jobs_);
        }
    }
    if (jobs_.empty()) return paused;
    for (Job& job : jobs_) decode(job);
    {
        Lock lock(mutex_);
        if (started_) {
            for (Job& job : jobs_) publish(pool_.voice(job.slot), job);
        }
    }
    // Outside the lock: a decoder freed meanwhile is destroyed here.
    jobs_.clear();
    return paused;
}

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

}  // namespace openal

std::unique_ptr<Sound> createOpenALSound(EngineContext& ctx) {
    const bool pumped = ctx.soundPumped || !openal::features::SOUND_THREAD;
    return std::make_unique<openal::OpenALSound>(ctx, openal::OpenALSound::Mode::Device, pumped);
}

std::unique_ptr<LoopbackSound> createLoopbackSound(EngineContext& ctx) {
    return std::make_unique<openal::OpenALSound>(ctx, openal::OpenALSound::Mode::Driven, ctx.soundPumped);
}
