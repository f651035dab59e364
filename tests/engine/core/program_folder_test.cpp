// Where the game's data is looked for: beside the executable, or in the installed
// data folder next to it.
#include "engine/core/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("td_prog_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "usr/bin");
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string bin() const { return (root_ / "usr/bin/").string(); }
    fs::path root_;
};

TEST_F(ProgramFolder, TheInstalledDataFolderWinsWhenItExists) {
    fs::create_directories(root_ / "usr/share/timberdrive/data");
    EXPECT_EQ(programFolderFor(bin(), "../share/timberdrive"), bin() + "../share/timberdrive/");
    EXPECT_EQ(programFolderFor(bin(), "../share/timberdrive/"), bin() + "../share/timberdrive/");
    // The executable's folder given without its closing slash.
    EXPECT_EQ(programFolderFor((root_ / "usr/bin").string(), "../share/timberdrive"),
              bin() + "../share/timberdrive/");
}

TEST_F(ProgramFolder, OtherwiseTheExecutablesOwnFolder) {
    struct Case {
        const char* what;
        const char* installed;
        bool makeFile;  // a plain file where the folder would be
    };
    const Case cases[] = {
        {"no installed folder (a build folder)", "../share/timberdrive", false},
        {"a file in its place", "../share/timberdrive", true},
        {"no installed folder configured", "", false},
        {"null", nullptr, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(root_ / "usr/share");
        if (c.makeFile) {
            fs::create_directories(root_ / "usr/share");
            std::ofstream(root_ / "usr/share/timberdrive") << "x";
        }
        EXPECT_EQ(programFolderFor(bin(), c.installed), bin()) << c.what;
    }
    EXPECT_EQ(programFolderFor("", nullptr), "./");
}

TEST(ProgramFolderOfThisRun, IsTheTestsOwnFolder) {
    // The tests run from the build folder, which has no installed data folder.
    char out[260];
    readProgramFolder(out, sizeof(out));
    EXPECT_EQ(std::string(out), executableFolder());
    EXPECT_EQ(fs::path(out) / "", fs::path(fs::read_symlink("/proc/self/exe")).parent_path() / "");
}

TEST(ProgramFolderOfThisRun, AFolderThatDoesNotFitTheBufferIsTheCurrentOne) {
    char out[4];
    readProgramFolder(out, sizeof(out));
    EXPECT_STREQ(out, "./");
}

}  // namespace
