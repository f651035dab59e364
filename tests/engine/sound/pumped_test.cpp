// The pumped mode (no sound thread, as in a browser): the frame loop feeds music and
// streams and moves slides through pump(). Rendered on the loopback device frame by
// frame, it must sound as the group that feeds itself while it renders.
#include "engine/core/engine_impl.h"
#include "tests/engine/sound/sound_fixtures.h"

#include <chrono>
#include <thread>

using namespace soundtest;

namespace {

constexpr double FRAME = 1.0 / 60.0;

// A started group on a loopback device of its own, fed by render() or by pump().
struct Group {
    explicit Group(bool pumped) {
        ctx.soundPumped = pumped;
        sound = createLoopbackSound(ctx);
        started = sound->start();
        rate = sound->sampleRate();
    }
    ~Group() { sound->shutdown(); }

    // Seconds of output as the loop makes it: each frame a pump, then the frame's
    // worth of rendering. (The self-fed group ignores the pumps.)
    std::vector<float> play(double seconds, double frame = FRAME) {
        std::vector<float> out(2 * static_cast<size_t>(std::lround(seconds * rate)));
        const int step = static_cast<int>(std::lround(frame * rate));
        for (size_t at = 0; at < out.size() / 2;) {
            const int n = static_cast<int>(std::min<size_t>(step, out.size() / 2 - at));
            sound->pump();
            sound->render(out.data() + 2 * at, n);
            at += static_cast<size_t>(n);
        }
        return out;
    }
    // Output with no pump at all: a frame that blocks the loop.
    std::vector<float> stall(double seconds) {
        std::vector<float> out(2 * static_cast<size_t>(std::lround(seconds * rate)));
        sound->render(out.data(), static_cast<int>(out.size() / 2));
        return out;
    }
    template <typename Load>
    uint32_t load(Load load, const std::vector<uint8_t>& file) {
        return (sound.get()->*load)(reinterpret_cast<const char*>(file.data()), static_cast<uint32_t>(file.size()));
    }

    EngineContext ctx;
    std::unique_ptr<LoopbackSound> sound;
    bool started = false;
    int rate = 44100;
};

// A stereo WAV of two tones, one per channel.
std::vector<uint8_t> twoChannelWav(double left, double right, double seconds, int rate) {
    std::vector<int16_t> s(2 * static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < s.size() / 2; ++i) {
        s[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * PI * left * i / rate));
        s[2 * i + 1] = static_cast<int16_t>(12000 * std::sin(2 * PI * right * i / rate));
    }
    return wavFile(s, 2, rate);
}

enum class Content { Music, MonoStream, StereoStream, MonoEffect };

struct Case {
    const char* name;
    Content content;
    double tone;  // a frequency heard in the left channel
};

// Starts the content playing, looped; returns its channel.
ChannelHandle startPlaying(Group& g, Content content) {
    switch (content) {
    case Content::Music: {
        const MusicHandle m = g.load(&Sound::musicLoad, twoToneModule());
        return g.sound->musicPlay(m, true, 100, -1, -1);
    }
    case Content::MonoStream:
        return g.sound->streamPlay(g.load(&Sound::streamLoad, sineWav(440.0, 0.7, 22050)), true, 100);
    case Content::StereoStream:
        return g.sound->streamPlay(g.load(&Sound::streamLoad, twoChannelWav(300.0, 500.0, 0.7, 44100)), true, 100);
    case Content::MonoEffect:
        return g.sound->effectPlayWith(g.load(&Sound::effectLoad, sineWav(440.0, 0.5)), 100, 0, 1.0f, true);
    }
    return 0;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float d = a.size() == b.size() ? 0.0f : 1.0f;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

const Case FED_CASES[] = {
    {"music", Content::Music, C4_SINE},
    {"mono stream at 22 kHz", Content::MonoStream, 440.0},
    {"stereo stream", Content::StereoStream, 300.0},
};

// Pumped once per frame, at 60 frames a second and then in frames of up to 200 ms
// (the queue outlasts a slow frame), the output is the self-fed group's, without a gap.
TEST(PumpedSound, FedOncePerFrameFastOrSlowItSoundsAsTheSelfFedGroup) {
    for (const Case& c : FED_CASES) {
        SCOPED_TRACE(c.name);
        Group fed(false), pumped(true);
        ASSERT_TRUE(fed.started && pumped.started) << pumped.ctx.errorText;
        ASSERT_NE(startPlaying(fed, c.content), 0u);
        ASSERT_NE(startPlaying(pumped, c.content), 0u);
        const std::vector<float> want = fed.play(1.5);
        std::vector<float> got = pumped.play(0.5);
        for (double slow : {0.2, 0.15, 0.2, 0.1, 0.2, 0.15}) {
            const std::vector<float> more = pumped.play(slow, slow);
            got.insert(got.end(), more.begin(), more.end());
        }
        EXPECT_GT(toneLevel(got, 0, c.tone, pumped.rate), 0.02);
        EXPECT_LT(largestDifference(got, want), 1e-5f);
    }
}

TEST(PumpedSound, AfterAStallLongerThanTheQueueTheNextPumpPlaysOn) {
    for (const Case& c : FED_CASES) {
        SCOPED_TRACE(c.name);
        Group g(true);
        const ChannelHandle ch = startPlaying(g, c.content);
        g.play(0.3);
        const std::vector<float> stalled = g.stall(1.0);
        EXPECT_GT(peak(stalled, 0, 0, g.rate / 10), 0.05f);  // the queue plays out first
        EXPECT_LT(peak(stalled, 0, g.rate / 2), 1e-6f);      // then runs dry
        EXPECT_TRUE(g.sound->channelIsPlaying(ch));
        const std::vector<float> after = g.play(0.3);
        EXPECT_GT(toneLevel(after, 0, c.tone, g.rate), 0.02);
        EXPECT_GT(peak(after, 0, 0, g.rate / 60), 0.05f);  // from the first frame on
    }
}

TEST(PumpedSound, APanStaysAPan) {
    const Case cases[] = {
        {"mono effect", Content::MonoEffect, 440.0},
        {"mono stream", Content::MonoStream, 440.0},
        {"stereo stream", Content::StereoStream, 300.0},
        {"music", Content::Music, C4_SINE},
    };
    for (const Case& c : cases) {
        for (int pan : {-100, 100}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(pan));
            Group g(true);
            const ChannelHandle ch = startPlaying(g, c.content);
            g.sound->channelSetPan(ch, pan);
            const std::vector<float> out = g.play(0.4);
            const int near = pan < 0 ? 0 : 1;
            EXPECT_GT(peak(out, near), 0.1f);
            EXPECT_LT(peak(out, 1 - near), 1e-3f);
        }
    }
}

TEST(PumpedSound, SlidesFinishOnTheRenderedClockAsWhenSelfFed) {
    const Case cases[] = {
        {"mono effect", Content::MonoEffect, 440.0},
        {"music", Content::Music, C4_SINE},
        {"mono stream", Content::MonoStream, 440.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Group fed(false), pumped(true);
        const ChannelHandle a = startPlaying(fed, c.content);
        const ChannelHandle b = startPlaying(pumped, c.content);
        fed.sound->channelSlide(a, 0.5f, 30, 100, -1.0f);
        pumped.sound->channelSlide(b, 0.5f, 30, 100, -1.0f);
        pumped.play(0.25);
        EXPECT_TRUE(pumped.sound->channelIsSliding(b));
        pumped.play(0.3);
        EXPECT_FALSE(pumped.sound->channelIsSliding(b));
        fed.play(0.55);
        EXPECT_FALSE(fed.sound->channelIsSliding(a));

        const std::vector<float> want = fed.play(0.3);
        const std::vector<float> got = pumped.play(0.3);
        EXPECT_LT(peak(got, 0), 1e-3f);  // panned hard right
        const double level = toneLevel(want, 1, c.tone, fed.rate);
        EXPECT_GT(level, 0.005);
        EXPECT_NEAR(toneLevel(got, 1, c.tone, pumped.rate), level, level * 0.02);
    }
}

TEST(PumpedSound, PausedOutputHoldsStillThroughThePumps) {
    Group g(true);
    const ChannelHandle m = startPlaying(g, Content::Music);
    g.play(0.3);
    g.sound->channelPauseAll();
    const float at = g.sound->channelPosition(m);
    EXPECT_LT(peak(g.play(0.3), 0), 1e-6f);
    EXPECT_FLOAT_EQ(g.sound->channelPosition(m), at);
    g.sound->channelResumeAll();
    EXPECT_GT(toneLevel(g.play(0.3), 0, C4_SINE, g.rate), 0.02);
    EXPECT_NEAR(g.sound->channelPosition(m), at + 0.3f, 0.03f);
}

// The engine's own loop pumps a pumped group; nothing else feeds it. A frame spends
// a few milliseconds of real time so that the silent device has something to play.
class PumpedEngine : public ::testing::Test {
protected:
    class Platform final : public LoopPlatform {
    public:
        uint64_t microseconds() override { return now_ += 20000; }
        void sleep(uint64_t) override {}
        bool pollEvent(SDL_Event*) override { return false; }

    private:
        uint64_t now_ = 1000000;
    };

    static bool frame() {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
        return ++frames_ >= 5;
    }

    void SetUp() override {
        engine_ = engineCreateHeadless(ENGINE_VERSION);
        engineImpl()->context().soundPumped = true;
        engine_->System_SetState(STATE_FRAME_FUNC, frame);
        engineImpl()->setLoopPlatform(&platform_);
        ASSERT_TRUE(engine_->System_Initiate()) << engine_->System_LastError();
        frames_ = 0;
    }
    void TearDown() override {
        engineImpl()->setLoopPlatform(nullptr);
        engine_->Release();
    }

    Engine* engine_ = nullptr;
    Platform platform_;
    static inline int frames_ = 0;
};

TEST_F(PumpedEngine, OnlyTheFrameLoopMovesTheMusicOn) {
    const std::vector<uint8_t> module = twoToneModule();
    const MusicHandle m =
        engine_->Music_Load(reinterpret_cast<const char*>(module.data()), static_cast<uint32_t>(module.size()));
    ASSERT_NE(m, 0u) << engine_->System_LastError();
    engine_->Music_Play(m, true, 100, -1, -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(engine_->Channel_Position(m), 0.0f);  // no thread has fed it
    ASSERT_TRUE(engine_->System_Start());
    EXPECT_EQ(frames_, 5);
    EXPECT_GT(engine_->Channel_Position(m), 0.0f);
    EXPECT_TRUE(engine_->Channel_IsPlaying(m));
}

}  // namespace
