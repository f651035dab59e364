// The browser build's sound group until its Web Audio device is in: every sound
// loads (a handle of its own) and nothing is heard.
#include "engine/sound/sound.h"

namespace {

class SilentSound final : public Sound {
public:
    bool start() override { return true; }
    void shutdown() override {}
    void applyVolumes() override {}
    EffectHandle effectLoad(const char*, uint32_t) override { return ++last_; }
    void effectFree(EffectHandle) override {}
    ChannelHandle effectPlay(EffectHandle) override { return 0; }
    ChannelHandle effectPlayWith(EffectHandle, int, int, float, bool) override { return 0; }
    MusicHandle musicLoad(const char*, uint32_t) override { return ++last_; }
    void musicFree(MusicHandle) override {}
    ChannelHandle musicPlay(MusicHandle, bool, int, int, int) override { return 0; }
    void musicSetAmplify(MusicHandle, int) override {}
    int musicGetAmplify(MusicHandle) override { return 0; }
    int musicOrderCount(MusicHandle) override { return 0; }
    void musicSeek(MusicHandle, int, int) override {}
    bool musicTell(MusicHandle, int*, int*) override { return false; }
    void musicSetInstrumentVolume(MusicHandle, int, int) override {}
    int musicGetInstrumentVolume(MusicHandle, int) override { return 0; }
    void musicSetTrackVolume(MusicHandle, int, int) override {}
    int musicGetTrackVolume(MusicHandle, int) override { return 0; }
    StreamHandle streamLoad(const char*, uint32_t) override { return ++last_; }
    void streamFree(StreamHandle) override {}
    ChannelHandle streamPlay(StreamHandle, bool, int) override { return 0; }
    void channelSetPan(ChannelHandle, int) override {}
    void channelSetVolume(ChannelHandle, int) override {}
    void channelSetPitch(ChannelHandle, float) override {}
    void channelPause(ChannelHandle) override {}
    void channelResume(ChannelHandle) override {}
    void channelStop(ChannelHandle) override {}
    void channelPauseAll() override {}
    void channelResumeAll() override {}
    void channelStopAll() override {}
    bool channelIsPlaying(ChannelHandle) override { return false; }
    float channelLength(ChannelHandle) override { return 0.0f; }
    float channelPosition(ChannelHandle) override { return 0.0f; }
    void channelSeek(ChannelHandle, float) override {}
    void channelSlide(ChannelHandle, float, int, int, float) override {}
    bool channelIsSliding(ChannelHandle) override { return false; }

private:
    uint32_t last_ = 0;
};

}  // namespace

std::unique_ptr<Sound> createOpenALSound(EngineContext&) { return std::make_unique<SilentSound>(); }
