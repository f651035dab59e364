// Malformed sound data: a clear failure with the group's text, never a crash or hang.
#include "engine/sound/openal/decoders.h"
#include "tests/engine/sound/sound_fixtures.h"

#include <sndfile.h>

using namespace soundtest;

namespace {

std::vector<uint8_t> cut(std::vector<uint8_t> file, size_t size) {
    file.resize(std::min(size, file.size()));
    return file;
}

// A 700 Hz tone written by libsndfile itself in another container (OGG Vorbis, FLAC).
std::vector<uint8_t> encoded(int format, double seconds) {
    std::vector<float> s(static_cast<size_t>(seconds * 22050));
    for (size_t i = 0; i < s.size(); ++i) s[i] = 0.5f * static_cast<float>(std::sin(2 * PI * 700 * i / 22050.0));
    return sndfileEncoded(format, s);
}

// Bytes of no format.
std::vector<uint8_t> garbage(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7919 + 13);
    return bytes;
}

// FLAC whose first frame is overwritten after its header: its decoder loses sync there.
std::vector<uint8_t> damagedFlac() {
    std::vector<uint8_t> file = encoded(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0.5);
    size_t frame = 4;
    while (frame + 1 < file.size() && !(file[frame] == 0xFF && (file[frame + 1] & 0xFE) == 0xF8)) ++frame;
    const std::vector<uint8_t> junk = garbage(300);
    if (frame + 10 + junk.size() < file.size()) std::copy(junk.begin(), junk.end(), file.begin() + long(frame + 10));
    return file;
}

class BadInputTest : public LoopbackTest {};

TEST_F(BadInputTest, BrokenEffectsFailWithTheEffectText) {
    const std::vector<uint8_t> good = sineWav(500.0, 0.1);
    const std::vector<uint8_t> rate0 = wavFile(std::vector<int16_t>(4410, 1000), 1, 0);
    std::vector<uint8_t> noData = good;
    noData.resize(44);  // a header that promises samples it does not have
    std::vector<uint8_t> oggHead = encoded(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.5);
    ASSERT_GT(oggHead.size(), 200u);
    oggHead.resize(60);
    std::vector<uint8_t> module = twoToneModule();

    for (const auto& file : {cut(good, 0), cut(good, 3), cut(good, 12), cut(good, 30), rate0, noData, garbage(4000),
                             oggHead, module, damagedFlac()}) {
        std::strcpy(ctx.errorText, "");
        EXPECT_EQ(loadEffect(file), 0u);
        EXPECT_STREQ(ctx.errorText, "Can't create sound effect");
    }
    EXPECT_EQ(sound->effectLoad(nullptr, 10), 0u);
    EXPECT_STREQ(ctx.errorText, "Can't create sound effect");
    // No engine to read files through: a name alone fails the same way.
    EXPECT_EQ(sound->effectLoad("data/sfx/none.wav", 0), 0u);
}

TEST_F(BadInputTest, ATruncatedWavPlaysWhatItHas) {
    const std::vector<uint8_t> good = sineWav(500.0, 0.2);
    EffectHandle e = loadEffect(cut(good, 44 + 2 * 4410));
    ASSERT_NE(e, 0u);
    ChannelHandle c = sound->effectPlay(e);
    EXPECT_NEAR(sound->channelLength(c), 0.1f, 1e-3f);
}

TEST_F(BadInputTest, OggFlacAndGsmLoadAsEffectsAndStreams) {
    // GSM 6.10's decoder cannot seek back to the start after a stream's first read; its
    // blocks of 320 samples pad the end.
    const struct {
        int format;
        float lengthSlack;
    } formats[] = {{SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.01f},
                   {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0.01f},
                   {SF_FORMAT_WAV | SF_FORMAT_GSM610, 0.03f}};
    for (const auto& f : formats) {
        const int format = f.format;
        std::vector<uint8_t> file = encoded(format, 0.5);
        ASSERT_FALSE(file.empty());
        EffectHandle e = loadEffect(file);
        ASSERT_NE(e, 0u) << ctx.errorText;
        ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, false);
        EXPECT_NEAR(sound->channelLength(c), 0.5f, f.lengthSlack);
        render(0.02);
        EXPECT_NEAR(toneFrequency(render(0.3), 0, rate), 700.0, 15.0);
        sound->channelStop(c);
        StreamHandle s = loadStream(file);
        ASSERT_NE(s, 0u) << ctx.errorText;
        sound->streamPlay(s, false, 100);
        EXPECT_NEAR(toneFrequency(render(0.3), 0, rate), 700.0, 15.0);
        sound->streamFree(s);
        // Cut short: the effect keeps what decodes, the stream plays what it can.
        std::vector<uint8_t> half = cut(file, file.size() / 2);
        EffectHandle h = loadEffect(half);
        if (h) {
            EXPECT_LT(sound->channelLength(sound->effectPlay(h)), 0.5f);
        }
        StreamHandle hs = loadStream(half);
        if (hs) {
            sound->streamPlay(hs, true, 100);
            render(1.0);
        }
    }
}

TEST_F(BadInputTest, BrokenModulesAndStreamsFailWithTheirTexts) {
    const std::vector<uint8_t> module = twoToneModule();
    for (const auto& file : {cut(module, 0), cut(module, 16), cut(module, 60), cut(module, 80), garbage(5000),
                             sineWav(500.0, 0.1)}) {
        std::strcpy(ctx.errorText, "");
        EXPECT_EQ(loadMusic(file), 0u) << file.size();
        EXPECT_STREQ(ctx.errorText, "Can't load music");
    }
    // Cut in the patterns or the samples: libopenmpt keeps what is there; whatever it
    // makes of it plays safely.
    for (size_t size : {size_t(300), size_t(340), size_t(400), module.size() - 100}) {
        MusicHandle m = loadMusic(cut(module, size));
        if (m) {
            sound->musicPlay(m, true, 100, 0, 0);
            render(0.3);
            sound->musicFree(m);
        }
    }
    std::vector<uint8_t> wrongOrder = module;
    wrongOrder[80] = 9;  // an order that names a pattern the module lacks
    MusicHandle w = loadMusic(wrongOrder);
    if (w) {
        sound->musicPlay(w, true, 100, 0, 0);
        sound->musicSeek(w, 0, 5);
        render(0.3);
    }

    const std::vector<uint8_t> wav = sineWav(500.0, 0.1);
    for (const auto& file : {cut(wav, 0), cut(wav, 20), cut(wav, 44), module, damagedFlac()}) {
        std::strcpy(ctx.errorText, "");
        EXPECT_EQ(loadStream(file), 0u);
        EXPECT_STREQ(ctx.errorText, "Can't load stream");
    }
}

TEST(SoundDecoders, SniffOnlyTheThreeContainers) {
    const std::vector<uint8_t> wav = sineWav(500.0, 0.01);
    EXPECT_TRUE(soundFileKnown(wav.data(), wav.size()));
    EXPECT_FALSE(soundFileKnown(wav.data(), 11));
    const char aiff[] = "FORM\0\0\0\0AIFFxxxx";
    EXPECT_FALSE(soundFileKnown(aiff, sizeof(aiff)));
    EXPECT_FALSE(soundFileKnown(nullptr, 100));
    DecodedSample s;
    EXPECT_EQ(decodeSample(aiff, sizeof(aiff), &s), DecodeResult::Failed);
}

}  // namespace
