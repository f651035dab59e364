// PNG decoding through Texture_Load: every colour type and bit depth against the
// pixels another decoder reads, and files cut short or damaged anywhere.
#include "tests/engine/graphics/gfx_fixture.h"
#include "tests/engine/graphics/png_cases.h"

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> fromHex(const char* hex) {
    std::vector<uint8_t> out;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    }
    return out;
}

class PngDecodeTest : public GfxTest {
protected:
    // The texture's pixels, or none when it does not load.
    std::vector<uint32_t> load(const std::vector<uint8_t>& bytes) {
        TextureHandle t = engine->Texture_Load(reinterpret_cast<const char*>(bytes.data()), uint32_t(bytes.size()));
        if (!t) return {};
        int w = engine->Texture_Width(t, true), h = engine->Texture_Height(t, true);
        const uint32_t* p = engine->Texture_Lock(t, true);
        std::vector<uint32_t> pixels(p, p + w * h);
        engine->Texture_Unlock(t);
        engine->Texture_Free(t);
        return pixels;
    }
};

TEST_P(PngDecodeTest, EveryColourTypeAndDepthGivesTheARGBAnotherDecoderReads) {
    for (const PngCase& c : PNG_CASES) {
        std::vector<uint32_t> want(c.argb, c.argb + PNG_CASE_W * PNG_CASE_H);
        EXPECT_EQ(load(fromHex(c.hex)), want) << c.name;
    }
}

// A cut inside an optional chunk once made the reader loop for ever on stale bytes.
TEST_P(PngDecodeTest, EveryCutFailsQuietlyWithTheTextureError) {
    const std::vector<uint8_t> whole = fromHex(PNG_ALL_CHUNKS_HEX);
    ASSERT_EQ(load(whole).size(), size_t(PNG_CASE_W * PNG_CASE_H));
    testing::internal::CaptureStderr();
    int loaded = 0;
    for (size_t n = 1; n < whole.size(); ++n) {
        engine->System_LastError();
        if (!load(std::vector<uint8_t>(whole.begin(), whole.begin() + long(n))).empty()) ++loaded;
        else if (std::string(engine->System_LastError()) != "Can't create texture") ADD_FAILURE() << n;
    }
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_P(PngDecodeTest, DamagedChunksAreDroppedOrRefusedWithoutANoise) {
    const std::vector<uint8_t> whole = fromHex(PNG_ALL_CHUNKS_HEX);
    auto withBadCrc = [&](const char* kind) {
        std::vector<uint8_t> bytes = whole;
        std::string s(bytes.begin(), bytes.end());
        size_t at = s.find(kind);
        size_t length = (size_t(bytes[at - 4]) << 24) | (size_t(bytes[at - 3]) << 16) |
                        (size_t(bytes[at - 2]) << 8) | bytes[at - 1];
        bytes[at + 4 + length] ^= 0x5A;
        return bytes;
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(load(withBadCrc("tEXt")), load(whole));  // an optional chunk: dropped
    EXPECT_EQ(load(withBadCrc("bKGD")), load(whole));
    EXPECT_TRUE(load(withBadCrc("IDAT")).empty());
    EXPECT_TRUE(load(withBadCrc("PLTE")).empty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// VmHWM of this process in kB after the peak is reset to the present size, or -1
// where the kernel does not allow the reset.
long resetPeakKb() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return -1;
    bool ok = std::fputs("5", f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok ? 0 : -1;
}
long peakKb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    }
    std::fclose(f);
    return kb;
}

// A small file whose header promises a picture of 8192 x 8192, or a chunk of 1.7 GB,
// once made a buffer of that size before finding it had no such bytes.
TEST_P(PngDecodeTest, HeadersThatPromiseMoreThanTheirBytesAreRefusedBeforeAnyBuffer) {
    std::vector<uint8_t> png = fromHex(PNG_ALL_CHUNKS_HEX);
    for (int i = 0; i < 2; ++i) {  // IHDR's width and height, and its check sum again
        png[16 + 4 * i] = 0;
        png[17 + 4 * i] = 0;
        png[18 + 4 * i] = 0x20;
        png[19 + 4 * i] = 0;
    }
    const uint32_t crc = uint32_t(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = uint8_t(crc >> (24 - 8 * i));
    std::vector<uint8_t> text = fromHex(PNG_ALL_CHUNKS_HEX);  // a text chunk of 1.7 GB
    const size_t at = std::string(text.begin(), text.end()).find("tEXt");
    text[at - 4] = 0x6A;
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 32, 8};
    tga.resize(2000, 0x7F);
    std::vector<uint8_t> jpg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x20, 0, 0x20, 0, 1, 1, 0x11, 0};
    jpg.resize(200, 0);
    const struct {
        const char* kind;
        const std::vector<uint8_t>& bytes;
    } cases[] = {{"png", png}, {"png text", text}, {"tga", tga}, {"jpg", jpg}};
    for (const auto& c : cases) {
        if (resetPeakKb() < 0) GTEST_SKIP() << "the peak memory cannot be reset here";
        const long before = peakKb();
        EXPECT_TRUE(load(c.bytes).empty()) << c.kind;
        EXPECT_LT(peakKb() - before, 32 * 1024) << c.kind << ": kB more at the peak";
    }
}

INSTANTIATE_TEST_SUITE_P(Headless, PngDecodeTest, ::testing::Values(Backend::Null), backendName);

// The window icon is an image file too: one cut short must neither hang start-up
// nor print anything.
using WindowIcon = GfxTest;

TEST_P(WindowIcon, ACutIconFileIsLeftOutQuietly) {
    Engine* e = engine;
    const std::vector<uint8_t> whole = fromHex(PNG_ALL_CHUNKS_HEX);
    const std::string text(whole.begin(), whole.end());
    const std::string path = std::string(e->Resource_FullPath("cut_icon.png"));
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(whole.data(), 1, text.find("tEXt") + 8, f);  // cut inside the text chunk
    std::fclose(f);
    testing::internal::CaptureStderr();
    e->System_SetState(STATE_ICON, "cut_icon.png");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_STREQ(e->System_GetState(STATE_ICON), "cut_icon.png");
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Window, WindowIcon, ::testing::Values(Backend::Gl), backendName);

}  // namespace
