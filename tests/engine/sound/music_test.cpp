// Tracker music and streams, heard through the loopback device.
#include "tests/engine/sound/sound_fixtures.h"

using namespace soundtest;

namespace {

class MusicTest : public LoopbackTest {};

TEST_F(MusicTest, PlaysTheModuleAndReportsItsShape) {
    MusicHandle m = loadMusic(twoToneModule());
    ASSERT_NE(m, 0u) << ctx.errorText;
    EXPECT_EQ(sound->musicOrderCount(m), 2);
    EXPECT_EQ(sound->musicGetAmplify(m), 50);
    EXPECT_NEAR(sound->channelLength(m), 32 * ROW_SECONDS, 0.01);
    EXPECT_FALSE(sound->channelIsPlaying(m));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);  // loaded, not playing

    EXPECT_EQ(sound->musicPlay(m, true, 100, -1, -1), m);
    EXPECT_TRUE(sound->channelIsPlaying(m));
    std::vector<float> out = render(1.0);
    EXPECT_GT(toneLevel(out, 0, C4_SINE, rate), 0.02);
    EXPECT_GT(toneLevel(out, 0, C6_SINE, rate), 0.02);
    EXPECT_NEAR(sound->channelPosition(m), 1.0f, 0.03f);
    const auto [order, row] = tell(m);
    EXPECT_EQ(order, 0);
    EXPECT_NEAR(row, static_cast<int>(1.0 / ROW_SECONDS), 1);
}

TEST_F(MusicTest, SeekThenTellGivesTheOrderAndRow) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicSeek(m, 1, 8);
    EXPECT_EQ(tell(m), std::make_pair(1, 8));

    sound->musicPlay(m, true, 100, -1, -1);  // plays from there
    render(0.25);
    const auto [order, row] = tell(m);
    EXPECT_EQ(order, 1);
    EXPECT_NEAR(row, 8 + static_cast<int>(0.25 / ROW_SECONDS), 1);
    EXPECT_NEAR(sound->channelPosition(m), (16 + 8) * ROW_SECONDS + 0.25, 0.03);

    // Seeking while playing, and Music_Play with an order and row.
    sound->musicSeek(m, 0, 3);
    EXPECT_EQ(tell(m), std::make_pair(0, 3));
    render(0.05);
    EXPECT_EQ(tell(m), std::make_pair(0, 3));
    sound->musicPlay(m, true, 100, 1, 0);
    render(0.05);
    EXPECT_EQ(tell(m), std::make_pair(1, 0));

    // Out of the module: nothing moves.
    sound->musicSeek(m, 2, 0);
    sound->musicSeek(m, 0, 16);
    sound->musicSeek(m, -1, 0);
    EXPECT_EQ(tell(m), std::make_pair(1, 0));
}

TEST_F(MusicTest, APausedModuleResumesWhereItStopped) {
    const std::vector<uint8_t> file = twoToneModule();
    // What the module sounds like played straight through.
    MusicHandle ref = loadMusic(file);
    sound->musicPlay(ref, true, 100, -1, -1);
    std::vector<float> straight = render(1.0);
    sound->musicFree(ref);
    render(0.1);

    MusicHandle m = loadMusic(file);
    sound->musicPlay(m, true, 100, -1, -1);
    std::vector<float> before = render(0.5);
    sound->channelPause(m);
    EXPECT_FALSE(sound->channelIsPlaying(m));
    const float at = sound->channelPosition(m);
    const std::pair<int, int> pausedAt = tell(m);
    std::vector<float> paused = render(0.3);
    EXPECT_LT(peak(paused, 0), 1e-6f);
    EXPECT_FLOAT_EQ(sound->channelPosition(m), at);

    sound->musicPlay(m, true, 100, -1, -1);
    EXPECT_EQ(tell(m), pausedAt);
    std::vector<float> after = render(0.5);
    EXPECT_NEAR(sound->channelPosition(m), at + 0.5f, 0.03f);
    // The samples go on from the pause: the same as the straight run from there.
    const size_t half = frames(0.5);
    double diff = 0.0;
    for (size_t i = 256; i < frames(0.4); ++i) diff = std::max(diff, double(std::fabs(after[2 * i] - straight[2 * (half + i)])));
    EXPECT_LT(diff, 1e-3);
    EXPECT_GT(peak(after, 0), 0.05f);
}

TEST_F(MusicTest, AStoppedModulePlaysOnFromAboutWhereItStopped) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicPlay(m, true, 100, -1, -1);
    render(0.6);
    sound->channelStop(m);
    EXPECT_FALSE(sound->channelIsPlaying(m));
    EXPECT_NEAR(sound->channelPosition(m), 0.6f, 0.03f);
    EXPECT_LT(peak(render(0.2), 0), 1e-6f);
    sound->channelResume(m);
    render(0.4);
    EXPECT_NEAR(sound->channelPosition(m), 1.0f, 0.05f);
}

TEST_F(MusicTest, MutingAnInstrumentRemovesItsNotes) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicSetInstrumentVolume(m, 1, 0);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, 1), 0);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, 0), 100);
    sound->musicPlay(m, true, 100, 0, 0);
    std::vector<float> out = render(1.0);
    EXPECT_LT(toneLevel(out, 0, C6_SINE, rate), 1e-3);
    EXPECT_GT(toneLevel(out, 0, C4_SINE, rate), 0.02);

    // Back on: its next note sounds again (the module retriggers it at the next order).
    sound->musicSetInstrumentVolume(m, 1, 100);
    sound->musicSeek(m, 1, 0);
    out = render(0.5);
    EXPECT_GT(toneLevel(out, 0, C6_SINE, rate), 0.02);

    // Muted while its note sounds: the note goes too, within what was already queued.
    render(0.3);
    EXPECT_GT(toneLevel(render(0.3), 0, C6_SINE, rate), 0.02);
    sound->musicSetInstrumentVolume(m, 1, 0);
    render(0.2);
    out = render(0.5);
    EXPECT_LT(toneLevel(out, 0, C6_SINE, rate), 1e-3);
    EXPECT_GT(toneLevel(out, 0, C4_SINE, rate), 0.02);

    // The game's call for an instrument the module does not have changes nothing.
    sound->musicSetInstrumentVolume(m, 18, 0);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, 18), -1);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, -1), -1);
}

// Instrument 0 plays C-4 on channel 0 and instrument 1 C-6 on channel 1 in the first
// order; in the second they trade channels and notes.
std::vector<uint8_t> tradingModule() {
    XmPattern p;
    p.cells.resize(16 * 2);
    p.cells[0] = XmCell{C4, 1, 0, 0, 0};
    p.cells[1] = XmCell{C6, 2, 0, 0, 0};
    XmPattern q = p;
    q.cells[0] = XmCell{C4, 2, 0, 0, 0};
    q.cells[1] = XmCell{C6, 1, 0, 0, 0};
    return xmFile(2, {0, 1}, {p, q}, {sineInstrument(), sineInstrument()});
}

TEST_F(MusicTest, InstrumentVolumeScalesThatInstrumentOnWhicheverChannel) {
    MusicHandle m = loadMusic(tradingModule());
    sound->musicPlay(m, true, 100, 0, 0);
    render(0.1);
    const std::vector<float> full = render(0.5);
    const double c4 = toneLevel(full, 0, C4_SINE, rate), c6 = toneLevel(full, 0, C6_SINE, rate);
    ASSERT_GT(c4, 0.02);
    ASSERT_GT(c6, 0.02);
    // Heard from the start of an order, and from the middle of one, whose notes began before.
    struct Case {
        int volume, order, row;
        double heldFreq, otherFreq;
    };
    for (const Case& c : {Case{50, 0, 0, C4_SINE, C6_SINE}, Case{25, 1, 8, C6_SINE, C4_SINE},
                          Case{75, 0, 4, C4_SINE, C6_SINE}, Case{100, 1, 0, C6_SINE, C4_SINE}}) {
        SCOPED_TRACE(c.volume);
        sound->musicSetInstrumentVolume(m, 0, c.volume);
        EXPECT_EQ(sound->musicGetInstrumentVolume(m, 0), c.volume);
        sound->musicSeek(m, c.order, c.row);
        render(0.1);
        const std::vector<float> out = render(0.5);
        const double held = toneLevel(out, 0, c.heldFreq, rate) / (c.heldFreq == C4_SINE ? c4 : c6);
        const double other = toneLevel(out, 0, c.otherFreq, rate) / (c.otherFreq == C4_SINE ? c4 : c6);
        EXPECT_NEAR(held, c.volume / 100.0, 0.03);
        EXPECT_NEAR(other, 1.0, 0.03);
    }
    // While playing, without a seek: heard once what was queued has played.
    sound->musicSetInstrumentVolume(m, 0, 50);
    render(0.3);
    EXPECT_NEAR(toneLevel(render(0.3), 0, C6_SINE, rate) / c6, 0.5, 0.03);
}

TEST_F(MusicTest, TrackVolumeScalesOneModuleChannel) {
    MusicHandle m = loadMusic(twoToneModule());
    EXPECT_EQ(sound->musicGetTrackVolume(m, 1), 100);
    sound->musicPlay(m, true, 100, 0, 0);
    render(0.1);
    std::vector<float> full = render(0.5);
    sound->musicSetTrackVolume(m, 1, 0);
    EXPECT_EQ(sound->musicGetTrackVolume(m, 1), 0);
    render(0.3);  // past what was already queued
    std::vector<float> out = render(0.5);
    EXPECT_LT(toneLevel(out, 0, C6_SINE, rate), toneLevel(full, 0, C6_SINE, rate) * 0.02);
    EXPECT_NEAR(toneLevel(out, 0, C4_SINE, rate), toneLevel(full, 0, C4_SINE, rate), 0.005);
    sound->musicSetTrackVolume(m, 1, 50);
    render(0.3);
    out = render(0.5);
    EXPECT_NEAR(toneLevel(out, 0, C6_SINE, rate), toneLevel(full, 0, C6_SINE, rate) * 0.5, 0.005);
    // A seek keeps the level.
    sound->musicSeek(m, 0, 4);
    render(0.1);
    EXPECT_NEAR(toneLevel(render(0.5), 0, C6_SINE, rate), toneLevel(full, 0, C6_SINE, rate) * 0.5, 0.005);
    EXPECT_EQ(sound->musicGetTrackVolume(m, 2), -1);
}

TEST_F(MusicTest, AmplifyFiftyIsTheModulesOwnLoudness) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicPlay(m, true, 100, 0, 0);
    render(0.1);
    const double normal = toneLevel(render(0.5), 0, C4_SINE, rate);
    sound->musicSetAmplify(m, 100);
    EXPECT_EQ(sound->musicGetAmplify(m), 100);
    sound->musicSeek(m, 0, 0);
    render(0.1);
    EXPECT_NEAR(toneLevel(render(0.5), 0, C4_SINE, rate), normal * 2.0, normal * 0.1);
    sound->musicSetAmplify(m, 25);
    sound->musicSeek(m, 0, 0);
    render(0.1);
    EXPECT_NEAR(toneLevel(render(0.5), 0, C4_SINE, rate), normal * 0.5, normal * 0.05);
    sound->musicSetAmplify(m, 0);
    sound->musicSeek(m, 0, 0);
    render(0.1);
    EXPECT_LT(toneLevel(render(0.5), 0, C4_SINE, rate), 1e-5);
}

TEST_F(MusicTest, WithoutLoopTheModuleEnds) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicPlay(m, false, 100, 1, 12);
    render(0.3);
    EXPECT_TRUE(sound->channelIsPlaying(m));
    render(0.5);
    EXPECT_FALSE(sound->channelIsPlaying(m));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);

    sound->musicPlay(m, true, 100, 1, 12);
    render(0.8);
    EXPECT_TRUE(sound->channelIsPlaying(m));
    EXPECT_EQ(tell(m).first, 0);  // looped round to the start
}

TEST_F(MusicTest, MusicVolumeAndFreedHandles) {
    MusicHandle m = loadMusic(twoToneModule());
    sound->musicPlay(m, true, 40, 0, 0);
    render(0.1);
    const double quiet = toneLevel(render(0.5), 0, C4_SINE, rate);
    sound->channelSetVolume(m, 80);
    render(0.02);
    EXPECT_NEAR(toneLevel(render(0.5), 0, C4_SINE, rate), quiet * 2.0, quiet * 0.05);

    sound->musicFree(m);
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);
    int order = 0, row = 0;
    EXPECT_FALSE(sound->musicTell(m, &order, &row));
    EXPECT_EQ(sound->musicPlay(m, true, 100, -1, -1), 0u);
    EXPECT_EQ(sound->musicOrderCount(m), -1);
    EXPECT_EQ(sound->musicGetAmplify(m), -1);
    EXPECT_EQ(sound->musicGetTrackVolume(m, 0), -1);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, 0), -1);
    EXPECT_EQ(sound->channelLength(m), -1.0f);
    sound->musicFree(m);
    // A stream handle is no music handle, and the other way round.
    StreamHandle s = loadStream(sineWav(300.0, 0.5));
    EXPECT_EQ(sound->musicPlay(s, true, 100, -1, -1), 0u);
    EXPECT_EQ(sound->musicOrderCount(s), -1);
    MusicHandle m2 = loadMusic(twoToneModule());
    EXPECT_EQ(sound->streamPlay(m2, false, 100), 0u);
}

// ---------------------------------------------------------------------------------

class StreamTest : public LoopbackTest {};

TEST_F(StreamTest, PlaysFromTheStartAndEndsOrLoops) {
    StreamHandle s = loadStream(sineWav(600.0, 0.3));
    ASSERT_NE(s, 0u) << ctx.errorText;
    EXPECT_NEAR(sound->channelLength(s), 0.3f, 1e-3f);
    EXPECT_EQ(sound->streamPlay(s, false, 100), s);
    std::vector<float> out = render(0.25);
    EXPECT_NEAR(toneFrequency(out, 0, rate), 600.0, 10.0);
    EXPECT_NEAR(sound->channelPosition(s), 0.25f, 0.01f);
    render(0.1);
    EXPECT_FALSE(sound->channelIsPlaying(s));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);

    sound->streamPlay(s, true, 100);
    render(0.5);
    EXPECT_TRUE(sound->channelIsPlaying(s));
    EXPECT_GT(peak(render(0.3), 0), 0.1f);
    EXPECT_NEAR(sound->channelPosition(s), 0.2f, 0.02f);  // 0.8 s into a 0.3 s loop

    sound->channelSeek(s, 0.1f);
    EXPECT_NEAR(sound->channelPosition(s), 0.1f, 1e-3f);
    render(0.05);
    EXPECT_NEAR(sound->channelPosition(s), 0.15f, 0.01f);
    sound->channelSetPitch(s, 2.0f);
    render(0.02);
    EXPECT_NEAR(toneFrequency(render(0.2), 0, rate), 1200.0, 20.0);
    sound->streamFree(s);
    EXPECT_FALSE(sound->channelIsPlaying(s));
    EXPECT_LT(peak(render(0.1), 0), 1e-6f);
}

TEST_F(StreamTest, StreamVolumeIsItsOwn) {
    StreamHandle s = loadStream(sineWav(600.0, 1.0));
    sound->streamPlay(s, true, 100);
    render(0.05);
    const float full = peak(render(0.2), 0);
    ctx.streamVolume = 30;
    ctx.fxVolume = 0;
    ctx.musicVolume = 0;
    sound->applyVolumes();
    render(0.02);
    EXPECT_NEAR(peak(render(0.2), 0), full * 0.3f, full * 0.02f);
}

}  // namespace
