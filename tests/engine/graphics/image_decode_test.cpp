// Image decoding through Texture_Load: every PNG colour type and bit depth against
// the pixels another decoder reads, JPEG colour spaces and codings, TGA and RLE BMP,
// and files cut short, damaged or claiming more than they hold.
#include "tests/engine/graphics/gfx_fixture.h"
#include "tests/engine/graphics/image_files.h"
#include "tests/engine/graphics/png_cases.h"

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace imagetest;

std::vector<uint8_t> fromHex(const char* hex) {
    std::vector<uint8_t> out;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    }
    return out;
}

class ImageDecodeTest : public GfxTest {
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
    // Every cut of a whole file is refused with the texture error, and quietly.
    void expectEveryCutRefused(const std::vector<uint8_t>& whole, const char* kind) {
        testing::internal::CaptureStderr();
        int loaded = 0;
        for (size_t n = 1; n < whole.size(); ++n) {
            engine->System_LastError();
            if (!load(std::vector<uint8_t>(whole.begin(), whole.begin() + long(n))).empty()) ++loaded;
            else if (std::string(engine->System_LastError()) != "Can't create texture") ADD_FAILURE() << kind << n;
        }
        EXPECT_EQ(loaded, 0) << kind << ": cuts that loaded, of " << whole.size();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << kind;
    }
};

TEST_P(ImageDecodeTest, EveryColourTypeAndDepthGivesTheARGBAnotherDecoderReads) {
    for (const PngCase& c : PNG_CASES) {
        std::vector<uint32_t> want(c.argb, c.argb + PNG_CASE_W * PNG_CASE_H);
        EXPECT_EQ(load(fromHex(c.hex)), want) << c.name;
    }
}

// A cut inside an optional chunk once made the reader loop for ever on stale bytes.
TEST_P(ImageDecodeTest, EveryCutFailsQuietlyWithTheTextureError) {
    const std::vector<uint8_t> whole = fromHex(PNG_ALL_CHUNKS_HEX);
    ASSERT_EQ(load(whole).size(), size_t(PNG_CASE_W * PNG_CASE_H));
    expectEveryCutRefused(whole, "png");
}

TEST_P(ImageDecodeTest, DamagedChunksAreDroppedOrRefusedWithoutANoise) {
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

// A 16 x 16 picture: R rising to the right, G rising down, B a checker of 4 x 4.
std::vector<uint8_t> rgbPicture(int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            rgb.insert(rgb.end(), {uint8_t(x * 255 / (w - 1)), uint8_t(y * 255 / (h - 1)),
                                   uint8_t(((x / 4 + y / 4) & 1) * 255)});
        }
    }
    return rgb;
}

// Each channel within tolerance of what was asked, alpha opaque.
void expectNear(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want, int tolerance, const char* kind) {
    ASSERT_EQ(got.size(), want.size()) << kind;
    int wrong = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        bool near = (got[i] >> 24) == (want[i] >> 24);
        for (int shift = 0; shift < 24; shift += 8) {
            near = near && std::abs(int((got[i] >> shift) & 0xFF) - int((want[i] >> shift) & 0xFF)) <= tolerance;
        }
        if (!near && wrong++ < 3) ADD_FAILURE() << kind << " pixel " << i << std::hex << ": " << got[i] << " not " << want[i];
    }
    EXPECT_EQ(wrong, 0) << kind;
}

// Adobe's tools store CMYK inverted (255 = no ink) and say so in their APP14 marker;
// YCCK is the same inks colour-transformed. Files without the marker store them
// inverted too, as the common readers take them (plain inks showed the negative).
TEST_P(ImageDecodeTest, CmykJpegsComeOutInTheColoursOfTheirInks) {
    struct Ink {
        uint8_t c, m, y, k;
        uint32_t argb;  // on paper: each colour is (255 - ink) x (255 - black) / 255
    };
    const Ink inks[4] = {{255, 0, 0, 0, 0xFF00FFFF},
                         {0, 128, 0, 64, 0xFFBF5FBF},
                         {0, 0, 255, 0, 0xFFFFFF00},
                         {30, 60, 90, 0, 0xFFE1C3A5}};
    const struct {
        const char* kind;
        J_COLOR_SPACE stored;
        bool adobe;
    } cases[] = {{"adobe cmyk", JCS_CMYK, true}, {"adobe ycck", JCS_YCCK, true}, {"cmyk without the marker", JCS_CMYK, false}};
    for (const auto& c : cases) {
        std::vector<uint8_t> samples;
        std::vector<uint32_t> want;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {  // one ink to each 8 x 8 block
                const Ink& ink = inks[(y / 8) * 2 + x / 8];
                for (uint8_t v : {ink.c, ink.m, ink.y, ink.k}) samples.push_back(uint8_t(255 - v));
                want.push_back(ink.argb);
            }
        }
        JpegRecipe recipe;
        recipe.input = JCS_CMYK;
        recipe.stored = c.stored;
        recipe.adobe = c.adobe;
        expectNear(load(jpegFile(recipe, samples)), want, 3, c.kind);
    }
}

TEST_P(ImageDecodeTest, CutJpegAndTgaFilesAreRefusedAtEveryLength) {
    const std::vector<uint8_t> rgb = rgbPicture(16, 16);
    std::vector<uint8_t> bgra;
    std::vector<uint32_t> argb;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const uint8_t alpha = uint8_t(i % 7 == 0 ? 0x80 : 0xFF);
        bgra.insert(bgra.end(), {rgb[i + 2], rgb[i + 1], rgb[i], alpha});
        argb.push_back(uint32_t(alpha) << 24 | uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
    }
    std::vector<uint32_t> opaque = argb;
    for (uint32_t& p : opaque) p |= 0xFF000000u;
    JpegRecipe baseline, progressive, arithmetic;
    progressive.progressive = true;
    arithmetic.arithmetic = true;
    const struct {
        const char* kind;
        std::vector<uint8_t> file;
        const std::vector<uint32_t>& want;
        int tolerance;
    } cases[] = {
        {"baseline jpeg", jpegFile(baseline, rgb), opaque, 8},
        {"progressive jpeg", jpegFile(progressive, rgb), opaque, 8},
        {"arithmetic jpeg", jpegFile(arithmetic, rgb), opaque, 8},
        {"tga", tgaFile(16, 16, 3, false, bgra), opaque, 0},
        {"rle tga", tgaFile(16, 16, 4, true, bgra), argb, 0},
    };
    for (const auto& c : cases) {
        expectNear(load(c.file), c.want, c.tolerance, c.kind);
        expectEveryCutRefused(c.file, c.kind);
    }
}

// TGA layouts SDL_image refused (grey with alpha, rows right to left), BMP masks with
// alpha; and files that hold more than their picture, or runs where none may go.
TEST_P(ImageDecodeTest, TgaAndBmpLayoutsLoadAndMisplacedRunsAreRefused) {
    // 2 x 2 grey with alpha, shown: top-left, top-right, bottom-left, bottom-right.
    const uint8_t grey[4] = {0x10, 0x20, 0x30, 0x40}, alpha[4] = {0xFF, 0x80, 0x00, 0x40};
    std::vector<uint32_t> shown;
    for (int i = 0; i < 4; ++i) shown.push_back(uint32_t(alpha[i]) << 24 | grey[i] * 0x010101u);
    auto tga = [](uint8_t type, uint8_t bits, uint8_t descriptor, std::vector<uint8_t> body) {
        std::vector<uint8_t> b = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, bits, descriptor};
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    auto ga = [&](int i) { return std::vector<uint8_t>{grey[i], alpha[i]}; };
    auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    // Top-down, right to left: TR, TL, BR, BL. Bottom-up in one raw packet: BL, BR, TL, TR.
    const std::vector<uint8_t> greyRtl = tga(3, 16, 0x38, cat({ga(1), ga(0), ga(3), ga(2)}));
    const std::vector<uint8_t> greyRle = tga(11, 16, 0x08, cat({{3}, ga(2), ga(3), ga(0), ga(1)}));
    const std::vector<uint8_t> runPast = tga(10, 24, 0x20, {0x84, 1, 2, 3});  // 5 pixels of 4
    // 8-bit palette (of first index 1), bottom-up: two runs with one colour each.
    std::vector<uint8_t> mapped = {0, 1, 9, 1, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0};
    mapped.insert(mapped.end(), {0x33, 0x22, 0x11, 0xCC, 0xBB, 0xAA, 0x81, 2, 0x81, 1});

    const uint32_t red = 0xFFFF0000u, navy = 0xFF000080u;
    // RLE8 of 4 x 2: a bottom row of colour 1, a top row of colour 0.
    const std::vector<uint8_t> rows = bmpRle8File(4, 2, {0x000080, 0xFF0000}, {4, 1, 0, 0, 4, 0, 0, 1});
    std::vector<uint8_t> topDown = rows, oddHeader = rows;
    topDown[22] = topDown[23] = topDown[24] = topDown[25] = 0xFF;  // height -1
    topDown[22] = 0xFE;
    oddHeader[14] = 41;
    const std::vector<uint8_t> rowOverflow = bmpRle8File(4, 2, {0x000080, 0xFF0000}, {5, 1, 0, 1});
    const std::vector<uint8_t> pastTop = bmpRle8File(4, 2, {0x000080, 0xFF0000}, {0, 2, 0, 2, 1, 1, 0, 1});
    // 32 bits in R, G, B, A byte order with their masks (compression 6).
    std::vector<uint8_t> masked = {'B', 'M'};
    for (uint32_t v : {14u + 40 + 16 + 8, 0u, 14u + 40 + 16, 40u, 2u, 1u}) putLe32(masked, v);
    putLe16(masked, 1);
    putLe16(masked, 32);
    for (uint32_t v : {6u, 8u, 2835u, 2835u, 0u, 0u, 0xFFu, 0xFF00u, 0xFF0000u, 0xFF000000u}) putLe32(masked, v);
    masked.insert(masked.end(), {0x11, 0x22, 0x33, 0x80, 0xAA, 0xBB, 0xCC, 0xFF});

    const struct {
        const char* kind;
        const std::vector<uint8_t>& file;
        std::vector<uint32_t> want;  // empty: refused
    } cases[] = {
        {"grey tga with alpha, right to left", greyRtl, shown},
        {"rle grey tga with alpha, bottom up", greyRle, shown},
        {"tga run past the picture", runPast, {}},
        {"colour-mapped rle tga", mapped, {0xFF112233, 0xFF112233, 0xFFAABBCC, 0xFFAABBCC}},
        {"rle8 bmp", rows, {navy, navy, navy, navy, red, red, red, red}},
        {"top-down rle8 bmp", topDown, {}},
        {"bmp header of no known size", oddHeader, {}},
        {"rle8 bmp run past its row", rowOverflow, {}},
        {"rle8 bmp move past the top", pastTop, {}},
        {"bmp with alpha bitfields", masked, {0x80112233u, 0xFFAABBCCu}},
    };
    for (const auto& c : cases) {
        const std::vector<uint32_t> got = load(c.file);
        EXPECT_EQ(got, c.want) << c.kind;
    }
}

// A picture of one colour arithmetic-coded, or drawn by runs that end at the
// end-of-bitmap escape, holds millions of pixels in a few hundred bytes.
TEST_P(ImageDecodeTest, SmallFilesThatTrulyHoldBigPicturesLoad) {
    const int side = 2048;
    JpegRecipe recipe;
    recipe.width = recipe.height = side;
    recipe.arithmetic = true;
    std::vector<uint8_t> plain;
    for (int i = 0; i < side * side; ++i) plain.insert(plain.end(), {200, 100, 50});
    const std::vector<uint8_t> jpeg = jpegFile(recipe, plain);
    EXPECT_LT(jpeg.size(), 1000u);
    const std::vector<uint32_t> flat = load(jpeg);
    EXPECT_EQ(flat.size(), size_t(side * side));
    if (flat.size() == size_t(side * side)) {
        expectNear({flat.front(), flat[flat.size() / 2 + 77], flat.back()}, std::vector<uint32_t>(3, 0xFFC86432), 2,
                   "arithmetic jpeg");
    }

    // Bottom row: 4 pixels of colour 1; a move 10 right and 5 up; 3 pixels of colour 2; the end.
    const std::vector<uint8_t> bmp =
        bmpRle8File(side, side, {0x000080, 0xFF0000, 0x00FF00}, {4, 1, 0, 2, 10, 5, 3, 2, 0, 1});
    const std::vector<uint32_t> drawn = load(bmp);
    ASSERT_EQ(drawn.size(), size_t(side * side));
    auto at = [&](int x, int yUp) { return drawn[size_t(side - 1 - yUp) * side + size_t(x)]; };
    EXPECT_EQ(at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(at(3, 0), 0xFFFF0000u);
    EXPECT_EQ(at(4, 0), 0xFF000080u);
    EXPECT_EQ(at(14, 5), 0xFF00FF00u);
    EXPECT_EQ(at(16, 5), 0xFF00FF00u);
    EXPECT_EQ(at(13, 5), 0xFF000080u);
    EXPECT_EQ(at(side - 1, side - 1), 0xFF000080u);
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
TEST_P(ImageDecodeTest, HeadersThatPromiseMoreThanTheirBytesAreRefusedBeforeAnyBuffer) {
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
    // Real JPEGs of 16 x 16 whose frame header is made to say 8192 x 8192.
    auto claimingBig = [](std::vector<uint8_t> file) {
        for (size_t i = 2; i + 9 < file.size(); ++i) {
            if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
                file[i + 5] = file[i + 7] = 0x20;
                file[i + 6] = file[i + 8] = 0;
                break;
            }
        }
        return file;
    };
    JpegRecipe progressive;
    progressive.progressive = true;
    const std::vector<uint8_t> baselineBig = claimingBig(jpegFile(JpegRecipe(), rgbPicture(16, 16)));
    const std::vector<uint8_t> progressiveBig = claimingBig(jpegFile(progressive, rgbPicture(16, 16)));
    std::vector<uint8_t> bmp = bmpRle8File(8192, 8192, {0xFFFFFF}, {});
    bmp[28] = 32;  // 32-bit rows, uncompressed, that are not there
    bmp[30] = 0;
    bmp.resize(2000, 0x7F);
    std::vector<uint8_t> runs;  // runs that never reach the end-of-bitmap escape
    for (int i = 0; i < 1000; ++i) runs.insert(runs.end(), {255, 0});
    const std::vector<uint8_t> rle = bmpRle8File(8192, 8192, {0xFFFFFF}, runs);
    const struct {
        const char* kind;
        const std::vector<uint8_t>& bytes;
    } cases[] = {{"png", png},
                 {"png text", text},
                 {"tga", tga},
                 {"jpg", jpg},
                 {"baseline jpg", baselineBig},
                 {"progressive jpg", progressiveBig},
                 {"bmp", bmp},
                 {"rle bmp", rle}};
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps an eighth of every allocation as shadow, touched at
    // once: the JPEG library's coefficient store for a progressive header of 8192 x
    // 8192 (reserved, never touched in a normal build) then shows as about 25 MB.
    const long budgetKb = 48 * 1024;
#else
    const long budgetKb = 32 * 1024;
#endif
    for (const auto& c : cases) {
        if (resetPeakKb() < 0) GTEST_SKIP() << "the peak memory cannot be reset here";
        const long before = peakKb();
        EXPECT_TRUE(load(c.bytes).empty()) << c.kind;
        EXPECT_LT(peakKb() - before, budgetKb) << c.kind << ": kB more at the peak";
    }
}

INSTANTIATE_TEST_SUITE_P(Headless, ImageDecodeTest, ::testing::Values(Backend::Null), backendName);

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
