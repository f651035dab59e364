// The player's folder for the saved demo, and the game's demo files found wherever
// the game is started from.
#include "main/user_folder.h"
#include "tests/support/headless_game.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const char* what) {
    fs::path p = fs::temp_directory_path() / (std::string("td_user_") + what + std::to_string(::getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

TEST(UserDataFolder, FollowsTheBaseDirectoryRules) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* folder;
    };
    const Case cases[] = {
        {"/x/data", "/h", "/x/data/timberdrive/"},
        {"/x/data/", "/h", "/x/data/timberdrive/"},
        {nullptr, "/h", "/h/.local/share/timberdrive/"},
        {"", "/h", "/h/.local/share/timberdrive/"},
        {"relative/data", "/h", "/h/.local/share/timberdrive/"},  // invalid: ignored
    };
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(userDataFolder(), c.folder) << (c.xdg ? c.xdg : "(unset)");
        EXPECT_EQ(userDataFile("demo.dem"), std::string(c.folder) + "demo.dem");
    }
}

TEST(UserDataFolder, WithoutHomeTheAccountsHomeFolder) {
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    const std::string folder = userDataFolder();
    EXPECT_FALSE(folder.empty());
    EXPECT_EQ(folder.rfind("/.local/share/timberdrive/"), folder.size() - 26);
}

TEST(UserDataFolder, IsMadeOnlyWhenAskedWithItsParentsPrivate) {
    const fs::path root = scratch("make");
    ScopedEnv xdg("XDG_DATA_HOME", (root / "a/b").c_str());
    EXPECT_EQ(userDataFile("demo.dem"), (root / "a/b/timberdrive/demo.dem").string());
    EXPECT_FALSE(fs::exists(root / "a"));

    EXPECT_EQ(userDataFile("demo.dem", true), (root / "a/b/timberdrive/demo.dem").string());
    ASSERT_TRUE(fs::is_directory(root / "a/b/timberdrive"));
    struct stat st;
    ASSERT_EQ(stat((root / "a/b/timberdrive").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Asking again with the folder present changes nothing.
    EXPECT_EQ(userDataFile("demo.dem", true), (root / "a/b/timberdrive/demo.dem").string());
    fs::remove_all(root);
}

// The Game on a headless Engine, started from a folder that is not the program folder.
class GameElsewhere : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = scratch("game");
        fs::create_directories(root_ / "cwd");
        oldCwd_ = fs::current_path();
        fs::current_path(root_ / "cwd");
        ASSERT_TRUE(startGameEngine(false));
        startGame();
    }
    void TearDown() override {
        stopGame();
        stopGameEngine();
        fs::current_path(oldCwd_);
        fs::remove_all(root_);
    }
    static void tap(SDL_Keycode sym, SDL_Scancode code) {
        for (bool down : {true, false}) dispatchKey(sym, code, down);
        game->frame();
        engineImpl()->input().clearFrame();
    }
    fs::path root_;
    fs::path oldCwd_;
};

TEST_F(GameElsewhere, FindsTheTitleDemoInTheProgramFolder) {
    EXPECT_GT(game->inputLog.size(), 600u) << "data/d1.dem read from the current folder";
}

TEST_F(GameElsewhere, SavesAndLoadsTheDemoInTheUsersFolder) {
    ScopedEnv xdg("XDG_DATA_HOME", (root_ / "share").c_str());
    game->inputLog.clear();
    for (int i = 0; i < 3; ++i) game->inputLog.append({1.0f, -2.0f, 0});
    const uint32_t frames = 3;
    const uint32_t seed = game->seed = 1234;

    tap(SDLK_s, SDL_SCANCODE_S);
    const fs::path saved = root_ / "share/timberdrive/demo.dem";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(fs::file_size(saved), 8u + 12u * frames + 16u);  // and a trailer without checkpoints
    EXPECT_FALSE(fs::exists(root_ / "cwd/demo.dem"));

    game->inputLog.clear();
    game->seed = seed + 1;
    tap(SDLK_l, SDL_SCANCODE_L);
    EXPECT_EQ(game->inputLog.size(), frames);
    EXPECT_EQ(game->seed, seed);
}

}  // namespace
