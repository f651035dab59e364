// The round's picture. The windshield view and the snow are drawn in picture
// pixels; everything of the cab is drawn in cab pixels under one view transform
// that turns it about the picture's centre by the tilt and lifts it on bumps, so
// the art never has to know about either.
#include "vehicle/cab_drawing.h"

#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "forest/help_drawing.h"
#include "main/art_stamp.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/body.h"
#include "physics/portable_math.h"

#include <cmath>

namespace {

constexpr float PI = 3.14159265f;
constexpr float SPEED_NEEDLE_FULL = 20.0f;          // speed at the end of the dial
constexpr float SPEED_NEEDLE_SWEEP = 4.712389f;     // 270 degrees
constexpr float FAT_NEEDLE_SWEEP = 1.5707964f;      // 90 degrees
constexpr float FAT_PIVOT_X = 228.0f;
constexpr float FAT_PIVOT_Y = 124.0f;
constexpr float FAT_MARK_INNER = 16.0f;  // just outside the dial's rim
constexpr float FAT_MARK_OUTER = 24.0f;
constexpr float FAT_MARK_HALF_WIDTH = 4.0f;
constexpr float SNOW_WIDTH = 320.0f;
constexpr float SNOW_HEIGHT = 200.0f;
constexpr uint32_t PUPIL_COLOR = 0xFF141414;
constexpr float NOTICE_HOLD_SCALE = 4.0f;
constexpr uint32_t NOTICE_DARK = 0xFF962A06;
constexpr uint32_t NOTICE_BRIGHT = 0xFFBC3307;

struct CabArt {
    Sprite* dash;
    Sprite* seats;
    Sprite* steeringWheel;
    Sprite* gasPedal;
    Sprite* brakePedal;
    Sprite* shifter;
    Sprite* shifterOverlay;
    Sprite* gauge;
    Sprite* speedArrow;
    Sprite* gasArrow;
    Sprite* pointer;  // fetched, never drawn
    Sprite* bearHead;
    Sprite* growl;
    Sprite* bearBody[5];
    Sprite* paw;
    Sprite* pawClosed;
    Sprite* pawGrabbing;
    Sprite* arm;
    Sprite* eat1;
    Sprite* eat2;
    Sprite* blackCircle;  // fetched, never drawn
    Sprite* snowflake;
    Sprite* antlers;
    Sprite* russianHat;
    Sprite* spit;
    // The chewing head, a frame per fifth of a second.
    Sprite* headFrames[5];
    bool fontLoaded;
    Font* font;
};

CabArt cabArt = {};
ArtStamp cabStamp;

Sprite* spriteNamed(const char* name) { return resourceManager ? resourceManager->SpriteByName(name) : nullptr; }

// Fetched at the first frame and kept while the resource manager stays the same.
const CabArt& art() {
    if (!cabStamp.stale()) return cabArt;
    cabStamp.fill();
    CabArt& a = cabArt;
    a = CabArt{};
    a.dash = spriteNamed("dash");
    a.seats = spriteNamed("seats");
    a.steeringWheel = spriteNamed("steeringwheel");
    a.gasPedal = spriteNamed("gaspedal");
    a.brakePedal = spriteNamed("brakepedal");
    a.shifter = spriteNamed("shifter");
    a.shifterOverlay = spriteNamed("shifter_overlay");
    a.gauge = spriteNamed("gauge");
    a.speedArrow = spriteNamed("speed_arrow");
    a.gasArrow = spriteNamed("gas_arrow");
    a.pointer = spriteNamed("pointer");
    a.bearHead = spriteNamed("bearhead");
    a.growl = spriteNamed("growl");
    const char* const bodies[5] = {"bearbody1", "bearbody2", "bearbody3", "bearbody4", "bearbody5"};
    for (int i = 0; i < 5; ++i) a.bearBody[i] = spriteNamed(bodies[i]);
    a.paw = spriteNamed("paw");
    a.pawClosed = spriteNamed("paw_closed");
    a.pawGrabbing = spriteNamed("paw_grabbing");
    a.arm = spriteNamed("arm");
    a.eat1 = spriteNamed("eat1");
    a.eat2 = spriteNamed("eat2");
    a.blackCircle = spriteNamed("black_circle");
    a.snowflake = spriteNamed("snowflake");
    a.antlers = spriteNamed("antlers");
    a.russianHat = spriteNamed("russianhat");
    a.spit = spriteNamed("spit");
    a.headFrames[0] = a.eat1;
    a.headFrames[1] = a.eat2;
    a.headFrames[2] = a.eat1;
    a.headFrames[3] = a.eat2;
    a.headFrames[4] = a.bearHead;
    return a;
}

// Only the notice uses the font, so it is fetched when the notice first shows.
Font* noticeFont() {
    if (!cabArt.fontLoaded) {
        cabArt.font = resourceManager ? resourceManager->FontByName("f1") : nullptr;
        cabArt.fontLoaded = true;
    }
    return cabArt.font;
}

void draw(Sprite* sprite, float x, float y) {
    if (sprite) sprite->Draw(x, y);
}

void drawTurned(Sprite* sprite, float x, float y, float rotation, float hscale, float vscale) {
    if (sprite) sprite->DrawTransformed(x, y, rotation, hscale, vscale);
}

b2Vec2 pixelsOf(b2Vec2 cab) { return CAB_PIXELS_PER_UNIT * cab; }

// A fixture's angle as drawn: physics may let it drift a little past its stops.
float angleWithinLimits(const b2Body* body, const b2RevoluteJoint* joint) {
    return clampFloat(body->GetAngle(), joint->GetLowerLimit(), joint->GetUpperLimit());
}

// The notice zooms in over its first second, holds, and shrinks back by 3 s.
float noticeScale(float t) {
    if (t < 1.0f) return 1.0f + 3.0f * t;
    if (t <= 2.0f) return NOTICE_HOLD_SCALE;
    return NOTICE_HOLD_SCALE - t;
}

// Fatness 1.0 on the fat dial: a wedge outside the rim, pointing where the needle
// stands once the bear is fat enough. The needle points up-left at rotation 0.
void drawFatEnoughMark() {
    const float c = portable::cos(FAT_NEEDLE_SWEEP), s = portable::sin(FAT_NEEDLE_SWEEP);
    const b2Vec2 d((-c + s) * 0.70710677f, (-s - c) * 0.70710677f);  // (-1, -1) / sqrt 2, turned
    const b2Vec2 across(-d.y, d.x);
    const b2Vec2 pivot(FAT_PIVOT_X, FAT_PIVOT_Y);
    const b2Vec2 tip = pivot + FAT_MARK_INNER * d;
    const b2Vec2 base = pivot + FAT_MARK_OUTER * d;
    Triple t = {};
    t.tex = 0;
    t.blend = BLEND_DEFAULT;
    const b2Vec2 corners[3] = {tip, base + FAT_MARK_HALF_WIDTH * across, base - FAT_MARK_HALF_WIDTH * across};
    for (int i = 0; i < 3; ++i) t.v[i] = Vertex{corners[i].x, corners[i].y, 0.5f, FAT_ENOUGH_COLOR, 0.0f, 0.0f};
    engine->Gfx_DrawTriangle(&t);
}

// A float truncated toward zero as an int, kept inside int range.
int truncated(float v) { return static_cast<int>(clampFloat(v, -1.0e9f, 1.0e9f)); }

}  // namespace

void World::drawCab() {
    const CabArt& a = art();

    engine->Gfx_SetViewTransform(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    if (forest) forest->drawView();

    if (winterPhase > 0) {
        // The same pattern every frame: the Engine's own generator, reseeded, so
        // the game's generator is left alone and flakes keep their places.
        engine->Random_Seed(1);
        // In the first phase the countdown counts up: ten more flakes a second.
        const int shown = winterPhase == 1 ? 1 - truncated(-10.0f * winterCountdown) : SNOWFLAKES;
        for (int i = 0; i < SNOWFLAKES; ++i) {
            float x = engine->Random_Float(0.0f, SNOW_WIDTH) + snowScrollX;
            if (x > SNOW_WIDTH) x -= SNOW_WIDTH;
            float y = engine->Random_Float(0.0f, SNOW_HEIGHT) + snowScrollY;
            if (y > SNOW_HEIGHT) y -= SNOW_HEIGHT;
            const float r = engine->Random_Float(0.0f, PI);
            if (i < shown) drawTurned(a.snowflake, x, y, r, 1.0f, 0.0f);
        }
    }

    // A round whose cab is not built yet shows the view alone.
    if (!cabWorld || !bearBody || !wheelJoint || !gasPedalBody || !brakePedalBody || !shifterJoint) return;
    engine->Gfx_SetViewTransform(CAB_PIVOT_X, CAB_PIVOT_Y, 0.0f, -CAB_BUMP_LIFT * bumpSmooth, -cabTilt, 1.0f, 1.0f);

    drawTurned(a.dash, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    if (wearsAntlers) draw(a.antlers, 162.0f, 89.0f);

    // The pedals slide; they are never drawn turned.
    const b2Vec2 gas = pixelsOf(gasPedalBody->GetPosition());
    drawTurned(a.gasPedal, gas.x, gas.y, 0.0f, 1.0f, 1.0f);
    const b2Vec2 brake = pixelsOf(brakePedalBody->GetPosition());
    drawTurned(a.brakePedal, brake.x, brake.y, 0.0f, 1.0f, 1.0f);

    const b2Vec2 lever = pixelsOf(shifterBody->GetPosition());
    drawTurned(a.shifter, lever.x, lever.y, angleWithinLimits(shifterBody, shifterJoint), 1.0f, 0.0f);
    draw(a.shifterOverlay, 184.0f, 208.0f);

    draw(a.gauge, 184.0f, 102.0f);
    if (game && game->playingBack == 0) drawFatEnoughMark();
    // Reversing leaves the speed needle at rest; the other dial shows fat, not fuel.
    const float speed = forest ? playerForwardSpeed() : 0.0f;
    drawTurned(a.speedArrow, 200.0f, 116.0f, remapClamped(speed, 0.0f, SPEED_NEEDLE_FULL, 0.0f, SPEED_NEEDLE_SWEEP),
               1.0f, 0.0f);
    drawTurned(a.gasArrow, FAT_PIVOT_X, FAT_PIVOT_Y, remapClamped(fatness, 0.0f, 1.0f, 0.0f, FAT_NEEDLE_SWEEP), 1.0f,
               0.0f);

    // Behind the bear and the things: the arm reaching for what the paw holds.
    drawHeldPaw();
    const b2Vec2 head = drawBear();
    for (CabObject* o : cabObjects) o->render();

    const b2Vec2 wheel = pixelsOf(wheelBody->GetPosition());
    drawTurned(a.steeringWheel, wheel.x, wheel.y, angleWithinLimits(wheelBody, wheelJoint), 1.0f, 0.0f);

    drawCrumbs(head.x, head.y);
    drawPaw();
    for (CabObject* o : snowballs) o->render();
    drawTurned(a.seats, 0.0f, -16.0f, 0.0f, 1.0f, 1.0f);

    if (fatNotice > 0.0f) {
        engine->Gfx_SetViewTransform(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
        Font* font = noticeFont();
        if (font) {
            font->scale = noticeScale(fatNotice);
            // Flips every fifth of a second.
            font->SetColor(truncated(5.0f * elapsed) % 2 == 0 ? NOTICE_DARK : NOTICE_BRIGHT);
            font->DrawText(160.0f, 40.0f, ALIGN_CENTER, "Hibernate!");
        }
    }
}

b2Vec2 World::drawBear() {
    const CabArt& a = art();
    b2Vec2 h = pixelsOf(bearBody->GetPosition());

    Sprite* face;
    if (biteBody) {
        // Chewing wins over growling, and a chewing head does not shake.
        face = a.headFrames[wrapMod(truncated(5.0f * chewTime), 5)];
    } else if (growlTimer > 0.0f) {
        face = a.growl;
        // The game's own generator: a replay draws the picture once per update too.
        h.x += randomRange(-1.0f, 1.0f);
        h.y += randomRange(-1.0f, 1.0f);
    } else {
        face = a.bearHead;
    }
    draw(face, h.x, h.y);
    if (wearsHat) draw(a.russianHat, h.x, h.y);

    // Fatter by the third; a famished bear is thinner still.
    const int body = clampInt(static_cast<int>(std::floor(3.0f * clampFloat(fatness, -10.0f, 10.0f))) + 1, 0, 4);
    draw(a.bearBody[body], h.x, h.y + 80.0f);

    // The pupil looks toward the paw, within 1.5 pixels of the eye's centre.
    const b2Vec2 eye(h.x + 76.0f, h.y + 24.0f);
    b2Vec2 toPaw = pixelsOf(b2Vec2(pawX, pawY)) - eye;
    const float length = toPaw.Length();
    if (length > 1.1920929e-7f) toPaw *= 1.0f / length;
    engine->Gfx_DrawRect(eye.x + 1.5f * toPaw.x, eye.y + 1.5f * toPaw.y, 2.0f, 2.0f, PUPIL_COLOR);
    return h;
}

void World::drawHeldPaw() {
    if (!grabJoint || grabJoint->GetBodyB()->GetUserData().pointer == CAB_BODY) return;
    const CabArt& a = art();
    const b2Vec2 g = pixelsOf(grabJoint->GetAnchorB());
    drawTurned(a.arm, g.x, g.y, 0.0f, 1.0f, 1.0f);
    drawTurned(a.pawGrabbing, g.x, g.y, 0.0f, 1.0f, 1.0f);
}

void World::drawCrumbs(float hx, float hy) {
    const CabArt& a = art();
    for (const Crumb& c : crumbs) {
        if (c.life <= 0.0f) continue;
        // Turned along the flight: up or down by up to 45 degrees, mirrored when
        // flying back toward the bear.
        float r = remapClamped(c.vy, -4.0f, 6.0f, -PI / 4.0f, PI / 4.0f);
        if (c.vx < 0.0f) r = PI - r;
        drawTurned(a.spit, hx + 90.0f + CAB_PIXELS_PER_UNIT * c.x, hy + 50.0f + CAB_PIXELS_PER_UNIT * c.y, r, 1.0f,
                   1.0f);
    }
}

void World::drawPaw() {
    const CabArt& a = art();
    if (!grabJoint) {
        b2Vec2 p(pawX, pawY);
        if (stingTimer > 0.0f) {
            // The stung paw shakes for half a second.
            p.x += 0.5f * portable::sin(63.146015f * stingPhase);
            p.y += 0.5f * portable::sin(31.101767f * stingPhase);
        }
        p = pixelsOf(p);
        drawTurned(a.arm, p.x, p.y, 0.0f, 1.0f, 1.0f);
        // A grab that caught nothing shows a closed paw for a moment.
        Sprite* paw = elapsed - lastGrabTime < 0.2f ? a.pawClosed : a.paw;
        drawTurned(paw, p.x, p.y, 0.0f, 1.0f, 1.0f);
        return;
    }
    // A held loose thing was drawn with the paw behind it; a fixture is gripped here.
    if (grabJoint->GetBodyB()->GetUserData().pointer != CAB_BODY) return;
    const b2Vec2 g = pixelsOf(grabJoint->GetAnchorB());
    drawTurned(a.arm, g.x, g.y, 0.0f, 1.0f, 1.0f);
    drawTurned(a.pawClosed, g.x, g.y, 0.0f, 1.0f, 1.0f);
}

void drawFatGaugeMark() { drawFatEnoughMark(); }
