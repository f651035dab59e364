// Loading textures from image files, in both renderers.
#include "tests/engine/graphics/gfx_fixture.h"

#include "engine/graphics/renderer.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

uint32_t pattern(int x, int y) { return ARGB(x == 0 ? 0x80 : 0xFF, x * 60, y * 40, 200 - x * 10); }

SDL_Surface* patternSurface(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            static_cast<uint32_t*>(s->pixels)[y * (s->pitch / 4) + x] = pattern(x, y);
        }
    }
    return s;
}

enum class Format { Png, Bmp, Tga, Jpg };

std::vector<uint8_t> encode(Format format, int w, int h) {
    std::vector<uint8_t> out;
    if (format == Format::Tga) {
        // Uncompressed true colour, 32 bits, top-left origin.
        uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 32, 0x28};
        out.assign(header, header + 18);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint32_t p = pattern(x, y);
                out.insert(out.end(), {uint8_t(GETB(p)), uint8_t(GETG(p)), uint8_t(GETR(p)), uint8_t(GETA(p))});
            }
        }
        return out;
    }
    SDL_Surface* s = patternSurface(w, h);
    std::vector<uint8_t> buffer(1 << 16);
    SDL_RWops* rw = SDL_RWFromMem(buffer.data(), static_cast<int>(buffer.size()));
    int rc = format == Format::Png ? IMG_SavePNG_RW(s, rw, 0)
             : format == Format::Jpg ? IMG_SaveJPG_RW(s, rw, 0, 95)
                                     : SDL_SaveBMP_RW(s, rw, 0);
    if (rc == 0) out.assign(buffer.begin(), buffer.begin() + SDL_RWtell(rw));
    SDL_RWclose(rw);
    SDL_FreeSurface(s);
    return out;
}

using TextureTest = GfxTest;

TEST_P(TextureTest, LoadsEachFormatFromMemoryWithItsSizeAndPixels) {
    for (Format f : {Format::Png, Format::Bmp, Format::Tga, Format::Jpg}) {
        SCOPED_TRACE(static_cast<int>(f));
        std::vector<uint8_t> bytes = encode(f, 5, 3);
        ASSERT_FALSE(bytes.empty());
        TextureHandle t = engine->Texture_Load(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<uint32_t>(bytes.size()));
        ASSERT_NE(t, 0u) << engine->System_LastError();
        EXPECT_EQ(engine->Texture_Width(t, true), 5);
        EXPECT_EQ(engine->Texture_Height(t, true), 3);
        EXPECT_EQ(engine->Texture_Width(t, false), 5);
        EXPECT_EQ(engine->Texture_Height(t, false), 3);
        const uint32_t* p = engine->Texture_Lock(t, true);
        ASSERT_NE(p, nullptr);
        if (f != Format::Jpg) {
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    EXPECT_EQ(p[y * 5 + x], pattern(x, y)) << x << "," << y;
                }
            }
        }
        engine->Texture_Unlock(t);
        engine->Texture_Free(t);
    }
}

TEST_P(TextureTest, UnreadableImagesFailWithTheirMessage) {
    std::vector<uint8_t> png = encode(Format::Png, 8, 8);
    std::vector<uint8_t> jpg = encode(Format::Jpg, 8, 8);
    std::vector<uint8_t> bmp = encode(Format::Bmp, 8, 8);
    const std::vector<std::vector<uint8_t>> bad = {
        {'h', 'e', 'l', 'l', 'o'},
        std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2),  // cut short
        std::vector<uint8_t>(jpg.begin(), jpg.begin() + jpg.size() / 2),
        std::vector<uint8_t>(bmp.begin(), bmp.begin() + bmp.size() / 2),
        {'D', 'D', 'S', ' ', 0, 0, 0, 0},
        std::vector<uint8_t>(1000, 0xFF),
        // A TGA header claiming 9000 x 9000 pixels with no pixels behind it.
        {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x28, 0x23, 0x28, 0x23, 32, 0x28, 0xFF, 0, 0, 0, 0},
    };
    testing::internal::CaptureStderr();  // the player sees no library's complaints
    for (const auto& bytes : bad) {
        engine->System_LastError();
        EXPECT_EQ(engine->Texture_Load(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<uint32_t>(bytes.size())),
                  0u);
        EXPECT_STREQ(engine->System_LastError(), "Can't create texture");
    }
    EXPECT_EQ(engine->Texture_Load(nullptr, 0), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_P(TextureTest, LoadsAFileThroughTheResourceGroup) {
    std::vector<uint8_t> png = encode(Format::Png, 7, 2);
    std::string name = "gfx_texture_test.png";
    std::string path = std::string(engineImpl()->context().programFolder) + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
    TextureHandle t = engine->Texture_Load(name.c_str());
    std::remove(path.c_str());
    ASSERT_NE(t, 0u) << engine->System_LastError();
    EXPECT_EQ(engine->Texture_Width(t, true), 7);
    EXPECT_EQ(engine->Texture_Height(t, true), 2);
    EXPECT_EQ(engine->Texture_Load("no_such_image.png"), 0u);
}

TEST_P(TextureTest, UnlockedWritesAreWhatTheNextLockSees) {
    std::vector<uint8_t> png = encode(Format::Png, 4, 4);
    TextureHandle t = engine->Texture_Load(reinterpret_cast<const char*>(png.data()), uint32_t(png.size()));
    ASSERT_NE(t, 0u);
    uint32_t* p = engine->Texture_Lock(t, false, 1, 1, 2, 2);
    ASSERT_NE(p, nullptr);
    p[0] = 0x12345678u;
    p[4 + 1] = 0x9ABCDEF0u;  // next row: the texture's pitch
    engine->Texture_Unlock(t);
    const uint32_t* q = engine->Texture_Lock(t, true);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q[1 * 4 + 1], 0x12345678u);
    EXPECT_EQ(q[2 * 4 + 2], 0x9ABCDEF0u);
    EXPECT_EQ(q[0], pattern(0, 0));
    engine->Texture_Unlock(t);
}

INSTANTIATE_TEST_SUITE_P(Renderers, TextureTest, ::testing::Values(Backend::Null, Backend::Gl), backendName);

TEST(FitPicture, WholeScalesWhereTheyFitAndBarsAround) {
    PictureRect r = fitPicture(640, 480, 1920, 1080);  // twice fits
    EXPECT_EQ(r.w, 1280);
    EXPECT_EQ(r.h, 960);
    EXPECT_EQ(r.x, 320);
    EXPECT_EQ(r.y, 60);
    EXPECT_TRUE(r.wholeScale);
    r = fitPicture(640, 480, 1280, 720);  // 1.5 fits: once, with bars
    EXPECT_EQ(r.w, 640);
    EXPECT_EQ(r.h, 480);
    EXPECT_EQ(r.x, 320);
    EXPECT_EQ(r.y, 120);
    r = fitPicture(640, 480, 640, 480);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.w, 640);
    r = fitPicture(640, 480, 800, 300);  // smaller than the picture: shrunk, aspect kept
    EXPECT_FALSE(r.wholeScale);
    EXPECT_EQ(r.h, 300);
    EXPECT_EQ(r.w, 400);
    EXPECT_EQ(r.x, 200);
}

// A 640 x 480 picture of 2 x 2 blocks goes at whole multiples of 320 x 240.
TEST(FitPicture, APictureOfBlocksScalesByMultiplesOfItsSmallerPicture) {
    const struct {
        int areaW, areaH, block;
        PictureRect want;
    } cases[] = {
        {1366, 768, 2, {203, 24, 960, 720, true}},   // full screen on a common laptop: 3x, not 1x
        {1920, 1080, 2, {320, 60, 1280, 960, true}},
        {600, 500, 2, {140, 130, 320, 240, true}},   // below 640 x 480: the smaller picture, whole
        {300, 200, 2, {17, 0, 266, 200, false}},     // below that: fitted, never cropped
        {1366, 768, 3, {363, 144, 640, 480, true}},  // a block that does not divide is none
    };
    for (const auto& c : cases) {
        const PictureRect r = fitPicture(640, 480, c.areaW, c.areaH, c.block);
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.w, r.h, r.wholeScale}),
                  std::vector<int>({c.want.x, c.want.y, c.want.w, c.want.h, c.want.wholeScale}))
            << c.areaW << "x" << c.areaH << " block " << c.block;
    }
}

}  // namespace
