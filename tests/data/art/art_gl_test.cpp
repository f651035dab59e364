// The game's pictures through OpenGL in a real window (under xvfb without a
// display): the script loads, the dashboard lands texel for texel where its hot
// spot puts it, and the scaled "Hibernate!" stays crisp.
#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "tests/engine/graphics/gfx_fixture.h"

#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kKey = 0xFF123456;

class ArtGl : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip;
        engine = startEngine(Backend::Gl, &skip, "art test", true);  // the script's sounds load too
        if (!engine) {
            if (!skip.empty()) GTEST_SKIP() << skip;
            FAIL() << "no engine";
        }
        manager = new ResourceManager("data\\bear.res");
        target = engine->Target_Create(320, 240, false);
        ASSERT_NE(target, 0u);
    }

    void TearDown() override {
        delete manager;
        if (engine) {
            if (target) engine->Target_Free(target);
            engine->System_Finish();
            engine->Release();
        }
    }

    std::vector<uint32_t> read(int x, int y, int w, int h) {
        std::vector<uint32_t> out(size_t(w) * h);
        EXPECT_TRUE(engineImpl()->graphics()->readPixels(target, x, y, w, h, out.data()));
        return out;
    }

    Engine* engine = nullptr;
    ResourceManager* manager = nullptr;
    TargetHandle target = 0;
};

TEST_F(ArtGl, ScriptLoadsAndTheDashSitsTexelForTexelBelowTheLedge) {
    ASSERT_TRUE(manager->LoadAll(0)) << engine->System_LastError();
    Sprite* dash = manager->SpriteByName("dash");
    ASSERT_NE(dash, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_Clear(kKey);
    dash->DrawTransformed(0, 0, 0, 1, 1);
    engine->Gfx_EndScene();

    TextureHandle tex = dash->GetTexture();
    int tw = engine->Texture_Width(tex, false);
    uint32_t* texels = engine->Texture_Lock(tex, true, 0, 0, 0, 0);
    ASSERT_NE(texels, nullptr);
    std::vector<uint32_t> px = read(0, 0, 320, 240);
    int wrong = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            uint32_t want = kKey;
            if (y >= 96) {
                int u = int(dash->regionX + dash->hotX) + x, v = int(dash->regionY + dash->hotY) + y;
                want = texels[size_t(v) * tw + u] | 0xFF000000u;
            }
            if ((px[size_t(y) * 320 + x] | 0xFF000000u) != want) ++wrong;
        }
    engine->Texture_Unlock(tex);
    EXPECT_EQ(wrong, 0);
}

TEST_F(ArtGl, HibernateNoticeStaysCrispAtEveryScale) {
    ASSERT_TRUE(manager->LoadAll(0)) << engine->System_LastError();
    Font* font = manager->FontByName("f1");
    ASSERT_NE(font, nullptr);
    const uint32_t colour = 0xFFBC3307;
    for (float scale : {4.0f, 2.5f, 1.0f}) {
        ASSERT_TRUE(engine->Gfx_BeginScene(target));
        engine->Gfx_Clear(kKey);
        font->SetColor(colour);
        font->scale = scale;
        font->DrawText(160, 40, ALIGN_CENTER, "Hibernate!");
        engine->Gfx_EndScene();
        // Point sampling: only the glyphs' two colours (times the text colour) and
        // the background, never a blend of them.
        std::vector<uint32_t> px = read(0, 0, 320, 240);
        std::set<uint32_t> seen;
        int textPixels = 0;
        for (uint32_t p : px) {
            p |= 0xFF000000u;
            seen.insert(p);
            if (p == colour) ++textPixels;
        }
        EXPECT_TRUE(seen.count(colour)) << scale;
        for (uint32_t p : seen)
            EXPECT_TRUE(p == kKey || p == colour || p == 0xFF000000u) << std::hex << p << " at " << scale;
        EXPECT_GT(textPixels, int(60 * scale * scale)) << scale;
    }
}

}  // namespace
