// What sound costs per 16.7 ms frame: the game thread's calls of a frame of play, and
// mixing a frame's worth of the round's sound (its music and the looping voices).
#include "engine/sound/loopback.h"
#include "tests/engine/sound/sound_fixtures.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace soundtest;

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

std::vector<uint8_t> readOr(const char* path, std::vector<uint8_t> fallback) {
    std::vector<uint8_t> out;
    if (FILE* f = std::fopen(path, "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return out.empty() ? fallback : out;
}

struct Round {
    EngineContext ctx;
    std::unique_ptr<LoopbackSound> sound = createLoopbackSound(ctx);
    ChannelHandle motor = 0, rolling = 0, ai[3] = {};
    EffectHandle chomp = 0;

    Round() {
        sound->start();
        const std::vector<uint8_t> module = readOr("music/mossbeat65.xm", twoToneModule());
        MusicHandle m = sound->musicLoad(reinterpret_cast<const char*>(module.data()), static_cast<uint32_t>(module.size()));
        sound->musicPlay(m, true, 75, -1, -1);
        sound->musicSetInstrumentVolume(m, 18, 0);
        const std::vector<uint8_t> wav = readOr("data/sfx/motor.wav", sineWav(110.0, 1.0, 22050));
        EffectHandle e = sound->effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
        EffectHandle r = sound->effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
        chomp = sound->effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
        motor = sound->effectPlayWith(e, 25, 0, 0.25f, true);
        rolling = sound->effectPlayWith(r, 1, 0, 0.5f, true);
        for (ChannelHandle& c : ai) c = sound->effectPlayWith(e, 1, 0, 0.5f, true);
    }
};

// The calls of one frame of play: the driving sounds, three other cars, a chomp now and then.
void BM_GameThreadCallsPerFrame(benchmark::State& state) {
    Round round;
    LoopbackSound& s = *round.sound;
    int frame = 0;
    for (auto _ : state) {
        const float throttle = static_cast<float>(frame % 60) / 60.0f;
        s.channelSlide(round.motor, 0.25f, 50, -101, 3.0f * throttle + 0.5f);
        if (!s.channelIsPlaying(round.rolling)) s.channelResume(round.rolling);
        s.channelSetPitch(round.rolling, 0.5f + 0.05f * throttle);
        s.channelSetVolume(round.rolling, 30);
        for (ChannelHandle c : round.ai) {
            s.channelIsPlaying(c);
            s.channelSetPan(c, frame % 200 - 100);
            s.channelSetVolume(c, 20);
            s.channelSetPitch(c, (3.0f * throttle + 0.5f) * 2.5f);
        }
        if (frame % 30 == 0) s.effectPlayWith(round.chomp, 75, 0, 1.1f, false);
        ++frame;
    }
    state.counters["ratio_to_frame"] =
        benchmark::Counter(FRAME_SECONDS, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GameThreadCallsPerFrame);

// Mixing a frame's worth of the round: what the sound thread and OpenAL do for it.
void BM_MixOneFrameOfTheRound(benchmark::State& state) {
    Round round;
    const int frames = static_cast<int>(round.sound->sampleRate() * FRAME_SECONDS);
    std::vector<float> out(2 * static_cast<size_t>(frames));
    for (auto _ : state) {
        round.sound->render(out.data(), frames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["ratio_to_frame"] =
        benchmark::Counter(FRAME_SECONDS, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixOneFrameOfTheRound);

}  // namespace
