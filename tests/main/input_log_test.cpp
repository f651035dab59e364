#include "main/input_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

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
    void writeBytes(const std::string& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    long fileSize() {
        FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        long n = std::ftell(f);
        std::fclose(f);
        return n;
    }
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
    EXPECT_EQ(fileSize(), 8 + 12 * 1000);

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
    EXPECT_EQ(fileSize(), 0);

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

TEST_F(DemoFile, MissingFileChangesNothing) {
    InputLog log;
    log.append({3, 3, 3});
    uint32_t seed = 11;
    EXPECT_FALSE(log.load("/nonexistent/demo.dem", &seed));
    EXPECT_EQ(seed, 11u);
    EXPECT_EQ(log.size(), 1u);
}

}  // namespace
