// What OpenGL actually puts on the screen and into targets, read back pixel by pixel.
#include "engine/core/native_window.h"
#include "engine/sprite/sprite.h"
#include "tests/engine/graphics/gfx_fixture.h"

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using GlPixelsTest = GfxTest;

uint32_t texel(int x, int y) {
    return ARGB(255, (x * 37 + y * 11) & 0xFF, (x * 5 + y * 53) & 0xFF, (x ^ y) * 9 & 0xFF);
}

::testing::AssertionResult near(uint32_t got, int r, int g, int b, int tolerance = 2) {
    int dr = static_cast<int>(GETR(got)) - r, dg = static_cast<int>(GETG(got)) - g,
        db = static_cast<int>(GETB(got)) - b;
    if (std::abs(dr) <= tolerance && std::abs(dg) <= tolerance && std::abs(db) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << std::hex << "got 0x" << got << std::dec << ", want (" << r << ", " << g
                                         << ", " << b << ")";
}

TEST_P(GlPixelsTest, SpriteAtWholePixelsShowsItsTexelsOneToOne) {
    TextureHandle tex = makeTexture(16, 16, texel);
    Sprite sprite(tex, 2, 3, 10, 9);  // a region inside the texture
    for (bool linear : {false, true}) {
        engine->System_SetState(STATE_TEXTURE_FILTER, linear);
        ASSERT_TRUE(engine->Gfx_BeginScene());
        engine->Gfx_Clear(0xFF000000);
        sprite.Draw(101, 57);
        engine->Gfx_EndScene();
        std::vector<uint32_t> px = read(0, 100, 56, 12, 11);
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 12; ++x) {
                bool inside = x >= 1 && x <= 10 && y >= 1 && y <= 9;
                uint32_t want = inside ? texel(x - 1 + 2, y - 1 + 3) : 0xFF000000u;
                ASSERT_EQ(px[y * 12 + x], want) << "pixel " << x << "," << y << (linear ? " linear" : " point");
            }
        }
    }
}

TEST_P(GlPixelsTest, TargetDrawnDoubledShowsEachTexelAsA2x2Block) {
    TargetHandle target = engine->Target_Create(320, 240, false);
    ASSERT_NE(target, 0u);
    TextureHandle picture = makeTexture(320, 240, texel);
    Sprite pictureSprite(picture, 0, 0, 320, 240);
    Sprite targetSprite(engine->Target_Texture(target), 0, 0, 320, 240);

    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    pictureSprite.Draw(0, 0);
    engine->Gfx_EndScene();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    targetSprite.DrawTransformed(0, 0, 0, 2, 2);
    engine->Gfx_EndScene();

    std::vector<uint32_t> px = read(0, 0, 0, 640, 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(px[y * 640 + x], texel(x / 2, y / 2)) << "pixel " << x << "," << y;
        }
    }

    // The game's fade: the picture's alpha scales it over the black screen.
    targetSprite.SetColor(0x80FFFFFF);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    targetSprite.DrawTransformed(0, 0, 0, 2, 2);
    engine->Gfx_EndScene();
    uint32_t t = texel(77, 51);
    EXPECT_TRUE(near(pixel(155, 103), GETR(t) * 128 / 255, GETG(t) * 128 / 255, GETB(t) * 128 / 255));
    engine->Target_Free(target);
}

TEST_P(GlPixelsTest, BlendModesFollowTheirEquations) {
    const int tr = 200, tg = 100, tb = 40, ta = 128;  // texture
    const int vr = 128, vg = 255, vb = 64;            // vertex colour, alpha 255
    const int dr = 32, dg = 64, db = 96;              // what is already there
    TextureHandle tex = makeTexture(4, 4, [&](int, int) { return ARGB(ta, tr, tg, tb); });
    uint32_t vcol = ARGB(255, vr, vg, vb);
    const int modes[4] = {BLEND_COLORMUL | BLEND_ALPHABLEND, BLEND_COLORADD | BLEND_ALPHABLEND,
                          BLEND_COLORMUL | BLEND_ALPHAADD, BLEND_COLORADD | BLEND_ALPHAADD};

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(ARGB(255, dr, dg, db));
    for (int i = 0; i < 4; ++i) {
        Quad q = quad(10 + 20.0f * i, 10, 10, 10, tex, modes[i], vcol);
        engine->Gfx_DrawQuad(&q);
    }
    engine->Gfx_EndScene();

    double a = ta / 255.0;
    auto mul = [](int t, int v) { return t * v / 255.0; };
    auto add = [](int t, int v) { return std::min(255, t + v) * 1.0; };
    for (int i = 0; i < 4; ++i) {
        bool colorAdd = modes[i] & BLEND_COLORADD, alphaBlend = modes[i] & BLEND_ALPHABLEND;
        double s[3] = {colorAdd ? add(tr, vr) : mul(tr, vr), colorAdd ? add(tg, vg) : mul(tg, vg),
                       colorAdd ? add(tb, vb) : mul(tb, vb)};
        double d[3] = {double(dr), double(dg), double(db)};
        int want[3];
        for (int c = 0; c < 3; ++c) {
            double v = s[c] * a + d[c] * (alphaBlend ? 1.0 - a : 1.0);
            want[c] = static_cast<int>(std::lround(std::min(255.0, v)));
        }
        EXPECT_TRUE(near(pixel(15 + 20 * i, 15), want[0], want[1], want[2])) << "blend mode " << modes[i];
    }
}

TEST_P(GlPixelsTest, AlphaBelowOneStepIsDiscardedEvenFromDepth) {
    TargetHandle target = engine->Target_Create(64, 64, true);
    ASSERT_NE(target, 0u);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_Clear(0xFF000000);
    // Near quads that write depth: alpha 0 must leave none, alpha 1/255 must.
    Quad clear = quad(0, 0, 10, 10, 0, BLEND_DEFAULT | BLEND_ZWRITE, 0x00FFFFFF, 0.1f);
    Quad faint = quad(20, 0, 10, 10, 0, BLEND_DEFAULT | BLEND_ZWRITE, 0x01FFFFFF, 0.1f);
    engine->Gfx_DrawQuad(&clear);
    engine->Gfx_DrawQuad(&faint);
    Quad far = quad(0, 0, 40, 10, 0, BLEND_DEFAULT, 0xFF00FF00, 0.5f);
    engine->Gfx_DrawQuad(&far);
    engine->Gfx_EndScene();
    EXPECT_EQ(pixel(5, 5, target), 0xFF00FF00u);          // the far quad shows through
    EXPECT_LE(GETG(pixel(25, 5, target)), 8u);            // hidden behind the faint one
    EXPECT_EQ(pixel(35, 5, target), 0xFF00FF00u);
    engine->Target_Free(target);
}

TEST_P(GlPixelsTest, AlphaBelowOneStepLeavesNoColourInAnyBlendMode) {
    // Without depth writes faint fragments are blended rather than discarded: the
    // picture must stay exactly as it was, on the screen and in a target, for a texel
    // alpha of 0 and for a product of alphas below half a step (100/255 x 1/255),
    // over bright and dark pixels, towards white and black.
    TextureHandle holes = makeTexture(4, 4, [](int, int) { return ARGB(0, 255, 255, 255); });
    TextureHandle faint = makeTexture(4, 4, [](int, int) { return ARGB(100, 255, 255, 255); });
    TargetHandle target = engine->Target_Create(64, 64, false);
    ASSERT_NE(target, 0u);
    const int modes[4] = {BLEND_COLORMUL | BLEND_ALPHABLEND, BLEND_COLORADD | BLEND_ALPHABLEND,
                          BLEND_COLORMUL | BLEND_ALPHAADD, BLEND_COLORADD | BLEND_ALPHAADD};
    const uint32_t backgrounds[2] = {0xFFC8C8C8u, 0xFF203040u};
    for (TargetHandle to : {TargetHandle(0), target}) {
        for (uint32_t background : backgrounds) {
            ASSERT_TRUE(engine->Gfx_BeginScene(to));
            engine->Gfx_Clear(background);
            for (int i = 0; i < 4; ++i) {
                const float x = 4.0f + 12.0f * i;
                Quad q[3] = {quad(x, 4, 8, 8, holes, modes[i], 0xFFFFFFFF),
                             quad(x, 20, 8, 8, faint, modes[i], 0x01FFFFFF),
                             quad(x, 36, 8, 8, faint, modes[i], 0x01000000)};
                for (Quad& one : q) engine->Gfx_DrawQuad(&one);
            }
            if (to) engine->Gfx_EndScene();
            for (int i = 0; i < 4; ++i) {
                for (int y : {8, 24, 40}) {
                    EXPECT_EQ(pixel(8 + 12 * i, y, to), background)
                        << "mode " << modes[i] << " row " << y << (to ? " target" : " screen");
                }
            }
            if (!to) engine->Gfx_EndScene();
        }
    }
    engine->Target_Free(target);
}

TEST_P(GlPixelsTest, EveryQuadOfAFullBatchLandsInItsPlace) {
    // A full batch goes to the device in several draws: each part must take its own
    // vertices. 1200 untextured quads of 2 x 2 pixels, each of its own colour.
    const int count = 1200, perRow = 60;
    auto colour = [](int i) { return ARGB(255, i & 0xFF, (i >> 8) * 40 + 10, 200); };
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    for (int i = 0; i < count; ++i) {
        Quad q = quad(static_cast<float>(i % perRow * 4), static_cast<float>(i / perRow * 4), 2, 2, 0, BLEND_DEFAULT,
                      colour(i));
        engine->Gfx_DrawQuad(&q);
    }
    std::vector<uint32_t> px = read(0, 0, 0, perRow * 4, count / perRow * 4);
    engine->Gfx_EndScene();
    for (int i = 0; i < count; ++i) {
        const int x = i % perRow * 4, y = i / perRow * 4;
        ASSERT_EQ(px[static_cast<size_t>(y + 1) * perRow * 4 + x + 1], colour(i)) << "quad " << i;
        ASSERT_EQ(px[static_cast<size_t>(y + 2) * perRow * 4 + x + 2], 0xFF000000u) << "after quad " << i;
    }
}

TEST_P(GlPixelsTest, ATargetsPictureBlendsByItsVertexAlphaAndBlendMode) {
    // A target's texture is opaque: fully opaque vertices in alpha blending cover what
    // lies below, any other alpha or additive blending mixes with it.
    TargetHandle target = engine->Target_Create(16, 16, false);
    ASSERT_NE(target, 0u);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_Clear(0xFF8040C0);
    engine->Gfx_EndScene();
    const TextureHandle picture = engine->Target_Texture(target);
    const struct {
        TextureHandle tex;
        int blend;
        uint32_t colour;
        int r, g, b;
    } cases[] = {
        {picture, BLEND_DEFAULT, 0xFFFFFFFF, 0x80, 0x40, 0xC0},
        {picture, BLEND_DEFAULT, 0x80FFFFFF, (0x80 * 128 + 0x20 * 127) / 255, (0x40 * 128 + 0x40 * 127) / 255,
         (0xC0 * 128 + 0x60 * 127) / 255},
        {picture, BLEND_COLORMUL | BLEND_ALPHAADD, 0xFFFFFFFF, 0xA0, 0x80, 0xFF},
        {0, BLEND_DEFAULT, 0xFF102030, 0x10, 0x20, 0x30},
        {0, BLEND_COLORMUL | BLEND_ALPHAADD, 0xFF102030, 0x30, 0x60, 0x90},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(engine->Gfx_BeginScene());
        engine->Gfx_Clear(0xFF204060);
        Quad q = quad(0, 0, 16, 16, c.tex, c.blend, c.colour);
        engine->Gfx_DrawQuad(&q);
        engine->Gfx_EndScene();
        EXPECT_TRUE(near(pixel(8, 8), c.r, c.g, c.b, 1)) << "blend " << c.blend << " colour " << std::hex << c.colour;
    }
    engine->Target_Free(target);
}

TEST_P(GlPixelsTest, ClipRectangleLimitsDrawing) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    engine->Gfx_SetClipRect(100, 50, 30, 20);
    engine->Gfx_DrawRect(0, 0, 640, 480, 0xFFFFFFFF);
    engine->Gfx_SetClipRect(-10, 200, 50, 5);
    engine->Gfx_DrawRect(0, 0, 640, 480, 0xFFFF0000);
    engine->Gfx_SetClipRect();
    engine->Gfx_DrawRect(600, 400, 2, 2, 0xFF0000FF);
    engine->Gfx_EndScene();
    std::vector<uint32_t> px = read(0, 0, 0, 640, 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            uint32_t want = 0xFF000000;
            if (x >= 100 && x < 130 && y >= 50 && y < 70) want = 0xFFFFFFFF;
            if (x < 40 && y >= 200 && y < 205) want = 0xFFFF0000;
            if (x >= 600 && x < 602 && y >= 400 && y < 402) want = 0xFF0000FF;
            ASSERT_EQ(px[y * 640 + x], want) << "pixel " << x << "," << y;
        }
    }
}

TEST_P(GlPixelsTest, ViewTransformMovesScalesAndTurnsThePicture) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    engine->Gfx_SetViewTransform(0, 0, 10, 5, 0, 1, 1);  // offset only
    engine->Gfx_DrawRect(0, 0, 4, 4, 0xFFFF0000);
    engine->Gfx_SetViewTransform(300, 100, 0, 0, 0, 2, 3);  // scale about (300, 100)
    engine->Gfx_DrawRect(290, 100, 4, 4, 0xFF00FF00);
    // Turned a quarter about (200, 300): a bar to the right of the centre ends up above it.
    engine->Gfx_SetViewTransform(200, 300, 0, 0, static_cast<float>(M_PI / 2), 1, 1);
    engine->Gfx_DrawRect(210, 298, 20, 4, 0xFF0000FF);
    engine->Gfx_SetViewTransform();
    engine->Gfx_DrawRect(500, 400, 2, 2, 0xFFFFFFFF);  // identity again
    engine->Gfx_EndScene();

    EXPECT_EQ(pixel(10, 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(13, 8), 0xFFFF0000u);
    EXPECT_EQ(pixel(9, 5), 0xFF000000u);
    EXPECT_EQ(pixel(14, 8), 0xFF000000u);

    // x: 300 + (290 - 300) * 2 = 280 .. 288; y: 100 .. 112.
    EXPECT_EQ(pixel(280, 100), 0xFF00FF00u);
    EXPECT_EQ(pixel(287, 111), 0xFF00FF00u);
    EXPECT_EQ(pixel(288, 105), 0xFF000000u);
    EXPECT_EQ(pixel(284, 112), 0xFF000000u);

    EXPECT_EQ(pixel(200, 285), 0xFF0000FFu);  // above the centre
    EXPECT_EQ(pixel(201, 272), 0xFF0000FFu);
    EXPECT_EQ(pixel(220, 300), 0xFF000000u);  // nothing left to the right
    EXPECT_EQ(pixel(200, 315), 0xFF000000u);  // nor below

    EXPECT_EQ(pixel(500, 400), 0xFFFFFFFFu);
}

TEST_P(GlPixelsTest, SpriteRotationTurnsClockwise) {
    Sprite bar(0, 0, 0, 20, 4);
    bar.SetHotSpot(0, 2);
    bar.SetColor(0xFFFFFF00);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    bar.DrawTransformed(100, 100, static_cast<float>(M_PI / 2), 1, 1);
    engine->Gfx_EndScene();
    EXPECT_EQ(pixel(100, 110), 0xFFFFFF00u);  // pointing down: clockwise on the screen
    EXPECT_EQ(pixel(110, 100), 0xFF000000u);
    EXPECT_EQ(pixel(100, 90), 0xFF000000u);
}

int g_restores = 0;
bool countRestore() {
    ++g_restores;
    return true;
}

TEST_P(GlPixelsTest, TargetThenWindowAlsoAfterAReset) {
    TargetHandle target = engine->Target_Create(64, 48, false);
    ASSERT_NE(target, 0u);
    TextureHandle targetTexture = engine->Target_Texture(target);
    Sprite sprite(targetTexture, 0, 0, 64, 48);
    g_restores = 0;
    engine->System_SetState(STATE_RESTORE_FUNC, countRestore);

    auto drawAndCheck = [&](const char* when) {
        ASSERT_TRUE(engine->Gfx_BeginScene(target)) << when;
        engine->Gfx_Clear(0xFFFF0000);
        engine->Gfx_DrawRect(10, 5, 20, 8, 0xFF00FF00);  // top part of the target
        engine->Gfx_EndScene();
        ASSERT_TRUE(engine->Gfx_BeginScene()) << when;
        engine->Gfx_Clear(0xFF000000);
        sprite.Draw(100, 200);
        engine->Gfx_EndScene();
        EXPECT_EQ(pixel(100, 200), 0xFFFF0000u) << when;
        EXPECT_EQ(pixel(110, 205), 0xFF00FF00u) << when;  // not upside down
        EXPECT_EQ(pixel(129, 212), 0xFF00FF00u) << when;
        EXPECT_EQ(pixel(130, 212), 0xFFFF0000u) << when;
        EXPECT_EQ(pixel(110, 240), 0xFFFF0000u) << when;
        EXPECT_EQ(pixel(164, 200), 0xFF000000u) << when;
        uint32_t* locked = engine->Texture_Lock(targetTexture, true);
        ASSERT_NE(locked, nullptr) << when;
        EXPECT_EQ(locked[6 * 64 + 11], 0xFF00FF00u) << when;
        EXPECT_EQ(locked[0], 0xFFFF0000u) << when;
        engine->Texture_Unlock(targetTexture);
    };
    drawAndCheck("before the reset");

    // Alt+Enter's path: full screen on the desktop and back, each a reset.
    engine->System_SetState(STATE_WINDOWED, false);
    EXPECT_EQ(g_restores, 1);
    EXPECT_EQ(engine->Target_Texture(target), targetTexture);
    drawAndCheck("in full screen");
    engine->System_SetState(STATE_WINDOWED, true);
    EXPECT_EQ(g_restores, 2);
    drawAndCheck("windowed again");
    engine->Target_Free(target);
}

TEST_P(GlPixelsTest, ScreenshotWritesTheBackBuffer) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    engine->Gfx_DrawRect(0, 0, 10, 10, 0xFF204080);
    engine->Gfx_EndScene();
    const char* path = "gfx_test_shot.bmp";
    std::remove(path);
    ASSERT_TRUE(gfx->saveScreenshot(path));
    SDL_Surface* s = SDL_LoadBMP(path);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 640);
    EXPECT_EQ(s->h, 480);
    uint8_t r, g, b;
    SDL_LockSurface(s);
    auto at = [&](int x, int y) {
        uint32_t p = 0;
        std::memcpy(&p, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                    s->format->BytesPerPixel);
        SDL_GetRGB(p, s->format, &r, &g, &b);
        return ARGB(255, r, g, b);
    };
    EXPECT_EQ(at(3, 3), 0xFF204080u);  // top-left stays top-left
    EXPECT_EQ(at(3, 470), 0xFF000000u);
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    std::remove(path);
}

// Every kind of drawing, at whole and fractional places, clipped, transformed.
void drawEverything(Engine* e, TextureHandle tex) {
    e->Gfx_Clear(0xFF102030);
    Sprite sprite(tex, 0, 0, 16, 16);
    sprite.Draw(10.5f, 20.25f);
    sprite.DrawTransformed(100.3f, 80.7f, 0.7f, 1.5f, 0.75f);
    sprite.DrawTransformed(600, 470, 0, 4, 4);  // partly outside
    e->Gfx_DrawLine(5, 5, 300, 5, 0xFFFF0000, 0.5f);
    e->Gfx_DrawLine(5.5f, 10.5f, 5.5f, 200.5f, 0xFF00FF00, 0.5f);
    e->Gfx_DrawLine(0, 0, 639, 479, 0xFFFFFF00, 0.5f);
    e->Gfx_DrawLine(630, 3, 20, 470.5f, 0xFF00FFFF, 0.5f);
    Triple t{};
    t.v[0] = Vertex{200.25f, 300.5f, 0.5f, 0xFFFF00FF, 0, 0};
    t.v[1] = Vertex{330.75f, 310, 0.5f, 0x80FFFFFF, 1, 0};
    t.v[2] = Vertex{250, 420.5f, 0.5f, 0xFF0000FF, 0, 1};
    t.blend = BLEND_DEFAULT;
    e->Gfx_DrawTriangle(&t);
    e->Gfx_SetClipRect(50, 60, 201, 99);
    e->Gfx_SetViewTransform(320, 240, 5, -3, 0.3f, 1.2f, 0.8f);
    e->Gfx_DrawRect(0, 0, 400, 300, 0x8040FF80);
    e->Gfx_SetClipRect(-5, 470, 100, 100);
    e->Gfx_DrawRect(0, 0, 640, 480, 0xFFFFFFFF);
    e->Gfx_SetClipRect();
    e->Gfx_SetViewTransform();
    e->Gfx_DrawRect(630.5f, 0.5f, 20, 7, 0xFF808080);
}

// The window's picture is what a target of the screen's size holds after the same
// drawing, also after the picture was presented and over it, whichever way the
// window keeps its last picture.
TEST_P(GlPixelsTest, TheScreenShowsWhatATargetOfItsSizeHolds) {
    struct PlainSwapOff {
        ~PlainSwapOff() { unsetenv("TIMBERDRIVE_GL_SWAP"); }
    } off;
    for (const char* plainSwap : {"", "1"}) {
        SCOPED_TRACE(*plainSwap ? "copied before each swap" : "kept by the window");
        setenv("TIMBERDRIVE_GL_SWAP", plainSwap, 1);
        engine->Release();
        std::string skip;
        engine = startEngine(Backend::Gl, &skip);
        ASSERT_NE(engine, nullptr) << skip;
        gfx = engineImpl()->graphics();
        TextureHandle tex = makeTexture(16, 16, texel);
        TargetHandle target = engine->Target_Create(640, 480, false);
        ASSERT_NE(target, 0u);
        for (TargetHandle where : {target, TargetHandle(0)}) {
            ASSERT_TRUE(engine->Gfx_BeginScene(where));
            drawEverything(engine, tex);
            engine->Gfx_EndScene();
            // A scene that does not clear draws over the picture.
            ASSERT_TRUE(engine->Gfx_BeginScene(where));
            engine->Gfx_DrawRect(300, 200, 3, 3, 0xFFFFFFFF);
            engine->Gfx_EndScene();
        }
        std::vector<uint32_t> want = read(target, 0, 0, 640, 480);
        std::vector<uint32_t> got = read(0, 0, 0, 640, 480);
        size_t wrong = 0, first = 0;
        for (size_t i = 0; i < want.size(); ++i) {
            if (got[i] != want[i] && !wrong++) first = i;
        }
        EXPECT_EQ(wrong, 0u) << "first at " << first % 640 << "," << first / 640;
        EXPECT_EQ(got[201 * 640 + 301], 0xFFFFFFFFu);
        engine->Target_Free(target);
    }
}

// A copy of the back buffer that the server refuses is reported by the next one, which
// then asks for a swap; it used to take a round trip a frame, and before that it ended
// the program.
TEST_P(GlPixelsTest, ARefusedCopyIsToldAtTheNextAndTheProgramLives) {
    SDL_Window* window = static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW));
    if (!windowShowsBackBuffer(window)) GTEST_SKIP() << "the window system shows the back buffer only by swaps";
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF102030);
    engine->Gfx_EndScene();
    EXPECT_TRUE(showBackBuffer(640, 480));
    showBackBuffer(1 << 15, 1 << 15);  // far past the driver's buffer
    SDL_PumpEvents();                  // the refusal comes in with the events
    EXPECT_FALSE(showBackBuffer(640, 480));
    EXPECT_TRUE(showBackBuffer(640, 480));
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_EndScene();
    EXPECT_EQ(read(0, 10, 10, 1, 1)[0], 0xFF102030u);
}

INSTANTIATE_TEST_SUITE_P(Window, GlPixelsTest, ::testing::Values(Backend::Gl), backendName);

}  // namespace

namespace {

TEST(GlScreenDepth, ScreenHasADepthBufferWithZbufferState) {
    Engine* e = engineCreate(ENGINE_VERSION);
    e->System_SetState(STATE_ZBUFFER, true);
    e->System_SetState(STATE_WINDOWED, true);
    e->System_SetState(STATE_SCREEN_WIDTH, 640);
    e->System_SetState(STATE_SCREEN_HEIGHT, 480);
    e->System_SetState(STATE_SOUND, false);
    if (!e->System_Initiate()) {
        std::string error = e->System_LastError();
        e->Release();
        if (error == "Can't register window class" || error == "Can't create window") GTEST_SKIP() << error;
        FAIL() << error;
    }
    Graphics* gfx = engineImpl()->graphics();
    ASSERT_TRUE(e->Gfx_BeginScene());
    e->Gfx_Clear(0xFF000000);
    Quad nearQuad{};
    for (int i = 0; i < 4; ++i) {
        nearQuad.v[i] = Vertex{i == 1 || i == 2 ? 20.0f : 0.0f, i >= 2 ? 20.0f : 0.0f, 0.2f, 0xFFFF0000, 0, 0};
    }
    nearQuad.blend = BLEND_DEFAULT | BLEND_ZWRITE;
    Quad farQuad = nearQuad;
    for (Vertex& v : farQuad.v) {
        v.z = 0.6f;
        v.col = 0xFF00FF00;
        v.x += 10;
    }
    e->Gfx_DrawQuad(&nearQuad);
    e->Gfx_DrawQuad(&farQuad);
    e->Gfx_EndScene();
    uint32_t px[2] = {};
    ASSERT_TRUE(gfx->readPixels(0, 15, 10, 1, 1, &px[0]));
    ASSERT_TRUE(gfx->readPixels(0, 25, 10, 1, 1, &px[1]));
    EXPECT_EQ(px[0], 0xFFFF0000u);  // the far quad stays behind the near one
    EXPECT_EQ(px[1], 0xFF00FF00u);
    e->Release();
}

}  // namespace
