// The ini functions over STATE_INI_FILE, and the ini text model beneath them.
#include "engine/engine.h"
#include "engine/files/ini.h"
#include "tests/engine/files/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        char tmpl[] = "/tmp/ini_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/game.ini";
    }
    void TearDown() override {
        engine->Release();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void useIni() { engine->System_SetState(STATE_INI_FILE, path.c_str()); }

    Engine* engine = nullptr;
    std::string dir;
    std::string path;
};

TEST_F(IniTest, WithoutAnIniFileReadsGiveTheDefaultAndWritesDoNothing) {
    EXPECT_EQ(engine->System_GetState(STATE_INI_FILE), nullptr);
    engine->Ini_SetInt("s", "k", 5);
    engine->Ini_SetString("s", "t", "x");
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 7), 7);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("s", "k", 1.5f), 1.5f);
    EXPECT_STREQ(engine->Ini_GetString("s", "t", "def"), "def");
    EXPECT_STREQ(engine->Ini_GetString("s", "t", nullptr), "");
    std::string longDefault(400, 'd');
    EXPECT_EQ(std::string(engine->Ini_GetString("s", "t", longDefault.c_str())), longDefault.substr(0, 255));

    useIni();
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 7), 7);  // the file does not exist yet
    EXPECT_FALSE(fs::exists(path));
    EXPECT_STREQ(engine->System_GetState(STATE_INI_FILE), path.c_str());
}

TEST_F(IniTest, ValuesRoundTrip) {
    useIni();
    engine->Ini_SetInt("Video", "width", 640);
    engine->Ini_SetInt("Video", "offset", -17);
    engine->Ini_SetFloat("Sound", "volume", 0.75f);
    engine->Ini_SetString("Player", "name", "Bruno");
    engine->Ini_SetString("Player", "motto", "  eat, sleep  ");
    engine->Ini_SetString("Player", "quoted", "\"honey\"");
    engine->Ini_SetString("Player", "a=b", "refused");  // no key can hold '='
    engine->Ini_SetString("Player", "empty", "");

    EXPECT_EQ(engine->Ini_GetInt("Video", "width", 0), 640);
    EXPECT_EQ(engine->Ini_GetInt("VIDEO", "Width", 0), 640);  // names ignore case
    EXPECT_EQ(engine->Ini_GetInt("Video", "offset", 0), -17);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("Sound", "volume", 0.0f), 0.75f);
    EXPECT_STREQ(engine->Ini_GetString("Player", "name", ""), "Bruno");
    EXPECT_STREQ(engine->Ini_GetString("Player", "motto", ""), "  eat, sleep  ");
    EXPECT_STREQ(engine->Ini_GetString("Player", "quoted", ""), "\"honey\"");
    EXPECT_STREQ(engine->Ini_GetString("Player", "a", "none"), "none");
    EXPECT_EQ(engine->Ini_GetInt("Player", "empty", 9), 9);  // empty: the default
    EXPECT_STREQ(engine->Ini_GetString("Player", "empty", "d"), "");
    EXPECT_EQ(engine->Ini_GetInt("Video", "height", 480), 480);
    EXPECT_EQ(engine->Ini_GetInt("Audio", "width", 3), 3);  // the key belongs to its section

    // Overwriting keeps one line per key; a later section does not disturb an earlier one.
    engine->Ini_SetInt("video", "WIDTH", 800);
    EXPECT_EQ(engine->Ini_GetInt("Video", "width", 0), 800);
    std::string text = readBytes(path);
    EXPECT_EQ(text.find("width=640"), std::string::npos);
    EXPECT_EQ(text.find("idth=800"), text.rfind("idth=800"));
    EXPECT_EQ(text.find("[Video]"), text.rfind("[Video]"));

    engine->Ini_SetString("Player", "name", nullptr);  // a null value removes the key
    EXPECT_STREQ(engine->Ini_GetString("Player", "name", "gone"), "gone");
    EXPECT_STREQ(engine->Ini_GetString("Player", "motto", ""), "  eat, sleep  ");
}

TEST_F(IniTest, TextThatIsNoNumberReadsAsZeroNotTheDefault) {
    writeBytes(path, "[n]\nabc=abc\nlead=12abc\nspace=  42  \nhuge=99999999999999\nf=2.5x\nneg=-3\nempty=\n");
    useIni();
    EXPECT_EQ(engine->Ini_GetInt("n", "abc", 5), 0);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "abc", 5.0f), 0.0f);
    EXPECT_EQ(engine->Ini_GetInt("n", "lead", 5), 12);
    EXPECT_EQ(engine->Ini_GetInt("n", "space", 5), 42);
    EXPECT_EQ(engine->Ini_GetInt("n", "huge", 5), 2147483647);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "f", 0.0f), 2.5f);
    EXPECT_EQ(engine->Ini_GetInt("n", "neg", 5), -3);
    EXPECT_EQ(engine->Ini_GetInt("n", "empty", 5), 5);
    EXPECT_EQ(engine->Ini_GetInt("n", "missing", 5), 5);
}

TEST_F(IniTest, HandWrittenFilesAreReadAndKeptAroundAWrite) {
    const std::string original =
        "; settings\r\n"
        "orphan=1\r\n"
        "[ Game ]\r\n"
        "  speed = 3 \r\n"
        "this line has no equals sign\r\n"
        "\r\n"
        "[Other]\r\n"
        "speed=9\r\n"
        "[game]\r\n"
        "speed=4\r\n";
    writeBytes(path, original);
    useIni();
    EXPECT_EQ(engine->Ini_GetInt("Game", "speed", 0), 3);  // the first section of the name counts
    EXPECT_EQ(engine->Ini_GetInt("Other", "speed", 0), 9);
    EXPECT_EQ(engine->Ini_GetInt("", "orphan", 0), 0);       // before any section: in none
    EXPECT_EQ(engine->Ini_GetInt("Game", "this line has no equals sign", 8), 8);

    engine->Ini_SetInt("Game", "lives", 2);
    engine->Ini_SetInt("New", "x", 1);
    std::string text = readBytes(path);
    // Untouched lines stay as they were; new ones end as the file's lines do.
    EXPECT_EQ(text.compare(0, 50, original, 0, 50), 0);
    EXPECT_NE(text.find("this line has no equals sign\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nlives=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n[New]\r\nx=1\r\n"), std::string::npos);
    EXPECT_LT(text.find("lives=2"), text.find("[Other]"));  // inside its section
    EXPECT_EQ(engine->Ini_GetInt("Game", "lives", 0), 2);
    EXPECT_EQ(engine->Ini_GetInt("Other", "speed", 0), 9);
    EXPECT_EQ(engine->Ini_GetInt("new", "X", 0), 1);
    EXPECT_FALSE(fs::exists(path + ".tmp~"));
}

TEST_F(IniTest, LongValuesAreCutToTheResultBuffer) {
    std::string longValue(5000, 'v');
    writeBytes(path, "[s]\nk=" + longValue + "\n");
    useIni();
    EXPECT_EQ(std::string(engine->Ini_GetString("s", "k", "")), longValue.substr(0, 255));
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 3), 0);
}

TEST_F(IniTest, GarbageAndOversizedFilesFailClearly) {
    std::string garbage;
    uint32_t state = 7;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += static_cast<char>(state >> 24);
    }
    writeBytes(path, garbage);
    useIni();
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 11), 11);
    engine->Ini_SetInt("s", "k", 12);  // still writable: the garbage stays, the key is added
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 11), 12);
    EXPECT_EQ(readBytes(path).compare(0, garbage.size(), garbage), 0);

    // Too big to be an ini file: not read, and so never rewritten.
    std::string big = "[s]\nk=1\n" + std::string(2u << 20, ';');
    writeBytes(path, big);
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 11), 11);
    engine->Ini_SetInt("s", "k", 13);
    EXPECT_EQ(readBytes(path).size(), big.size());

    // A folder where the file should be.
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 11), 11);
    engine->Ini_SetInt("s", "k", 13);
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(IniText, SetThenGetGivesBackTheValueWhateverTheText) {
    const char* values[] = {"plain", "", " lead", "trail ", "\"q\"", "'q'", "\"", "'x\"", "a=b=c", "; not a comment",
                            "[not a section]", "tab\there"};
    IniText ini;
    ini.parse("junk\n[s]\nk=old\n", 16);
    for (const char* v : values) {
        ASSERT_TRUE(ini.set("s", "k", v));
        IniText reread;
        std::string text = ini.serialize();
        reread.parse(text.data(), text.size());
        std::string got;
        ASSERT_TRUE(reread.get("s", "k", &got)) << v;
        EXPECT_EQ(got, v);
    }
    EXPECT_TRUE(ini.set("s", "k", "line one\nline two"));
    std::string got;
    ASSERT_TRUE(ini.get("s", "k", &got));
    EXPECT_EQ(got, "line one");  // a value is one line

    EXPECT_FALSE(ini.set("a]b", "k", "v"));
    EXPECT_FALSE(ini.set("s", "", "v"));
    EXPECT_FALSE(ini.set("s", "[k", "v"));
    EXPECT_FALSE(ini.set("s", ";k", "v"));
    EXPECT_FALSE(ini.set("s", "k\nj", "v"));
    EXPECT_FALSE(ini.set(nullptr, "k", "v"));
    EXPECT_FALSE(ini.get("s", nullptr, &got));
}

}  // namespace
