// The game's own sounds, when they are there: every effect loads and plays, the
// round's module plays with the instrument the round mutes.
#include "tests/engine/sound/sound_fixtures.h"

#include <dirent.h>

#include <cstdio>
#include <string>

using namespace soundtest;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return out;
}

class GameDataTest : public LoopbackTest {};

TEST_F(GameDataTest, EveryEffectLoadsAndPlays) {
    DIR* dir = opendir("data/sfx");
    if (!dir) GTEST_SKIP() << "no data/sfx";
    std::vector<std::string> names;
    while (dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0) names.push_back(name);
    }
    closedir(dir);
    if (names.empty()) GTEST_SKIP() << "no effects yet";
    for (const std::string& name : names) {
        const std::vector<uint8_t> file = readFile("data/sfx/" + name);
        EffectHandle e = loadEffect(file);
        ASSERT_NE(e, 0u) << name << ": " << ctx.errorText;
        ChannelHandle c = sound->effectPlayWith(e, 100, 0, 1.0f, false);
        EXPECT_GT(sound->channelLength(c), 0.0f) << name;
        std::vector<float> out = render(std::min(0.3, double(sound->channelLength(c))));
        EXPECT_GT(peak(out, 0), 0.001f) << name;
        sound->channelStop(c);
    }
}

TEST_F(GameDataTest, TheRoundsModulePlaysWithItsMutedInstrument) {
    const std::vector<uint8_t> file = readFile("music/mossbeat65.xm");
    if (file.empty()) GTEST_SKIP() << "no music yet";
    MusicHandle m = loadMusic(file);
    ASSERT_NE(m, 0u) << ctx.errorText;
    EXPECT_GT(sound->musicOrderCount(m), 0);
    // The round: loop, volume 75, from where it is, instrument 18 silent.
    EXPECT_EQ(sound->musicPlay(m, true, 75, -1, -1), m);
    sound->musicSetInstrumentVolume(m, 18, 0);
    EXPECT_EQ(sound->musicGetInstrumentVolume(m, 18), 0);
    std::vector<float> out = render(2.0);
    EXPECT_GT(peak(out, 0), 0.01f);
    const auto [order, row] = tell(m);
    EXPECT_EQ(order, 0);
    EXPECT_GT(row, 0);
}

}  // namespace
