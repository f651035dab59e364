// A round set up for drawing the cab into a 320 x 240 target, headless or through
// OpenGL. The cab's sprites are untextured blocks of colours of their own, all of
// them empty until a test gives one a size and a place; the font "f1" draws every
// character as a solid 6 x 8 block, so that what lands where can be told apart.
#pragma once

#include "engine/core/engine_impl.h"
#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"
#include "tests/engine/graphics/gfx_fixture.h"
#include "vehicle/cab_drawing.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

// Every sprite the cab drawing fetches, and two that the test's own loose things draw.
inline const std::vector<std::string>& cabSpriteNames() {
    static const std::vector<std::string> names = {
        "dash",      "seats",      "steeringwheel", "gaspedal",     "brakepedal", "shifter",   "shifter_overlay",
        "gauge",     "speed_arrow", "gas_arrow",     "pointer",      "bearhead",   "growl",     "bearbody1",
        "bearbody2", "bearbody3",  "bearbody4",     "bearbody5",    "paw",        "paw_closed", "paw_grabbing",
        "arm",       "eat1",       "eat2",          "black_circle", "snowflake",  "antlers",   "russianhat",
        "spit",      "testthing",  "testsnowball"};
    return names;
}

// A colour of its own for the i-th name: red rises, green falls, blue wanders.
inline uint32_t cabSpriteColor(size_t i) {
    const uint32_t r = 40 + 7 * static_cast<uint32_t>(i);
    const uint32_t g = 250 - 6 * static_cast<uint32_t>(i);
    const uint32_t b = (static_cast<uint32_t>(i) * 53 + 17) % 256;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// A loose thing of the cab: a small dynamic box that draws a named test sprite at
// its body's place, in cab pixels, unturned.
class TestThing : public CabObject {
public:
    TestThing(const char* spriteName, b2Vec2 at) : sprite_(resourceManager->SpriteByName(spriteName)) {
        BodyDef def;
        def.position = at;
        def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(this));
        bodies[0] = world->cabWorld->createBody(def);
        ShapeDef box = boxShape(0.5f, 0.5f);
        box.density = 1.0f;
        box.filter = makeFilter(0x0040, 0x01CD);
        addShape(bodies[0], box);
        setMassFromShapes(bodies[0]);
        radii[0] = 0.7f;
        bodyCount = 1;
    }
    void update() override {}
    void render() override {
        const b2Vec2 p = bodies[0]->GetPosition();
        sprite_->DrawTransformed(16.0f * p.x, 16.0f * p.y, 0.0f, 1.0f, 1.0f);
    }

private:
    Sprite* sprite_;
};

class CabDrawingRound {
public:
    // Skips (GTEST_SKIP in the caller) when *skip is set: no display for OpenGL.
    CabDrawingRound(bool gl, std::string* skip) {
        engine = startEngine(gl ? Backend::Gl : Backend::Null, skip, "cab drawing test");
        if (!engine) {
            if (skip->empty()) *skip = "no engine";  // the failure is reported
            return;
        }
        started_ = true;
        writeFont();

        std::string script = "Font \"f1\" { filename = \"" + dir_ + "/test.fnt\" }\n";
        for (const std::string& name : cabSpriteNames()) script += "Sprite \"" + name + "\" { rect = 0, 0, 0, 0 }\n";
        resourceManager = new ResourceManager("no script");
        resourceManager->ParseScriptText("cab.res", script.data(), script.size());
        for (size_t i = 0; i < cabSpriteNames().size(); ++i) sprite(cabSpriteNames()[i].c_str())->SetColor(cabSpriteColor(i));

        target = engine->Target_Create(320, 240, false);
        game = new Game();
        seedRandom(4242u);
        world = new World();
        world->setup(5.0f);
        // Every fixture upright and the car at rest: nothing is turned unless a test turns it.
        world->shifterBody->SetTransform(world->shifterBody->GetPosition(), 0.0f);
        world->fatness = 0.0f;
        world->lastGrabTime = -1.0f;
        for (CabObject* o : world->cabObjects) delete o;
        world->cabObjects.clear();
    }
    ~CabDrawingRound() {
        if (!started_) return;
        delete world;
        world = nullptr;
        delete game;
        game = nullptr;
        delete resourceManager;
        resourceManager = nullptr;
        engine->Target_Free(target);
        engine->System_Finish();
        engine->Release();
        engine = nullptr;
        for (const char* f : {"/font.bmp", "/test.fnt"}) std::remove((dir_ + f).c_str());
        rmdir(dir_.c_str());
    }
    CabDrawingRound(const CabDrawingRound&) = delete;
    CabDrawingRound& operator=(const CabDrawingRound&) = delete;

    static Sprite* sprite(const char* name) { return resourceManager->SpriteByName(name); }
    static uint32_t color(const char* name) {
        for (size_t i = 0; i < cabSpriteNames().size(); ++i) {
            if (cabSpriteNames()[i] == name) return cabSpriteColor(i) & 0xFFFFFF;
        }
        return 0;
    }
    // Gives the sprite a size and a hot spot that put its top-left corner at corner
    // when it is drawn unturned at drawnAt.
    static void place(const char* name, b2Vec2 drawnAt, b2Vec2 corner, float w, float h) {
        Sprite* s = sprite(name);
        s->SetTextureRect(0.0f, 0.0f, w, h);
        s->SetHotSpot(drawnAt.x - corner.x, drawnAt.y - corner.y);
    }
    // A block of w x h centred on its drawn point.
    static void block(const char* name, float w, float h) {
        Sprite* s = sprite(name);
        s->SetTextureRect(0.0f, 0.0f, w, h);
        s->SetHotSpot(w / 2.0f, h / 2.0f);
    }
    // A bar that runs length pixels from its drawn point along its rotation.
    static void bar(const char* name, float length) {
        Sprite* s = sprite(name);
        s->SetTextureRect(0.0f, 0.0f, length, 3.0f);
        s->SetHotSpot(0.0f, 1.5f);
    }

    // One frame of the cab drawing into the target over a black picture.
    void draw() {
        ASSERT_TRUE(engine->Gfx_BeginScene(target));
        engine->Gfx_Clear(0xFF000000);
        world->drawCab();
        engine->Gfx_EndScene();
    }

    static Graphics* gfx() { return engineImpl()->graphics(); }
    uint32_t at(int x, int y) const {
        uint32_t p = 0;
        EXPECT_TRUE(gfx()->readPixels(target, x, y, 1, 1, &p));
        return p & 0xFFFFFF;
    }
    std::vector<uint32_t> picture() const {
        std::vector<uint32_t> p(320 * 240);
        EXPECT_TRUE(gfx()->readPixels(target, 0, 0, 320, 240, p.data()));
        for (uint32_t& c : p) c &= 0xFFFFFF;
        return p;
    }

    TargetHandle target = 0;

private:
    void writeFont() {
        char pattern[] = "/tmp/td_cabdraw_XXXXXX";
        dir_ = mkdtemp(pattern) ? pattern : "/tmp";
        // Columns 0..5 white (every glyph), 8..13 black (the space).
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 16, 8, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_LockSurface(s);
        for (int y = 0; y < 8; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < 16; ++x) row[x] = x < 6 ? 0xFFFFFFFF : 0xFF000000;
        }
        SDL_UnlockSurface(s);
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_BGR24, 0);
        SDL_SaveBMP(rgb, (dir_ + "/font.bmp").c_str());
        SDL_FreeSurface(rgb);
        SDL_FreeSurface(s);
        std::string fnt = "[DENFONT]\nBitmap = font.bmp\nChar = 20, 8, 0, 6, 8, 1, 1\n";
        char line[64];
        for (int c = 0x21; c < 0x7F; ++c) {
            std::snprintf(line, sizeof(line), "Char = %02X, 0, 0, 6, 8, 1, 1\n", c);
            fnt += line;
        }
        FILE* f = std::fopen((dir_ + "/test.fnt").c_str(), "wb");
        if (f) {
            std::fwrite(fnt.data(), 1, fnt.size(), f);
            std::fclose(f);
        }
    }

    bool started_ = false;
    std::string dir_;
};
