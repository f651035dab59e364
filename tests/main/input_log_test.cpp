#include "main/input_log.h"
#include "tests/support/file_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The trailer of a log with no checkpoint: magic, version, interval, count.
constexpr size_t TRAILER = 16;

class DemoFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/demoXXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
    }
    void TearDown() override { std::remove(path.c_str()); }
    void writeBytes(const std::string& bytes) { ASSERT_TRUE(writeFileBytes(path, bytes)); }
    size_t fileSize() const { return readFileBytes(path).size(); }
    static std::string u32(uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    }
    std::string path;
};

TEST_F(DemoFile, RoundTripKeepsSeedAndEveryRecord) {
    InputLog log;
    for (int i = 0; i < 1000; ++i) log.append({i * 0.5f, -i * 0.25f, static_cast<uint32_t>(i % 8)});
    ASSERT_TRUE(log.save(path.c_str(), 0xDEADBEEF));
    EXPECT_EQ(fileSize(), 8u + 12u * 1000u + TRAILER);

    InputLog back;
    uint32_t seed = 0;
    ASSERT_TRUE(back.load(path.c_str(), &seed));
    EXPECT_EQ(seed, 0xDEADBEEFu);
    ASSERT_EQ(back.size(), 1000u);
    for (uint32_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(back[i].dx, log[i].dx);
        EXPECT_EQ(back[i].dy, log[i].dy);
        EXPECT_EQ(back[i].buttons, log[i].buttons);
    }
}

// A log of this build carries its version and checkpoints after the records; a
// reader of the plain format stops before them. Only a whole, consistent trailer
// counts: anything else after the records leaves the log of unknown version.
TEST_F(DemoFile, TrailerCarriesVersionAndCheckpoints) {
    InputLog log;
    for (int i = 0; i < 1300; ++i) log.append({1.0f, 2.0f, 0});
    log.addCheckpoint(0xAAAA0001);
    log.addCheckpoint(0xAAAA0002);
    ASSERT_TRUE(log.save(path.c_str(), 3));
    const std::string saved = readFileBytes(path);
    const size_t records = 8 + 12 * 1300;
    ASSERT_EQ(saved.size(), records + 16 + 8);
    EXPECT_EQ(saved.substr(records, 16), "TDck" + u32(SIMULATION_VERSION) + u32(600) + u32(2));

    const struct {
        const char* what;
        std::string bytes;
        uint32_t version;
        size_t checkpoints;
    } cases[] = {
        {"as saved", saved, SIMULATION_VERSION, 2},
        {"another version", saved.substr(0, records + 4) + u32(7) + saved.substr(records + 8), 7, 2},
        {"no trailer", saved.substr(0, records), 0, 0},
        {"a trailer cut short", saved.substr(0, saved.size() - 1), 0, 0},
        {"another magic", saved.substr(0, records) + "TDCK" + saved.substr(records + 4), 0, 0},
        {"more checkpoints than updates", saved.substr(0, records + 12) + u32(3) + saved.substr(records + 16) + u32(1),
         0, 0},
        {"version 0", saved.substr(0, records + 4) + u32(0) + saved.substr(records + 8), 0, 0},
        {"records cut short", saved.substr(0, 8) + saved.substr(20), 0, 0},
    };
    for (const auto& c : cases) {
        writeBytes(c.bytes);
        InputLog back;
        uint32_t seed = 0;
        ASSERT_TRUE(back.load(path.c_str(), &seed)) << c.what;
        EXPECT_EQ(back.size(), 1300u) << c.what;
        EXPECT_EQ(back.version(), c.version) << c.what;
        ASSERT_EQ(back.checkpoints().size(), c.checkpoints) << c.what;
        if (c.checkpoints) {
            EXPECT_EQ(back.checkpoints()[1], 0xAAAA0002u) << c.what;
        }
        // Saved again, a log keeps what it knows of its origin, and claims no more.
        ASSERT_TRUE(back.save(path.c_str(), seed)) << c.what;
        EXPECT_EQ(fileSize(), c.version ? saved.size() : records) << c.what;
    }
}

TEST_F(DemoFile, LittleEndianLayout) {
    InputLog log;
    log.append({1.0f, -2.0f, 5});
    log.save(path.c_str(), 0x01020304);
    FILE* f = std::fopen(path.c_str(), "rb");
    unsigned char b[20];
    ASSERT_EQ(std::fread(b, 1, 20, f), 20u);
    std::fclose(f);
    const unsigned char expect[20] = {4, 3, 2, 1, 1, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 5, 0, 0, 0};
    EXPECT_EQ(std::memcmp(b, expect, 20), 0);
}

TEST_F(DemoFile, EmptyLogSavesEmptyFileAndEmptyFileKeepsSeed) {
    InputLog log;
    ASSERT_TRUE(log.save(path.c_str(), 99));
    EXPECT_EQ(fileSize(), 0u);

    InputLog other;
    other.append({1, 1, 1});
    uint32_t seed = 42;
    EXPECT_TRUE(other.load(path.c_str(), &seed));
    EXPECT_EQ(seed, 42u);
    EXPECT_TRUE(other.empty());
}

TEST_F(DemoFile, ShortFileGivesZeroRecordsWhereDataIsMissing) {
    std::string bytes = u32(7) + u32(10);
    for (int i = 0; i < 4; ++i) bytes += u32(0x3F800000) + u32(0x3F800000) + u32(1);
    bytes += "xyz";  // a torn fifth record
    writeBytes(bytes);
    InputLog log;
    uint32_t seed = 0;
    ASSERT_TRUE(log.load(path.c_str(), &seed));
    EXPECT_EQ(seed, 7u);
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[3].dx, 1.0f);
    for (uint32_t i = 4; i < 10; ++i) {
        EXPECT_EQ(log[i].dx, 0.0f);
        EXPECT_EQ(log[i].dy, 0.0f);
        EXPECT_EQ(log[i].buttons, 0u);
    }
}

TEST_F(DemoFile, AbsurdCountIsRefusedAndChangesNothing) {
    writeBytes(u32(5) + u32(0xFFFFFFFF) + std::string(24, '\0'));
    InputLog log;
    log.append({3, 3, 3});
    uint32_t seed = 11;
    EXPECT_FALSE(log.load(path.c_str(), &seed));
    EXPECT_EQ(seed, 11u);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].dx, 3.0f);
}

TEST_F(DemoFile, NonFiniteMovementReadsAsZeroAndTheRestAsWritten) {
    struct Case {
        uint32_t bits;
        float expect;
    } cases[] = {
        {0x7FC00000u, 0.0f},            // quiet NaN
        {0xFFC00000u, 0.0f},            // negative NaN
        {0x7F800001u, 0.0f},            // signalling NaN
        {0x7F800000u, 0.0f},            // +infinity
        {0xFF800000u, 0.0f},            // -infinity
        {0x7F7FFFFFu, 3.4028235e38f},   // the largest finite float stays
        {0xC1200000u, -10.0f},
        {0x80000000u, -0.0f},
    };
    std::string bytes = u32(1) + u32(2 * (sizeof(cases) / sizeof(cases[0])));
    for (const Case& c : cases) bytes += u32(c.bits) + u32(0x3F800000u) + u32(5);  // bad dx
    for (const Case& c : cases) bytes += u32(0x40000000u) + u32(c.bits) + u32(4);  // bad dy
    writeBytes(bytes);
    InputLog log;
    uint32_t seed = 0;
    ASSERT_TRUE(log.load(path.c_str(), &seed));
    const uint32_t n = sizeof(cases) / sizeof(cases[0]);
    ASSERT_EQ(log.size(), 2 * n);
    for (uint32_t i = 0; i < n; ++i) {
        EXPECT_EQ(std::memcmp(&log[i].dx, &cases[i].expect, 4), 0) << "dx case " << i;
        EXPECT_EQ(log[i].dy, 1.0f);
        EXPECT_EQ(log[i].buttons, 5u);
        EXPECT_EQ(std::memcmp(&log[n + i].dy, &cases[i].expect, 4), 0) << "dy case " << i;
        EXPECT_EQ(log[n + i].dx, 2.0f);
        EXPECT_EQ(log[n + i].buttons, 4u);
    }
}

// Saving goes through a temporary file beside the target: the old file is only
// replaced by a complete new one.
class DemoFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/demofolderXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        target = dir + "/demo.dem";
    }
    void TearDown() override {
        for (const std::string& name : entries()) {
            const std::string p = dir + "/" + name;
            if (rmdir(p.c_str()) != 0) std::remove(p.c_str());
        }
        chmod(dir.c_str(), 0700);
        rmdir(dir.c_str());
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) {
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
            }
            closedir(d);
        }
        return names;
    }
    static InputLog someRecords() {
        InputLog log;
        for (int i = 0; i < 50; ++i) log.append({static_cast<float>(i), 1.0f, 0});
        return log;
    }
    std::string dir;
    std::string target;
};

TEST_F(DemoFolder, ReplacesTheOldFileAndLeavesNoTemporaryBehind) {
    ASSERT_TRUE(writeFileBytes(target, "an older demo, longer than the new one will be ......................"));
    std::string why = "untouched";
    ASSERT_TRUE(someRecords().save(target.c_str(), 9, &why));
    EXPECT_EQ(why, "untouched") << "no reason on success";
    EXPECT_EQ(readFileBytes(target).size(), 8u + 12u * 50u + TRAILER);
    EXPECT_EQ(entries(), std::vector<std::string>{"demo.dem"});
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u) << "readable by others as a plain new file is";
}

TEST_F(DemoFolder, ThroughALinkTheLinkedFileIsReplacedAndTheLinkStays) {
    const std::string real = dir + "/real.dem";
    ASSERT_TRUE(writeFileBytes(real, "old"));
    ASSERT_EQ(symlink("real.dem", target.c_str()), 0);
    ASSERT_TRUE(someRecords().save(target.c_str(), 2));
    struct stat st;
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFileBytes(real).size(), 8u + 12u * 50u + TRAILER);
    EXPECT_EQ(entries().size(), 2u) << "no temporary left behind";
}

TEST_F(DemoFolder, FailuresAreReportedWithAReasonAndChangeNothing) {
    const std::string old = "old demo";
    ASSERT_TRUE(writeFileBytes(target, old));
    const std::string sub = dir + "/folder.dem";
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    struct Case {
        std::string path;
        const char* what;
    } cases[] = {
        {"/dev/full", "a device, whose writes fail"},
        {dir + "/missing/demo.dem", "a folder that does not exist"},
        {sub, "a folder in place of the file"},
        {"", "no name at all"},
    };
    const InputLog log = someRecords();
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(log.save(c.path.c_str(), 1, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    struct stat st;
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device is still a device";
    EXPECT_EQ(readFileBytes(target), old);
    std::vector<std::string> names = entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"demo.dem", "folder.dem"})) << "no temporary left behind";
}

TEST_F(DemoFolder, TemporariesOfKilledSavesGoAtTheNextSaveAndNothingElse) {
    const char* stale[] = {"demo.dem.a1B2c3", "demo.dem.ZZZZZZ"};
    const char* kept[] = {"demo.dem.txt", "demo.dem.abcdefg", "other.dem.a1B2c3", "demo.dem.bak"};
    for (const char* name : stale) ASSERT_TRUE(writeFileBytes(dir + "/" + name, "torn"));
    for (const char* name : kept) ASSERT_TRUE(writeFileBytes(dir + "/" + name, "kept"));
    // Another game's save in progress holds a lock on its temporary.
    const std::string busy = dir + "/demo.dem.Busy01";
    ASSERT_TRUE(writeFileBytes(busy, "writing"));
    const int fd = open(busy.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    ASSERT_TRUE(someRecords().save(target.c_str(), 3));
    close(fd);
    std::vector<std::string> names = entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"demo.dem", "demo.dem.Busy01", "demo.dem.abcdefg",
                                               "demo.dem.bak", "demo.dem.txt", "other.dem.a1B2c3"}));
}

TEST_F(DemoFolder, WhatIsNotAPlainFileLoadsAsNothingAndKeepsTheGame) {
    const std::string sub = dir + "/folder.dem";
    const std::string zero = dir + "/zero.dem";
    const std::string fifo = dir + "/pipe.dem";
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // opening it blocked the game for good
    for (const std::string& path : {sub, zero, fifo, std::string("/dev/null")}) {
        InputLog log = someRecords();
        uint32_t seed = 77;
        EXPECT_FALSE(log.load(path.c_str(), &seed)) << path;
        EXPECT_EQ(seed, 77u) << path;
        EXPECT_EQ(log.size(), 50u) << path;
    }
}

TEST_F(DemoFolder, AWriteThatRunsOutOfRoomKeepsTheOldFile) {
    ASSERT_TRUE(writeFileBytes(target, "old demo"));
    // Files may grow to 100 bytes: the 624 of the new demo do not fit.
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string why;
    const bool saved_ok = someRecords().save(target.c_str(), 1, &why);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved_ok);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(readFileBytes(target), "old demo");
    EXPECT_EQ(entries(), std::vector<std::string>{"demo.dem"});
}

TEST_F(DemoFile, MissingFileChangesNothing) {
    InputLog log;
    log.append({3, 3, 3});
    uint32_t seed = 11;
    EXPECT_FALSE(log.load("/nonexistent/demo.dem", &seed));
    EXPECT_EQ(seed, 11u);
    EXPECT_EQ(log.size(), 1u);
}

}  // namespace
