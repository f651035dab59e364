#include "engine/core/engine_impl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

long sizeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

TEST(Screenshot, TakesTheFirstUnusedNameAndNeverOverwrites) {
    Engine* e = engineCreate(ENGINE_VERSION);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, 64);
    e->System_SetState(STATE_SCREEN_HEIGHT, 48);
    e->System_SetState(STATE_SOUND, false);
    if (!e->System_Initiate()) {
        std::string why = e->System_LastError();
        e->Release();
        GTEST_SKIP() << "no window: " << why;
    }
    std::string folder = e->Resource_FullPath(nullptr);
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
    ASSERT_TRUE(e->Gfx_BeginScene(0));
    e->Gfx_Clear(0xFF336699);
    e->Gfx_EndScene();

    e->System_Screenshot(nullptr);
    EXPECT_TRUE(exists(names[1]));
    EXPECT_GT(sizeOf(names[1]), 64 * 48);
    EXPECT_EQ(sizeOf(names[0]), 4);
    EXPECT_EQ(sizeOf(names[2]), 4);

    e->System_Screenshot(nullptr);
    EXPECT_TRUE(exists(names[3]));
    EXPECT_EQ(sizeOf(names[2]), 4);

    for (const std::string& n : names) std::remove(n.c_str());
    e->Release();
}

// The name may be the engine's own path buffer, which the shot's full path reuses.
TEST(Screenshot, TakesItsNameFromTheEnginesOwnPathBuffer) {
    Engine* e = engineCreate(ENGINE_VERSION);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, 32);
    e->System_SetState(STATE_SCREEN_HEIGHT, 24);
    e->System_SetState(STATE_SOUND, false);
    if (!e->System_Initiate()) {
        std::string why = e->System_LastError();
        e->Release();
        GTEST_SKIP() << "no window: " << why;
    }
    std::string path = e->Resource_FullPath("own_shot.bmp");
    std::remove(path.c_str());
    e->System_Screenshot(e->Resource_FullPath("own_shot.bmp"));
    EXPECT_GT(sizeOf(path), 32 * 24);
    std::remove(path.c_str());
    e->Release();
}

}  // namespace
