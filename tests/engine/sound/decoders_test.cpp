// The effect decoder against the stream decoder on the same files: 16-bit samples
// that follow the floats, clipped where the file goes past full scale; and damaged
// Ogg Vorbis files that fail without leaving anything allocated.
#include "engine/sound/openal/decoders.h"
#include "tests/engine/sound/sound_fixtures.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define TD_LEAK_CHECK 1
#endif

#include <algorithm>

using namespace soundtest;

namespace {

// Every frame the stream decoder gives, interleaved.
std::vector<float> streamed(const std::vector<uint8_t>& file) {
    std::vector<float> all;
    std::unique_ptr<StreamDecoder> s = StreamDecoder::open(std::vector<unsigned char>(file.begin(), file.end()));
    if (!s) return all;
    std::vector<float> buf(1024 * static_cast<size_t>(s->channels()));
    for (size_t n; (n = s->read(buf.data(), 1024)) > 0;) {
        all.insert(all.end(), buf.begin(), buf.begin() + long(n) * s->channels());
    }
    return all;
}

TEST(SampleDecoding, EffectsFollowTheStreamAndClipPastFullScale) {
    const int rate = 22050;
    auto wave = [&](double amplitude, bool square) {
        std::vector<float> s(static_cast<size_t>(rate / 2));
        for (size_t i = 0; i < s.size(); ++i) {
            const double v = std::sin(2 * PI * 300 * i / rate);
            s[i] = static_cast<float>(amplitude * (square ? (v >= 0 ? 1.0 : -1.0) : v));
        }
        return s;
    };
    const struct {
        const char* kind;
        int format;
        std::vector<float> samples;
        bool pastFullScale;  // the decoded floats go beyond 1.0 somewhere
    } cases[] = {
        {"16-bit wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, wave(0.5, false), false},
        {"32-bit float wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, wave(0.5, false), false},
        {"64-bit float wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, wave(0.5, false), false},
        {"float wav past full scale", SF_FORMAT_WAV | SF_FORMAT_FLOAT, wave(1.5, false), true},
        {"loud ogg vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, wave(0.98, true), true},
        {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, wave(0.5, false), false},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> file = sndfileEncoded(c.format, c.samples, 1, rate);
        DecodedSample effect;
        ASSERT_EQ(decodeSample(file.data(), file.size(), &effect), DecodeResult::Ok) << c.kind;
        const std::vector<float> stream = streamed(file);
        ASSERT_EQ(effect.pcm.size(), stream.size()) << c.kind;
        float loudest = 0.0f;
        int wrong = 0;
        for (size_t i = 0; i < stream.size(); ++i) {
            loudest = std::max(loudest, std::fabs(stream[i]));
            const double want = std::clamp(std::round(stream[i] * 32768.0), -32768.0, 32767.0);
            if (std::fabs(effect.pcm[i] - want) > 1.0 && wrong++ < 3) {
                ADD_FAILURE() << c.kind << " sample " << i << ": " << effect.pcm[i] << " for " << stream[i];
            }
        }
        EXPECT_EQ(wrong, 0) << c.kind;
        EXPECT_GT(loudest, 0.45f) << c.kind;
        EXPECT_EQ(loudest > 1.0f, c.pastFullScale) << c.kind << ": loudest " << loudest;
    }
}

// CRC of an Ogg page as the container computes it (polynomial 0x04C11DB7, not reflected).
uint32_t oggCrc(const uint8_t* p, size_t n) {
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint32_t(p[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// The same file with one byte of a page's body changed and the page's CRC made right
// again, so that the damage reaches the decoder instead of being dropped with the page.
std::vector<uint8_t> damagedInPage(std::vector<uint8_t> file, int page, size_t offset) {
    size_t at = 0;
    for (int p = 0; p < page; ++p) {
        size_t body = 27 + file[at + 26];
        for (int s = 0; s < file[at + 26]; ++s) body += file[at + 27 + size_t(s)];
        at += body;
    }
    size_t header = 27 + file[at + 26], body = 0;
    for (int s = 0; s < file[at + 26]; ++s) body += file[at + 27 + size_t(s)];
    file[at + header + offset % body] ^= 0x55;
    std::fill(file.begin() + long(at) + 22, file.begin() + long(at) + 26, 0);
    const uint32_t crc = oggCrc(file.data() + at, header + body);
    for (int i = 0; i < 4; ++i) file[at + 22 + size_t(i)] = uint8_t(crc >> (8 * i));
    return file;
}

// libsndfile once left libvorbis's header state allocated when such a file failed to open.
TEST(SampleDecoding, DamagedOggVorbisFilesFailWithoutLeaking) {
    std::vector<float> tone(22050);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * static_cast<float>(std::sin(2 * PI * 440 * i / 22050.0));
    const std::vector<uint8_t> whole = sndfileEncoded(SF_FORMAT_OGG | SF_FORMAT_VORBIS, tone);
    ASSERT_GT(whole.size(), 4000u);
    std::vector<std::vector<uint8_t>> damaged;
    for (size_t n = 28; n < 4000; n += 61) damaged.emplace_back(whole.begin(), whole.begin() + long(n));
    for (size_t offset : {size_t(7), size_t(40), size_t(300), size_t(1000), size_t(2500)}) {
        damaged.push_back(damagedInPage(whole, 1, offset));  // the comment and setup headers
        // A broken page first: a reader that searches on for the next page finds Vorbis.
        std::vector<uint8_t> junkFirst = {'O', 'g', 'g', 'S'};
        junkFirst.resize(40, 0x2A);
        junkFirst.insert(junkFirst.end(), whole.begin(), whole.begin() + long(200 + offset));
        damaged.push_back(junkFirst);
    }
    // A second link whose identification header is no Vorbis: libvorbisfile's seekable
    // open leaked a serial-number list on it.
    std::vector<uint8_t> second = damagedInPage(whole, 0, 31);
    for (size_t at = 0; at + 27 <= second.size();) {  // a serial of its own, and each page's CRC again
        size_t body = 27 + second[at + 26];
        for (int s = 0; s < second[at + 26]; ++s) body += second[at + 27 + size_t(s)];
        second[at + 14] ^= 0x5A;
        std::fill(second.begin() + long(at) + 22, second.begin() + long(at) + 26, 0);
        const uint32_t crc = oggCrc(second.data() + at, body);
        for (int i = 0; i < 4; ++i) second[at + 22 + size_t(i)] = uint8_t(crc >> (8 * i));
        at += body;
    }
    std::vector<uint8_t> chained = whole;
    chained.insert(chained.end(), second.begin(), second.end());
    damaged.push_back(chained);
    int failed = 0;
    for (const std::vector<uint8_t>& file : damaged) {
        DecodedSample s;
        const DecodeResult r = decodeSample(file.data(), file.size(), &s);
        if (r != DecodeResult::Ok) {
            ++failed;
            EXPECT_TRUE(s.pcm.empty());
        }
        StreamDecoder::open(std::vector<unsigned char>(file.begin(), file.end()));
    }
    EXPECT_GT(failed, 30);
#ifdef TD_LEAK_CHECK
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

}  // namespace
