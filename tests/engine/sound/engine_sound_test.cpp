// The sound group inside the Engine: the silent device of the headless engine, the
// sound thread working in real time, start and shut-down with STATE_SOUND.
#include "engine/core/engine_impl.h"
#include "tests/engine/sound/sound_fixtures.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace soundtest;

// OpenAL Soft (its event and mixer threads against the calls made into it) and the
// PulseAudio client it probes for a device synchronise through lock-free code that
// ThreadSanitizer cannot see: the libraries are not instrumented. Their insides are left
// out; every access of the engine's own code is still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libopenal.so.1\n"
           "race:libpulsecommon\nrace:libpulse.so\ndeadlock:libpulsecommon\n";
}

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class EngineSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
        module = twoToneModule();
    }
    void TearDown() override { engine->Release(); }

    MusicHandle loadMusic() {
        return engine->Music_Load(reinterpret_cast<const char*>(module.data()), static_cast<uint32_t>(module.size()));
    }

    Engine* engine = nullptr;
    std::vector<uint8_t> module;
};

TEST_F(EngineSoundTest, WithoutADeviceNothingFailsAndEffectsAndStreamsAreOne) {
    const std::vector<uint8_t> wav = sineWav(400.0, 0.2);
    EXPECT_EQ(engine->Effect_Load("no such file.wav"), 1u);
    EXPECT_EQ(engine->Effect_Load(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size())), 1u);
    EXPECT_EQ(engine->Stream_Load("no such file.ogg"), 1u);
    EXPECT_EQ(engine->Effect_Play(1), 0u);
    EXPECT_EQ(engine->Effect_PlayWith(1, 100, 0, 2.0f, true), 0u);
    engine->Effect_Free(1);
    EXPECT_EQ(engine->Stream_Play(1, true, 100), 0u);
    engine->Stream_Free(1);

    // Music loads and moves on the silent device, in real time.
    MusicHandle m = loadMusic();
    ASSERT_NE(m, 0u) << engine->System_LastError();
    EXPECT_EQ(engine->Music_OrderCount(m), 2);
    EXPECT_EQ(engine->Music_Play(m, true, 75, -1, -1), m);
    sleepMs(400);
    EXPECT_TRUE(engine->Channel_IsPlaying(m));
    const float at = engine->Channel_Position(m);
    EXPECT_GT(at, 0.2f);
    EXPECT_LT(at, 1.5f);
    int order = -1, row = -1;
    EXPECT_TRUE(engine->Music_Tell(m, &order, &row));
    EXPECT_EQ(order, 0);
    EXPECT_GT(row, 0);
    engine->Channel_Pause(m);
    const float paused = engine->Channel_Position(m);
    sleepMs(100);
    EXPECT_FLOAT_EQ(engine->Channel_Position(m), paused);
    engine->Music_Free(m);
}

TEST_F(EngineSoundTest, SlidesRunOnTheSoundThreadInRealTime) {
    MusicHandle m = loadMusic();
    engine->Music_Play(m, true, 100, -1, -1);
    engine->Channel_Slide(m, 0.3f, 0, -101, -1.0f);
    EXPECT_TRUE(engine->Channel_IsSliding(m));
    // Nobody runs frames here: only the sound thread can finish the slide.
    const auto start = std::chrono::steady_clock::now();
    while (engine->Channel_IsSliding(m) && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        sleepMs(5);
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(engine->Channel_IsSliding(m));
    EXPECT_GT(took, 0.25);
    EXPECT_LT(took, 1.0);
}

TEST_F(EngineSoundTest, TheGameThreadAndTheSoundThreadShareOnlyLockedState) {
    // Calls from the game side while the sound thread feeds and slides the same voices.
    MusicHandle m = loadMusic();
    MusicHandle m2 = loadMusic();
    engine->Music_Play(m, true, 100, -1, -1);
    const auto start = std::chrono::steady_clock::now();
    int i = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(600)) {
        engine->Channel_Slide(m, 0.05f, i % 100, (i % 200) - 100, 1.0f + (i % 3) * 0.5f);
        engine->Music_SetTrackVolume(m, i % 2, i % 100);
        engine->Music_SetInstrumentVolume(m, i % 2, i % 3 == 0 ? 0 : 100);
        if (i % 7 == 0) engine->Music_Seek(m, i % 2, i % 16);
        if (i % 11 == 0) engine->Channel_Pause(m);
        if (i % 11 == 5) engine->Music_Play(m, i % 2 == 0, 100, -1, -1);
        if (i % 13 == 0) engine->Music_Play(m2, true, 50, 0, 0);
        if (i % 13 == 6) engine->Channel_Stop(m2);
        int order, row;
        engine->Music_Tell(m, &order, &row);
        engine->Channel_Position(m);
        engine->Channel_IsPlaying(m2);
        if (i % 50 == 0) {
            engine->System_SetState(STATE_MUSIC_VOLUME, i % 100);
        }
        ++i;
        sleepMs(1);
    }
    engine->Music_Free(m);
    engine->Music_Free(m2);
    EXPECT_FALSE(engine->Channel_IsPlaying(m));
}

TEST_F(EngineSoundTest, SoundOffAndOnShutsDownAndRestarts) {
    MusicHandle m = loadMusic();
    engine->Music_Play(m, true, 100, -1, -1);
    engine->System_SetState(STATE_SOUND, false);
    // Not loaded: every call gives the "not loaded" values.
    EXPECT_EQ(engine->Effect_Load("x.wav"), 0u);
    EXPECT_EQ(loadMusic(), 0u);
    EXPECT_EQ(engine->Music_GetAmplify(m), -1);
    EXPECT_EQ(engine->Channel_Position(m), -1.0f);
    EXPECT_FALSE(engine->Channel_IsPlaying(m));

    engine->System_SetState(STATE_SOUND, true);
    // Handles from before the shut-down are gone.
    EXPECT_FALSE(engine->Channel_IsPlaying(m));
    EXPECT_EQ(engine->Music_OrderCount(m), -1);
    MusicHandle again = loadMusic();
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, m);
    EXPECT_EQ(engine->Effect_Load("x.wav"), 1u);
}

// The game's path: try the output device first. Without a sound card the group falls
// back to the silent device, and says nothing on standard error. OpenAL reads its log
// settings at its first use, so this runs in a process of its own.
void startOnTheDefaultDevice() {
    EngineContext ctx;
    std::unique_ptr<Sound> sound = createOpenALSound(ctx);
    testing::internal::CaptureStderr();
    const bool started = sound->start();
    const std::string noise = testing::internal::GetCapturedStderr();
    if (!started || !noise.empty()) {
        std::fprintf(stderr, "started %d, noise: %s", started, noise.c_str());
        std::exit(1);
    }
    const std::vector<uint8_t> wav = sineWav(400.0, 0.2);
    // 1 without a device, a real effect with one.
    EffectHandle e = sound->effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
    sound->shutdown();
    sound->shutdown();  // twice is harmless
    std::exit(e != 0 ? 0 : 2);
}

TEST(SoundDevice, NoSoundCardRunsSilentAndQuiet) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(startOnTheDefaultDevice(), testing::ExitedWithCode(0), "");
}

// A folder for OpenAL Soft's wave-file writer: its configuration (with the extra settings
// given) and the file it writes. A death test's child runs the test body again: it takes
// the parent's folder from the environment.
class WaveWriter {
public:
    explicit WaveWriter(const char* settings) {
        char dir[] = "/tmp/td_sound_XXXXXX";
        if (const char* given = std::getenv("TD_SOUND_WAVE_DIR")) {
            std::snprintf(dir, sizeof(dir), "%s", given);
        } else {
            if (!mkdtemp(dir)) return;
            setenv("TD_SOUND_WAVE_DIR", dir, 1);
        }
        dir_ = dir;
        conf_ = dir_ + "/alsoft.conf";
        out_ = dir_ + "/out.wav";
        FILE* f = std::fopen(conf_.c_str(), "w");
        if (!f) return;
        std::fprintf(f, "[general]\ndrivers=wave\n%s\n[wave]\nfile=%s\n", settings, out_.c_str());
        ok_ = std::fclose(f) == 0;
    }
    ~WaveWriter() {
        unsetenv("TD_SOUND_WAVE_DIR");
        std::remove(conf_.c_str());
        std::remove(out_.c_str());
        if (!dir_.empty()) rmdir(dir_.c_str());
    }
    bool ok() const { return ok_; }
    const std::string& conf() const { return conf_; }

    // What the device wrote, as interleaved float; empty when it wrote no file.
    std::vector<float> read(SF_INFO* info) const {
        *info = SF_INFO{};
        SNDFILE* sf = sf_open(out_.c_str(), SFM_READ, info);
        if (!sf) return {};
        std::vector<float> buf(static_cast<size_t>(info->frames) * info->channels);
        sf_readf_float(sf, buf.data(), info->frames);
        sf_close(sf);
        return buf;
    }

private:
    std::string dir_, conf_, out_;
    bool ok_ = false;
};

// The child's side: the group on the writer, play's exit code.
void playOn(const std::string& conf, int (*play)(Sound&)) {
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    EngineContext ctx;
    std::unique_ptr<Sound> sound = createOpenALSound(ctx);
    if (!sound->start()) std::exit(1);
    const int code = play(*sound);
    sound->shutdown();
    std::exit(code);
}

// A real output device: play runs on OpenAL Soft's wave-file writer, which mixes on
// OpenAL's thread in real time, in a process of its own, as OpenAL reads its settings
// once. Returns what the device wrote, stereo, from the first frame a sound reached the
// left channel: the file starts when the device opens, the sounds a little later (loading
// takes its time, more so on a busy machine).
std::vector<float> playedOnAWaveWriter(const char* settings, int (*play)(Sound&), int* rate) {
    WaveWriter writer(settings);
    if (!writer.ok()) {
        ADD_FAILURE() << "no wave writer";
        return {};
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(playOn(writer.conf(), play), testing::ExitedWithCode(0), "");
    SF_INFO info{};
    std::vector<float> buf = writer.read(&info);
    EXPECT_EQ(info.channels, 2);
    if (info.channels != 2) return {};
    *rate = info.samplerate;
    size_t onset = 0;
    while (onset < buf.size() / 2 && std::fabs(buf[2 * onset]) < 1e-3f) ++onset;
    buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(2 * onset));
    return buf;
}

// The sound thread feeds the music and carries the slides.
int playMusicAndAFadingEffect(Sound& sound) {
    const std::vector<uint8_t> wav = sineWav(3000.0, 1.0);
    EffectHandle e = sound.effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
    if (e == 0 || e == 1) return 2;  // with a device, a real effect
    const std::vector<uint8_t> module = twoToneModule();
    MusicHandle m = sound.musicLoad(reinterpret_cast<const char*>(module.data()), static_cast<uint32_t>(module.size()));
    sound.musicPlay(m, true, 100, -1, -1);
    ChannelHandle c = sound.effectPlayWith(e, 100, 0, 1.0f, true);
    sleepMs(400);
    const float at = sound.channelPosition(m);
    if (at < 0.1f || at > 1.0f) return 3;
    sound.channelSlide(c, 0.2f, 0, -101, -1.0f);
    if (!sound.channelIsSliding(c)) return 4;
    sleepMs(400);
    if (sound.channelIsSliding(c) || !sound.channelIsPlaying(m)) return 5;
    return 0;
}

TEST(SoundDevice, ARealDeviceMixesWhileTheSoundThreadFeedsIt) {
    int rate = 0;
    const std::vector<float> buf = playedOnAWaveWriter("", playMusicAndAFadingEffect, &rate);
    // What the device played: the effect's tone, then the slide's silence; the music all along.
    EXPECT_GT(buf.size() / 2, rate * 0.6);
    const size_t from = static_cast<size_t>(rate * 0.05), to = static_cast<size_t>(rate * 0.3);
    ASSERT_LT(to, buf.size() / 2);
    EXPECT_GT(toneLevel(buf, 0, 3000.0, rate, from, to), 0.05);
    EXPECT_GT(toneLevel(buf, 0, C4_SINE, rate, from, to), 0.01);
    const size_t tail = buf.size() / 2 - static_cast<size_t>(rate * 0.1);
    EXPECT_LT(toneLevel(buf, 0, 3000.0, rate, tail), 1e-3);
    EXPECT_GT(toneLevel(buf, 0, C4_SINE, rate, tail), 0.01);
}

// A device that reports headphones, where OpenAL Soft turns HRTF on unless asked not to.
int panAnEffectLeft(Sound& sound) {
    const std::vector<uint8_t> wav = sineWav(1000.0, 1.0);
    EffectHandle e = sound.effectLoad(reinterpret_cast<const char*>(wav.data()), static_cast<uint32_t>(wav.size()));
    if (!sound.effectPlayWith(e, 100, -100, 1.0f, true)) return 2;
    sleepMs(400);
    return 0;
}

TEST(SoundDevice, OnHeadphonesAPanStaysAPan) {
    int rate = 0;
    const std::vector<float> buf = playedOnAWaveWriter("stereo-mode=headphones", panAnEffectLeft, &rate);
    const size_t from = static_cast<size_t>(rate * 0.05), to = static_cast<size_t>(rate * 0.25);
    ASSERT_LT(to, buf.size() / 2);
    const float left = peak(buf, 0, from, to), right = peak(buf, 1, from, to);
    EXPECT_GT(left, 0.2f);
    EXPECT_LT(right, 0.01f) << "left " << left;
}

TEST(SoundDevice, FilesAreReadThroughTheEngine) {
    Engine* engine = engineCreateHeadless(ENGINE_VERSION);
    ASSERT_TRUE(engine->System_Initiate());
    const std::vector<uint8_t> wav = sineWav(400.0, 0.2);
    const std::string path = std::string(engineImpl()->context().programFolder) + "td_sound_test.wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(wav.data(), 1, wav.size(), f);
    std::fclose(f);

    EngineContext ctx;
    ctx.engine = engine;
    std::unique_ptr<LoopbackSound> sound = createLoopbackSound(ctx);
    ASSERT_TRUE(sound->start());
    EffectHandle e = sound->effectLoad("td_sound_test.wav", 0);
    EXPECT_NE(e, 0u) << ctx.errorText;
    StreamHandle s = sound->streamLoad("td_sound_test.wav", 0);
    EXPECT_NE(s, 0u) << ctx.errorText;
    std::remove(path.c_str());
    // The stream keeps its own data: the file is gone, the stream still plays.
    sound->streamPlay(s, false, 100);
    std::vector<float> out(2 * 4410);
    sound->render(out.data(), 4410);
    EXPECT_GT(peak(out, 0), 0.1f);
    EXPECT_EQ(sound->effectLoad("td_sound_missing.wav", 0), 0u);
    EXPECT_EQ(sound->streamLoad("td_sound_missing.wav", 0), 0u);
    sound->shutdown();
    engine->Release();
}

}  // namespace
