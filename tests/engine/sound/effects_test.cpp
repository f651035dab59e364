// Effects and channels, heard through the loopback device.
#include "tests/engine/sound/sound_fixtures.h"

using namespace soundtest;

namespace {

class EffectTest : public LoopbackTest {};

TEST_F(EffectTest, PitchIsAFactorOnTheSamplesOwnRate) {
    // A 441 Hz tone recorded at 22050 Hz: the factor applies to that rate, not the device's.
    EffectHandle e = loadEffect(sineWav(441.0, 1.0, 22050));
    ASSERT_NE(e, 0u) << ctx.errorText;
    for (float pitch : {1.0f, 2.0f, 8.75f, 0.25f}) {
        ChannelHandle c = sound->effectPlayWith(e, 100, 0, pitch, true);
        ASSERT_NE(c, 0u);
        render(0.05);  // past the start
        std::vector<float> out = render(0.5);
        EXPECT_NEAR(toneFrequency(out, 0, rate), 441.0 * pitch, 441.0 * pitch * 0.02) << "pitch " << pitch;
        sound->channelStop(c);
    }
}

TEST_F(EffectTest, SetPitchAndSlideChangeTheRateOfAPlayingVoice) {
    EffectHandle e = loadEffect(sineWav(441.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, true);
    sound->channelSetPitch(c, 3.0f);
    render(0.02);
    EXPECT_NEAR(toneFrequency(render(0.5), 0, rate), 1323.0, 20.0);
    sound->channelSetPitch(c, -1.0f);  // leaves the rate
    sound->channelSlide(c, 0.0f, -1, -101, 0.5f);
    render(0.02);
    EXPECT_NEAR(toneFrequency(render(0.5), 0, rate), 220.5, 5.0);
}

TEST_F(EffectTest, PanHardLeftSilencesTheRightChannelAndBack) {
    EffectHandle e = loadEffect(sineWav(500.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, -100, 1.0f, true);
    render(0.02);
    std::vector<float> left = render(0.3);
    EXPECT_GT(peak(left, 0), 0.2f);
    EXPECT_LT(peak(left, 1), 1e-4f);

    sound->channelSetPan(c, 100);
    render(0.02);
    std::vector<float> right = render(0.3);
    EXPECT_LT(peak(right, 0), 1e-4f);
    EXPECT_GT(peak(right, 1), 0.2f);

    sound->channelSetPan(c, -101);  // leaves the pan
    sound->channelSetVolume(c, -1);  // leaves the volume
    std::vector<float> same = render(0.3);
    EXPECT_LT(peak(same, 0), 1e-4f);
    EXPECT_NEAR(peak(same, 1), peak(right, 1), 1e-3f);

    sound->channelSetPan(c, 0);
    render(0.02);
    std::vector<float> centre = render(0.3);
    EXPECT_NEAR(peak(centre, 0), peak(centre, 1), 1e-3f);
    EXPECT_GT(peak(centre, 0), 0.1f);
}

TEST_F(EffectTest, VolumeScalesTheVoiceLinearly) {
    EffectHandle e = loadEffect(sineWav(500.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, -100, 1.0f, true);
    render(0.02);
    const float full = peak(render(0.2), 0);
    sound->channelSetVolume(c, 25);
    render(0.02);
    EXPECT_NEAR(peak(render(0.2), 0), full * 0.25f, full * 0.02f);
    sound->channelSetVolume(c, 0);
    render(0.02);
    EXPECT_LT(peak(render(0.2), 0), 1e-5f);
}

TEST_F(EffectTest, SlideToSilenceTakesHalfASecondAndLeavesPanAndRate) {
    EffectHandle e = loadEffect(sineWav(441.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, -100, 1.0f, true);
    render(0.02);
    sound->channelSlide(c, 0.5f, 0, -101, -1.0f);
    EXPECT_TRUE(sound->channelIsSliding(c));
    std::vector<float> out = render(0.8);

    // Level per 10 ms window on the left; the right stays silent (pan untouched).
    const size_t window = frames(0.01);
    auto level = [&](double at) { return peak(out, 0, frames(at), frames(at) + window); };
    const float start = level(0.0);
    EXPECT_GT(start, 0.3f);
    EXPECT_NEAR(level(0.245), start * 0.5f, start * 0.06f);
    EXPECT_GT(level(0.47), 0.0f);
    EXPECT_LT(level(0.515), 1e-4f);  // OpenAL ramps a gain change over one mixing step
    EXPECT_LT(peak(out, 0, frames(0.52)), 1e-5f);
    EXPECT_LT(peak(out, 1), 1e-4f);
    // Silence begins at about 500 ms.
    size_t silentFrom = out.size() / 2;
    for (size_t i = out.size() / 2; i-- > 0;) {
        if (std::fabs(out[2 * i]) > 1e-4f) break;
        silentFrom = i;
    }
    EXPECT_NEAR(static_cast<double>(silentFrom) / rate, 0.5, 0.02);
    // The rate did not move while the volume fell.
    std::vector<float> firstHalf(out.begin(), out.begin() + 2 * frames(0.4));
    EXPECT_NEAR(toneFrequency(firstHalf, 0, rate), 441.0, 10.0);
    EXPECT_FALSE(sound->channelIsSliding(c));
    EXPECT_TRUE(sound->channelIsPlaying(c));  // silent, still playing
}

TEST_F(EffectTest, SlideOfPitchAndPanMovesBothAndSetCancelsIt) {
    EffectHandle e = loadEffect(sineWav(441.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, -100, 1.0f, true);
    sound->channelSlide(c, 0.2f, -1, 100, 2.0f);
    render(0.25);
    EXPECT_FALSE(sound->channelIsSliding(c));
    std::vector<float> out = render(0.3);
    EXPECT_LT(peak(out, 0), 1e-4f);
    EXPECT_NEAR(toneFrequency(out, 1, rate), 882.0, 15.0);

    sound->channelSlide(c, 1.0f, 0, -101, -1.0f);
    render(0.1);
    sound->channelSetVolume(c, 100);  // an explicit volume ends the volume slide
    EXPECT_FALSE(sound->channelIsSliding(c));
    render(0.02);
    EXPECT_GT(peak(render(0.2), 1), 0.3f);
}

TEST_F(EffectTest, AFifthPlayTakesOverTheOldestOfFourVoices) {
    EffectHandle e = loadEffect(sineWav(300.0, 2.0));
    ChannelHandle c[5];
    for (int i = 0; i < 4; ++i) {
        c[i] = sound->effectPlay(e);
        ASSERT_NE(c[i], 0u);
        render(0.1);
    }
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(sound->channelIsPlaying(c[i])) << i;
    const float youngest = sound->channelPosition(c[3]);
    c[4] = sound->effectPlay(e);
    ASSERT_NE(c[4], 0u);
    for (int i = 0; i < 4; ++i) EXPECT_NE(c[4], c[i]);
    // The first voice is gone, its handle with it; the other three play on.
    EXPECT_FALSE(sound->channelIsPlaying(c[0]));
    EXPECT_EQ(sound->channelPosition(c[0]), -1.0f);
    for (int i = 1; i < 5; ++i) EXPECT_TRUE(sound->channelIsPlaying(c[i])) << i;
    EXPECT_LT(sound->channelPosition(c[4]), 0.01f);
    EXPECT_GE(sound->channelPosition(c[3]), youngest);
    render(0.1);
    EXPECT_NEAR(sound->channelPosition(c[4]), 0.1f, 0.01f);
    EXPECT_NEAR(sound->channelPosition(c[1]), 0.4f, 0.01f);
    // A stopped voice frees its place: the next play takes it and leaves the others.
    sound->channelStop(c[2]);
    ChannelHandle again = sound->effectPlay(e);
    EXPECT_TRUE(sound->channelIsPlaying(c[1]));
    EXPECT_TRUE(sound->channelIsPlaying(again));
}

TEST_F(EffectTest, EffectsEndAndStopAndPauseAndResume) {
    EffectHandle e = loadEffect(sineWav(500.0, 0.2));
    ChannelHandle c = sound->effectPlay(e);
    EXPECT_NEAR(sound->channelLength(c), 0.2f, 1e-3f);
    render(0.1);
    sound->channelPause(c);
    EXPECT_FALSE(sound->channelIsPlaying(c));
    const float at = sound->channelPosition(c);
    EXPECT_LT(peak(render(0.2), 0), 1e-5f);
    EXPECT_FLOAT_EQ(sound->channelPosition(c), at);
    sound->channelResume(c);
    EXPECT_TRUE(sound->channelIsPlaying(c));
    render(0.15);
    EXPECT_FALSE(sound->channelIsPlaying(c));  // played out
    EXPECT_LT(peak(render(0.1), 0), 1e-5f);

    ChannelHandle d = sound->effectPlayWith(e, 100, 0, 1.0f, true);
    sound->channelSeek(d, 0.15f);
    EXPECT_NEAR(sound->channelPosition(d), 0.15f, 1e-3f);
    render(0.1);
    EXPECT_TRUE(sound->channelIsPlaying(d));  // looped round
    EXPECT_NEAR(sound->channelPosition(d), 0.05f, 0.01f);
    sound->channelStop(d);
    EXPECT_FALSE(sound->channelIsPlaying(d));
    sound->channelResume(d);  // a stopped effect voice is gone
    EXPECT_FALSE(sound->channelIsPlaying(d));
    EXPECT_LT(peak(render(0.1), 0), 1e-5f);
}

TEST_F(EffectTest, PauseAllHoldsEverythingAndStopAllEndsItAndLetsNewSoundsPlay) {
    EffectHandle e = loadEffect(sineWav(500.0, 1.0));
    ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, true);
    render(0.1);
    sound->channelPauseAll();
    EXPECT_FALSE(sound->channelIsPlaying(c));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);
    sound->channelResumeAll();
    EXPECT_TRUE(sound->channelIsPlaying(c));
    EXPECT_GT(peak(render(0.1), 0), 0.1f);

    sound->channelPauseAll();
    sound->channelStopAll();
    EXPECT_FALSE(sound->channelIsPlaying(c));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);
    ChannelHandle d = sound->effectPlay(e);
    EXPECT_TRUE(sound->channelIsPlaying(d));
    render(0.02);
    EXPECT_GT(peak(render(0.1), 0), 0.1f);
}

TEST_F(EffectTest, FxVolumeZeroSilencesEffectsButNotMusic) {
    EffectHandle e = loadEffect(sineWav(3000.0, 1.0));
    MusicHandle m = loadMusic(twoToneModule());
    ASSERT_NE(m, 0u) << ctx.errorText;
    sound->effectPlayWith(e, 100, 0, 1.0f, true);
    sound->musicPlay(m, true, 100, 0, 0);
    render(0.1);
    std::vector<float> both = render(0.5);
    EXPECT_GT(toneLevel(both, 0, 3000.0, rate), 0.05);
    EXPECT_GT(toneLevel(both, 0, C4_SINE, rate), 0.01);

    ctx.fxVolume = 0;
    sound->applyVolumes();
    render(0.02);
    std::vector<float> musicOnly = render(0.5);
    EXPECT_LT(toneLevel(musicOnly, 0, 3000.0, rate), 1e-3);
    EXPECT_NEAR(toneLevel(musicOnly, 0, C4_SINE, rate), toneLevel(both, 0, C4_SINE, rate), 0.005);

    ctx.fxVolume = 100;
    ctx.musicVolume = 0;
    sound->applyVolumes();
    render(0.02);
    std::vector<float> fxOnly = render(0.5);
    EXPECT_GT(toneLevel(fxOnly, 0, 3000.0, rate), 0.05);
    EXPECT_LT(toneLevel(fxOnly, 0, C4_SINE, rate), 1e-3);  // the effect's own leakage only

    ctx.fxVolume = 50;
    ctx.musicVolume = 100;
    sound->applyVolumes();
    render(0.02);
    EXPECT_NEAR(toneLevel(render(0.5), 0, 3000.0, rate), toneLevel(both, 0, 3000.0, rate) * 0.5, 0.01);
}

TEST_F(EffectTest, StereoEffectsKeepTheirChannelsAndPanAsAWhole) {
    std::vector<int16_t> s(2 * 22050);
    for (size_t i = 0; i < s.size() / 2; ++i) s[2 * i] = static_cast<int16_t>(16000 * std::sin(2 * PI * 400 * i / 44100.0));
    EffectHandle e = loadEffect(wavFile(s, 2, 44100));  // left only
    ASSERT_NE(e, 0u);
    ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, true);
    render(0.02);
    std::vector<float> out = render(0.2);
    EXPECT_GT(peak(out, 0), 0.3f);
    EXPECT_LT(peak(out, 1), 1e-4f);
    sound->channelSetPan(c, 100);
    render(0.02);
    out = render(0.2);
    EXPECT_LT(peak(out, 0), 1e-3f);
    EXPECT_GT(peak(out, 1), 0.2f);
}

TEST_F(EffectTest, FreedAndUnknownHandlesDoNothing) {
    EffectHandle e = loadEffect(sineWav(500.0, 0.5));
    ChannelHandle c = sound->effectPlay(e);
    sound->effectFree(e);
    EXPECT_FALSE(sound->channelIsPlaying(c));
    EXPECT_EQ(sound->effectPlay(e), 0u);
    EXPECT_EQ(sound->channelLength(c), -1.0f);
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);
    for (uint32_t h : {0u, 1u, 0xFFFFFFFFu, c ^ 0x1000u, e}) {
        EXPECT_EQ(sound->effectPlayWith(h, 100, 0, 1.0f, false), 0u);
        sound->channelSetPan(h, 10);
        sound->channelSetVolume(h, 10);
        sound->channelSetPitch(h, 2.0f);
        sound->channelPause(h);
        sound->channelResume(h);
        sound->channelStop(h);
        sound->channelSeek(h, 0.1f);
        sound->channelSlide(h, 0.1f, 0, 0, 1.0f);
        EXPECT_FALSE(sound->channelIsSliding(h));
        EXPECT_FALSE(sound->channelIsPlaying(h));
        EXPECT_EQ(sound->channelPosition(h), -1.0f);
        sound->effectFree(h);
    }
    // A new effect in the freed place does not answer to the old handles.
    EffectHandle f = loadEffect(sineWav(500.0, 0.5));
    EXPECT_NE(f, e);
    EXPECT_EQ(sound->effectPlay(e), 0u);
    EXPECT_NE(sound->effectPlay(f), 0u);
}

}  // namespace
