// The game's sounds played through the engine's sound group, on the loopback
// device that renders what the mixer makes: every effect as the game plays it,
// the driving loops, the round's music with instrument 18 muted, and the
// resource script read by the engine's own parser.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/resources/report.h"
#include "engine/resources/resource_manager.h"
#include "engine/sound/loopback.h"
#include "tests/data/sound/program_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Loudness {
    double loudest = 0;  // RMS of the loudest 100 ms
    double peak = 0;
    bool finite = true;
};

Loudness measure(const std::vector<float>& stereo, int rate) {
    Loudness l;
    const size_t window = static_cast<size_t>(rate / 10) * 2;
    double sum = 0;
    for (size_t i = 0; i < stereo.size(); ++i) {
        double v = stereo[i];
        if (!std::isfinite(v)) l.finite = false;
        l.peak = std::max(l.peak, std::fabs(v));
        sum += v * v;
        if (i >= window) sum -= double(stereo[i - window]) * stereo[i - window];
        if (i + 1 >= window) l.loudest = std::max(l.loudest, std::sqrt(std::max(sum, 0.0) / window));
    }
    return l;
}

double db(double v) { return 20.0 * std::log10(std::max(v, 1e-9)); }

class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = createLoopbackSound(ctx);
        ASSERT_TRUE(sound->start()) << ctx.errorText;
        rate = sound->sampleRate();
    }
    void TearDown() override { sound->shutdown(); }

    std::vector<float> render(double seconds) {
        std::vector<float> out(static_cast<size_t>(seconds * rate) * 2);
        const int block = 512;
        for (size_t at = 0; at < out.size(); at += 2 * block) {
            int frames = static_cast<int>(std::min<size_t>(block, (out.size() - at) / 2));
            sound->render(out.data() + at, frames);
        }
        return out;
    }

    EffectHandle loadEffect(const std::string& name) {
        files.push_back(readFile(programFolder() / "data" / "sfx" / (name + ".wav")));
        const std::vector<char>& f = files.back();
        return sound->effectLoad(f.data(), static_cast<uint32_t>(f.size()));
    }

    EngineContext ctx;
    std::unique_ptr<LoopbackSound> sound;
    int rate = 0;
    std::vector<std::vector<char>> files;
};

// How the game plays each effect: volume, a pitch it uses, looping.
struct Use {
    const char* name;
    int volume;
    float pitch;
    bool loop;
};

const Use kUses[] = {
    {"start", 75, 1.0f, false},    {"motor", 25, 0.25f, true},    {"motor", 50, 3.5f, true},
    {"motor", 50, 8.75f, true},    {"rolling", 70, 1.5f, true},   {"rolling", 70, 8.75f, true},
    {"shift", 100, 1.0f, false},   {"chomp1", 75, 0.8f, false},   {"chomp2", 75, 1.0f, false},
    {"chomp3", 75, 1.2f, false},   {"growl1", 100, 1.0f, false},  {"brake", 100, 1.0f, false},
    {"screech", 80, 1.25f, false}, {"crash", 100, 0.75f, false},  {"grab", 30, 1.0f, false},
    {"wiff", 38, 1.0f, false},     {"fishflop2", 100, 1.0f, false}, {"inrock1", 100, 0.75f, false},
    {"inrock2", 100, 1.25f, false}, {"badger", 100, 0.7f, false}, {"scratch", 40, 2.0f, false},
    {"buzz1", 100, 0.5f, false},   {"buzz2", 100, 1.5f, false},   {"sting", 50, 1.0f, false},
    {"carhit1", 50, 1.0f, false},  {"hitwood1", 100, 1.0f, false}, {"hitwood2", 100, 1.0f, false},
    {"hitmetal1", 100, 1.0f, false}, {"rustle1", 100, 1.0f, false}, {"splash1", 100, 1.0f, false},
};

}  // namespace

// Every effect loads and plays audibly through the engine at the game's own
// volume and pitch, and the one-shots sit within a sensible range of each other.
TEST_F(LoopbackTest, EveryEffectPlaysAsTheGameUsesIt) {
    double quietest = 1e9, loudest = -1e9;
    for (const Use& use : kUses) {
        SCOPED_TRACE(std::string(use.name) + " at pitch " + std::to_string(use.pitch));
        EffectHandle e = loadEffect(use.name);
        ASSERT_NE(e, 0u) << ctx.errorText;
        ChannelHandle c = sound->effectPlayWith(e, use.volume, 0, use.pitch, use.loop);
        ASSERT_NE(c, 0u);
        Loudness l = measure(render(use.loop ? 0.6 : 1.2), rate);
        sound->channelStop(c);
        sound->effectFree(e);
        EXPECT_TRUE(l.finite);
        EXPECT_LT(l.peak, 1.0);
        EXPECT_GT(db(l.loudest), -40.0) << "hardly audible";
        if (!use.loop) {
            quietest = std::min(quietest, db(l.loudest));
            loudest = std::max(loudest, db(l.loudest));
        }
    }
    EXPECT_LT(loudest - quietest, 20.0) << "effects out of balance: " << quietest << " to " << loudest << " dB";
}

// Two turns of each loop at pitch 1.0: the seam makes no bigger step than the
// sound itself does anywhere inside the loop.
TEST_F(LoopbackTest, DrivingLoopsPlayWithoutAJumpAtTheSeam) {
    for (const char* name : {"motor", "rolling"}) {
        SCOPED_TRACE(name);
        EffectHandle e = loadEffect(name);
        ASSERT_NE(e, 0u) << ctx.errorText;
        ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, true);
        std::vector<float> out = render(2.6);
        sound->channelStop(c);
        sound->effectFree(e);
        // the voice's start is a step of its own: look from 20 ms on
        const size_t from = static_cast<size_t>(rate / 50) * 2;
        const size_t loopEnd = static_cast<size_t>(rate) * 2;  // the loops last one second
        double inside = 0, all = 0;
        for (size_t i = from + 2; i < out.size(); i += 2) {
            double step = std::fabs(out[i] - out[i - 2]);
            all = std::max(all, step);
            if (i + 2 * rate / 50 < loopEnd) inside = std::max(inside, step);
        }
        EXPECT_GT(inside, 0.0);
        EXPECT_LE(all, inside * 1.05) << "a jump where the loop turns";
    }
}

// The round's way: loop on, volume 75, instrument 18 at volume 0.
TEST_F(LoopbackTest, MusicPlaysAndInstrument18AtVolumeZeroTakesTheLeadAway) {
    std::vector<char> module = readFile(programFolder() / "music" / "mossbeat65.xm");
    ASSERT_FALSE(module.empty());
    auto play = [&](bool muteLead) {
        MusicHandle m = sound->musicLoad(module.data(), static_cast<uint32_t>(module.size()));
        EXPECT_NE(m, 0u) << ctx.errorText;
        EXPECT_GT(sound->musicOrderCount(m), 1);
        sound->musicPlay(m, true, 75, 2, 0);   // order 2: the lead's tune
        if (muteLead) sound->musicSetInstrumentVolume(m, 18, 0);
        std::vector<float> out = render(8.0);
        sound->musicFree(m);
        return out;
    };
    std::vector<float> full = play(false);
    std::vector<float> muted = play(true);
    ASSERT_EQ(full.size(), muted.size());
    Loudness lf = measure(full, rate), lm = measure(muted, rate);
    EXPECT_GT(db(lf.loudest), -30.0);
    EXPECT_GT(db(lm.loudest), -30.0) << "the rest of the music should stand without the lead";
    EXPECT_LT(lf.peak, 1.0);
    double diff = 0, level = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        diff += double(full[i] - muted[i]) * (full[i] - muted[i]);
        level += double(full[i]) * full[i];
    }
    EXPECT_GT(std::sqrt(diff / level), 0.1) << "instrument 18 at volume 0 hardly changes the music";
}

namespace {
std::vector<std::string>& reports() {
    static std::vector<std::string> lines;
    return lines;
}
void keepReport(const char* line) { reports().push_back(line); }
}  // namespace

// The engine's own parser reads the declarations without a complaint, and
// loading them all (the music too) succeeds.
TEST(SoundScript, ParsesAndLoadsThroughTheEngine) {
    Engine* engine = engineCreateHeadless(ENGINE_VERSION);
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
    reports().clear();
    setResourceReportHook(keepReport);
    {
        ResourceManager manager("data\\sounds.res");
        for (const std::string& r : reports()) ADD_FAILURE() << r;
        EXPECT_TRUE(manager.LoadAll(0)) << engine->System_LastError();
        EXPECT_NE(manager.MusicByName("mossbeat65"), 0u) << "the script was not read";
        EXPECT_NE(manager.EffectByName("motor"), 0u);
    }
    setResourceReportHook(nullptr);
    engine->System_Finish();
    engine->Release();
}
