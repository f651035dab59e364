// The voices of the sound group, each an OpenAL source, and the effects that own
// voices of their own. Handles are 2 kind bits, a generation and a slot: a freed or
// taken-over slot gets a new generation, so old handles stop matching. The pool does
// no locking: its owner calls it under its lock, with the device's context bound.
#pragma once

#include "engine/sound/openal/streaming.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace openal {

constexpr int SLOT_BITS = 12;
constexpr int SLOTS = 1 << SLOT_BITS;  // slot 0 is never used
constexpr uint32_t SLOT_MASK = SLOTS - 1;
constexpr uint32_t GEN_MASK = (1u << (30 - SLOT_BITS)) - 1;
constexpr uint32_t KIND_MASK = 3u << 30;
constexpr uint32_t KIND_EFFECT = 1u << 30;
constexpr uint32_t KIND_CHANNEL = 2u << 30;

constexpr int EFFECT_VOICES = 4;

uint32_t nextGen(uint32_t gen);
uint32_t makeHandle(uint32_t kind, int slot, uint32_t gen);

enum class Kind : uint8_t { None, Effect, Music, Stream };

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
    void setVolume(int v);
    void setPan(int p);
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

ALint sourceState(const Voice& v);
// Relative to the listener, no roll-off: a source's position only pans it. Without
// stereo angles a stereo source is spatialised too, so that its position pans it.
void setupSource(ALuint source, bool stereo);

class VoicePool {
public:
    VoicePool();

    Voice& voice(int slot) { return voices_[static_cast<size_t>(slot)]; }
    Effect& effect(int slot) { return effects_[static_cast<size_t>(slot)]; }
    // One past the highest slot ever used since the last clear().
    int highWater() const { return highWater_; }
    void markUsed(int slot);

    int findFreeVoice();
    Voice* findVoice(uint32_t channel);
    Voice* findStreaming(uint32_t h, Kind kind);
    Effect* findEffect(uint32_t effect);
    void releaseVoice(Voice& v);
    void freeEffect(Effect& e);
    // Releases every voice and effect.
    void clear();

    // The global volumes (0..100) and whether stereo voices can bypass panning.
    void setVolumes(int fx, int music, int stream);
    void setDirectChannels(bool on) { directChannels_ = on; }
    void applyGain(Voice& v);
    void applyPan(Voice& v);
    void applyRate(Voice& v);
    // The rate a pitch factor asks for, in whole Hz: 0 is the voice's own rate, a
    // negative result leaves the rate as it is (returned as -1).
    static float rateFor(const Voice& v, float pitch);
    void advanceSlides(Voice& v, double now);
    // A serial number for each start, the oldest taken over first.
    uint64_t nextStart() { return ++serial_; }

private:
    std::vector<Voice> voices_;
    std::vector<Effect> effects_;
    int highWater_ = 1;
    int fxVolume_ = 100;
    int musicVolume_ = 100;
    int streamVolume_ = 100;
    bool directChannels_ = false;
    uint64_t serial_ = 0;
};

}  // namespace openal
