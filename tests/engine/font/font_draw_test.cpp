// Text drawn by the OpenGL renderer in a real window, read back pixel by pixel.
#include "engine/font/font.h"

#include "engine/core/engine_impl.h"
#include "engine/graphics/graphics.h"
#include "tests/engine/graphics/gfx_fixture.h"
#include "../resources/resource_test_support.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t BLACK = 0xFF000000;
constexpr uint32_t RED = 0xFFFF0000;
constexpr uint32_t GREEN = 0xFF00FF00;
constexpr uint32_t BLUE = 0xFF0000FF;
constexpr uint32_t WHITE = 0xFFFFFFFF;

class FontDraw : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip;
        engine = startEngine(Backend::Gl, &skip, "font test");
        if (!engine) {
            if (!skip.empty()) GTEST_SKIP() << skip;
            FAIL() << "no engine";
        }
        gfx = engineImpl()->graphics();

        // Columns of colour: "A" red, "?" green, "M" blue, "." white.
        files.bitmap("glyphs.bmp", 128, 16, [](int x, int) {
            return x < 32 ? RED : x < 64 ? GREEN : x < 96 ? BLUE : WHITE;
        });
        std::string fnt = files.write("test.fnt",
                                      "[DENFONT]\n"
                                      "Bitmap = glyphs.bmp\n"
                                      "Char = \"A\", 0, 0, 5, 8, 1, 2\n"
                                      "Char = \"?\", 32, 0, 3, 8, 0, 1\n"
                                      "Char = \"M\", 64, 0, 29, 8, 1, 1\n"
                                      "Char = \".\", 96, 0, 1, 4, 0, 0\n");
        font = std::make_unique<Font>(fnt.c_str());
        ASSERT_NE(font->GetTexture(), 0u);
        ASSERT_TRUE(engine->Gfx_BeginScene());
        engine->Gfx_Clear(BLACK);
    }

    void TearDown() override {
        if (!engine) return;
        engine->Gfx_EndScene();
        font.reset();
        engine->Release();
    }

    uint32_t pixel(int x, int y) {
        uint32_t p = 0;
        EXPECT_TRUE(gfx->readPixels(0, x, y, 1, 1, &p));
        return p | 0xFF000000;  // the back buffer's alpha is not ours to judge
    }

    // The columns of row y, from x0 to x1 inclusive, that are not black.
    std::vector<int> litColumns(int y, int x0, int x1) {
        std::vector<uint32_t> row(x1 - x0 + 1);
        EXPECT_TRUE(gfx->readPixels(0, x0, y, x1 - x0 + 1, 1, row.data()));
        std::vector<int> lit;
        for (int x = x0; x <= x1; ++x) {
            if ((row[x - x0] & 0xFFFFFF) != 0) lit.push_back(x);
        }
        return lit;
    }
    // The first and last lit column of row y between x0 and x1, or (-1, -1).
    std::pair<int, int> span(int y, int x0 = 0, int x1 = 639) {
        std::vector<int> lit = litColumns(y, x0, x1);
        if (lit.empty()) return {-1, -1};
        return {lit.front(), lit.back()};
    }
    // The first and last lit row of column x between y0 and y1.
    std::pair<int, int> columnSpan(int x, int y0, int y1) {
        int first = -1, last = -1;
        for (int y = y0; y <= y1; ++y) {
            if ((pixel(x, y) & 0xFFFFFF) != 0) {
                if (first < 0) first = y;
                last = y;
            }
        }
        return {first, last};
    }

    Engine* engine = nullptr;
    Graphics* gfx = nullptr;
    ScratchFiles files;
    std::unique_ptr<Font> font;
};

TEST_F(FontDraw, LeftAlignedGlyphsFollowPreWidthAndPost) {
    font->DrawText(100, 50, ALIGN_LEFT, "AA");
    // pre 1: the first glyph covers 101..105; advance 8: the second 109..113.
    EXPECT_EQ(litColumns(54, 95, 120), (std::vector<int>{101, 102, 103, 104, 105, 109, 110, 111, 112, 113}));
    EXPECT_EQ(pixel(101, 50), RED);
    EXPECT_EQ(columnSpan(103, 40, 70), std::make_pair(50, 57));
}

TEST_F(FontDraw, RightAlignedLinesEndAtX) {
    font->DrawText(200, 50, ALIGN_RIGHT, "AAA");  // 24 wide: starts at 176
    EXPECT_EQ(span(54, 150, 250), std::make_pair(177, 197));  // the last post (2) is blank
}

TEST_F(FontDraw, CentredLineOf31PixelsStarts15Left) {
    ASSERT_EQ(font->TextWidth("M"), 31.0f);
    font->DrawText(320, 50, ALIGN_CENTER, "M");
    // Starts at 305; pre 1 puts the 29 blue columns at 306..334.
    EXPECT_EQ(span(54, 280, 360), std::make_pair(306, 334));
    EXPECT_EQ(pixel(306, 54), BLUE);
}

TEST_F(FontDraw, LineFeedsStartEachLineByItsOwnWidth) {
    font->DrawText(200, 100, ALIGN_RIGHT, "AAA\nA");
    EXPECT_EQ(span(104, 150, 250), std::make_pair(177, 197));
    EXPECT_EQ(span(112, 150, 250), std::make_pair(193, 197));  // one line (height 8) lower
    font->spacing = 2.0f;
    font->DrawText(400, 100, ALIGN_LEFT, "A\nA");
    EXPECT_EQ(columnSpan(403, 90, 111), std::make_pair(100, 107));
    EXPECT_EQ(columnSpan(403, 108, 140), std::make_pair(116, 123));  // 2 x 8 lower
}

TEST_F(FontDraw, AMissingGlyphDrawsTheQuestionMark) {
    font->DrawText(100, 200, ALIGN_LEFT, "Z");
    EXPECT_EQ(span(204, 90, 120), std::make_pair(100, 102));
    EXPECT_EQ(pixel(100, 204), GREEN);
}

TEST_F(FontDraw, ScaleTwoWithProportionHalfKeepsWidthDoublesHeight) {
    font->scale = 2.0f;
    font->proportion = 0.5f;
    font->DrawText(100, 300, ALIGN_LEFT, "A");
    EXPECT_EQ(span(310, 90, 130), std::make_pair(101, 105));
    EXPECT_EQ(columnSpan(103, 290, 340), std::make_pair(300, 315));
}

TEST_F(FontDraw, ColourTrackingAndRotation) {
    font->SetColor(0xFF00FF00);  // white "." glyphs turn green
    font->tracking = 3.0f;
    font->DrawText(20, 400, ALIGN_LEFT, "...");
    EXPECT_EQ(litColumns(401, 10, 40), (std::vector<int>{20, 24, 28}));
    EXPECT_EQ(pixel(24, 401), GREEN);

    // A quarter turn clockwise about the glyph's top-left corner: the 5 x 8 glyph
    // lies 8 wide to the left of the pen (501 after pre) and 5 tall below it.
    font->SetColor(WHITE);
    font->tracking = 0.0f;
    font->rotation = static_cast<float>(M_PI / 2);
    font->DrawText(500, 400, ALIGN_LEFT, "A");
    EXPECT_EQ(span(403, 480, 520), std::make_pair(493, 500));
    EXPECT_EQ(columnSpan(497, 390, 420), std::make_pair(400, 404));
}

TEST_F(FontDraw, FormattedTextIsCutAt1023Characters) {
    // "." glyphs 1 pixel wide, advancing half a pixel: 1023 of them end near 512,
    // 2000 would run off the window.
    font->tracking = -0.5f;
    std::string dots(2000, '.');
    font->DrawFormatted(0, 440, ALIGN_LEFT, "%s", dots.c_str());
    std::pair<int, int> s = span(441);
    EXPECT_EQ(s.first, 0);
    EXPECT_NEAR(s.second, 511, 1);

    font->DrawFormatted(100, 460, ALIGN_LEFT, "%c%d", 'A', 7);  // "7" has no glyph: "?"
    EXPECT_EQ(pixel(101, 464), RED);
    EXPECT_EQ(pixel(109, 464), GREEN);
}

}  // namespace
