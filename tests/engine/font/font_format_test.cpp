#include "engine/font/font.h"

#include "engine/sprite/sprite.h"
#include "../resources/resource_test_support.h"

#include <cerrno>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

class FontFormat : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        engine->System_SetState(STATE_SOUND, false);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
        files.bitmap("glyphs.bmp", 64, 32, [](int, int) { return 0xFFFFFFFFu; });
    }
    void TearDown() override {
        engine->System_Finish();
        engine->Release();
    }

    std::unique_ptr<Font> font(const std::string& text) {
        return std::make_unique<Font>(files.write("f.fnt", text).c_str());
    }

    Engine* engine = nullptr;
    ScratchFiles files;
    ReportCapture reports;
};

TEST_F(FontFormat, GlyphLines) {
    auto f = font(
        "[DENFONT]\r\n"
        "Bitmap = glyphs.bmp\r\n"
        "\r\n"
        "Char = \"A\", 1, 2, 5, 7, 1, 2\r\n"
        "Char=  41 , 10, 0, 6, 9, 0, 3\n"   // the same character again, in hexadecimal
        "Char = 3f, 20, 0, 4, 12, -1, 0\r"  // "?"
        "Char = \"\"\", 30, 0, 2, 2, 0, 0\n"
        "Char = 0, 0, 0, 1, 1, 0, 0\n"
        "Characters = 42, 0, 0, 1, 1, 0, 0\n"  // starts with "Char": read as well
        "Ignored line\n");
    EXPECT_TRUE(reports.lines().empty());
    ASSERT_NE(f->GetTexture(), 0u);
    EXPECT_EQ(engine->Texture_Width(f->GetTexture()), 64);

    Sprite* a = f->GetGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->regionX, 10.0f);  // the later definition wins
    EXPECT_EQ(a->GetWidth(), 6.0f);
    EXPECT_EQ(a->GetHeight(), 9.0f);
    EXPECT_EQ(a->GetTexture(), f->GetTexture());
    EXPECT_EQ(f->GetPre('A'), 0.0f);
    EXPECT_EQ(f->GetPost('A'), 3.0f);
    ASSERT_NE(f->GetGlyph('?'), nullptr);
    EXPECT_EQ(f->GetPre('?'), -1.0f);
    ASSERT_NE(f->GetGlyph('"'), nullptr);
    EXPECT_EQ(f->GetGlyph('"')->regionX, 30.0f);
    EXPECT_NE(f->GetGlyph(0), nullptr);
    EXPECT_NE(f->GetGlyph('B'), nullptr);
    EXPECT_EQ(f->GetHeight(), 12.0f);  // the tallest glyph
}

TEST_F(FontFormat, TheHeaderMustBeExact) {
    for (const char* text : {"[DENFONT] \nChar = \"A\", 0, 0, 1, 1, 0, 0\n", "[denfont]\n", "", "\n[DENFONT]\n"}) {
        capturedReports().clear();
        auto f = font(text);
        EXPECT_EQ(f->GetGlyph('A'), nullptr);
        EXPECT_EQ(f->GetTexture(), 0u);
        EXPECT_EQ(f->TextWidth("A"), 0.0f);
        EXPECT_EQ(reports.lines(), std::vector<std::string>{"Font " + files.path("f.fnt") + " has incorrect format."});
    }
    // A missing file is an empty font, and says so.
    capturedReports().clear();
    const std::string none = files.path("none.fnt");
    Font missing(none.c_str());
    EXPECT_EQ(missing.GetGlyph('A'), nullptr);
    EXPECT_EQ(reports.lines(), std::vector<std::string>{"Font " + none + " skipped: Can't load resource: " + none + "."});
}

TEST_F(FontFormat, MalformedGlyphLinesAreIgnored) {
    std::string longLine = "Char = \"C\"" + std::string(5000, ' ') + ", 1, 1, 1, 1, 1, 1";
    auto f = font("[DENFONT]\nBitmap = glyphs.bmp\n"
                  "Char = 100, 0, 0, 1, 1, 0, 0\n"              // code above 255
                  "Char = 1FFFFFFFFFFFFFFFF, 0, 0, 1, 1, 0, 0\n"  // far above
                  "Char = \"A\", 1, 2, 3\n"                       // too few numbers
                  "Char = \"B\" 1, 2, 3, 4, 5, 6\n"               // no comma after the character
                  "Char = zz, 1, 2, 3, 4, 5, 6\n"                 // not a code
                  "Char = \"D, 1, 2, 3, 4, 5, 6\n"                // unclosed quote
                  "Char = \"\n"
                  "Char =\n"
                  "Char \"E\", 1, 2, 3, 4, 5, 6\n"                // no "="
                  "Char = \"F\", x, 2, 3, 4, 5, 6\n" +
                  longLine + "\n" +
                  "Char = \"G\", 99999999999, -99999999999, 2147483647, 3, 0, 0\n"  // clamped
                  "Char = \"H\", 1000, 1000, 8, 8, 0, 0\n");      // outside the 64 x 32 texture
    for (int c = 0; c < 256; ++c) {
        bool expected = c == 'C' || c == 'G' || c == 'H';
        EXPECT_EQ(f->GetGlyph(static_cast<unsigned char>(c)) != nullptr, expected) << c;
    }
    EXPECT_EQ(f->GetGlyph('G')->regionX, 2147483647.0f);
    EXPECT_EQ(f->GetGlyph('G')->regionY, -2147483648.0f);
    EXPECT_EQ(f->TextWidth("H"), 8.0f);  // kept: its region simply lies outside
    // Each skipped line is reported with its number.
    std::vector<int> skipped;
    for (const std::string& r : reports.lines()) {
        const size_t at = r.find(", line ");
        skipped.push_back(at == std::string::npos ? -1 : std::atoi(r.c_str() + at + 7));
    }
    EXPECT_EQ(skipped, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 12}));
}

TEST_F(FontFormat, AMissingBitmapStopsTheReading) {
    auto f = font("[DENFONT]\nChar = \"A\", 0, 0, 4, 4, 0, 0\nBitmap = absent.bmp\nChar = \"B\", 0, 0, 4, 4, 0, 0\n");
    ASSERT_NE(f->GetGlyph('A'), nullptr);  // made before, without a texture
    EXPECT_EQ(f->GetGlyph('A')->GetTexture(), 0u);
    EXPECT_EQ(f->GetGlyph('B'), nullptr);
    EXPECT_EQ(f->GetTexture(), 0u);
    ASSERT_EQ(reports.lines().size(), 1u);
    EXPECT_NE(reports.lines()[0].find(", line 3: " + files.path("absent.bmp")), std::string::npos) << reports.lines()[0];

    for (const char* bitmapLine : {"Bitmap glyphs.bmp", "Bitmap =", "Bitmap = " }) {
        auto g = font(std::string("[DENFONT]\n") + bitmapLine + "\nChar = \"B\", 0, 0, 4, 4, 0, 0\n");
        EXPECT_EQ(g->GetGlyph('B'), nullptr) << bitmapLine;
    }
    auto h = font("[DENFONT]\nBitmap = " + std::string(5000, 'x') + ".bmp\nChar = \"B\", 0, 0, 4, 4, 0, 0\n");
    EXPECT_EQ(h->GetGlyph('B'), nullptr);
}

TEST_F(FontFormat, TheBitmapSitsInTheFontsFolder) {
    // The test's program folder holds a scratch folder named with backslashes, as
    // the game's scripts name their files.
    std::string folder = std::string(engine->Resource_FullPath(nullptr)) + "font_test_scratch";
    for (char& c : folder) if (c == '\\') c = '/';
    ASSERT_EQ(mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST, true);
    std::string fnt = folder + "/rel.fnt";
    std::string bmp = folder + "/rel.bmp";
    {
        FILE* out = std::fopen(fnt.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs("[DENFONT]\nBitmap = rel.bmp\nChar = \"A\", 0, 0, 2, 2, 0, 0\n", out);
        std::fclose(out);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_SaveBMP(s, bmp.c_str());
        SDL_FreeSurface(s);
    }
    Font backslash("font_test_scratch\\rel.fnt");
    Font slash("font_test_scratch/rel.fnt");
    std::remove(fnt.c_str());
    std::remove(bmp.c_str());
    rmdir(folder.c_str());
    EXPECT_NE(backslash.GetTexture(), 0u);
    EXPECT_NE(slash.GetTexture(), 0u);
    EXPECT_EQ(engine->Texture_Width(slash.GetTexture()), 4);
}

TEST_F(FontFormat, TextWidth) {
    auto f = font("[DENFONT]\nBitmap = glyphs.bmp\n"
                  "Char = \"A\", 0, 0, 5, 8, 1, 2\n"
                  "Char = \"?\", 8, 0, 3, 8, 0, 1\n");
    EXPECT_EQ(f->TextWidth("A"), 8.0f);
    EXPECT_EQ(f->TextWidth("AA"), 16.0f);
    EXPECT_EQ(f->TextWidth("AZ"), 12.0f);  // "Z" counts as "?"
    EXPECT_EQ(f->TextWidth(""), 0.0f);
    EXPECT_EQ(f->TextWidth(nullptr), 0.0f);
    // Two lines: the first alone, or the wider.
    EXPECT_EQ(f->TextWidth("A\nAAA"), 8.0f);
    EXPECT_EQ(f->TextWidth("A\nAAA", true), 24.0f);
    EXPECT_EQ(f->TextWidth("AAA\nA", true), 24.0f);
    // Line ends between lines are skipped; a carriage return inside a line is a
    // character like any other ("?").
    EXPECT_EQ(f->TextWidth("A\r\n\r\nAA", true), 16.0f);
    EXPECT_EQ(f->TextWidth("A\r", false), 12.0f);
    f->tracking = 1.0f;
    f->scale = 2.0f;
    f->proportion = 0.25f;
    EXPECT_EQ(f->TextWidth("AA"), 9.0f);  // (8 + 1) x 2 glyphs x scale 2 x proportion 0.25

    auto noQuestion = font("[DENFONT]\nBitmap = glyphs.bmp\nChar = \"A\", 0, 0, 5, 8, 0, 0\n");
    EXPECT_EQ(noQuestion->TextWidth("AZA"), 10.0f);
}

}  // namespace
