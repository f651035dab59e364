// Sprites and animations against the headless engine.
#include "engine/core/engine_impl.h"
#include "engine/sprite/sprite.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        engine->System_SetState(STATE_SOUND, false);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
    }
    void TearDown() override { engine->Release(); }

    // A texture loaded from a PNG, so that it has a size as loaded.
    TextureHandle loadTexture(int w, int h) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        std::vector<uint8_t> buffer(1 << 16);
        SDL_RWops* rw = SDL_RWFromMem(buffer.data(), static_cast<int>(buffer.size()));
        IMG_SavePNG_RW(s, rw, 0);
        uint32_t size = static_cast<uint32_t>(SDL_RWtell(rw));
        SDL_RWclose(rw);
        SDL_FreeSurface(s);
        return engine->Texture_Load(reinterpret_cast<const char*>(buffer.data()), size);
    }

    Engine* engine = nullptr;
};

void expectCoords(const Sprite& s, float u1, float v1, float u2, float v2) {
    EXPECT_FLOAT_EQ(s.quad.v[0].tx, u1);
    EXPECT_FLOAT_EQ(s.quad.v[0].ty, v1);
    EXPECT_FLOAT_EQ(s.quad.v[1].tx, u2);
    EXPECT_FLOAT_EQ(s.quad.v[1].ty, v1);
    EXPECT_FLOAT_EQ(s.quad.v[2].tx, u2);
    EXPECT_FLOAT_EQ(s.quad.v[2].ty, v2);
    EXPECT_FLOAT_EQ(s.quad.v[3].tx, u1);
    EXPECT_FLOAT_EQ(s.quad.v[3].ty, v2);
}

void expectCorners(const Sprite& s, const float (&xy)[4][2]) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(s.quad.v[i].x, xy[i][0], 1e-4) << "corner " << i;
        EXPECT_NEAR(s.quad.v[i].y, xy[i][1], 1e-4) << "corner " << i;
    }
}

TEST_F(SpriteTest, ConstructionSetsCoordinatesColoursAndDepth) {
    Sprite plain(0, 3, 4, 10, 20);  // no texture: coordinates are pixels
    EXPECT_EQ(plain.texWidth, 1.0f);
    expectCoords(plain, 3, 4, 13, 24);
    for (const Vertex& v : plain.quad.v) {
        EXPECT_EQ(v.col, 0xFFFFFFFFu);
        EXPECT_EQ(v.z, 0.5f);
    }
    EXPECT_EQ(plain.quad.blend, BLEND_DEFAULT);

    TextureHandle t = engine->Texture_Create(64, 32);
    Sprite textured(t, 16, 8, 16, 8);
    expectCoords(textured, 0.25f, 0.25f, 0.5f, 0.5f);

    textured.SetCornerColor(0xFF00FF00, 2);
    textured.SetCornerZ(0.1f);
    EXPECT_EQ(textured.quad.v[2].col, 0xFF00FF00u);
    EXPECT_EQ(textured.quad.v[1].col, 0xFFFFFFFFu);
    for (const Vertex& v : textured.quad.v) EXPECT_EQ(v.z, 0.1f);
}

TEST_F(SpriteTest, DrawPlacesTheHotSpotAndTransformsAboutIt) {
    Sprite s(0, 0, 0, 10, 6);
    s.SetHotSpot(2, 3);
    s.Draw(100, 50);
    expectCorners(s, {{98, 47}, {108, 47}, {108, 53}, {98, 53}});

    s.DrawTransformed(100, 50, 0);  // no turn, scale 1: the same as Draw
    expectCorners(s, {{98, 47}, {108, 47}, {108, 53}, {98, 53}});

    s.DrawTransformed(100, 50, 0, 2);  // vscale 0 takes hscale
    expectCorners(s, {{96, 44}, {116, 44}, {116, 56}, {96, 56}});

    // A quarter turn is clockwise on the screen: the right edge goes down.
    s.DrawTransformed(100, 50, static_cast<float>(M_PI / 2), 1, 1);
    expectCorners(s, {{103, 48}, {103, 58}, {97, 58}, {97, 48}});
}

TEST_F(SpriteTest, DrawReallyDrawsOneQuad) {
    Sprite s(0, 0, 0, 10, 6);
    Graphics* gfx = engineImpl()->graphics();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    gfx->resetStats();
    for (int i = 0; i < 5; ++i) s.Draw(1, 1);
    s.DrawTransformed(1, 1, 1);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().primitives, 6);
    EXPECT_EQ(gfx->stats().batches, 1);
}

TEST_F(SpriteTest, MirroringStatesTheWantedFlipsAndComesBack) {
    Sprite s(0, 3, 4, 10, 20);
    s.SetMirror(true, false, false);
    expectCoords(s, 13, 4, 3, 24);
    s.SetMirror(true, false, false);  // asked again: still mirrored once
    expectCoords(s, 13, 4, 3, 24);
    s.SetMirror(true, true, false);
    expectCoords(s, 13, 24, 3, 4);
    s.SetMirror(false, false, false);
    expectCoords(s, 3, 4, 13, 24);
    EXPECT_FALSE(s.xFlipped);
    EXPECT_FALSE(s.yFlipped);
}

TEST_F(SpriteTest, HotSpotMirrorsWithTheFlagsItFinds) {
    Sprite s(0, 0, 0, 10, 20);
    s.SetHotSpot(3, 5);
    // Not mirrored yet when asked: the hot spot stays, the picture flips.
    s.SetMirror(true, false, true);
    EXPECT_EQ(s.hotX, 3.0f);
    EXPECT_TRUE(s.xFlipped);
    // Asked again: undone and done with the x flip in place, so it stays put.
    s.SetMirror(true, false, true);
    EXPECT_EQ(s.hotX, 3.0f);
    // From a mirrored sprite without hot-spot mirroring, the hot spot mirrors at once.
    s.SetMirror(true, true, false);
    EXPECT_EQ(s.hotX, 7.0f);  // hot-spot mirroring switched off: undone under the x flip
    s.SetMirror(true, true, true);
    EXPECT_EQ(s.hotX, 3.0f);
    EXPECT_EQ(s.hotY, 15.0f);
}

TEST_F(SpriteTest, SetTextureKeepsTheRegionsPixelPosition) {
    TextureHandle small = engine->Texture_Create(64, 32);
    TextureHandle big = engine->Texture_Create(128, 64);
    TextureHandle same = engine->Texture_Create(64, 32);
    Sprite s(small, 16, 8, 16, 8);
    s.SetTexture(same);
    EXPECT_EQ(s.quad.tex, same);
    expectCoords(s, 0.25f, 0.25f, 0.5f, 0.5f);
    s.SetTexture(big);
    expectCoords(s, 0.125f, 0.125f, 0.25f, 0.25f);
    EXPECT_EQ(s.texWidth, 128.0f);
    s.SetTexture(0);
    expectCoords(s, 16, 8, 32, 16);
}

TEST_F(SpriteTest, AlternateIsDrawnOnlyWhileSwitchedOn) {
    Sprite s(0, 0, 0, 10, 10), alt(0, 0, 0, 4, 4), altAlt(0, 0, 0, 2, 2);
    s.alternate = &alt;
    s.Draw(100, 100);
    EXPECT_EQ(s.quad.v[0].x, 100.0f);
    EXPECT_EQ(alt.quad.v[0].x, 0.0f);

    engine->System_SetState(STATE_ALTERNATE_SPRITES, true);
    alt.alternate = &altAlt;
    s.Draw(200, 100);
    EXPECT_EQ(s.quad.v[0].x, 100.0f);
    EXPECT_EQ(altAlt.quad.v[0].x, 200.0f);  // the end of the chain
    EXPECT_EQ(altAlt.quad.v[2].x, 202.0f);

    altAlt.alternate = &s;  // a loop must not hang drawing
    s.Draw(300, 100);
    engine->System_SetState(STATE_ALTERNATE_SPRITES, false);
}

TEST_F(SpriteTest, AnimationFramesContinueOnTheRowsBelow) {
    TextureHandle t = loadTexture(64, 64);
    ASSERT_NE(t, 0u);
    Animation a(t, 10, 8.0f, 16, 0, 16, 16);
    EXPECT_EQ(a.texWidthLoaded, 64);
    EXPECT_EQ(a.GetFrame(), 0);
    expectCoords(a, 16 / 64.f, 0, 32 / 64.f, 16 / 64.f);

    struct {
        int n;
        float x, y;
    } frames[] = {{2, 48, 0}, {3, 0, 16}, {4, 16, 16}, {7, 0, 32}, {-1, 32, 32}, {12, 48, 0}};
    for (auto f : frames) {
        a.SetFrame(f.n);
        SCOPED_TRACE(f.n);
        expectCoords(a, f.x / 64, f.y / 64, (f.x + 16) / 64, (f.y + 16) / 64);
    }
    EXPECT_EQ(a.GetFrame(), 2);

    a.SetMirror(true, false);
    a.SetFrame(3);  // keeps its mirroring
    expectCoords(a, 16 / 64.f, 16 / 64.f, 0, 32 / 64.f);

    a.SetPlayMode(ANIM_REV | ANIM_LOOP);
    EXPECT_EQ(a.GetFrame(), 9);
    EXPECT_EQ(a.step, -1);
}

TEST_F(SpriteTest, AnimationWithoutSizeAsLoadedOrFramesStaysSafe) {
    Animation created(engine->Texture_Create(64, 64), 4, 10.0f, 0, 0, 16, 16);
    created.SetFrame(3);  // no size as loaded: the strip stays on its row
    expectCoords(created, 48 / 64.f, 0, 1, 16 / 64.f);
    Animation empty(0, 0, 10.0f, 0, 0, 16, 16);
    empty.SetFrame(5);
    EXPECT_EQ(empty.GetFrame(), 0);
}

}  // namespace
