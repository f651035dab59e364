// The file group through the Engine: paths, loading from packs and the disk,
// packs the tests build themselves, and the shared enumeration.
#include "engine/core/context.h"
#include "engine/files/pack.h"
#include "tests/engine/files/zip_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        folder = engine->Resource_FullPath(nullptr);
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ(folder.back(), '/');
        std::string tmpl = folder + "files_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        rel = fs::path(root).filename().string() + "/";
    }
    void TearDown() override {
        engine->Release();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // A file under the test's own folder, by its name relative to that folder.
    std::string disk(const std::string& name, const std::string& bytes) {
        fs::path p = fs::path(root) / name;
        fs::create_directories(p.parent_path());
        writeBytes(p.string(), bytes);
        return p.string();
    }

    // Loads and returns the bytes, or "<null>" with the error text checked.
    std::string load(const std::string& name) {
        uint32_t size = 12345;
        void* block = engine->Resource_Load(name.c_str(), &size);
        if (!block) return "<null>";
        std::string bytes(static_cast<const char*>(block), size);
        engine->Resource_Free(block);
        return bytes;
    }

    Engine* engine = nullptr;
    std::string folder;  // the program folder
    std::string root;    // this test's folder inside it, absolute
    std::string rel;     // the same, relative to the program folder, with '/'
};

TEST_F(FilesTest, FullPathsSitInTheProgramFolderWithEitherSlash) {
    EXPECT_EQ(std::string(engine->Resource_FullPath("data/bear.res")), folder + "data/bear.res");
    EXPECT_EQ(std::string(engine->Resource_FullPath("data\\bear.res")), folder + "data/bear.res");
    EXPECT_STREQ(engine->Resource_FullPath("c:/x"), "c:/x");
    EXPECT_STREQ(engine->Resource_FullPath("c:\\x"), "c:/x");
    EXPECT_STREQ(engine->Resource_FullPath("/abs\\dir/f"), "/abs/dir/f");
    EXPECT_STREQ(engine->Resource_FullPath("\\abs\\f"), "/abs/f");

    // Too long for the 260-character buffer: nothing, rather than some other file's name.
    std::string longName(300, 'n');
    EXPECT_STREQ(engine->Resource_FullPath(longName.c_str()), "");
    std::string justFits(ENGINE_PATH_MAX - 1 - folder.size(), 'f');
    EXPECT_EQ(std::string(engine->Resource_FullPath(justFits.c_str())), folder + justFits);
    justFits += 'f';
    EXPECT_STREQ(engine->Resource_FullPath(justFits.c_str()), "");
}

TEST_F(FilesTest, DiskFilesLoadWholeAndFailuresPostTheOneText) {
    disk("data/bear.res", std::string("abc\0def", 7));
    disk("empty.txt", "");
    EXPECT_EQ(load(rel + "data/bear.res"), std::string("abc\0def", 7));
    EXPECT_EQ(load(rel + "data\\bear.res"), std::string("abc\0def", 7));
    EXPECT_EQ(load(root + "/data/bear.res"), std::string("abc\0def", 7));

    uint32_t size = 99;
    void* block = engine->Resource_Load((rel + "empty.txt").c_str(), &size);
    ASSERT_NE(block, nullptr);  // an empty file is a file
    EXPECT_EQ(size, 0u);
    engine->Resource_Free(block);

    EXPECT_EQ(load(rel + "missing.txt"), "<null>");
    EXPECT_EQ(std::string(engine->System_LastError()), "Can't load resource: " + rel + "missing.txt");
    EXPECT_EQ(load(rel + "data"), "<null>");  // a folder is no resource

    std::string longName(400, 'x');
    EXPECT_EQ(load(longName), "<null>");
    EXPECT_EQ(std::strncmp(engine->System_LastError(), "Can't load resource: xxx", 24), 0);
    EXPECT_LT(std::strlen(engine->System_LastError()), static_cast<size_t>(ENGINE_TEXT_MAX));

    // The name may be the engine's own path buffer, which loading reuses.
    EXPECT_EQ(load(engine->Resource_FullPath((rel + "data/bear.res").c_str())), std::string("abc\0def", 7));
    void* sizeless = engine->Resource_Load((rel + "data/bear.res").c_str(), nullptr);  // no size wanted
    EXPECT_NE(sizeless, nullptr);
    engine->Resource_Free(sizeless);
}

TEST_F(FilesTest, PacksComeBeforeTheDiskNewestFirstWithNamesMatchedLoosely) {
    disk("data/fish.png", "disk fish");
    disk("only_on_disk.txt", "disk only");
    ASSERT_TRUE(writeZip(root + "/old.zip", {{rel + "Data/Fish.PNG", "old fish"},
                                             {rel + "Data/Leaf.png", "old leaf", nullptr, 0}}));
    ASSERT_TRUE(writeZip(root + "/new.zip", {{rel + "DATA\\FISH.png", "new fish"}}));

    EXPECT_EQ(load(rel + "data\\fish.png"), "disk fish");
    ASSERT_TRUE(engine->Resource_AddPack((rel + "old.zip").c_str(), nullptr));
    EXPECT_EQ(load(rel + "data\\fish.png"), "old fish");
    EXPECT_EQ(load(rel + "DATA/FISH.PNG"), "old fish");
    EXPECT_EQ(load(rel + "data/leaf.png"), "old leaf");
    EXPECT_EQ(load(rel + "only_on_disk.txt"), "disk only");  // no pack holds it: the disk

    ASSERT_TRUE(engine->Resource_AddPack((rel + "new.zip").c_str(), ""));
    EXPECT_EQ(load(rel + "data/fish.png"), "new fish");
    EXPECT_EQ(load(rel + "data/leaf.png"), "old leaf");

    // An absolute name goes to the disk alone.
    EXPECT_EQ(load(root + "/data/fish.png"), "disk fish");

    engine->Resource_DropPack((rel + "NEW.ZIP").c_str());  // dropped by its key
    EXPECT_EQ(load(rel + "data/fish.png"), "old fish");
    engine->Resource_DropAllPacks();
    EXPECT_EQ(load(rel + "data/fish.png"), "disk fish");
}

TEST_F(FilesTest, ThePackIsRefusedASecondTimeWhateverTheCaseOrSlashes) {
    ASSERT_TRUE(writeZip(root + "/p.zip", {{"a.txt", "a"}}));
    EXPECT_TRUE(engine->Resource_AddPack((rel + "p.zip").c_str(), nullptr));
    EXPECT_FALSE(engine->Resource_AddPack((rel + "p.zip").c_str(), nullptr));
    std::string upper = rel;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string backslashed = upper;
    for (char& c : backslashed) c = c == '/' ? '\\' : c;
    EXPECT_FALSE(engine->Resource_AddPack((upper + "P.ZIP").c_str(), "pw"));
    EXPECT_FALSE(engine->Resource_AddPack((backslashed + "P.zip").c_str(), nullptr));
    EXPECT_FALSE(engine->Resource_AddPack((root + "/p.zip").c_str(), nullptr));  // the same full path
    engine->Resource_DropPack((backslashed + "p.ZIP").c_str());
    EXPECT_TRUE(engine->Resource_AddPack((root + "\\p.zip").c_str(), nullptr));
}

TEST_F(FilesTest, WhatIsNoZipIsNoPackAndTheRefusalSaysWhy) {
    ASSERT_TRUE(writeZip(root + "/p.zip", {{"a.txt", "a"}, {"b.txt", std::string(3000, 'b')}}));
    const std::string good = readBytes(root + "/p.zip");
    const size_t end = good.rfind("PK\x05\x06");
    std::string split = good;  // the last part of two: its directory starts on disk 1
    split[end + 4] = 1;
    split[end + 6] = 1;
    std::string overcounted = good;  // the end record counts more entries than there are
    overcounted[end + 8] = overcounted[end + 10] = 3;
    disk("text.zip", "PK\x03\x04 but nothing more");
    disk("empty.zip", "");
    disk("cut.zip", good.substr(0, good.size() / 2));
    disk("split.zip", split);
    disk("endcut.zip", good.substr(0, end + 12));  // the end record's signature and half of it
    disk("overcounted.zip", overcounted);
    fs::create_directories(fs::path(root) / "folder.zip");
    const std::string longPassword(PACK_PASSWORD_MAX, 'p');  // would be cut

    struct Case {
        std::string name;
        const char* password;
        const char* why;
    };
    const Case cases[] = {
        {"text.zip", nullptr, "cut short: no ZIP directory at its end"},
        {"cut.zip", nullptr, "cut short: no ZIP directory at its end"},
        {"empty.zip", nullptr, "not a ZIP archive"},
        {"split.zip", nullptr, "one part of a split archive"},
        {"endcut.zip", nullptr, "cut short: its ZIP end record is incomplete"},
        {"overcounted.zip", nullptr, "damaged ZIP directory"},
        {"missing.zip", nullptr, "No such file or directory"},
        {"folder.zip", nullptr, "not a file"},
        {"p.zip", longPassword.c_str(), "password too long"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(engine->Resource_AddPack((rel + c.name).c_str(), c.password)) << c.name;
        EXPECT_EQ(std::string(engine->System_LastError()), "Can't load resource: " + rel + c.name + ": " + c.why);
    }
    std::string fits = longPassword.substr(1);
    EXPECT_TRUE(engine->Resource_AddPack((rel + "p.zip").c_str(), fits.c_str()));
    EXPECT_FALSE(engine->Resource_AddPack((rel + "P.ZIP").c_str(), nullptr));
    EXPECT_EQ(std::string(engine->System_LastError()), "Can't load resource: " + rel + "P.ZIP: already attached");
}

// minizip looks for the end record only in the file's last 64 KiB.
TEST_F(FilesTest, ArchiveCommentsUpToTheLongestAttach) {
    ASSERT_TRUE(writeZip(root + "/p.zip", {{"a.txt", "after the comment"}}));
    const std::string good = readBytes(root + "/p.zip");
    const size_t end = good.rfind("PK\x05\x06");
    for (size_t length : {1u, 65513u, 65514u, 65535u}) {
        std::string commented = good + std::string(length, 'c');
        if (length >= 4) commented.replace(commented.size() - 4, 4, "PK\x05\x06");  // a signature in the comment
        commented[end + 20] = static_cast<char>(length & 0xFF);
        commented[end + 21] = static_cast<char>(length >> 8);
        disk("c.zip", commented);
        EXPECT_TRUE(engine->Resource_AddPack((rel + "c.zip").c_str(), nullptr)) << length << engine->System_LastError();
        EXPECT_EQ(load("a.txt"), "after the comment") << length;
        engine->Resource_DropAllPacks();
    }
}

// The names are indexed when the pack is attached; the index must keep what a walk
// of the archive would find, and follow the file when it changes.
TEST_F(FilesTest, TheIndexFindsWhatAWalkWouldAndFollowsARewrittenPack) {
    ASSERT_TRUE(writeZip(root + "/p.zip", {{"Dup.txt", "first"}, {"dup.TXT", "second"}, {"a/B\\c.txt", "abc"}}));
    ASSERT_TRUE(engine->Resource_AddPack((rel + "p.zip").c_str(), nullptr));
    EXPECT_EQ(load("DUP.txt"), "first");
    EXPECT_EQ(load("a\\b/C.TXT"), "abc");
    EXPECT_EQ(load("dup"), "<null>");

    ASSERT_TRUE(writeZip(root + "/p.zip", {{"new.txt", "a new entry"}, {"dup.txt", "rewritten"}}));
    EXPECT_EQ(load("new.txt"), "a new entry");
    EXPECT_EQ(load("dup.txt"), "rewritten");
    EXPECT_EQ(load("a/b/c.txt"), "<null>");
    fs::remove(root + "/p.zip");
    EXPECT_EQ(load("new.txt"), "<null>");  // the pack is gone, and so are its entries
}

// Past 65,535 entries minizip's writer counts 0xFFFF and writes no ZIP64 end record.
TEST_F(FilesTest, APackOfMoreThan65535EntriesIsWalkedToItsEnd) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 65600; ++i) entries.push_back({std::to_string(i), std::to_string(i), nullptr, 0});
    ASSERT_TRUE(writeZip(root + "/many.zip", entries));
    ASSERT_TRUE(engine->Resource_AddPack((rel + "many.zip").c_str(), nullptr)) << engine->System_LastError();
    EXPECT_EQ(load("65599"), "65599");
    EXPECT_EQ(load("0"), "0");
}

// What comes before the archive (a self-extractor's stub) shifts every offset in it.
TEST_F(FilesTest, AnArchiveAfterAStubReads) {
    ASSERT_TRUE(writeZip(root + "/p.zip", {{"x.txt", "after the stub"}, {"y.txt", std::string(5000, 'y'), "honey"}}));
    disk("stub.zip", std::string(777, '#') + readBytes(root + "/p.zip"));
    ASSERT_TRUE(engine->Resource_AddPack((rel + "stub.zip").c_str(), "honey"));
    EXPECT_EQ(load("x.txt"), "after the stub");
    EXPECT_EQ(load("y.txt"), std::string(5000, 'y'));
}

TEST_F(FilesTest, AWrongPasswordFailsWithTheErrorTextAndDoesNotFallThroughToTheDisk) {
    const std::string secret(5000, 's');
    disk("secret.txt", "from the disk");
    ASSERT_TRUE(writeZip(root + "/locked.zip", {{rel + "secret.txt", secret, "honey"},
                                                {rel + "stored.txt", "plain stored", "honey", 0},
                                                {rel + "open.txt", "not locked"}}));

    ASSERT_TRUE(engine->Resource_AddPack((rel + "locked.zip").c_str(), "bees"));
    EXPECT_EQ(load(rel + "secret.txt"), "<null>");
    EXPECT_EQ(std::string(engine->System_LastError()), "Can't load resource: " + rel + "secret.txt");
    EXPECT_EQ(load(rel + "stored.txt"), "<null>");
    EXPECT_EQ(load(rel + "open.txt"), "not locked");  // an entry without encryption needs no password
    engine->Resource_DropAllPacks();

    ASSERT_TRUE(engine->Resource_AddPack((rel + "locked.zip").c_str(), nullptr));
    EXPECT_EQ(load(rel + "secret.txt"), "<null>");
    engine->Resource_DropAllPacks();

    ASSERT_TRUE(engine->Resource_AddPack((rel + "locked.zip").c_str(), "honey"));
    EXPECT_EQ(load(rel + "secret.txt"), secret);
    EXPECT_EQ(load(rel + "stored.txt"), "plain stored");
}

// A pack made by Info-ZIP's zip -P honey: one stored and one deflated entry, both
// with their sizes after the data, so the verifier byte comes from the time.
const char INFOZIP_PACK_HEX[] =
    "504b03040a00090000000da0875d68c8e926180000000c0000000a001c0073746f7265642e7478745554090003591017"
    "6b5910176b75780b00010400000000040000000033122af90c0bb8303aec9b731c4971a9332070799bb88b2e504b0708"
    "68c8e926180000000c000000504b030414000b0008000da0875d71e96f2b24000000580200000c001c006465666c6174"
    "65642e74787455540900035910176b5910176b75780b000104000000000400000000c074ff4fbd8a83d3649d2957d25a"
    "7e099a6cc63aeedc4104be082e678f36ca5b9fb82e91504b070871e96f2b2400000058020000504b01021e030a000900"
    "00000da0875d68c8e926180000000c0000000a0018000000000000000000a4810000000073746f7265642e7478745554"
    "0500035910176b75780b000104000000000400000000504b01021e0314000b0008000da0875d71e96f2b240000005802"
    "00000c0018000000000001000000a4816c0000006465666c617465642e74787455540500035910176b75780b00010400"
    "0000000400000000504b05060000000002000200a2000000e60000000000";

TEST_F(FilesTest, PacksEncryptedByAnotherToolRead) {
    std::string bytes;
    for (const char* p = INFOZIP_PACK_HEX; p[0] && p[1]; p += 2) {
        bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    }
    disk("infozip.zip", bytes);
    ASSERT_TRUE(engine->Resource_AddPack((rel + "infozip.zip").c_str(), "honey"));
    EXPECT_EQ(load("stored.txt"), "plain stored");
    std::string deflated;
    for (int i = 0; i < 40; ++i) deflated += "deflated honey ";
    EXPECT_EQ(load("DEFLATED.TXT"), deflated);
    engine->Resource_DropAllPacks();
    ASSERT_TRUE(engine->Resource_AddPack((rel + "infozip.zip").c_str(), "honeY"));
    EXPECT_EQ(load("stored.txt"), "<null>");
    EXPECT_EQ(load("deflated.txt"), "<null>");
}

// Overwrites the uncompressed size of the first entry in its local header, its
// central header, or both.
std::string withUncompressedSize(std::string zip, uint32_t size, bool local, bool central) {
    auto put = [&](size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    if (local) put(zip.find("PK\x03\x04") + 22);
    if (central) put(zip.find("PK\x01\x02") + 24);
    return zip;
}

// Sets the method of the first entry in both of its headers.
std::string withMethod(std::string zip, uint16_t method) {
    for (size_t at : {zip.find("PK\x03\x04") + 8, zip.find("PK\x01\x02") + 10}) {
        zip[at] = static_cast<char>(method & 0xFF);
        zip[at + 1] = static_cast<char>(method >> 8);
    }
    return zip;
}

// Bytes that do not compress away, so that damage lands in real data.
std::string noise(size_t n) {
    std::string s(n, '\0');
    uint32_t state = 12345;
    for (char& c : s) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return s;
}

TEST_F(FilesTest, CorruptPacksFailCleanly) {
    const std::string data = noise(20000);
    ASSERT_TRUE(writeZip(root + "/good.zip", {{"x.bin", data}}));
    ASSERT_TRUE(writeZip(root + "/stored.zip", {{"x.bin", data, nullptr, 0}}));
    const std::string good = readBytes(root + "/good.zip");
    const std::string stored = readBytes(root + "/stored.zip");

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string flipped = good;
    flipped[flipped.find("PK\x03\x04") + 30 + 5 + 5000] ^= 0x55;  // inside the deflated data
    const Case cases[] = {
        {"declares more than it holds", withUncompressedSize(good, 30000, true, true)},
        {"stored, declares more", withUncompressedSize(stored, 30000, true, true)},
        {"declares less than it holds", withUncompressedSize(good, 100, true, true)},
        {"stored, declares less", withUncompressedSize(stored, 100, true, true)},
        {"headers disagree", withUncompressedSize(good, 100, false, true)},
        {"claims nearly 4 GB", withUncompressedSize(good, 0xF0000000u, true, true)},
        {"a flipped data byte", flipped},
        {"bzip2, a method we do not read", withMethod(stored, 12)},
        {"AES, an encryption we do not read", withMethod(stored, 99)},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "bad" + std::to_string(n++) + ".zip";
        disk(name, c.bytes);
        ASSERT_TRUE(engine->Resource_AddPack((rel + name).c_str(), nullptr)) << c.what;
        EXPECT_EQ(load("x.bin"), "<null>") << c.what;
        EXPECT_STREQ(engine->System_LastError(), "Can't load resource: x.bin") << c.what;
        engine->Resource_DropAllPacks();
    }

    // Cut short, or with a piece taken out: no pack, a clear failure, or (when only
    // the archive's trailing comment length was cut) the intact entry; never wrong
    // bytes, never a crash.
    std::vector<std::string> damaged;
    for (size_t cut : {size_t{0}, size_t{4}, size_t{30}, good.size() / 2, good.size() - 1}) {
        damaged.push_back(good.substr(0, cut));
    }
    for (size_t at : {size_t{10}, size_t{40}, size_t{5000}, good.size() - 200}) {
        damaged.push_back(good.substr(0, at) + good.substr(at + 100));
    }
    for (const std::string& bytes : damaged) {
        disk("damaged.zip", bytes);
        if (engine->Resource_AddPack((rel + "damaged.zip").c_str(), nullptr)) {
            std::string got = load("x.bin");
            EXPECT_TRUE(got == "<null>" || got == data) << "damaged pack of " << bytes.size() << " bytes";
            engine->Resource_DropAllPacks();
        }
    }

    ASSERT_TRUE(engine->Resource_AddPack((rel + "good.zip").c_str(), nullptr));
    EXPECT_EQ(load("x.bin"), data);
}

TEST_F(FilesTest, EntryNamesTooLongForTheBufferAreSkipped) {
    std::string longName(PACK_NAME_MAX + 40, 'n');
    std::string cutName = longName.substr(0, PACK_NAME_MAX - 1);
    ASSERT_TRUE(writeZip(root + "/long.zip", {{longName, "long"}, {"short.txt", "short"}}));
    ASSERT_TRUE(engine->Resource_AddPack((rel + "long.zip").c_str(), nullptr));
    EXPECT_EQ(load(cutName), "<null>");  // the cut name is not the entry's
    EXPECT_EQ(load("short.txt"), "short");
}

// Past the file size limit a write used to end the program (SIGXFSZ).
TEST_F(FilesTest, AWritePastTheFileSizeLimitFailsAndLeavesNothingBehind) {
    engine->System_SetState(STATE_INI_FILE, (rel + "big.ini").c_str());
    engine->Ini_SetString("s", "small", "fits");
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    engine->Ini_SetString("s", "big", std::string(200, 'x').c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_STREQ(engine->Ini_GetString("s", "big", "none"), "none");
    EXPECT_STREQ(engine->Ini_GetString("s", "small", "none"), "fits");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"big.ini"}) << "no temporary file left behind";
}

TEST_F(FilesTest, EnumerationsSkipDotEntriesAndShareOneCursor) {
    disk("e/a.txt", "");
    disk("e/B.TXT", "");
    disk("e/c.dat", "");
    disk("e/sub1/x", "");
    disk("e/sub2/y", "");
    fs::create_directories(fs::path(root) / "e/sub3.txt");

    auto collect = [&](bool folders, const std::string& wildcard) {
        std::set<std::string> names;
        const char* w = wildcard.c_str();
        for (char* n = folders ? engine->Resource_FindFolder(w) : engine->Resource_FindFile(w); n;
             n = folders ? engine->Resource_FindFolder(nullptr) : engine->Resource_FindFile(nullptr)) {
            names.insert(n);
        }
        return names;
    };
    using S = std::set<std::string>;
    EXPECT_EQ(collect(false, rel + "e/*"), (S{"a.txt", "B.TXT", "c.dat"}));
    EXPECT_EQ(collect(false, rel + "e\\*.*"), (S{"a.txt", "B.TXT", "c.dat"}));
    EXPECT_EQ(collect(false, rel + "e/*.txt"), (S{"a.txt", "B.TXT"}));  // case does not matter
    EXPECT_EQ(collect(false, rel + "e/?.dat"), (S{"c.dat"}));
    EXPECT_EQ(collect(false, rel + "e/??.dat"), S{});
    EXPECT_EQ(collect(true, rel + "e/*"), (S{"sub1", "sub2", "sub3.txt"}));
    EXPECT_EQ(collect(true, rel + "e/sub?"), (S{"sub1", "sub2"}));
    EXPECT_EQ(collect(true, rel + "e/sub1/*"), S{});  // "." and ".." are never returned
    EXPECT_EQ(collect(false, rel + "nowhere/*"), S{});

    // One enumeration for both: a folder search continued as a file search.
    ASSERT_STREQ(engine->Resource_FindFolder((rel + "e/*").c_str()), "sub1");
    EXPECT_STREQ(engine->Resource_FindFile(nullptr), nullptr);  // the files came before sub1
    EXPECT_STREQ(engine->Resource_FindFolder(nullptr), nullptr);  // ended: nothing to continue

    ASSERT_STREQ(engine->Resource_FindFile((rel + "e/*").c_str()), "B.TXT");
    ASSERT_STREQ(engine->Resource_FindFolder(nullptr), "sub1");
    ASSERT_STREQ(engine->Resource_FindFolder((rel + "e/*").c_str()), "sub1");  // a new one restarts
}

// Names the engine hands out are handed straight back: each call must read the name
// before it writes the buffer the name lives in.
TEST_F(FilesTest, TheEnginesOwnBuffersGoBackInAsNames) {
    ASSERT_TRUE(writeZip(root + "/own.zip", {{"own.txt", "from the pack"}}));
    disk("e/one.txt", "");
    const std::string zip = root + "/own.zip";
    auto own = [&](const std::string& name) { return engine->Resource_FullPath(name.c_str()); };
    auto text = [](const char* s) { return std::string(s ? s : "<null>"); };

    EXPECT_EQ(std::string(engine->Resource_FullPath(own(rel + "own.zip"))), zip);
    EXPECT_TRUE(engine->Resource_AddPack(own(rel + "own.zip"), nullptr));
    EXPECT_EQ(load("own.txt"), "from the pack");
    engine->Resource_DropPack(own(rel + "own.zip"));
    EXPECT_EQ(load("own.txt"), "<null>");
    EXPECT_STREQ(engine->Resource_FindFile(own(rel + "e/*")), "one.txt");
    EXPECT_STREQ(engine->Resource_FindFile(engine->Resource_FindFile(own(rel + "e/*"))), nullptr);

    engine->System_SetState(STATE_INI_FILE, own(rel + "own.ini"));
    EXPECT_EQ(text(engine->System_GetState(STATE_INI_FILE)), root + "/own.ini");
    engine->System_SetState(STATE_INI_FILE, engine->System_GetState(STATE_INI_FILE));
    EXPECT_EQ(text(engine->System_GetState(STATE_INI_FILE)), root + "/own.ini");
    engine->Ini_SetString("s", "k", "v");
    EXPECT_STREQ(engine->Ini_GetString("s", "missing", engine->Ini_GetString("s", "k", "")), "v");

    engine->System_SetState(STATE_LOG_FILE, own(rel + "own.log"));
    EXPECT_EQ(text(engine->System_GetState(STATE_LOG_FILE)), root + "/own.log");
    EXPECT_TRUE(fs::exists(root + "/own.log"));

    engine->System_SetState(STATE_TITLE, "Own title");
    engine->System_SetState(STATE_TITLE, engine->System_GetState(STATE_TITLE));
    EXPECT_STREQ(engine->System_GetState(STATE_TITLE), "Own title");
}

// Uniform data just past zlib's output block sizes once left output inside the
// inflater when the input ran out. Each size is checked byte for byte, as a plain
// and an encrypted entry, deflated and (for a spread of the sizes) stored.
TEST_F(FilesTest, EntriesAroundTheBlockSizesLoadByteForByte) {
    std::vector<size_t> sizes;
    for (size_t n = (64u << 10) - 16; n <= (64u << 10) + 1200; ++n) sizes.push_back(n);
    for (size_t base : {size_t{128} << 10, size_t{256} << 10}) {
        for (size_t n = base - 16; n <= base + 300; ++n) sizes.push_back(n);
    }
    std::vector<ZipEntry> entries;
    for (size_t i = 0; i < sizes.size(); ++i) {
        std::string data(sizes[i], '\0');
        std::string name = std::to_string(sizes[i]);
        entries.push_back({"d" + name, data});
        entries.push_back({"e" + name, data, "honey"});
        if (i % 37 == 0 || i + 1 == sizes.size()) {
            entries.push_back({"s" + name, data, nullptr, 0});
            entries.push_back({"t" + name, data, "honey", 0});
        }
    }
    // Small packs, so that finding an entry walks few names.
    int failed = 0;
    for (size_t first = 0; first < entries.size(); first += 100) {
        std::vector<ZipEntry> part(entries.begin() + static_cast<long>(first),
                                   entries.begin() + static_cast<long>(std::min(first + 100, entries.size())));
        ASSERT_TRUE(writeZip(root + "/sizes.zip", part));
        ASSERT_TRUE(engine->Resource_AddPack((rel + "sizes.zip").c_str(), "honey"));
        for (const ZipEntry& e : part) {
            if (load(e.name) != e.data && ++failed <= 10) ADD_FAILURE() << e.name << " does not load whole";
        }
        engine->Resource_DropAllPacks();
    }
    EXPECT_EQ(failed, 0);
}

TEST_F(FilesTest, Zip64EntriesTakeTheirSizesFromTheExtraField) {
    const std::string small = "bear data ";
    const std::string big = noise(70000) + std::string(70000, 'z');
    int n = 0;
    for (bool goLayout : {false, true}) {  // Go: real sizes and no extra in the local header
        for (bool deflated : {false, true}) {
            for (bool compressedToo : {false, true}) {
                for (const std::string& data : {small, big}) {
                    std::string pack = "z64_" + std::to_string(n++) + ".zip";
                    disk(pack, zip64Pack("Z.BIN", data, deflated, compressedToo, goLayout));
                    ASSERT_TRUE(engine->Resource_AddPack((rel + pack).c_str(), nullptr));
                    EXPECT_EQ(load("z.bin"), data) << pack << (goLayout ? " Go's layout," : " zip's layout,")
                                                   << (deflated ? " deflated" : " stored")
                                                   << (compressedToo ? ", both sizes" : ", uncompressed size");
                    engine->Resource_DropAllPacks();
                }
            }
        }
    }
}

}  // namespace
