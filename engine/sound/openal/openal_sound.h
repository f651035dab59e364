// The sound group on OpenAL. Every voice is an OpenAL source: an effect's voices
// play its one buffer, music and streams play a queue of short buffers kept filled
// by the feeding side: the sound thread, or, pumped, the frame loop through pump()
// (always so in a browser, where there are no threads). The game thread and the sound
// thread share the voice pool under one lock and hold it only for table updates and
// quick OpenAL calls; decoding runs outside it. The group's operations sit by kind:
// effects.cpp, music.cpp, streams.cpp, channels.cpp; start-up, feeding and rendering
// in openal_sound.cpp.
#pragma once

#include "engine/sound/loopback.h"
#include "engine/sound/openal/audio_device.h"
#include "engine/sound/openal/voice_pool.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace openal {

class OpenALSound final : public LoopbackSound {
public:
    // Device: the system's output (or the silent one); Driven: the caller renders.
    enum class Mode { Device, Driven };

    // pumped: no sound thread; pump() feeds the voices. Driven and not pumped, render()
    // feeds them as it goes.
    OpenALSound(EngineContext& ctx, Mode mode, bool pumped)
        : ctx_(ctx), mode_(mode), pumped_(pumped), queue_(pumped ? PUMPED_QUEUE : THREADED_QUEUE) {
        jobs_.reserve(32);
    }
    ~OpenALSound() override { shutdown(); }

    bool start() override;
    void shutdown() override;
    void applyVolumes() override;
    void pump() override;

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
    int sampleRate() const override { return device_.rate(); }

private:
    using Lock = std::lock_guard<std::mutex>;
    using Clock = std::chrono::steady_clock;

    void bind() { device_.bind(); }
    void threadMain();
    double clock();
    // Feeds music and streams and moves slides on; true while output is paused.
    bool serviceVoices();
    // The silent device plays the time since the last pass (not while paused).
    void playSilent(bool paused);
    void wake();

    void* readFile(const char* filename, uint32_t size, size_t* outSize, bool* owned, const char* error);
    void releaseFile(void* data, bool owned);

    uint32_t addStreaming(std::unique_ptr<Streaming> s, Kind kind, const char* error);
    void freeStreaming(uint32_t h, Kind kind);
    void resumeStreaming(Voice& v);
    void restartLevels(Voice& v, int volume);
    void stopVoice(Voice& v);

    EngineContext& ctx_;
    const Mode mode_;
    const bool pumped_;
    const QueueDepth queue_;
    // Fixed while started.
    AudioDevice device_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::thread thread_;
    // Under mutex_.
    bool started_ = false;
    bool quit_ = false;
    bool wake_ = false;
    bool pausedAll_ = false;
    VoicePool pool_;

    // The feeding side's own: the sound thread's, or the caller's in render() and pump().
    std::vector<Job> jobs_;
    std::vector<int16_t> discard_;  // the silent device's output
    Clock::time_point lastPass_;
    double owed_ = 0.0;  // frames the silent device is behind
    // Under mutex_: the time the caller has rendered, the clock of slides when it drives.
    double rendered_ = 0.0;
    Clock::time_point epoch_ = Clock::now();
};

}  // namespace openal
