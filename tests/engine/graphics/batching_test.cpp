// The batching rules, the same in both renderers.
#include "tests/engine/graphics/gfx_fixture.h"

namespace {

using BatchingTest = GfxTest;

TEST_P(BatchingTest, QuadsFillBatchesOfAThousandAndTexturesSplitThem) {
    TextureHandle a = engine->Texture_Create(8, 8);
    TextureHandle b = engine->Texture_Create(8, 8);
    ASSERT_TRUE(a && b);

    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad q = quad(0, 0, 4, 4, a);
    for (int i = 0; i < 1001; ++i) engine->Gfx_DrawQuad(&q);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 2);
    EXPECT_EQ(gfx->stats().primitives, 1001);
    EXPECT_EQ(gfx->stats().lastBatchCount, 1);

    gfx->resetStats();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad qa = quad(0, 0, 4, 4, a), qb = quad(0, 0, 4, 4, b);
    for (int i = 0; i < 10; ++i) engine->Gfx_DrawQuad(i % 2 ? &qb : &qa);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 10);
}

TEST_P(BatchingTest, LinesAndTrianglesHaveTheirOwnLimitsAndTypeChangesDraw) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    for (int i = 0; i < 2001; ++i) engine->Gfx_DrawLine(0, 0, 10, 10);
    engine->Gfx_Flush();
    EXPECT_EQ(gfx->stats().batches, 2);
    EXPECT_EQ(gfx->stats().lastBatchType, PRIM_LINES);

    gfx->resetStats();
    Triple t{};
    t.blend = BLEND_DEFAULT;
    for (int i = 0; i < 1334; ++i) engine->Gfx_DrawTriangle(&t);
    engine->Gfx_Flush();
    EXPECT_EQ(gfx->stats().batches, 2);
    EXPECT_EQ(gfx->stats().lastBatchCount, 1);

    // quad, line, quad: each change of type draws what came before.
    gfx->resetStats();
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_DrawLine(0, 0, 5, 5);
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 3);
}

TEST_P(BatchingTest, BlendChangesDrawAndSendOnlyTheChangedBits) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad q = quad(0, 0, 4, 4, 0, BLEND_DEFAULT);
    engine->Gfx_DrawQuad(&q);
    q.blend = BLEND_DEFAULT | BLEND_COLORADD;  // 2 -> 3: one bit
    engine->Gfx_DrawQuad(&q);
    EXPECT_EQ(gfx->stats().batches, 1);
    EXPECT_EQ(gfx->stats().blendBitChanges, 1);
    q.blend = BLEND_ZWRITE;  // 3 -> 4: three bits
    engine->Gfx_DrawQuad(&q);
    EXPECT_EQ(gfx->stats().blendBitChanges, 4);
    engine->Gfx_DrawQuad(&q);  // same mode: nothing sent, same batch
    EXPECT_EQ(gfx->stats().blendBitChanges, 4);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 3);
}

TEST_P(BatchingTest, ClipViewAndFlushDrawTheBatch) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_SetClipRect(10, 10, 20, 20);
    EXPECT_EQ(gfx->stats().batches, 1);
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_SetViewTransform(1, 2, 3, 4, 0.5f, 1, 1);
    EXPECT_EQ(gfx->stats().batches, 2);
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_Flush();
    EXPECT_EQ(gfx->stats().batches, 3);
    engine->Gfx_Flush();  // nothing waiting: no empty batch
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 3);
}

TEST_P(BatchingTest, OpenBatchHandsOutTheBufferOnlyInAScene) {
    int max = -7;
    EXPECT_EQ(engine->Gfx_OpenBatch(PRIM_TRIPLES, 0, BLEND_DEFAULT, &max), nullptr);
    EXPECT_EQ(max, -7);

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    Vertex* v = engine->Gfx_OpenBatch(PRIM_TRIPLES, 0, BLEND_DEFAULT, &max);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(max, 1333);
    EXPECT_EQ(gfx->stats().batches, 1);  // the rect was drawn on opening
    for (int i = 0; i < 3 * 5; ++i) v[i] = Vertex{float(i), float(i), 0.5f, 0xFFFFFFFF, 0, 0};
    engine->Gfx_CloseBatch(5);
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 2);
    EXPECT_EQ(gfx->stats().lastBatchType, PRIM_TRIPLES);
    EXPECT_EQ(gfx->stats().lastBatchCount, 5);

    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_NE(engine->Gfx_OpenBatch(PRIM_LINES, 0, BLEND_DEFAULT, &max), nullptr);
    EXPECT_EQ(max, 2000);
    EXPECT_NE(engine->Gfx_OpenBatch(PRIM_QUADS, 0, BLEND_DEFAULT, &max), nullptr);
    EXPECT_EQ(max, 1000);
    EXPECT_EQ(engine->Gfx_OpenBatch(0, 0, BLEND_DEFAULT, &max), nullptr);  // no such type
    engine->Gfx_CloseBatch(5000);  // more than fits: clamped to the buffer
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().lastBatchCount, 1000);
}

TEST_P(BatchingTest, SecondBeginSceneFailsAndKeepsTheFirstOpen) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_STREQ(engine->System_LastError(), "Gfx_BeginScene: Scene is already being rendered");
    EXPECT_TRUE(gfx->sceneOpen());
    engine->Gfx_DrawRect(0, 0, 5, 5, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_FALSE(gfx->sceneOpen());
    EXPECT_EQ(gfx->stats().batches, 1);
    EXPECT_EQ(gfx->stats().primitives, 2);
}

TEST_P(BatchingTest, DrawingOutsideASceneDoesNothing) {
    Quad q = quad(0, 0, 4, 4, 0);
    Triple t{};
    engine->Gfx_DrawQuad(&q);
    engine->Gfx_DrawTriangle(&t);
    engine->Gfx_DrawLine(0, 0, 1, 1);
    engine->Gfx_DrawRect(0, 0, 1, 1, 0xFFFFFFFF);
    engine->Gfx_CloseBatch(10);
    engine->Gfx_Flush();
    engine->Gfx_EndScene();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_EndScene();
    EXPECT_EQ(gfx->stats().batches, 0);
    EXPECT_EQ(gfx->stats().primitives, 0);
}

TEST_P(BatchingTest, ClipRectangleIsCutToTheTarget) {
    TargetHandle target = engine->Target_Create(320, 240, false);
    ASSERT_NE(target, 0u);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_SetClipRect(-10, 0, 50, 50);
    EXPECT_EQ(gfx->stats().clipX, 0);
    EXPECT_EQ(gfx->stats().clipW, 40);
    EXPECT_EQ(gfx->stats().clipH, 50);
    engine->Gfx_SetClipRect(300, 0, 100, 10);
    EXPECT_EQ(gfx->stats().clipX, 300);
    EXPECT_EQ(gfx->stats().clipW, 20);
    engine->Gfx_SetClipRect(10, -5, 10, 200);
    EXPECT_EQ(gfx->stats().clipY, 0);
    EXPECT_EQ(gfx->stats().clipH, 195);
    engine->Gfx_SetClipRect(400, 300, 10, 10);  // wholly outside: nothing left
    EXPECT_EQ(gfx->stats().clipW, 0);
    EXPECT_EQ(gfx->stats().clipH, 0);
    engine->Gfx_SetClipRect();
    EXPECT_EQ(gfx->stats().clipW, 320);
    EXPECT_EQ(gfx->stats().clipH, 240);
    engine->Gfx_SetClipRect(0, 0, 5, 5);
    engine->Gfx_EndScene();
    // The screen is another target: switching to it drops the clip.
    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_EQ(gfx->stats().clipW, 640);
    engine->Gfx_EndScene();
    engine->Target_Free(target);
}

TEST_P(BatchingTest, TexturesAndTargetsKeepTheirSizes) {
    TextureHandle created = engine->Texture_Create(30, 20);
    EXPECT_EQ(engine->Texture_Width(created, false), 30);
    EXPECT_EQ(engine->Texture_Height(created, false), 20);
    EXPECT_EQ(engine->Texture_Width(created, true), 0);  // not loaded from an image
    TargetHandle target = engine->Target_Create(100, 60, true);
    TextureHandle tt = engine->Target_Texture(target);
    EXPECT_EQ(engine->Texture_Width(tt), 100);
    EXPECT_EQ(engine->Texture_Height(tt), 60);
    EXPECT_EQ(engine->Target_Texture(0), 0u);

    EXPECT_EQ(engine->Target_Create(0, 10, false), 0u);
    EXPECT_STREQ(engine->System_LastError(), "Can't create render target texture");
    EXPECT_EQ(engine->Texture_Create(-1, 10), 0u);
    EXPECT_STREQ(engine->System_LastError(), "Can't create texture");

    // A freed handle names nothing any more, even when its slot is used again.
    engine->Texture_Free(created);
    EXPECT_EQ(engine->Texture_Width(created), 0);
    TextureHandle again = engine->Texture_Create(5, 5);
    EXPECT_NE(again, created);
    EXPECT_EQ(engine->Texture_Width(created), 0);
    engine->Target_Free(target);
    EXPECT_EQ(engine->Texture_Width(tt), 0);
    EXPECT_FALSE(engine->Gfx_BeginScene(target));
    EXPECT_STREQ(engine->System_LastError(), "Gfx_BeginScene: Can't set render target");
}

TEST_P(BatchingTest, LockGivesArgbRowsAndUnlockKeepsThem) {
    TextureHandle t = engine->Texture_Create(4, 3);
    uint32_t* p = engine->Texture_Lock(t, false);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 12; ++i) p[i] = 0x11000000u * (i % 8) + static_cast<uint32_t>(i);
    EXPECT_EQ(engine->Texture_Lock(t), nullptr);  // already locked
    EXPECT_STREQ(engine->System_LastError(), "Can't lock texture");
    engine->Texture_Unlock(t);

    // A rectangle lock points at its first pixel; rows keep the texture's pitch.
    uint32_t* r = engine->Texture_Lock(t, true, 1, 2, 2, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r[0], 0x11000000u * 1 + 9u);
    EXPECT_EQ(r[1], 0x11000000u * 2 + 10u);
    engine->Texture_Unlock(t);
    EXPECT_EQ(engine->Texture_Lock(t, true, 3, 0, 2, 1), nullptr);  // past the right edge
}

INSTANTIATE_TEST_SUITE_P(Renderers, BatchingTest, ::testing::Values(Backend::Null, Backend::Gl), backendName);

}  // namespace
