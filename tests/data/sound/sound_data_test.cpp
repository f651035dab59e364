// The game's sound data as the libraries beneath the engine read it: the music
// module through libopenmpt, every declared effect through libsndfile.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <sndfile.h>

#include "tests/data/sound/program_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path gamePath(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return programFolder() / name;
}

// The names and files of the "Sound" declarations of a resource script (a
// small reader of its own: comments, quoted or bare names, filename parameter).
struct SoundDecl {
    std::string name, file;
};

std::vector<std::string> scriptTokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ';') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '"') {
            size_t end = text.find_first_of("\"\r\n", i + 1);
            if (end == std::string::npos) end = text.size();
            tokens.push_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == '{' || c == '}' || c == '=' || c == ',' || c == ':') {
            tokens.push_back(std::string(1, c));
            ++i;
        } else {
            size_t end = text.find_first_of(" \t\r\n{}=,:;\"", i);
            if (end == std::string::npos) end = text.size();
            tokens.push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return tokens;
}

std::vector<SoundDecl> soundDeclarations(const fs::path& script) {
    std::vector<char> raw = readFile(script);
    std::vector<std::string> t = scriptTokens(std::string(raw.begin(), raw.end()));
    std::vector<SoundDecl> out;
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (t[i] != "Sound" || t[i + 2] != "{") continue;
        SoundDecl d{t[i + 1], ""};
        for (size_t j = i + 3; j < t.size() && t[j] != "}"; ++j)
            if (t[j] == "filename" && j + 2 < t.size()) d.file = t[j + 2];
        out.push_back(d);
    }
    return out;
}

std::vector<float> readMono(const fs::path& path, SF_INFO* info) {
    *info = SF_INFO{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
    if (!f) return {};
    std::vector<float> frames(static_cast<size_t>(info->frames) * info->channels);
    sf_count_t got = sf_readf_float(f, frames.data(), info->frames);
    sf_close(f);
    frames.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) * info->channels);
    return frames;
}

double rms(const std::vector<float>& x) {
    double s = 0;
    for (float v : x) s += double(v) * v;
    return x.empty() ? 0.0 : std::sqrt(s / x.size());
}

double peak(const std::vector<float>& x) {
    double p = 0;
    for (float v : x) p = std::max(p, double(std::fabs(v)));
    return p;
}

const fs::path kModule = "music/mossbeat65.xm";
constexpr int kRate = 44100;

std::vector<float> render(openmpt::module& mod, double seconds) {
    std::vector<float> out(static_cast<size_t>(seconds * kRate) * 2);
    size_t done = 0;
    while (done < out.size()) {
        size_t n = mod.read_interleaved_stereo(kRate, (out.size() - done) / 2, out.data() + done);
        if (n == 0) break;
        done += 2 * n;
    }
    out.resize(done);
    return out;
}

struct Module {
    std::vector<char> data = readFile(programFolder() / kModule);
    openmpt::module_ext mod{data.data(), data.size()};
    openmpt::ext::interactive* interactive() {
        return static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
    }
};

}  // namespace

TEST(MusicModule, IsAnXmWithEnoughInstrumentsOrdersAndLength) {
    Module m;
    EXPECT_EQ(m.mod.get_metadata("type"), "xm");
    EXPECT_GE(m.mod.get_num_instruments(), 19);
    EXPECT_GT(m.mod.get_num_orders(), 1);
    for (int o = 0; o < m.mod.get_num_orders(); ++o)
        EXPECT_LT(m.mod.get_order_pattern(o), m.mod.get_num_patterns()) << "order " << o;
    double length = m.mod.get_duration_seconds();
    EXPECT_GE(length, 60.0);
    EXPECT_LE(length, 120.0);
}

TEST(MusicModule, LoopsBackToTheStartWhenPlayedOn) {
    Module m;
    m.mod.set_repeat_count(-1);
    double length = m.mod.get_duration_seconds();
    std::vector<float> all = render(m.mod, length + 4.0);
    ASSERT_EQ(all.size(), static_cast<size_t>((length + 4.0) * kRate) * 2) << "stopped instead of looping";
    // 4 s past the end is inside the first order again (a pattern lasts over 8 s)
    EXPECT_EQ(m.mod.get_current_order(), 0);
    std::vector<float> tail(all.end() - 2 * kRate, all.end());
    EXPECT_GT(rms(tail), 0.01) << "silent after the loop point";
}

TEST(MusicModule, RendersAudiblyWithoutClipping) {
    Module m;
    std::vector<float> start = render(m.mod, 20.0);
    EXPECT_GT(rms(start), 0.02);
    m.mod.set_position_seconds(0);
    std::vector<float> all = render(m.mod, m.mod.get_duration_seconds());
    EXPECT_LT(peak(all), 0.99);
}

// The round mutes instrument 18: that must take the lead away and leave a
// piece that still plays, in the sections where the lead plays and elsewhere.
TEST(MusicModule, MutingInstrument18RemovesTheLeadAndLeavesTheRest) {
    Module full, muted;
    ASSERT_NE(muted.interactive(), nullptr);
    muted.interactive()->set_instrument_mute_status(18, true);
    std::vector<float> a = render(full.mod, full.mod.get_duration_seconds());
    std::vector<float> b = render(muted.mod, muted.mod.get_duration_seconds());
    ASSERT_EQ(a.size(), b.size());
    std::vector<float> diff(a.size());
    for (size_t i = 0; i < a.size(); ++i) diff[i] = a[i] - b[i];
    EXPECT_GT(rms(diff), 0.1 * rms(a)) << "muting instrument 18 hardly changes the music";

    // Every 4-second stretch of the muted piece still has music in it.
    const size_t window = 4 * kRate * 2;
    for (size_t at = 0; at + window <= b.size(); at += window) {
        std::vector<float> part(b.begin() + at, b.begin() + at + window);
        EXPECT_GT(rms(part), 0.02) << "near silence at " << at / 2 / kRate << " s without the lead";
    }
}

TEST(SoundEffects, EveryGameEffectIsDeclaredAndIsAPlayableMonoWav) {
    const std::set<std::string> game = {
        "start", "motor", "rolling", "shift", "chomp1", "chomp2", "chomp3", "growl1", "brake",
        "screech", "crash", "grab", "wiff", "fishflop2", "inrock1", "inrock2", "badger", "scratch",
        "buzz1", "buzz2", "sting", "carhit1", "hitwood1", "hitwood2", "hitmetal1", "rustle1", "splash1"};
    std::vector<SoundDecl> decls = soundDeclarations(programFolder() / "data" / "sounds.res");
    std::set<std::string> declared;
    uintmax_t bytes = 0;
    for (const SoundDecl& d : decls) {
        SCOPED_TRACE(d.name);
        EXPECT_TRUE(declared.insert(d.name).second) << "declared twice";
        ASSERT_FALSE(d.file.empty());
        fs::path path = gamePath(d.file);
        ASSERT_TRUE(fs::exists(path)) << path;
        bytes += fs::file_size(path);
        SF_INFO info;
        std::vector<float> x = readMono(path, &info);
        ASSERT_FALSE(x.empty()) << sf_strerror(nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        EXPECT_EQ(info.channels, 1);
        EXPECT_GE(info.samplerate, 11025);
        EXPECT_LE(info.frames, info.samplerate * 3) << "effects are short";
        EXPECT_GT(peak(x), 0.05) << "nearly silent";
        EXPECT_LT(peak(x), 0.99) << "clipped";
    }
    EXPECT_EQ(declared, game);
    bytes += fs::file_size(programFolder() / kModule);
    EXPECT_LT(bytes, 10u * 1024 * 1024);
}

// The engine and rolling voices loop the whole sample: its last frame must
// flow into its first like any two neighbouring frames do.
TEST(SoundEffects, DrivingLoopsJoinWithoutAJump) {
    for (const char* name : {"motor", "rolling"}) {
        SCOPED_TRACE(name);
        SF_INFO info;
        std::vector<float> x = readMono(programFolder() / "data" / "sfx" / (std::string(name) + ".wav"), &info);
        ASSERT_GT(x.size(), 1000u);
        std::vector<float> steps;
        for (size_t i = 1; i < x.size(); ++i) steps.push_back(std::fabs(x[i] - x[i - 1]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 95 / 100, steps.end());
        float p95 = steps[steps.size() * 95 / 100];
        EXPECT_LE(std::fabs(x.front() - x.back()), p95);
        // the slope carries on too: no corner at the join
        float slopeIn = x.back() - x[x.size() - 2], slopeOut = x[1] - x[0];
        EXPECT_LE(std::fabs(slopeOut - slopeIn), p95);
    }
}
