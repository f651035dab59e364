// The game's pictures as the engine loads them: data/bear.res read headless, every
// sprite the game asks for, the font metrics the screens count on, and the hot
// spots that line the art up with the cab's physics and the forest's ground.
#include "engine/engine.h"
#include "engine/font/font.h"
#include "engine/resources/report.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/art_density.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& reports() {
    static std::vector<std::string> lines;
    return lines;
}

void keepReport(const char* line) { reports().push_back(line); }

const char* const kSprites[] = {
    // the cab
    "dash", "seats", "steeringwheel", "gaspedal", "brakepedal", "shifter", "shifter_overlay",
    "gauge", "speed_arrow", "gas_arrow", "pointer", "black_circle", "snowflake", "antlers",
    "russianhat", "spit",
    // the bear
    "bearhead", "growl", "eat1", "eat2", "bearbody1", "bearbody2", "bearbody3", "bearbody4",
    "bearbody5", "paw", "paw_closed", "paw_grabbing", "arm",
    // loose things
    "fishhead", "fishtail", "fishhead_half", "fishtail_half", "bonehead", "bonetail", "berry",
    "leaf1", "leaf2", "leaf3", "leaf4", "pinecone", "rock1", "rock2", "rock3", "snowball1",
    "snowball2", "snowball3", "clock", "clock_minute", "badger_paw", "badger_body",
    "badger_head1", "badger_head2", "bee1", "bee2", "ouch",
    // the forest
    "tree1", "tree2", "tree3", "tree4", "tree5", "tree6", "tree7", "mountain1", "mountain2",
    "mountain3", "mountain4", "boulder1", "boulder2", "bush1", "bushhalf", "bushempty", "pond1",
    "fishjump1", "fishjump2", "fishjump3", "cave", "sky1", "sky2", "sky3", "escort0", "escort1",
    "escort2", "escort3", "escort4", "escort5", "escort6", "escort7", "escort8",
    // the screens
    "timberdrive", "bear_sleep", "bear_eyes", "sample_fish", "sample_clock", "mouse_key", "z1",
    "z2", "z3",
};

class ArtData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
        reports().clear();
        setResourceReportHook(keepReport);
        manager = new ResourceManager("data\\bear.res");
        loaded = manager->LoadAll(0);
        setResourceReportHook(nullptr);
    }

    static void TearDownTestSuite() {
        delete manager;
        manager = nullptr;
        engine->System_Finish();
        engine->Release();
        engine = nullptr;
    }

    Sprite* sprite(const char* name) {
        Sprite* s = manager->SpriteByName(name);
        EXPECT_NE(s, nullptr) << name;
        return s;
    }

    // The texel under a point given relative to the sprite's hot spot (the point
    // the game draws it at), unturned and unscaled; 0 outside the sprite.
    uint32_t texel(Sprite* s, float x, float y) {
        float u = std::floor(s->hotX + x), v = std::floor(s->hotY + y);
        if (u < 0 || v < 0 || u >= s->width || v >= s->height) return 0;
        const Pixels& p = pixels(s->GetTexture());
        size_t i = size_t(s->regionY + v) * p.width + size_t(s->regionX + u);
        return i < p.argb.size() ? p.argb[i] : 0;
    }

    struct Pixels {
        int width = 0;
        std::vector<uint32_t> argb;
    };

    // A copy of the texture's pixels, read once through a lock.
    static const Pixels& pixels(TextureHandle tex) {
        static std::map<TextureHandle, Pixels> cache;
        auto it = cache.find(tex);
        if (it != cache.end()) return it->second;
        Pixels& p = cache[tex];
        int w = engine->Texture_Width(tex, false), h = engine->Texture_Height(tex, false);
        if (uint32_t* px = engine->Texture_Lock(tex, true, 0, 0, 0, 0)) {
            p.width = w;
            p.argb.assign(px, px + size_t(w) * size_t(h));
            engine->Texture_Unlock(tex);
        }
        return p;
    }

    bool opaque(Sprite* s, float x, float y) { return GETA(texel(s, x, y)) > 0; }

    static Engine* engine;
    static ResourceManager* manager;
    static bool loaded;
};

Engine* ArtData::engine = nullptr;
ResourceManager* ArtData::manager = nullptr;
bool ArtData::loaded = false;

TEST_F(ArtData, ScriptReadsCleanlyAndEverythingLoads) {
    for (const std::string& line : reports()) {
        // Complaints about the sound script belong to the sounds.
        if (line.rfind("data\\bear.res", 0) == 0) ADD_FAILURE() << line;
    }
    EXPECT_TRUE(loaded) << engine->System_LastError();
}

TEST_F(ArtData, EverySpriteTheGameFetchesIsThereAndInsideItsTexture) {
    for (const char* name : kSprites) {
        Sprite* s = manager->SpriteByName(name);
        ASSERT_NE(s, nullptr) << name;
        TextureHandle tex = s->GetTexture();
        ASSERT_NE(tex, 0u) << name;
        int tw = engine->Texture_Width(tex, true), th = engine->Texture_Height(tex, true);
        EXPECT_GT(s->width, 0) << name;
        EXPECT_GT(s->height, 0) << name;
        EXPECT_GE(s->regionX, 0) << name;
        EXPECT_GE(s->regionY, 0) << name;
        EXPECT_LE(s->regionX + s->width, tw) << name;
        EXPECT_LE(s->regionY + s->height, th) << name;
    }
    EXPECT_EQ(manager->SpriteByName("e_dash"), nullptr);
}

TEST_F(ArtData, FontKeepsTheScreensColumns) {
    Font* f = manager->FontByName("f1");
    ASSERT_NE(f, nullptr);
    for (int c = 32; c < 127; ++c) EXPECT_NE(f->GetGlyph((unsigned char)c), nullptr) << c;
    // Glyphs advance 8 and a space is as wide as a digit: the winter countdown's
    // number sits one space before "minutes!" when both are right-aligned.
    EXPECT_FLOAT_EQ(f->TextWidth("0"), 8.0f);
    EXPECT_FLOAT_EQ(f->TextWidth(" "), f->TextWidth("7"));
    EXPECT_FLOAT_EQ(f->TextWidth("5         ") - f->TextWidth("minutes!"), 2 * f->TextWidth(" "));
    // In an overfished year the line (55, 98, 66 x 1) strikes "fish and" out of
    // the hint drawn at x 24.
    EXPECT_FLOAT_EQ(24 + f->TextWidth("Eat "), 56.0f);
    EXPECT_FLOAT_EQ(f->TextWidth("fish and"), 64.0f);
    // "Hibernate!" at scale 4 fits the picture.
    EXPECT_LE(f->TextWidth("Hibernate!") * 4, 320.0f);
    EXPECT_LE(f->GetHeight(), 12.0f);
}

TEST_F(ArtData, FixturesLieOnTheirPhysics) {
    // Wheel: rim of radius 48 (3 units) round its centre; spokes across and down.
    Sprite* wheel = sprite("steeringwheel");
    for (int k = 0; k < 24; ++k) {
        float a = k * 3.14159265f / 12;
        EXPECT_TRUE(opaque(wheel, 44 * std::cos(a), 44 * std::sin(a))) << k;
        EXPECT_FALSE(opaque(wheel, 51 * std::cos(a), 51 * std::sin(a))) << k;
    }
    EXPECT_TRUE(opaque(wheel, -30, 0));
    EXPECT_TRUE(opaque(wheel, 30, 0));
    EXPECT_TRUE(opaque(wheel, 0, 30));
    EXPECT_FALSE(opaque(wheel, 0, -30));
    EXPECT_FALSE(opaque(wheel, 24, 24));
    // Pedals cover their plates above the body origin and nothing below it.
    Sprite* gas = sprite("gaspedal");
    Sprite* brake = sprite("brakepedal");
    for (float x = 9; x < 32; x += 2)
        for (float y = -31; y < 0; y += 2) EXPECT_TRUE(opaque(gas, x, y)) << x << "," << y;
    for (float x = 5; x < 40; x += 2)
        for (float y = -23; y < 0; y += 2) EXPECT_TRUE(opaque(brake, x, y)) << x << "," << y;
    for (float x = -4; x < 44; x += 1) {
        EXPECT_FALSE(opaque(gas, x, 2)) << x;
        EXPECT_FALSE(opaque(brake, x, 2)) << x;
    }
    // The lever stands up from its pivot: knob 2.1 units up, nothing below.
    Sprite* lever = sprite("shifter");
    EXPECT_TRUE(opaque(lever, 0, -33.6f));
    EXPECT_TRUE(opaque(lever, -14, -33.6f));
    EXPECT_TRUE(opaque(lever, 0, -16));
    EXPECT_FALSE(opaque(lever, 0, 5));
    // The dashboard's top row is the ledge at y 96 across the whole picture.
    Sprite* dash = sprite("dash");
    for (float x = 0; x < 320; x += 1) {
        EXPECT_TRUE(opaque(dash, x, 96)) << x;
        EXPECT_FALSE(opaque(dash, x, 95)) << x;
    }
}

TEST_F(ArtData, NeedlesAndHandPointAtTheirZero) {
    const float r = 0.70710678f;
    Sprite* speed = sprite("speed_arrow");   // zero: down and to the left
    EXPECT_TRUE(opaque(speed, -9 * r, 9 * r));
    EXPECT_FALSE(opaque(speed, 9 * r, -9 * r));
    EXPECT_FALSE(opaque(speed, 9 * r, 9 * r));
    EXPECT_FALSE(opaque(speed, -9 * r, -9 * r));
    Sprite* fat = sprite("gas_arrow");       // empty: up and to the left
    EXPECT_TRUE(opaque(fat, -8 * r, -8 * r));
    EXPECT_FALSE(opaque(fat, 8 * r, -8 * r));
    EXPECT_FALSE(opaque(fat, 8 * r, 8 * r));
    Sprite* hand = sprite("clock_minute");   // up
    EXPECT_TRUE(opaque(hand, 0, -8));
    EXPECT_FALSE(opaque(hand, 0, 6));
    EXPECT_FALSE(opaque(hand, 7, 0));
    EXPECT_FALSE(opaque(hand, -7, 0));
}

TEST_F(ArtData, EveryHeadHasItsEyeWherethePupilGoesAndAMouth) {
    // The pupil is a 2 x 2 rectangle with its corner within 1.5 px of head +
    // (76, 24); the white under it must be light. The mouth is round (56, 160).
    for (const char* name : {"bearhead", "growl", "eat1", "eat2"}) {
        Sprite* head = sprite(name);
        for (float y = 24 - 1.5f; y <= 24 + 3.5f; y += 1)
            for (float x = 76 - 1.5f; x <= 76 + 3.5f; x += 1) {
                uint32_t c = texel(head, x, y);
                EXPECT_GT(GETA(c), 0u) << name << " " << x << "," << y;
                EXPECT_GT(GETR(c) + GETG(c) + GETB(c), 540u) << name << " " << x << "," << y;
            }
        EXPECT_TRUE(opaque(head, 56 + 48, 160 - 112)) << name;
    }
}

TEST_F(ArtData, LooseThingsMatchTheirBodies) {
    struct Round {
        const char* name;
        float radius;  // in sprite pixels: body radius x 16 / the scale it is drawn at
    };
    const Round rounds[] = {{"berry", 6.4f},      {"leaf1", 8},          {"leaf2", 8},
                            {"leaf3", 8},         {"leaf4", 8},          {"pinecone", 8},
                            {"rock1", 6.4f},      {"rock2", 9.6f},       {"rock3", 15.2f},
                            {"snowball1", 12.8f}, {"snowball2", 19.2f},  {"snowball3", 25.6f},
                            {"bee1", 16},         {"bee2", 16}};
    for (const Round& r : rounds) {
        Sprite* s = sprite(r.name);
        // Nothing reaches much past the body; the body's middle is covered.
        for (int k = 0; k < 16; ++k) {
            float a = k * 3.14159265f / 8;
            EXPECT_FALSE(opaque(s, (r.radius + 3) * std::cos(a), (r.radius + 3) * std::sin(a)))
                << r.name << " " << k;
        }
        EXPECT_TRUE(opaque(s, 0, 0)) << r.name;
        EXPECT_GE(s->width, r.radius * 1.2f) << r.name;
    }
    // The clock: a circle of 0.99 units and its base below the centre.
    Sprite* clock = sprite("clock");
    EXPECT_TRUE(opaque(clock, 14, 14));
    EXPECT_TRUE(opaque(clock, -14, 14));
    EXPECT_TRUE(opaque(clock, 0, -14.5f));
    EXPECT_FALSE(opaque(clock, 0, -19));
    EXPECT_FALSE(opaque(clock, 0, 19));
    // The fish's head and tail meet at the hinge (the head's right end, the
    // tail's left end); each covers its 0.5-unit-high box.
    Sprite* head = sprite("fishhead");
    Sprite* tail = sprite("fishtail");
    EXPECT_TRUE(opaque(head, 30, 0));
    EXPECT_TRUE(opaque(head, -28, 0));
    EXPECT_FALSE(opaque(head, 36, 0));
    EXPECT_TRUE(opaque(tail, -18, 0));
    EXPECT_FALSE(opaque(tail, -23, 0));
}

TEST_F(ArtData, ForestSpritesStandOnTheirFoot) {
    for (const char* name : {"tree1", "tree2", "tree3", "tree4", "tree5", "tree6", "tree7",
                             "mountain1", "mountain2", "mountain3", "mountain4", "boulder1",
                             "boulder2", "bush1", "bushhalf", "bushempty", "cave"}) {
        Sprite* s = sprite(name);
        EXPECT_TRUE(opaque(s, 0, -1)) << name;
        for (float x = -s->hotX; x < s->width - s->hotX; x += 1)
            EXPECT_FALSE(opaque(s, x, 0)) << name << " " << x;
    }
    // The sky strip, stretched 45 x 1.2 from (-20, -7.8), spans the picture down
    // to the far edge of the ground (y 52).
    for (const char* name : {"sky1", "sky2", "sky3"}) {
        Sprite* s = sprite(name);
        EXPECT_GE(s->width * 45 - 20, 320) << name;
        EXPECT_GE(-7.8f + s->height * 1.2f, 53.0f) << name;
        EXPECT_LE(s->width, 8) << name;
    }
}

// The windshield art is drawn finer than the view's projection, which divides its
// scale by each kind's density: measured in projection pixels, every sprite must
// still reach as far from its hot spot as the plain pixel art did (left, right,
// up, down), or objects would change size and stand off their circles on screen.
TEST_F(ArtData, ForestArtKeepsItsSizeOnScreen) {
    struct Reach {
        const char* name;
        float density;
        float left, right, up, down;  // projection pixels from the hot spot
    };
    const float tree = ART_DENSITY_TREE, mountain = ART_DENSITY_MOUNTAIN, bush = ART_DENSITY_BUSH,
                pond = ART_DENSITY_POND, car = ART_DENSITY_CAR;
    const Reach reaches[] = {
        {"tree1", tree, 19, 19, 77, 0},
        {"tree2", tree, 27, 26, 69, 0},
        {"tree3", tree, 17, 19, 85, 0},
        {"tree4", tree, 28, 28, 68, 0},
        {"tree5", tree, 26, 27, 89, 0},
        {"tree6", ART_DENSITY_BIG_FIR, 68, 70, 226, 0},
        {"tree7", tree, 20, 22, 79, 0},
        {"mountain1", mountain, 104, 104, 88, 0},
        {"mountain2", mountain, 104, 104, 96, 0},
        {"mountain3", mountain, 104, 104, 62, 0},
        {"mountain4", mountain, 104, 104, 94, 0},
        {"cave", ART_DENSITY_CAVE, 28, 28, 32, 0},
        {"boulder1", ART_DENSITY_BOULDER, 26, 26, 32, 0},
        {"boulder2", ART_DENSITY_BOULDER, 22, 22, 26, 0},
        {"bush1", bush, 17, 17, 23, 0},
        {"bushhalf", bush, 17, 17, 23, 0},
        {"bushempty", bush, 17, 17, 23, 0},
        {"pond1", pond, 30, 30, 13, 8},
        {"fishjump1", pond, 21, -7, 15, 1},
        {"fishjump2", pond, 6, 6, 18, -12},
        {"fishjump3", pond, -7, 19, 12, 1},
        {"escort0", car, 98, 62, 72, 12},
        {"escort4", car, 98, 62, 72, 12},
        {"escort8", car, 98, 62, 72, 12},
    };
    for (const Reach& r : reaches) {
        Sprite* s = sprite(r.name);
        if (!s) continue;
        EXPECT_NEAR(s->hotX / r.density, r.left, 2.0f) << r.name;
        EXPECT_NEAR((s->width - s->hotX) / r.density, r.right, 2.0f) << r.name;
        EXPECT_NEAR(s->hotY / r.density, r.up, 2.0f) << r.name;
        EXPECT_NEAR((s->height - s->hotY) / r.density, r.down, 2.0f) << r.name;
    }
}

// The cab turns about the picture's centre by up to 0.5 rad and rises by up to
// 0.81 x 32 px: the dashboard and seats must still fill the picture below the
// ledge (y 96) and the roof lining above the roof (y 8).
TEST_F(ArtData, CabFrameLeavesNoGapWhenTheCabTilts) {
    Sprite* dash = sprite("dash");
    Sprite* seats = sprite("seats");
    int gaps = 0;
    for (float tilt : {-0.5f, -0.25f, 0.25f, 0.5f}) {
        for (float bump : {0.0f, 0.81f}) {
            float c = std::cos(tilt), s = std::sin(tilt);
            for (int py = 0; py < 240; ++py)
                for (int px = 0; px < 320; ++px) {
                    // The picture point back in the cab (the inverse of the view transform).
                    float u = px + 0.5f - 160, v = py + 0.5f - (120 - 32 * bump);
                    float x = 160 + u * c + v * s, y = 120 - u * s + v * c;
                    if (y >= 8 && y < 96) continue;
                    if (!opaque(dash, x, y) && !opaque(seats, x, y + 16)) ++gaps;
                }
        }
    }
    EXPECT_EQ(gaps, 0);
}

}  // namespace
