#include "engine/resources/resource_manager.h"

#include "engine/font/font.h"
#include "engine/resources/distortion_mesh.h"
#include "engine/resources/particle_system.h"
#include "engine/resources/string_table.h"
#include "engine/sprite/sprite.h"
#include "resource_test_support.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

class Manager : public ResourceTest {
protected:
    std::string bitmap(const std::string& name, int w, int h,
                       const std::function<uint32_t(int, int)>& f) {
        return scratch.bitmap(name, w, h, f);
    }
    std::string whiteBitmap(const std::string& name, int w = 8, int h = 4) {
        return bitmap(name, w, h, [](int, int) { return 0xFFFFFFFFu; });
    }

    std::unique_ptr<ResourceManager> manager(const std::string& script) {
        return std::make_unique<ResourceManager>(writeFile("main.res", script).c_str());
    }
};

TEST_F(Manager, LoadAllStopsAtTheFirstFailure) {
    std::string good = whiteBitmap("good.bmp");
    std::string missing = path("missing.bmp");
    auto rm = manager("Texture good1 { filename = \"" + good + "\" }\n" +
                      "Texture broken { filename = \"" + missing + "\" }\n" +
                      "Texture good2 { filename = \"" + good + "\" }\n" +
                      "Sprite spr { texture = good1 }\n");
    EXPECT_FALSE(rm->LoadAll(0));
    std::string error = engine->System_LastError();

    // Newest first: good2 was acquired before the failure, nothing after it.
    EXPECT_NE(rm->FindRecord(RES_TEXTURE, "good2")->resource, 0u);
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "broken")->resource, 0u);
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "good1")->resource, 0u);
    EXPECT_EQ(rm->FindRecord(RES_SPRITE, "spr")->resource, 0u);

    // The error text is the one the failing load left; the file is named beside it.
    EXPECT_EQ(std::string(rm->FailedFile()), missing);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(engine->Texture_Load(missing.c_str()), 0u);
    EXPECT_EQ(error, engine->System_LastError());
}

TEST_F(Manager, LoadAllByGroup) {
    std::string good = whiteBitmap("good.bmp");
    auto rm = manager("Texture a { filename = \"" + good + "\" resgroup = 1 }\n" +
                      "Texture broken { filename = nothing.bmp resgroup = 2 }\n" +
                      "Sprite s1 { texture = a resgroup = 1 }\n" +
                      "Sprite s3 { texture = a resgroup = 3 }\n");
    EXPECT_TRUE(rm->LoadAll(1));
    EXPECT_NE(rm->FindRecord(RES_TEXTURE, "a")->resource, 0u);
    EXPECT_NE(rm->FindRecord(RES_SPRITE, "s1")->resource, 0u);
    EXPECT_EQ(rm->FindRecord(RES_SPRITE, "s3")->resource, 0u);
    EXPECT_EQ(rm->FindRecord(RES_TEXTURE, "broken")->resource, 0u);
    EXPECT_FALSE(rm->LoadAll(2));
    EXPECT_STREQ(rm->FailedFile(), "nothing.bmp");
    EXPECT_TRUE(rm->LoadAll(3));
    EXPECT_STREQ(rm->FailedFile(), "");  // a later load that succeeds forgets it
    EXPECT_NE(rm->FindRecord(RES_SPRITE, "s3")->resource, 0u);
}

TEST_F(Manager, AcquiringTwiceKeepsTheFirstResource) {
    std::string good = whiteBitmap("good.bmp", 16, 8);
    auto rm = manager("Texture t { filename = \"" + good + "\" }\n");
    TextureHandle h = rm->TextureByName("t");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(engine->Texture_Width(h), 16);
    EXPECT_TRUE(rm->LoadAll(0));
    EXPECT_EQ(rm->TextureByName("t"), h);
}

TEST_F(Manager, TextureByNameOfAnUndeclaredFileLoadsItOnce) {
    std::string file = whiteBitmap("loose.bmp", 6, 3);
    auto rm = manager("");
    TextureHandle h = rm->TextureByName(file.c_str(), 4);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(engine->Texture_Height(h), 3);
    auto* r = static_cast<RTexture*>(rm->FindRecord(RES_TEXTURE, file.c_str()));
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->filename, file.c_str());
    EXPECT_EQ(r->resgroup, 4);
    EXPECT_EQ(rm->TextureByName(file.c_str()), h);  // a second load would give a new handle
    EXPECT_EQ(rm->ListHead(RES_TEXTURE)->next, nullptr);

    EXPECT_EQ(rm->TextureByName(path("absent.bmp").c_str()), 0u);
    EXPECT_EQ(rm->TextureByName(""), 0u);
    EXPECT_EQ(rm->TextureByName(nullptr), 0u);
    EXPECT_EQ(rm->ListHead(RES_TEXTURE)->next, nullptr);
}

TEST_F(Manager, GenalphaClearsThePixelsOfTheFirstPixelsColour) {
    std::string file = bitmap("keyed.bmp", 4, 2, [](int x, int y) {
        return (x + y) % 2 == 0 ? 0xFFFF00FFu : 0xFF102030u;
    });
    auto rm = manager("Texture keyed { filename = \"" + file + "\" genalpha = true }\n" +
                      "Texture plain { filename = \"" + file + "\" }\n");
    TextureHandle keyed = rm->TextureByName("keyed");
    TextureHandle plain = rm->TextureByName("plain");
    ASSERT_NE(keyed, 0u);
    const uint32_t* p = engine->Texture_Lock(keyed, true);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], (i % 4 + i / 4) % 2 == 0 ? 0u : 0xFF102030u) << i;
    engine->Texture_Unlock(keyed);
    p = engine->Texture_Lock(plain, true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0xFFFF00FFu);
    engine->Texture_Unlock(plain);
}

TEST_F(Manager, SpritesGetTheirFieldsAndTheirAlternates) {
    std::string file = whiteBitmap("sheet.bmp", 64, 32);
    auto rm = manager("Texture sheet { filename = \"" + file + "\" }\n"
                      "Sprite wheel { texture = sheet rect = 0, 0, 32, 16 hotspot = 16, 8 color = 80FFFFFF\n"
                      "               zorder = 0.25 blendmode = COLORADD flip = true, false }\n"
                      "Sprite e_wheel : wheel { rect = 32, 0, 32, 16 }\n"
                      "Sprite e_e_wheel : wheel { }\n"
                      "Sprite lonely { }\n");
    Sprite* wheel = rm->SpriteByName("wheel");
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->GetTexture(), rm->TextureByName("sheet"));
    EXPECT_EQ(wheel->GetWidth(), 32.0f);
    EXPECT_EQ(wheel->hotX, 16.0f);
    EXPECT_EQ(wheel->hotY, 8.0f);
    EXPECT_EQ(wheel->quad.blend, 3);
    for (const Vertex& v : wheel->quad.v) {
        EXPECT_EQ(v.col, 0x80FFFFFFu);
        EXPECT_EQ(v.z, 0.25f);
    }
    EXPECT_TRUE(wheel->xFlipped);
    EXPECT_FALSE(wheel->yFlipped);
    // Mirrored: the top-left corner shows the region's right edge.
    EXPECT_FLOAT_EQ(wheel->quad.v[0].tx, 0.5f);

    Sprite* alt = rm->SpriteByName("e_wheel");
    ASSERT_NE(alt, nullptr);
    EXPECT_EQ(wheel->alternate, alt);
    EXPECT_EQ(alt->alternate, rm->SpriteByName("e_e_wheel"));
    EXPECT_NE(alt->alternate, nullptr);
    EXPECT_EQ(alt->regionX, 32.0f);
    EXPECT_EQ(alt->hotX, 16.0f);  // from the base

    Sprite* lonely = rm->SpriteByName("lonely");
    ASSERT_NE(lonely, nullptr);
    EXPECT_EQ(lonely->alternate, nullptr);
    EXPECT_EQ(lonely->GetTexture(), 0u);
    EXPECT_EQ(rm->SpriteByName("nothing"), nullptr);
    EXPECT_EQ(rm->SpriteByName("wheel"), wheel);
}

TEST_F(Manager, ANameThatFillsTheBufferHasNoAlternate) {
    // "e_" + this name, cut to the buffer, is the name again.
    std::string name;
    while (name.size() + 2 <= RESOURCE_NAME_MAX - 1) name += "e_";
    name += "e";
    ASSERT_EQ(name.size(), RESOURCE_NAME_MAX - 1u);
    auto rm = manager("Sprite " + name + " { }\n");
    Sprite* s = rm->SpriteByName(name.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->alternate, nullptr);
}

TEST_F(Manager, Animations) {
    std::string file = whiteBitmap("strip.bmp", 64, 16);
    auto rm = manager("Texture strip { filename = \"" + file + "\" }\n"
                      "Animation walk { texture = strip rect = 0, 0, 16, 16 frames = 4 fps = 8 mode = REVERSE\n"
                      "                 hotspot = 8, 8 }\n"
                      "Animation none { frames = 0 fps = 0 }\n"
                      "Animation negative { frames = -5 }\n"
                      "Animation wild { frames = 2147483647 mode = REVERSE texture = strip\n"
                      "                 rect = 99999999999, -99999999999, 16, 16 }\n");
    Animation* walk = rm->AnimationByName("walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->GetFrames(), 4);
    EXPECT_EQ(walk->GetFrame(), 3);  // reverse play starts at the last frame
    EXPECT_EQ(walk->mode, 1 | 4);
    EXPECT_EQ(walk->hotX, 8.0f);
    EXPECT_TRUE(rm->LoadAll(0));  // degenerate strips are made with one frame
    EXPECT_EQ(rm->AnimationByName("none")->GetFrames(), 1);
    EXPECT_EQ(rm->AnimationByName("negative")->GetFrames(), 1);
    // Values far beyond any texture are held to a range the frame arithmetic can take.
    Animation* wild = rm->AnimationByName("wild");
    EXPECT_EQ(wild->GetFrames(), 1 << 24);
    EXPECT_EQ(wild->GetFrame(), (1 << 24) - 1);
    EXPECT_EQ(wild->regionX, 16777216.0f);
}

TEST_F(Manager, FontsTakeTheScriptsSettings) {
    std::string bmp = whiteBitmap("glyphs.bmp", 16, 16);
    std::string fnt = writeFile("f.fnt", "[DENFONT]\nBitmap = glyphs.bmp\nChar = \"A\", 0, 0, 5, 7, 1, 2\n");
    auto rm = manager("Font f1 { filename = \"" + fnt + "\" color = FF0000FF zorder = 0.2 blendmode = COLORADD\n"
                      "          scale = 2 proportion = 0.5 rotation = 0.1 tracking = 3 spacing = 1.5 }\n"
                      "Font empty { filename = \"" + path("nofont.fnt") + "\" }\n");
    Font* f = rm->FontByName("f1");
    ASSERT_NE(f, nullptr);
    EXPECT_NE(f->GetTexture(), 0u);
    ASSERT_NE(f->GetGlyph('A'), nullptr);
    EXPECT_EQ(f->GetColor(), 0xFF0000FFu);
    EXPECT_EQ(f->GetGlyph('A')->quad.v[2].col, 0xFF0000FFu);
    EXPECT_EQ(f->GetGlyph('A')->quad.v[1].z, 0.2f);
    EXPECT_EQ(f->GetGlyph('A')->quad.blend, 3);
    EXPECT_EQ(f->scale, 2.0f);
    EXPECT_EQ(f->proportion, 0.5f);
    EXPECT_EQ(f->rotation, 0.1f);
    EXPECT_EQ(f->tracking, 3.0f);
    EXPECT_EQ(f->spacing, 1.5f);
    // (1 + 5 + 2 + 3) x 2 x 0.5
    EXPECT_EQ(f->TextWidth("A"), 11.0f);

    Font* empty = rm->FontByName("empty");
    ASSERT_NE(empty, nullptr);  // a missing file gives an empty font, not a failure
    EXPECT_EQ(empty->GetTexture(), 0u);
    EXPECT_EQ(empty->TextWidth("A"), 0.0f);
    EXPECT_EQ(rm->FontByName("f2"), nullptr);
}

TEST_F(Manager, RawFilesTargetsAndDropAll) {
    std::string raw = writeFile("raw.bin", "0123456789");
    std::string tex = whiteBitmap("t.bmp");
    auto rm = manager("Resource raw { filename = \"" + raw + "\" }\n"
                      "Target tgt { size = 64, 32 }\n"
                      "Texture t { filename = \"" + tex + "\" }\n");
    const char* data = static_cast<const char*>(rm->ResourceByName("raw"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "0123456789", 10), 0);
    EXPECT_EQ(static_cast<RResource*>(rm->FindRecord(RES_RESOURCE, "raw"))->size, 10u);
    TargetHandle target = rm->TargetByName("tgt");
    ASSERT_NE(target, 0u);
    EXPECT_EQ(engine->Texture_Width(engine->Target_Texture(target)), 64);
    TextureHandle t = rm->TextureByName("t");
    ASSERT_NE(t, 0u);

    rm->DropAll();
    for (int type = 0; type < RES_TYPE_COUNT; ++type) EXPECT_EQ(rm->ListHead(type), nullptr);
    EXPECT_EQ(engine->Texture_Width(t), 0);  // freed
    EXPECT_EQ(rm->TextureByName("t"), 0u);
    EXPECT_EQ(rm->FindRecord(RES_RESOURCE, "raw"), nullptr);
    EXPECT_TRUE(rm->LoadAll(0));  // nothing left to load
    // The names are free again.
    const std::string again = "Target tgt { size = 8, 8 }\n";
    rm->ParseScriptText("again.res", again.data(), again.size());
    ASSERT_NE(rm->FindRecord(RES_TARGET, "tgt"), nullptr);
    EXPECT_EQ(engine->Texture_Width(engine->Target_Texture(rm->TargetByName("tgt"))), 8);
}

TEST_F(Manager, ParticleSystemsDistortionMeshesAndStringTables) {
    std::string settings(200, '\0');
    for (size_t i = 0; i < settings.size(); ++i) settings[i] = static_cast<char>(i);
    std::string psi = writeFile("p.psi", settings);
    std::string shortPsi = writeFile("short.psi", "abc");
    std::string tex = whiteBitmap("mesh.bmp", 100, 50);
    std::string strings = writeFile("s.txt",
                                    "[DENSTRINGTABLE]\r\n; greeting\r\nhello = \"Hello\\nbear\"\r\n"
                                    "joined = \"one\r\ntwo\" ; after\r\nbroken line\r\nlast=\"x\"");
    std::string wrong = writeFile("w.txt", "[DENSTRINGTABLE");
    auto rm = manager("Sprite spark { }\n"
                      "Particle fire { filename = \"" + psi + "\" sprite = spark }\n"
                      "Particle small { filename = \"" + shortPsi + "\" sprite = none }\n"
                      "Particle gone { filename = nothing.psi }\n"
                      "Texture mt { filename = \"" + tex + "\" }\n"
                      "Distortion water { texture = mt rect = 10, 10, 40, 20 mesh = 5, 3 color = 80FFFFFF zorder = 0.1 }\n"
                      "Distortion flat { mesh = 1, 4 }\n"
                      "Distortion huge { mesh = 100000, 100000 }\n"
                      "Distortion none { mesh = 0, -3 }\n"
                      "Distortion dot { rect = 7, 8, 40, 20 mesh = 1, 1 }\n"
                      "StringTable text { filename = \"" + strings + "\" }\n"
                      "StringTable wrong { filename = \"" + wrong + "\" }\n");

    ParticleSystem* fire = rm->ParticleByName("fire");
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->sprite, rm->SpriteByName("spark"));
    EXPECT_EQ(std::memcmp(fire->settings, settings.data(), PARTICLE_SETTINGS_SIZE), 0);
    ParticleSystem* small = rm->ParticleByName("small");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->sprite, nullptr);
    EXPECT_EQ(small->settings[2], 'c');
    EXPECT_EQ(small->settings[3], 0);
    EXPECT_EQ(rm->ParticleByName("gone"), nullptr);

    DistortionMesh* water = rm->DistortionByName("water");
    ASSERT_NE(water, nullptr);
    EXPECT_EQ(water->columns, 5);
    EXPECT_EQ(water->rows, 3);
    EXPECT_EQ(water->Point(4, 2).x, 50.0f);
    EXPECT_EQ(water->Point(1, 1).y, 20.0f);
    EXPECT_FLOAT_EQ(water->Point(4, 2).tx, 0.5f);
    EXPECT_FLOAT_EQ(water->Point(4, 2).ty, 0.6f);
    EXPECT_EQ(water->Point(2, 1).col, 0x80FFFFFFu);
    EXPECT_EQ(water->Point(2, 1).z, 0.1f);
    // A grid too small or too big to be one never makes loading fail (with no error
    // text to show): one point a side is a grid, anything less or too big to hold
    // is reported and the grid stays 2 x 2.
    DistortionMesh* flat = rm->DistortionByName("flat");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->columns, 1);
    EXPECT_EQ(flat->rows, 4);
    DistortionMesh* dot = rm->DistortionByName("dot");
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->points.size(), 1u);
    EXPECT_EQ(dot->Point(0, 0).x, 7.0f);
    EXPECT_EQ(dot->Point(0, 0).y, 8.0f);
    for (const char* name : {"huge", "none"}) {
        DistortionMesh* mesh = rm->DistortionByName(name);
        ASSERT_NE(mesh, nullptr) << name;
        EXPECT_EQ(mesh->columns * 10 + mesh->rows, 22) << name;
    }
    int refused = 0;
    for (const std::string& line : reports()) refused += line.find("Unsupported value '") != std::string::npos;
    EXPECT_EQ(refused, 2);

    StringTable* table = rm->StringTableByName("text");
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table->GetString("hello"), "Hello\nbear");
    EXPECT_STREQ(table->GetString("joined"), "one two");
    EXPECT_STREQ(table->GetString("last"), "x");
    EXPECT_EQ(table->GetString("broken"), nullptr);
    EXPECT_EQ(table->Count(), 3);
    capturedReports().clear();
    StringTable* bad = rm->StringTableByName("wrong");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->Count(), 0);
    EXPECT_EQ(reports(), std::vector<std::string>{"String table " + wrong + " has incorrect format."});
}

TEST_F(Manager, EffectsAreFoundOrLoadedOnDemand) {
    // The headless engine's silent device accepts every sound; with sound switched
    // off every load fails. Both are what EffectByName has to pass on.
    auto rm = manager("Sound declared { filename = a.wav }\n");
    EffectHandle declared = rm->EffectByName("declared");
    EXPECT_NE(declared, 0u);
    EXPECT_EQ(rm->FindRecord(RES_EFFECT, "declared")->resource, declared);

    EffectHandle loose = rm->EffectByName("data\\loose.wav", 6);
    ASSERT_NE(loose, 0u);
    auto* r = static_cast<REffect*>(rm->ListHead(RES_EFFECT));
    EXPECT_STREQ(r->name, "data\\loose.wav");
    EXPECT_STREQ(r->filename, "data\\loose.wav");
    EXPECT_EQ(r->resgroup, 6);
    EXPECT_EQ(r->resource, loose);
    EXPECT_EQ(rm->EffectByName("data\\loose.wav"), loose);
    EXPECT_EQ(rm->ListHead(RES_EFFECT), r);  // found, not added again
    EXPECT_EQ(r->next->next, nullptr);

    rm->DropAll();
    engine->System_SetState(STATE_SOUND, false);
    rm->ParseScriptText("again.res", "Sound declared { filename = a.wav }", 35);
    EXPECT_EQ(rm->EffectByName("declared"), 0u);
    EXPECT_EQ(rm->EffectByName("other.wav"), 0u);
    EXPECT_EQ(rm->ListHead(RES_EFFECT)->next, nullptr);  // no record for a failed load
    EXPECT_FALSE(rm->LoadAll(0));
}

}  // namespace
