// The sound group behind one interface. The OpenAL backend (openal/) plays every
// voice; without an output device it runs silent on the loopback device (in a browser,
// on nothing).
#pragma once

#include "engine/core/context.h"

#include <memory>

class Sound {
public:
    virtual ~Sound() = default;

    // From System_Initiate, and when STATE_SOUND turns on while a window exists.
    // False only when the library is missing or has the wrong version (error posted);
    // no output device is not a failure.
    virtual bool start() = 0;
    // From System_Finish, and when STATE_SOUND turns off. Safe to call when not started.
    virtual void shutdown() = 0;
    // The three global volumes of the context changed.
    virtual void applyVolumes() = 0;
    // Once per frame from the loop, after the frame function. Without a sound thread
    // (ctx.soundPumped, and always in a browser) it feeds music and streams and moves
    // slides on; otherwise it does nothing.
    virtual void pump() = 0;

    virtual EffectHandle effectLoad(const char* filename, uint32_t size) = 0;
    virtual void effectFree(EffectHandle effect) = 0;
    virtual ChannelHandle effectPlay(EffectHandle effect) = 0;
    virtual ChannelHandle effectPlayWith(EffectHandle effect, int volume, int pan, float pitch,
                                         bool loop) = 0;

    virtual MusicHandle musicLoad(const char* filename, uint32_t size) = 0;
    virtual void musicFree(MusicHandle music) = 0;
    virtual ChannelHandle musicPlay(MusicHandle music, bool loop, int volume, int order, int row) = 0;
    virtual void musicSetAmplify(MusicHandle music, int amplify) = 0;
    virtual int musicGetAmplify(MusicHandle music) = 0;
    virtual int musicOrderCount(MusicHandle music) = 0;
    virtual void musicSeek(MusicHandle music, int order, int row) = 0;
    virtual bool musicTell(MusicHandle music, int* order, int* row) = 0;
    virtual void musicSetInstrumentVolume(MusicHandle music, int instrument, int volume) = 0;
    virtual int musicGetInstrumentVolume(MusicHandle music, int instrument) = 0;
    virtual void musicSetTrackVolume(MusicHandle music, int track, int volume) = 0;
    virtual int musicGetTrackVolume(MusicHandle music, int track) = 0;

    virtual StreamHandle streamLoad(const char* filename, uint32_t size) = 0;
    virtual void streamFree(StreamHandle stream) = 0;
    virtual ChannelHandle streamPlay(StreamHandle stream, bool loop, int volume) = 0;

    virtual void channelSetPan(ChannelHandle channel, int pan) = 0;
    virtual void channelSetVolume(ChannelHandle channel, int volume) = 0;
    virtual void channelSetPitch(ChannelHandle channel, float pitch) = 0;
    virtual void channelPause(ChannelHandle channel) = 0;
    virtual void channelResume(ChannelHandle channel) = 0;
    virtual void channelStop(ChannelHandle channel) = 0;
    virtual void channelPauseAll() = 0;
    virtual void channelResumeAll() = 0;
    virtual void channelStopAll() = 0;
    virtual bool channelIsPlaying(ChannelHandle channel) = 0;
    virtual float channelLength(ChannelHandle channel) = 0;
    virtual float channelPosition(ChannelHandle channel) = 0;
    virtual void channelSeek(ChannelHandle channel, float seconds) = 0;
    virtual void channelSlide(ChannelHandle channel, float time, int volume, int pan, float pitch) = 0;
    virtual bool channelIsSliding(ChannelHandle channel) = 0;
};

std::unique_ptr<Sound> createOpenALSound(EngineContext& ctx);
