#include "engine/sound/openal/voice_pool.h"

#include <algorithm>
#include <cmath>

namespace openal {
namespace {

constexpr float HALF_PI = 1.57079632679f;
constexpr float SIXTH_PI = 0.52359877560f;

int handleSlot(uint32_t h) { return static_cast<int>(h & SLOT_MASK); }
uint32_t handleGen(uint32_t h) { return (h >> SLOT_BITS) & GEN_MASK; }
float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

uint32_t nextGen(uint32_t gen) {
    gen = (gen + 1) & GEN_MASK;
    return gen ? gen : 1;
}

uint32_t makeHandle(uint32_t kind, int slot, uint32_t gen) {
    return kind | (gen << SLOT_BITS) | static_cast<uint32_t>(slot);
}

void Voice::setVolume(int v) { volume = static_cast<float>(std::min(v, 100)); }
void Voice::setPan(int p) { pan = static_cast<float>(std::clamp(p, -100, 100)); }

ALint sourceState(const Voice& v) {
    ALint state = AL_INITIAL;
    alGetSourcei(v.source, AL_SOURCE_STATE, &state);
    return state;
}

void setupSource(ALuint source, bool stereo) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, -1.0f);
    if (!features::STEREO_ANGLES && stereo) alSourcei(source, AL_SOURCE_SPATIALIZE_SOFT, AL_TRUE);
}

VoicePool::VoicePool() {
    voices_.resize(SLOTS);
    effects_.resize(SLOTS);
}

void VoicePool::markUsed(int slot) { highWater_ = std::max(highWater_, slot + 1); }

int VoicePool::findFreeVoice() {
    for (int i = 1; i < SLOTS; ++i) {
        if (voices_[i].kind == Kind::None) {
            markUsed(i);
            return i;
        }
    }
    return 0;
}

Voice* VoicePool::findVoice(uint32_t h) {
    if ((h & KIND_MASK) != KIND_CHANNEL) return nullptr;
    const int slot = handleSlot(h);
    if (slot <= 0 || slot >= highWater_) return nullptr;
    Voice& v = voices_[slot];
    if (v.kind == Kind::None || v.gen != handleGen(h) || !v.source) return nullptr;
    return &v;
}

Voice* VoicePool::findStreaming(uint32_t h, Kind kind) {
    Voice* v = findVoice(h);
    return v && v->kind == kind ? v : nullptr;
}

Effect* VoicePool::findEffect(uint32_t h) {
    if ((h & KIND_MASK) != KIND_EFFECT) return nullptr;
    const int slot = handleSlot(h);
    if (slot <= 0 || slot >= SLOTS) return nullptr;
    Effect& e = effects_[slot];
    return e.used && e.gen == handleGen(h) ? &e : nullptr;
}

void VoicePool::releaseVoice(Voice& v) {
    if (v.source) {
        alSourceStop(v.source);
        alSourcei(v.source, AL_BUFFER, 0);
        alDeleteSources(1, &v.source);
    }
    if (v.stream) alDeleteBuffers(v.stream->depth.buffers, v.stream->buffers);
    const uint32_t gen = nextGen(v.gen);
    v = Voice();
    v.gen = gen;
}

void VoicePool::freeEffect(Effect& e) {
    alDeleteBuffers(1, &e.buffer);
    e = Effect{false, nextGen(e.gen)};
}

void VoicePool::clear() {
    for (int i = 1; i < highWater_; ++i) {
        Voice& v = voices_[i];
        if (v.kind != Kind::None) releaseVoice(v);
    }
    for (Effect& e : effects_) {
        if (e.used) freeEffect(e);
    }
    highWater_ = 1;
}

void VoicePool::setVolumes(int fx, int music, int stream) {
    fxVolume_ = std::clamp(fx, 0, 100);
    musicVolume_ = std::clamp(music, 0, 100);
    streamVolume_ = std::clamp(stream, 0, 100);
}

void VoicePool::applyGain(Voice& v) {
    const int global = v.kind == Kind::Effect ? fxVolume_ : v.kind == Kind::Music ? musicVolume_ : streamVolume_;
    alSourcef(v.source, AL_GAIN, clampf(v.volume / 100.0f * static_cast<float>(global) / 100.0f, 0.0f, 1.0f));
}

void VoicePool::applyPan(Voice& v) {
    const float p = v.pan / 100.0f;
    if (!v.stereo || !features::STEREO_ANGLES) {
        // A mono voice sits on the front half circle: -100 hard left, 100 hard right.
        // So does a spatialised stereo voice in a browser, where Web Audio's equal-power
        // panner keeps both channels at the centre and, towards one side, fades the far
        // channel out of its own ear and into the near one.
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
void VoicePool::applyRate(Voice& v) {
    alSourcef(v.source, AL_PITCH, v.baseRate > 0.0f ? v.rate / v.baseRate : 1.0f);
}

float VoicePool::rateFor(const Voice& v, float pitch) {
    if (!std::isfinite(pitch)) return -1.0f;
    double r = std::trunc(static_cast<double>(v.baseRate) * pitch);
    if (r < 0.0) return -1.0f;
    if (r == 0.0) return v.baseRate;
    return static_cast<float>(std::min(r, 1.0e7));
}

void VoicePool::advanceSlides(Voice& v, double now) {
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

}  // namespace openal
