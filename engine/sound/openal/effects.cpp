// Effects: a sample in one OpenAL buffer with voices of its own.
#include "engine/sound/openal/openal_sound.h"

namespace openal {

EffectHandle OpenALSound::effectLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
        if (device_.noDevice()) return 1;
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
        if (!pool_.effect(i).used) eslot = i;
    }
    int slots[EFFECT_VOICES] = {};
    int found = 0;
    for (int i = 1; i < SLOTS && found < EFFECT_VOICES && eslot; ++i) {
        if (pool_.voice(i).kind == Kind::None) slots[found++] = i;
    }
    if (!eslot || found < EFFECT_VOICES) {
        alDeleteBuffers(1, &buffer);
        ctx_.postError("Can't create sound effect: Not enough memory");
        return 0;
    }
    Effect& e = pool_.effect(eslot);
    e.used = true;
    e.buffer = buffer;
    e.rate = sample.rate;
    e.channels = sample.channels;
    e.frames = sample.frames;
    for (int i = 0; i < EFFECT_VOICES; ++i) {
        Voice& v = pool_.voice(slots[i]);
        v.kind = Kind::Effect;
        v.effect = eslot;
        v.stereo = sample.channels == 2;
        v.baseRate = v.rate = static_cast<float>(sample.rate);
        e.voices[i] = slots[i];
        pool_.markUsed(slots[i]);
    }
    return makeHandle(KIND_EFFECT, eslot, e.gen);
}

void OpenALSound::effectFree(EffectHandle effect) {
    Lock lock(mutex_);
    Effect* e = pool_.findEffect(effect);
    if (!e) return;
    bind();
    for (int slot : e->voices) pool_.releaseVoice(pool_.voice(slot));
    pool_.freeEffect(*e);
}

ChannelHandle OpenALSound::effectPlayWith(EffectHandle effect, int volume, int pan, float pitch, bool loop) {
    Lock lock(mutex_);
    Effect* e = pool_.findEffect(effect);
    if (!e) return 0;
    bind();
    // A free voice, else the one that has played longest.
    int pick = -1;
    for (int i = 0; i < EFFECT_VOICES && pick < 0; ++i) {
        const Voice& v = pool_.voice(e->voices[i]);
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
            if (pool_.voice(e->voices[i]).started < pool_.voice(e->voices[pick]).started) pick = i;
        }
    }
    const int slot = e->voices[pick];
    Voice& v = pool_.voice(slot);
    if (!v.source) {
        alGetError();
        alGenSources(1, &v.source);
        if (alGetError() != AL_NO_ERROR) {
            v.source = 0;
            return 0;
        }
        setupSource(v.source, v.stereo);
        alSourcei(v.source, AL_BUFFER, static_cast<ALint>(e->buffer));
    }
    alSourceStop(v.source);
    v.gen = nextGen(v.gen);
    v.stopSlides();
    v.volume = 100.0f;
    v.pan = 0.0f;
    v.rate = v.baseRate;
    if (volume >= 0) v.setVolume(volume);
    if (pan != -101) v.setPan(pan);
    if (float r = VoicePool::rateFor(v, pitch); r > 0.0f) v.rate = r;
    alSourcei(v.source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    pool_.applyGain(v);
    pool_.applyPan(v);
    pool_.applyRate(v);
    alSourcePlay(v.source);
    v.started = pool_.nextStart();
    return makeHandle(KIND_CHANNEL, slot, v.gen);
}

}  // namespace openal
