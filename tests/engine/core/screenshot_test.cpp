#include "tests/engine/graphics/gfx_fixture.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

long sizeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

using Screenshot = GfxTest;

TEST_P(Screenshot, TakesTheFirstUnusedNameAndNeverOverwrites) {
    std::string folder = engine->Resource_FullPath(nullptr);
    std::string names[4];
    for (int i = 0; i < 4; ++i) {
        char n[32];
        std::snprintf(n, sizeof(n), "shot%03d.bmp", i);
        names[i] = folder + n;
        std::remove(names[i].c_str());
    }
    // shot000 and shot002 exist: a count of existing shots would pick shot002.
    for (int i : {0, 2}) {
        FILE* f = std::fopen(names[i].c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("keep", f);
        std::fclose(f);
    }
    ASSERT_TRUE(engine->Gfx_BeginScene(0));
    engine->Gfx_Clear(0xFF336699);
    engine->Gfx_EndScene();

    engine->System_Screenshot(nullptr);
    EXPECT_GT(sizeOf(names[1]), 640 * 480);
    EXPECT_EQ(sizeOf(names[0]), 4);
    EXPECT_EQ(sizeOf(names[2]), 4);

    engine->System_Screenshot(nullptr);
    EXPECT_GT(sizeOf(names[3]), 640 * 480);
    EXPECT_EQ(sizeOf(names[2]), 4);

    for (const std::string& n : names) std::remove(n.c_str());
}

// The name may be the engine's own path buffer, which the shot's full path reuses.
TEST_P(Screenshot, TakesItsNameFromTheEnginesOwnPathBuffer) {
    std::string path = engine->Resource_FullPath("own_shot.bmp");
    std::remove(path.c_str());
    engine->System_Screenshot(engine->Resource_FullPath("own_shot.bmp"));
    EXPECT_GT(sizeOf(path), 640 * 480);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Window, Screenshot, ::testing::Values(Backend::Gl), backendName);

}  // namespace
