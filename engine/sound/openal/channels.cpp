// Channels: what every playing voice answers to, effects, music and streams alike.
#include "engine/sound/openal/openal_sound.h"

#include <algorithm>
#include <cmath>

namespace openal {

void OpenALSound::channelSetPan(ChannelHandle channel, int pan) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v || pan < -100) return;
    bind();
    v->slidePan.on = false;
    v->setPan(pan);
    pool_.applyPan(*v);
}

void OpenALSound::channelSetVolume(ChannelHandle channel, int volume) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v || volume < 0) return;
    bind();
    v->slideVolume.on = false;
    v->setVolume(volume);
    pool_.applyGain(*v);
}

void OpenALSound::channelSetPitch(ChannelHandle channel, float pitch) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v) return;
    const float r = VoicePool::rateFor(*v, pitch);
    if (r <= 0.0f) return;
    bind();
    v->slideRate.on = false;
    v->rate = r;
    pool_.applyRate(*v);
}

void OpenALSound::channelPause(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
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
    Voice* v = pool_.findVoice(channel);
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
    Voice* v = pool_.findVoice(channel);
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
    device_.pause();
}

void OpenALSound::channelResumeAll() {
    Lock lock(mutex_);
    if (!started_ || !pausedAll_) return;
    pausedAll_ = false;
    device_.resume();
}

void OpenALSound::channelStopAll() {
    Lock lock(mutex_);
    if (!started_) return;
    bind();
    for (int i = 1; i < pool_.highWater(); ++i) {
        Voice& v = pool_.voice(i);
        if (v.kind != Kind::None && v.source) stopVoice(v);
    }
    if (pausedAll_) {
        pausedAll_ = false;
        device_.resume();
    }
}

bool OpenALSound::channelIsPlaying(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v || pausedAll_) return false;
    if (v->stream) return v->stream->run == Run::Playing;
    bind();
    return sourceState(*v) == AL_PLAYING;
}

float OpenALSound::channelLength(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v) return -1.0f;
    if (v->stream) return static_cast<float>(v->stream->length);
    const Effect& e = pool_.effect(v->effect);
    return static_cast<float>(static_cast<double>(e.frames) / e.rate);
}

float OpenALSound::channelPosition(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v) return -1.0f;
    bind();
    if (v->stream) return static_cast<float>(audible(*v).seconds);
    ALfloat seconds = 0.0f;
    alGetSourcef(v->source, AL_SEC_OFFSET, &seconds);
    return seconds;
}

void OpenALSound::channelSeek(ChannelHandle channel, float seconds) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
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
    const Effect& e = pool_.effect(v->effect);
    if (seconds * e.rate >= static_cast<double>(e.frames)) return;
    alSourcef(v->source, AL_SEC_OFFSET, seconds);
}

void OpenALSound::channelSlide(ChannelHandle channel, float time, int volume, int pan, float pitch) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    if (!v) return;
    bind();
    const float rate = pitch == -1.0f ? -1.0f : VoicePool::rateFor(*v, pitch);
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
    if (seconds <= 0.0) pool_.advanceSlides(*v, now);
}

bool OpenALSound::channelIsSliding(ChannelHandle channel) {
    Lock lock(mutex_);
    Voice* v = pool_.findVoice(channel);
    return v && v->sliding();
}
}  // namespace openal
