// Sound data built in memory for the sound tests (WAV files and a small XM module),
// and the measurements made on what the loopback device renders.
#pragma once

#include "engine/sound/loopback.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace soundtest {

constexpr double PI = 3.14159265358979323846;

inline void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
inline void putText(std::vector<uint8_t>& b, const char* text, size_t width) {
    size_t n = std::strlen(text);
    for (size_t i = 0; i < width; ++i) b.push_back(i < n ? static_cast<uint8_t>(text[i]) : 0);
}

// A 16-bit PCM WAV file of the given interleaved samples.
inline std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples, int channels, int rate) {
    std::vector<uint8_t> b;
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    putText(b, "RIFF", 4);
    put32(b, 36 + data);
    putText(b, "WAVE", 4);
    putText(b, "fmt ", 4);
    put32(b, 16);
    put16(b, 1);
    put16(b, static_cast<uint32_t>(channels));
    put32(b, static_cast<uint32_t>(rate));
    put32(b, static_cast<uint32_t>(rate * channels * 2));
    put16(b, static_cast<uint32_t>(channels * 2));
    put16(b, 16);
    putText(b, "data", 4);
    put32(b, data);
    for (int16_t s : samples) put16(b, static_cast<uint16_t>(s));
    return b;
}

// A mono sine WAV: seconds long, at amplitude (0..1) of full scale.
inline std::vector<uint8_t> sineWav(double freq, double seconds, int rate = 44100, double amplitude = 0.5) {
    std::vector<int16_t> s(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>(std::lround(32767.0 * amplitude * std::sin(2.0 * PI * freq * i / rate)));
    }
    return wavFile(s, 1, rate);
}

// A file libsndfile writes in one of its formats (OGG Vorbis, FLAC, float WAV...) of
// the given interleaved samples, full scale 1.0.
inline std::vector<uint8_t> sndfileEncoded(int format, const std::vector<float>& samples, int channels = 1,
                                           int rate = 22050) {
    std::vector<uint8_t> out;
    char path[] = "/tmp/td_sound_XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return out;
    close(fd);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    if (SNDFILE* sf = sf_open(path, SFM_WRITE, &info)) {
        sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_FALSE);  // what is past full scale stays so
        sf_writef_float(sf, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
        sf_close(sf);
        FILE* f = std::fopen(path, "rb");
        int c;
        while (f && (c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
        if (f) std::fclose(f);
    }
    std::remove(path);
    return out;
}

// ---------------------------------------------------------------------------------
// A small XM module.

struct XmCell {
    uint8_t note = 0;  // 1 = C-0, 49 = C-4, 97 = key off
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct XmPattern {
    int rows = 16;
    std::vector<XmCell> cells;  // rows x channels
};

// One looped 8-bit sample per instrument.
struct XmInstrument {
    std::vector<int8_t> sample;
    uint8_t volume = 64;
};

inline std::vector<uint8_t> xmFile(int channels, const std::vector<int>& orders, const std::vector<XmPattern>& patterns,
                                   const std::vector<XmInstrument>& instruments, int speed = 6, int bpm = 125) {
    std::vector<uint8_t> b;
    putText(b, "Extended Module: ", 17);
    putText(b, "test", 20);
    b.push_back(0x1A);
    putText(b, "tests", 20);
    put16(b, 0x0104);
    put32(b, 276);
    put16(b, static_cast<uint32_t>(orders.size()));
    put16(b, 0);
    put16(b, static_cast<uint32_t>(channels));
    put16(b, static_cast<uint32_t>(patterns.size()));
    put16(b, static_cast<uint32_t>(instruments.size()));
    put16(b, 1);  // linear frequencies
    put16(b, static_cast<uint32_t>(speed));
    put16(b, static_cast<uint32_t>(bpm));
    for (int i = 0; i < 256; ++i) b.push_back(i < static_cast<int>(orders.size()) ? static_cast<uint8_t>(orders[i]) : 0);
    for (const XmPattern& p : patterns) {
        std::vector<uint8_t> data;
        for (int i = 0; i < p.rows * channels; ++i) {
            XmCell c = i < static_cast<int>(p.cells.size()) ? p.cells[i] : XmCell();
            data.insert(data.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
        }
        put32(b, 9);
        b.push_back(0);
        put16(b, static_cast<uint32_t>(p.rows));
        put16(b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
    }
    for (const XmInstrument& ins : instruments) {
        const size_t start = b.size();
        put32(b, 263);
        putText(b, "ins", 22);
        b.push_back(0);
        put16(b, 1);
        put32(b, 40);
        b.resize(b.size() + 96 + 48 + 48, 0);  // keymap, envelopes
        b.resize(b.size() + 2 + 6 + 2 + 4, 0);  // point counts, sustain and loops, types, vibrato
        put16(b, 0);                            // fade-out
        b.resize(start + 263, 0);
        const uint32_t length = static_cast<uint32_t>(ins.sample.size());
        put32(b, length);
        put32(b, 0);
        put32(b, length);  // the whole sample loops
        b.push_back(ins.volume);
        b.push_back(0);
        b.push_back(1);  // forward loop, 8-bit
        b.push_back(128);
        b.push_back(0);
        b.push_back(0);
        putText(b, "smp", 22);
        int8_t last = 0;
        for (int8_t s : ins.sample) {
            b.push_back(static_cast<uint8_t>(static_cast<int8_t>(s - last)));
            last = s;
        }
    }
    return b;
}

// A sine sample of cycles periods, period samples each.
inline XmInstrument sineInstrument(int period = 32, int cycles = 8) {
    XmInstrument ins;
    for (int i = 0; i < period * cycles; ++i) {
        ins.sample.push_back(static_cast<int8_t>(std::lround(100.0 * std::sin(2.0 * PI * i / period))));
    }
    return ins;
}

// XM notes: C-4 plays a sample at 8363 Hz, so a 32-sample sine sounds at 8363/32 Hz.
constexpr uint8_t C4 = 49;
constexpr uint8_t C6 = 73;
constexpr double C4_SINE = 8363.0 / 32.0;
constexpr double C6_SINE = 4.0 * 8363.0 / 32.0;
constexpr double ROW_SECONDS = 6 * 2.5 / 125.0;  // speed 6 at 125 BPM

// Two channels, two instruments, two orders of 16 rows. Instrument 0 holds C-4 on
// channel 0 from the first row; instrument 1 holds C-6 on channel 1.
inline std::vector<uint8_t> twoToneModule() {
    XmPattern p;
    p.rows = 16;
    p.cells.resize(16 * 2);
    p.cells[0] = XmCell{C4, 1, 0, 0, 0};
    p.cells[1] = XmCell{C6, 2, 0, 0, 0};
    XmPattern q = p;
    return xmFile(2, {0, 1}, {p, q}, {sineInstrument(), sineInstrument()});
}

// ---------------------------------------------------------------------------------
// Measurements on interleaved float stereo.

inline float peak(const std::vector<float>& buf, int channel, size_t from = 0, size_t to = SIZE_MAX) {
    float p = 0.0f;
    const size_t frames = buf.size() / 2;
    for (size_t i = from; i < std::min(to, frames); ++i) p = std::max(p, std::fabs(buf[2 * i + channel]));
    return p;
}

// Zero crossings of one channel, ignoring anything within a small band around 0.
inline int crossings(const std::vector<float>& buf, int channel, float threshold = 0.01f) {
    int n = 0;
    int sign = 0;
    for (size_t i = channel; i < buf.size(); i += 2) {
        int s = buf[i] > threshold ? 1 : (buf[i] < -threshold ? -1 : sign);
        if (sign != 0 && s != sign) ++n;
        sign = s;
    }
    return n;
}

// The frequency of a tone in one channel, from its zero crossings.
inline double toneFrequency(const std::vector<float>& buf, int channel, int rate) {
    return crossings(buf, channel) / 2.0 / (static_cast<double>(buf.size() / 2) / rate);
}

// Amplitude of one frequency in a channel (Goertzel), over frames [from, to).
inline double toneLevel(const std::vector<float>& buf, int channel, double freq, int rate, size_t from = 0,
                        size_t to = SIZE_MAX) {
    to = std::min(to, buf.size() / 2);
    const double w = 2.0 * PI * freq / rate;
    const double k = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = from; i < to; ++i) {
        double s0 = buf[2 * i + channel] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return 2.0 * std::sqrt(std::max(0.0, power)) / static_cast<double>(to - from);
}

// A started sound group on a loopback device, and rendering from it.
class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = createLoopbackSound(ctx);
        ASSERT_TRUE(sound->start()) << ctx.errorText;
        rate = sound->sampleRate();
    }
    void TearDown() override {
        if (sound) sound->shutdown();
    }

    std::vector<float> render(double seconds) {
        std::vector<float> buf(2 * static_cast<size_t>(std::lround(seconds * rate)));
        sound->render(buf.data(), static_cast<int>(buf.size() / 2));
        return buf;
    }
    size_t frames(double seconds) const { return static_cast<size_t>(std::lround(seconds * rate)); }
    // Order and row from musicTell, {-1, -1} when it answers nothing.
    std::pair<int, int> tell(MusicHandle m) {
        int order = -1, row = -1;
        if (!sound->musicTell(m, &order, &row)) return {-1, -1};
        return {order, row};
    }

    EffectHandle loadEffect(const std::vector<uint8_t>& file) {
        return sound->effectLoad(reinterpret_cast<const char*>(file.data()), static_cast<uint32_t>(file.size()));
    }
    MusicHandle loadMusic(const std::vector<uint8_t>& file) {
        return sound->musicLoad(reinterpret_cast<const char*>(file.data()), static_cast<uint32_t>(file.size()));
    }
    StreamHandle loadStream(const std::vector<uint8_t>& file) {
        return sound->streamLoad(reinterpret_cast<const char*>(file.data()), static_cast<uint32_t>(file.size()));
    }

    EngineContext ctx;
    std::unique_ptr<LoopbackSound> sound;
    int rate = 44100;
};

}  // namespace soundtest
