// The screens as OpenGL draws them into the 320 x 240 picture and the window, read
// back pixel by pixel. The font and pictures are made here: every glyph is a solid
// 6 x 8 block with a pixel before and after it (spaces are black blocks), and each
// picture is a block of its own colour, so that what lands where can be told apart.
#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "forest/forest.h"
#include "forest/ground_stripes.h"
#include "forest/screens.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "tests/engine/graphics/gfx_fixture.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr uint32_t BERRY = 0xFFFF0000;
constexpr uint32_t FISH = 0xFF00FF00;
constexpr uint32_t POINTER = 0xFF0000FF;
constexpr uint32_t CLOCK = 0xFFFFFF00;
constexpr uint32_t HINT = 0xFFCCCCCC;

bool writeBmp(const std::string& path, int w, int h, uint32_t (*texel)(int, int)) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    SDL_LockSurface(s);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < w; ++x) row[x] = texel(x, y);
    }
    SDL_UnlockSurface(s);
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_BGR24, 0);
    bool ok = rgb && SDL_SaveBMP(rgb, path.c_str()) == 0;
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(s);
    return ok;
}

// Columns 0..5 white (letters), 8..13 black (the space).
uint32_t fontTexel(int x, int) { return x < 6 ? 0xFFFFFFFF : 0xFF000000; }
uint32_t pictureTexel(int x, int) {
    const uint32_t colours[4] = {BERRY, FISH, POINTER, CLOCK};
    return colours[x / 8];
}

class ScreensTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string skip;
        engine = startEngine(Backend::Gl, &skip);
        if (!engine) {
            skipReason_ = new std::string(skip.empty() ? "no engine" : skip);
            return;
        }
        char folder[] = "/tmp/td_screens_XXXXXX";
        dir_ = new std::string(mkdtemp(folder));
        writeBmp(*dir_ + "/font.bmp", 16, 8, fontTexel);
        writeBmp(*dir_ + "/pictures.bmp", 32, 8, pictureTexel);
        std::string fnt = "[DENFONT]\nBitmap = font.bmp\nChar = 20, 8, 0, 6, 8, 1, 1\n";
        char line[64];
        for (int c = 0x21; c < 0x7F; ++c) {
            std::snprintf(line, sizeof(line), "Char = %02X, 0, 0, 6, 8, 1, 1\n", c);
            fnt += line;
        }
        FILE* f = std::fopen((*dir_ + "/test.fnt").c_str(), "wb");
        std::fwrite(fnt.data(), 1, fnt.size(), f);
        std::fclose(f);

        std::string script = "Font \"f1\" { filename = \"" + *dir_ + "/test.fnt\" }\n";
        const char* sprites[4] = {"berry", "sample_fish", "mouse_key", "sample_clock"};
        for (int i = 0; i < 4; ++i) {
            script += std::string("Sprite \"") + sprites[i] + "\" { texture = \"" + *dir_ + "/pictures.bmp\" rect = " +
                      std::to_string(i * 8) + ", 0, 8, 8 }\n";
        }
        resourceManager = new ResourceManager("no script");
        resourceManager->ParseScriptText("screens.res", script.data(), script.size());
        game = new Game();
        game->init();
    }
    static void TearDownTestSuite() {
        delete game;
        game = nullptr;
        delete resourceManager;
        resourceManager = nullptr;
        if (engine) engine->Release();
        engine = nullptr;
        if (dir_) {
            const char* names[3] = {"/font.bmp", "/pictures.bmp", "/test.fnt"};
            for (const char* n : names) std::remove((*dir_ + n).c_str());
            rmdir(dir_->c_str());
        }
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (skipReason_) GTEST_SKIP() << *skipReason_;
        ASSERT_NE(resourceManager->FontByName("f1"), nullptr);
        ASSERT_NE(resourceManager->FontByName("f1")->GetGlyph('E'), nullptr);
        game->returnToTitle();
        game->fade = 1.0f;
        game->fadeDir = 0;
    }

    // The picture at time t of a year's screen.
    void title(float t, int year = 1, int modifierA = -1, int modifierB = -1) {
        game->state = Title;
        game->titleTime = t;
        game->year = year;
        game->modifierA = modifierA;
        game->modifierB = modifierB;
        game->renderFrame();
    }

    static Graphics* gfx() { return engineImpl()->graphics(); }
    static uint32_t at(int x, int y) {
        uint32_t p = 0;
        EXPECT_TRUE(gfx()->readPixels(game->target, x, y, 1, 1, &p));
        return p & 0xFFFFFF;
    }
    static uint32_t window(int x, int y) {
        uint32_t p = 0;
        EXPECT_TRUE(gfx()->readPixels(0, x, y, 1, 1, &p));
        return p & 0xFFFFFF;
    }
    // How many pixels of row y in [x0, x1) have the colour.
    static int count(int y, int x0, int x1, uint32_t color) {
        std::vector<uint32_t> row(x1 - x0);
        EXPECT_TRUE(gfx()->readPixels(game->target, x0, y, x1 - x0, 1, row.data()));
        int n = 0;
        for (uint32_t p : row) n += (p & 0xFFFFFF) == (color & 0xFFFFFF);
        return n;
    }

    static std::string* skipReason_;
    static std::string* dir_;
};
std::string* ScreensTest::skipReason_ = nullptr;
std::string* ScreensTest::dir_ = nullptr;

// The pixels a row through a line of the test font lights: 6 for each letter.
int litPixels(const char* text) {
    int n = 0;
    for (const char* p = text; *p; ++p) n += *p != ' ' ? 6 : 0;
    return n;
}

::testing::AssertionResult near(uint32_t got, uint32_t want, int tolerance = 2) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF);
        if (std::abs(d) > tolerance) {
            return ::testing::AssertionFailure() << std::hex << "got 0x" << got << ", want 0x" << (want & 0xFFFFFF);
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(ScreensTest, TheFirstYearsTextsAppearOneAfterAnother) {
    game->pointerX = 20.0f;
    game->pointerY = 20.0f;
    // Before the opening: the headline alone.
    title(-1.0f);
    EXPECT_GT(count(50, 100, 220, 0xBC3307), 40) << "\"Deep Den Dash\" at y 48";
    EXPECT_EQ(at(25, 96), 0u) << "no hint yet";
    EXPECT_EQ(at(152, 200), 0u) << "no button yet";
    EXPECT_EQ(at(134 + 2, 115 + 2), 0u) << "no berry yet";

    // Halfway through the first fade-in: the hint and its pictures at half strength.
    title(0.5f);
    EXPECT_TRUE(near(at(25, 96), 0x666666, 3));
    EXPECT_TRUE(near(at(136, 117), 0x7F0000, 3));
    EXPECT_EQ(at(25, 146), 0u) << "the winter line comes later";

    // At 3.5 s: hint and winter line full, the minutes half, no button.
    title(3.5f);
    EXPECT_EQ(at(25, 96), HINT & 0xFFFFFF);
    EXPECT_EQ(at(136, 117), BERRY & 0xFFFFFF);
    EXPECT_EQ(at(162, 111), FISH & 0xFFFFFF);
    EXPECT_EQ(at(25, 146), HINT & 0xFFFFFF);
    EXPECT_TRUE(near(at(274, 151), 0x7F7F00, 3)) << "the clock fading in";
    EXPECT_EQ(at(152, 200), 0u);
    EXPECT_EQ(at(22, 22), 0u) << "no pointer before 4 s";

    // At 6 s everything: the button framed in red, black inside, the pointer shown.
    title(6.0f);
    EXPECT_EQ(at(152, 200), 0xBC3307u);
    EXPECT_EQ(at(283, 219), 0xBC3307u);
    EXPECT_EQ(at(154, 202), 0u);
    EXPECT_EQ(at(159, 208), HINT & 0xFFFFFF) << "\"Click to Drive!\" at (158, 206)";
    EXPECT_EQ(at(22, 22), POINTER & 0xFFFFFF);
    EXPECT_EQ(at(274, 151), CLOCK & 0xFFFFFF);
}

TEST_F(ScreensTest, TheButtonBlinksFromSevenSeconds) {
    // The engine's clock stands at 0 outside the frame loop: an even tick.
    title(6.9f);
    EXPECT_EQ(at(152, 200), 0xBC3307u);
    title(8.0f);
    EXPECT_EQ(at(152, 200), 0x962A06u);
    title(5.0f);  // halfway through its fade-in
    EXPECT_TRUE(near(at(152, 200), 0x5E1903, 3));
}

TEST_F(ScreensTest, TheWinterMinutesStandBeforeTheWord) {
    game->winterMinutes = 3;
    title(6.0f);
    // Both end at 256: "minutes!" takes eight advances of 8, the number's nine
    // spaces nine, so the number stands one advance before the word.
    EXPECT_EQ(at(256 - 8 * 8 + 2, 164), HINT & 0xFFFFFF) << "\"minutes!\" from 192";
    EXPECT_EQ(at(256 - 10 * 8 + 2, 164), 0xFFFFFFu) << "the number, in white, from 176";
    EXPECT_EQ(at(256 - 9 * 8 + 2, 164), 0u) << "a space between them";
    EXPECT_EQ(at(256 - 11 * 8 + 2, 164), 0u);
}

TEST_F(ScreensTest, ALaterYearShowsItsNumberAndItsModifiers) {
    title(6.0f, 5, 5, 2);
    EXPECT_EQ(count(50, 100, 220, 0xBC3307), 0) << "no first-year headline";
    EXPECT_EQ(at(138, 22), HINT & 0xFFFFFF) << "\"Year\" at (136, 20)";
    EXPECT_EQ(at(178, 22), 0xFFFFFFu) << "the number at (176, 20)";
    // Two messages, centred on 160, at y 44 and 56.
    const Font* font = resourceManager->FontByName("f1");
    const int w1 = static_cast<int>(font->TextWidth(modifierMessage(5)));
    EXPECT_EQ(count(46, 0, 320, HINT), litPixels(modifierMessage(5)));
    EXPECT_EQ(count(58, 0, 320, HINT), litPixels(modifierMessage(2)));
    EXPECT_EQ(at(160 - w1 / 2 - 1, 46), 0u);
    EXPECT_EQ(at(160 - w1 / 2 + 2, 46), HINT & 0xFFFFFF);

    // One message stands at y 48.
    title(6.0f, 2, 3);
    EXPECT_EQ(count(50, 0, 320, HINT), litPixels(modifierMessage(3)));
    EXPECT_EQ(count(46 - 2, 0, 320, HINT), 0);
    EXPECT_EQ(count(58, 0, 320, HINT), 0);
}

TEST_F(ScreensTest, AnOverfishedYearStrikesOutFishAndShowsTwoBerries) {
    title(6.0f, 2, 1);
    // "Eat " is four advances of 8: "fish" is drawn from 57 to 86.
    EXPECT_EQ(at(56, 98), 0u) << "the gap before the word";
    for (int x = 57; x <= 86; ++x) ASSERT_EQ(at(x, 98), 0xFFFFFFu) << "x " << x;
    EXPECT_EQ(at(87, 98), 0u) << "the gap after the word";
    EXPECT_EQ(at(100, 98), HINT & 0xFFFFFF) << "\"and\" stays as it is";
    EXPECT_EQ(at(60, 97), HINT & 0xFFFFFF) << "one pixel high";
    EXPECT_EQ(at(192, 117), BERRY & 0xFFFFFF);
    EXPECT_EQ(at(162, 111), 0u) << "no fish picture";

    title(6.0f, 2, 3);
    EXPECT_EQ(at(60, 98), HINT & 0xFFFFFF) << "other years strike nothing";
    EXPECT_EQ(at(162, 111), FISH & 0xFFFFFF);
    EXPECT_EQ(at(192, 117), 0u);
}

TEST_F(ScreensTest, GameOverIsWhiteWithItsText) {
    game->state = GameOver;
    game->renderFrame();
    EXPECT_EQ(at(5, 5), 0xFFFFFFu);
    EXPECT_EQ(at(315, 235), 0xFFFFFFu);
    const int w = static_cast<int>(resourceManager->FontByName("f1")->TextWidth("Game Over"));
    EXPECT_EQ(count(114, 0, 320, 0x2F5963), litPixels("Game Over")) << "\"Game Over\" at y 112";
    EXPECT_EQ(at(160 - w / 2 + 2, 114), 0x2F5963u);
}

TEST_F(ScreensTest, TheFadeDimsThePictureShownDoubled) {
    game->state = GameOver;
    game->fade = 1.0f;
    game->renderFrame();
    EXPECT_EQ(window(10, 10), 0xFFFFFFu);
    EXPECT_EQ(window(639, 479), 0xFFFFFFu);
    // Doubled: the text's first pixel in the picture is a 2 x 2 block in the window.
    const int w = static_cast<int>(resourceManager->FontByName("f1")->TextWidth("Game Over"));
    const int x = 160 - w / 2 + 2;
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) EXPECT_EQ(window(2 * x + dx, 2 * 114 + dy), 0x2F5963u);
    }
    game->fade = 0.5f;  // alpha 127
    game->renderFrame();
    EXPECT_TRUE(near(window(10, 10), 0x7F7F7F, 2));
    game->fade = 0.0f;  // black, whatever the picture
    game->renderFrame();
    EXPECT_EQ(window(10, 10), 0u);
    game->fade = 6.0f;  // the game-over screen's long bright start
    game->renderFrame();
    EXPECT_EQ(window(10, 10), 0xFFFFFFu);
}

TEST_F(ScreensTest, InPlayTheWindshieldViewFillsThePicture) {
    world = new World();
    Forest* f = new Forest();
    seedRandom(5u);
    game->year = 2;
    f->generate();
    game->state = Playing;

    game->renderFrame();
    // At stripe phase 0 the nearest band runs from 158 down, the next from 122.7.
    EXPECT_EQ(at(5, 239), 0x295215u);
    EXPECT_EQ(at(5, 158), 0x295215u);
    EXPECT_EQ(at(5, 157), 0x1E3B0Fu);
    EXPECT_EQ(at(5, 123), 0x1E3B0Fu);
    EXPECT_EQ(at(5, 122), 0x295215u);

    stripeParity = 1;
    game->modifierA = 6;  // still frozen: the snow colours
    game->renderFrame();
    EXPECT_EQ(at(5, 200), 0xB4B4DCu);
    EXPECT_EQ(at(5, 140), 0xD2D2DCu);

    delete world;  // deletes the forest too
    world = nullptr;
    EXPECT_EQ(forest, nullptr);
    (void)f;
}

}  // namespace
