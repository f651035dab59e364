#include "forest/help_drawing.h"

#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/forest.h"
#include "forest/projection.h"
#include "forest/scenery.h"
#include "main/art_stamp.h"
#include "main/game.h"
#include "main/world.h"
#include "physics/portable_math.h"
#include "vehicle/cab_drawing.h"

#include <cmath>

namespace {

constexpr uint32_t CARD_TITLE = 0xFFBC3307;
constexpr uint32_t CARD_TEXT = 0xFFCCCCCC;
constexpr uint32_t CARD_KEY = 0xFFFFFFFF;
constexpr uint32_t CARD_DIM = 0xFF888888;
constexpr uint32_t HINT_TEXT_COLOR = 0xFFFFE9A8;
constexpr uint32_t BOX_COLOR = 0xC0000000;
constexpr float LINE_HEIGHT = 12.0f;
constexpr float NOTICE_Y_TITLE = 72.0f;  // the gap between the subtitle and the title's hint
constexpr float NOTICE_Y_PLAY = 8.0f;    // the sky of the windshield view

struct HelpArt {
    Font* font;
    Sprite* mouseKey;
    Sprite* paw;
    Sprite* berry;
    Sprite* fish;
    Sprite* dash;
    Sprite* wheel;
    Sprite* gasPedal;
    Sprite* brakePedal;
    Sprite* shifter;
    Sprite* gauge;
    Sprite* bearHead;
    Sprite* bearBody;
    Sprite* seats;
    Sprite* clock;
    Sprite* mountain;
    Sprite* cave;
    Sprite* rock;
    Sprite* pinecone;
};

const HelpArt& helpArt() {
    static HelpArt art = {};
    static ArtStamp stamp;
    if (!stamp.stale()) return art;
    stamp.fill();
    art = HelpArt{};
    if (!resourceManager) return art;
    art.font = resourceManager->FontByName("f1");
    art.mouseKey = resourceManager->SpriteByName("mouse_key");
    art.paw = resourceManager->SpriteByName("paw");
    art.berry = resourceManager->SpriteByName("berry");
    art.fish = resourceManager->SpriteByName("fishhead");
    art.dash = resourceManager->SpriteByName("dash");
    art.wheel = resourceManager->SpriteByName("steeringwheel");
    art.gasPedal = resourceManager->SpriteByName("gaspedal");
    art.brakePedal = resourceManager->SpriteByName("brakepedal");
    art.shifter = resourceManager->SpriteByName("shifter");
    art.gauge = resourceManager->SpriteByName("gauge");
    art.bearHead = resourceManager->SpriteByName("bearhead");
    art.bearBody = resourceManager->SpriteByName("bearbody2");
    art.seats = resourceManager->SpriteByName("seats");
    art.clock = resourceManager->SpriteByName("sample_clock");
    art.mountain = resourceManager->SpriteByName("mountain1");
    art.cave = resourceManager->SpriteByName("cave");
    art.rock = resourceManager->SpriteByName("rock2");
    art.pinecone = resourceManager->SpriteByName("pinecone");
    return art;
}

void draw(Sprite* sprite, float x, float y) {
    if (sprite) sprite->Draw(x, y);
}

void lines(Font* font, float x, float y, uint32_t color, const char* const* text, int n) {
    font->SetColor(color);
    for (int i = 0; i < n; ++i) font->DrawText(x, y + LINE_HEIGHT * static_cast<float>(i), ALIGN_LEFT, text[i]);
}

// Text centred on cx, kept on the picture, on a dark box so that it reads over any scene.
void boxedText(Font* font, float cx, float y, uint32_t color, const char* text) {
    const float w = font->TextWidth(text, true);
    float lines = 1.0f;
    for (const char* p = text; *p; ++p) lines += *p == '\n';
    const float half = 0.5f * w + 3.0f;
    cx = std::fmin(std::fmax(cx, half + 1.0f), 319.0f - half);
    engine->Gfx_DrawRect(cx - half, y - 2.0f, 2.0f * half, LINE_HEIGHT * lines + 3.0f, BOX_COLOR);
    font->SetColor(color);
    font->DrawText(cx, y, ALIGN_CENTER, text);
}

// What the paw and its arm cover around the paw point, in picture pixels (the
// sprites "paw", "paw_grabbing" and "arm" with a little room).
constexpr float PAW_ABOVE = 17.0f;
constexpr float PAW_RIGHT = 16.0f;
constexpr float ARM_LEFT = 12.0f;  // the paw's and the arm's reach left of the paw point
constexpr float ARM_LEAN = 0.5f;   // and how much further left per pixel lower
constexpr float HINT_GAP = 3.0f;
constexpr float PICTURE_W = 320.0f;
constexpr float PICTURE_H = 240.0f;

// Where the paw shows in the picture: the cab's point under its tilt and bump.
// A paw on a fixture or on a held thing is drawn at its grip.
b2Vec2 pawInPicture(const World& w) {
    b2Vec2 at(w.pawX, w.pawY);
    if (w.grabJoint) at = w.grabJoint->GetAnchorB();
    const float u = CAB_PIXELS_PER_UNIT * at.x - CAB_PIVOT_X;
    const float v = CAB_PIXELS_PER_UNIT * at.y - CAB_PIVOT_Y;
    const float c = portable::cos(w.cabTilt);
    const float s = portable::sin(w.cabTilt);
    return b2Vec2(CAB_PIVOT_X + u * c - v * s, CAB_PIVOT_Y + u * s + v * c - CAB_BUMP_LIFT * w.bumpSmooth);
}

void drawHint(Font* font, const World& w, Hint hint) {
    // Once winter or the sleep has begun the paw has nothing left to learn.
    if (hint == Hint::None || w.winterPhase > 0 || w.sleepPhase > 0) return;
    const b2Vec2 paw = pawInPicture(w);
    const char* narrow = hintText(hint, true);
    int narrowLines = 1;
    for (const char* c = narrow; *c; ++c) narrowLines += *c == '\n';
    const HintBox box = placeHint(paw.x, paw.y, font->TextWidth(hintText(hint, false)), font->TextWidth(narrow, true),
                                  LINE_HEIGHT, narrowLines);
    engine->Gfx_DrawRect(box.left, box.top, box.width, box.height, BOX_COLOR);
    font->SetColor(HINT_TEXT_COLOR);
    font->DrawText(box.left + 0.5f * box.width, box.top + 2.0f, ALIGN_CENTER, hintText(hint, box.twoLines));
}

// The pointer to the nearest cave, in the gold of the gauge's mark: a chevron
// above the cave at the windshield's top while it is in view, else at the
// windshield's left or right edge, the way to turn.
constexpr float POINTER_TOP = 26.0f;   // the windshield's top, below the roof
constexpr float POINTER_SIDE = 56.0f;  // y of the side arrows
constexpr float POINTER_MARGIN = 14.0f;
constexpr uint32_t POINTER_SHADOW = 0xC0000000;
constexpr float POINTER_LABEL_HALF = 18.0f;

void chevron(float x, float y, int dir, uint32_t color, float grow) {
    // dir 0 down, -1 left, +1 right; rows of falling width toward the tip.
    for (int r = 0; r < 5; ++r) {
        const float w = static_cast<float>(5 - r) * 3.0f + 2.0f * grow;
        const float at = static_cast<float>(r) * 2.0f - grow;
        if (dir == 0) {
            engine->Gfx_DrawRect(x - 0.5f * w, y + at, w, 2.0f + 2.0f * grow, color);
        } else {
            const float tipward = static_cast<float>(dir) * at;
            engine->Gfx_DrawRect(x + tipward - (dir > 0 ? 0.0f : 2.0f * grow), y - 0.5f * w, 2.0f + 2.0f * grow, w,
                                 color);
        }
    }
}

const Scenery* nearestCave() {
    const Scenery* best = nullptr;
    float bestDistance = 0.0f;
    for (const ForestObject* o : forest->objects) {
        if (o->kind != FOREST_SCENERY || !static_cast<const Scenery*>(o)->hasCave) continue;
        const float d = o->localX * o->localX + o->localY * o->localY;
        if (!best || d < bestDistance) {
            best = static_cast<const Scenery*>(o);
            bestDistance = d;
        }
    }
    return best;
}

void drawCavePointer(Font* font, const World& w) {
    if (!forest || !fatEnough(w.fatness) || w.sleepPhase > 0 || w.winterPhase > 1) return;
    const Scenery* cave = nearestCave();
    if (!cave) return;
    const float angle = portable::atan2(cave->localX, cave->localY);
    const float x = viewScreenX(cave->localX, cave->localY);
    int dir = 0;
    if (std::fabs(angle) > VIEW_FIELD || x < POINTER_MARGIN || x > PICTURE_W - POINTER_MARGIN) {
        dir = cave->localX < 0.0f ? -1 : 1;
    }
    const float px = dir == 0 ? x : (dir < 0 ? POINTER_MARGIN : PICTURE_W - POINTER_MARGIN);
    const float py = dir == 0 ? POINTER_TOP : POINTER_SIDE;
    chevron(px, py, dir, POINTER_SHADOW, 1.0f);
    chevron(px, py, dir, FAT_ENOUGH_COLOR, 0.0f);
    // The word beside the arrow, whole on the picture.
    font->SetColor(FAT_ENOUGH_COLOR);
    const float labelX = std::fmin(std::fmax(px, POINTER_LABEL_HALF), PICTURE_W - POINTER_LABEL_HALF);
    font->DrawText(labelX, dir == 0 ? py - 13.0f : py + 9.0f, ALIGN_CENTER, "cave");
}

}  // namespace

const char* hintText(Hint hint, bool twoLines) {
    switch (hint) {
    case Hint::Grab: return twoLines ? "Hold the left\nbutton to grab" : "Hold the left button to grab";
    case Hint::Food: return twoLines ? "Bring food to\nthe bear's mouth" : "Bring food to the bear's mouth";
    case Hint::Pedals:
        return twoLines ? "Something is on\nthe pedals:\nthrow it out" : "Something is on the pedals: throw it out";
    default: return "";
    }
}

HintBox placeHint(float px, float py, float oneLineWidth, float twoLineWidth, float lineHeight, int narrowLines) {
    HintBox b{0.0f, 0.0f, oneLineWidth + 6.0f, lineHeight + 3.0f, false};
    const float narrowHeight = static_cast<float>(narrowLines) * lineHeight + 3.0f;
    // A line wider than the picture is broken at once.
    if (b.width > PICTURE_W - 2.0f) b = HintBox{0.0f, 0.0f, twoLineWidth + 6.0f, narrowHeight, true};
    const float aboveTop = py - PAW_ABOVE - HINT_GAP - b.height;
    if (aboveTop >= 1.0f) {
        b.top = aboveTop;
        b.left = std::fmin(std::fmax(px - 0.5f * b.width, 1.0f), PICTURE_W - 1.0f - b.width);
        // Over the fat gauge it would hide what the player feeds the bear for: higher up.
        const bool onGauge = b.left < FAT_GAUGE_RIGHT && b.left + b.width > FAT_GAUGE_LEFT &&
                             b.top < FAT_GAUGE_BOTTOM && b.top + b.height > FAT_GAUGE_TOP;
        if (onGauge) b.top = std::fmin(b.top, FAT_GAUGE_TOP - HINT_GAP - b.height);
        return b;
    }
    // Near the top: beside the paw, right of it or left of the arm, which leans
    // further left the lower the box reaches.
    float rightRoom = 0.0f, leftRoom = 0.0f, leftEnd = 0.0f;
    const float rightStart = px + PAW_RIGHT + HINT_GAP;
    auto fit = [&] {
        b.top = std::fmin(std::fmax(py - 2.0f - 0.5f * b.height, 1.0f), PICTURE_H - 1.0f - b.height);
        const float below = std::fmax(b.top + b.height - py, 0.0f);
        leftEnd = px - ARM_LEFT - ARM_LEAN * below - HINT_GAP;
        rightRoom = PICTURE_W - 1.0f - rightStart;
        leftRoom = leftEnd - 1.0f;
    };
    fit();
    if (std::fmax(rightRoom, leftRoom) < b.width) {
        b.twoLines = true;
        b.width = twoLineWidth + 6.0f;
        b.height = narrowHeight;
        fit();
    }
    const bool right = rightRoom >= b.width || (leftRoom < b.width && rightRoom >= leftRoom);
    b.left = right ? rightStart : leftEnd - b.width;
    b.left = std::fmin(std::fmax(b.left, 1.0f), PICTURE_W - 1.0f - b.width);
    return b;
}

namespace {

// The cab in miniature on the card's second page: half size, from the windshield's
// bottom down, with the route food takes over the wheel to the mouth.
constexpr float MINI_X = 100.0f;
constexpr float MINI_Y = 16.0f;
constexpr float MINI_TOP = 40.0f;  // the cab's first row shown
constexpr float MINI_W = 160.0f;
constexpr float MINI_H = 100.0f;
constexpr uint32_t ROUTE_COLOR = 0xFFFFE9A8;
constexpr uint32_t SKY_COLOR = 0xFF203850;

b2Vec2 mini(float x, float y) { return b2Vec2(MINI_X + 0.5f * x, MINI_Y + 0.5f * (y - MINI_TOP)); }

void drawTurnedSprite(Sprite* sprite, float x, float y, float scale) {
    if (sprite) sprite->DrawTransformed(x, y, 0.0f, scale, scale);
}

// The route in cab pixels: from the ledge up over the wheel, down its left side to the mouth.
constexpr float ROUTE[][2] = {{200.0f, 86.0f}, {168.0f, 54.0f}, {116.0f, 44.0f}, {70.0f, 58.0f},
                              {46.0f, 96.0f}, {48.0f, 130.0f}, {56.0f, 152.0f}};

void drawRoute() {
    constexpr int n = sizeof ROUTE / sizeof ROUTE[0];
    for (int i = 0; i + 1 < n; ++i) {
        const b2Vec2 a(ROUTE[i][0], ROUTE[i][1]), b(ROUTE[i + 1][0], ROUTE[i + 1][1]);
        const int dots = static_cast<int>((b - a).Length() / 10.0f);
        for (int k = 0; k < dots; ++k) {
            const b2Vec2 p = a + (static_cast<float>(k) / static_cast<float>(dots)) * (b - a);
            engine->Gfx_DrawRect(p.x - 2.0f, p.y - 2.0f, 4.0f, 4.0f, ROUTE_COLOR);
        }
    }
    // The arrow's head at the mouth, pointing down.
    const b2Vec2 end(ROUTE[n - 1][0], ROUTE[n - 1][1]);
    for (int r = 0; r < 4; ++r) {
        const float w = static_cast<float>(4 - r) * 4.0f;
        engine->Gfx_DrawRect(end.x - 0.5f * w, end.y + 2.0f * static_cast<float>(r), w, 2.0f, ROUTE_COLOR);
    }
}

void drawMiniCab(const HelpArt& a) {
    engine->Gfx_DrawRect(MINI_X, MINI_Y, MINI_W, MINI_H, SKY_COLOR);
    engine->Gfx_SetClipRect(static_cast<int>(MINI_X), static_cast<int>(MINI_Y), static_cast<int>(MINI_W),
                            static_cast<int>(MINI_H));
    engine->Gfx_SetViewTransform(0.0f, 0.0f, MINI_X, MINI_Y - 0.5f * MINI_TOP, 0.0f, 0.5f, 0.5f);
    // The fixtures at rest, where the round puts them.
    draw(a.dash, 0.0f, 0.0f);
    draw(a.gasPedal, 132.0f, 220.0f);
    draw(a.brakePedal, 76.0f, 216.0f);
    draw(a.shifter, 208.0f, 208.0f);
    draw(a.gauge, 184.0f, 102.0f);
    drawFatGaugeMark();
    draw(a.bearHead, -48.0f, 112.0f);
    draw(a.bearBody, -48.0f, 192.0f);
    drawTurnedSprite(a.berry, 200.0f, 86.0f, 1.5f);
    draw(a.wheel, 116.0f, 116.0f);
    draw(a.seats, 0.0f, -16.0f);
    drawRoute();
    drawTurnedSprite(a.paw, 118.0f, 58.0f, 1.5f);
    drawTurnedSprite(a.berry, 116.0f, 42.0f, 1.5f);
    engine->Gfx_SetViewTransform(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    engine->Gfx_SetClipRect();
}

void footer(Font* font, const char* text) {
    font->SetColor(CARD_DIM);
    font->DrawText(160.0f, 228.0f, ALIGN_CENTER, text);
}

void drawCardPage1(const HelpArt& a, Font* font) {
    font->SetColor(CARD_TITLE);
    font->DrawText(160.0f, 3.0f, ALIGN_CENTER, "How to play  1/3");

    draw(a.mouseKey, 12.0f, 20.0f);
    const char* const paw[] = {"The mouse moves the bear's paw.", "Hold the left button to grab.",
                               "Right button: the bear growls."};
    lines(font, 48.0f, 20.0f, CARD_TEXT, paw, 3);

    drawTurnedSprite(a.brakePedal, 10.0f, 86.0f, 0.5f);
    drawTurnedSprite(a.gasPedal, 26.0f, 88.0f, 0.5f);
    const char* const pedals[] = {"Gas is the tall right pedal,", "brake the wide left one: push",
                                  "them down with the paw."};
    lines(font, 48.0f, 60.0f, CARD_TEXT, pedals, 3);

    drawTurnedSprite(a.wheel, 24.0f, 114.0f, 0.25f);
    drawTurnedSprite(a.shifter, 24.0f, 150.0f, 0.5f);
    const char* const drive[] = {"Grab the wheel's rim to steer.", "The lever: forward or reverse;",
                                 "it moves only when nearly still."};
    lines(font, 48.0f, 100.0f, CARD_TEXT, drive, 3);

    drawTurnedSprite(a.berry, 18.0f, 166.0f, 1.0f);
    drawTurnedSprite(a.fish, 30.0f, 184.0f, 0.5f);
    const char* const food[] = {"Drive into bushes for berries,", "into ponds for fish. Trees drop",
                                "leaves and pinecones, boulders", "rocks: none of those is food."};
    lines(font, 48.0f, 146.0f, CARD_TEXT, food, 4);
    footer(font, "Click: next page   Esc: close");
}

void drawCardPage2(const HelpArt& a, Font* font) {
    font->SetColor(CARD_TITLE);
    font->DrawText(160.0f, 3.0f, ALIGN_CENTER, "Feeding the bear  2/3");
    drawMiniCab(a);
    // What the picture shows, named beside it.
    const b2Vec2 mouth = mini(56.0f, 160.0f);
    const b2Vec2 dial = mini(228.0f, 124.0f);
    font->SetColor(CARD_KEY);
    font->DrawText(MINI_X - 6.0f, mouth.y - 6.0f, ALIGN_RIGHT, "mouth");
    engine->Gfx_DrawRect(MINI_X - 5.0f, mouth.y, mouth.x - MINI_X + 1.0f, 1.0f, CARD_KEY);
    font->SetColor(FAT_ENOUGH_COLOR);
    font->DrawText(MINI_X + MINI_W + 6.0f, dial.y - 16.0f, ALIGN_LEFT, "fat");
    font->DrawText(MINI_X + MINI_W + 6.0f, dial.y - 4.0f, ALIGN_LEFT, "gauge");
    engine->Gfx_DrawRect(dial.x + 6.0f, dial.y, MINI_X + MINI_W + 4.0f - dial.x - 6.0f, 1.0f, FAT_ENOUGH_COLOR);

    const char* const feed[] = {"Lift food over the wheel and hold", "it at the bear's mouth till eaten."};
    lines(font, 8.0f, 122.0f, CARD_TEXT, feed, 2);
    const char* const fat[] = {"At the gold mark on the fat gauge", "drive into a cave before winter."};
    lines(font, 8.0f, 150.0f, CARD_TEXT, fat, 2);
    const char* const keys[] = {"D: demo  S: save game  L: load it", "Ctrl+S / Ctrl+M: sounds / music",
                                "Alt+Enter: full screen  Esc: quit"};
    lines(font, 8.0f, 178.0f, CARD_KEY, keys, 3);
    footer(font, "Click: next page   Left: back");
}

void drawCardPage3(const HelpArt& a, Font* font) {
    font->SetColor(CARD_TITLE);
    font->DrawText(160.0f, 3.0f, ALIGN_CENTER, "The end of the year  3/3");

    drawTurnedSprite(a.clock, 10.0f, 20.0f, 0.9f);
    const char* const clock[] = {"The clock on the dashboard counts", "down to winter. Winter ends the",
                                 "game: snow fills the car."};
    lines(font, 48.0f, 20.0f, CARD_TEXT, clock, 3);

    drawTurnedSprite(a.gauge, 4.0f, 60.0f, 0.5f);
    const char* const fat[] = {"\"Hibernate!\": the bear is fat", "enough. Now drive into a cave."};
    lines(font, 48.0f, 60.0f, CARD_TEXT, fat, 2);

    drawTurnedSprite(a.mountain, 24.0f, 104.0f, 0.065f);
    drawTurnedSprite(a.cave, 24.0f, 104.0f, 0.065f);
    const char* const caves[] = {"Caves are in the mountains at the", "forest's edge. When the bear is",
                                 "fat, a gold arrow at the top or", "side points to the nearest one."};
    lines(font, 48.0f, 88.0f, CARD_TEXT, caves, 4);
    const char* const pointerKey[] = {"C: the arrow on or off"};
    lines(font, 48.0f, 136.0f, CARD_KEY, pointerKey, 1);

    drawTurnedSprite(a.brakePedal, 10.0f, 168.0f, 0.5f);
    drawTurnedSprite(a.gasPedal, 26.0f, 170.0f, 0.5f);
    drawTurnedSprite(a.rock, 22.0f, 162.0f, 0.8f);
    const char* const pedals[] = {"Things on the floor can hold a", "pedal down or keep it up: grab",
                                  "them, swing them up and right and", "let go: out of the window."};
    lines(font, 48.0f, 156.0f, CARD_TEXT, pedals, 4);
    footer(font, "Click: close   Left: back");
}

}  // namespace

void drawHelpCard(int page) {
    const HelpArt& a = helpArt();
    engine->Gfx_Clear(0xFF000000);
    if (!a.font) return;
    if (page == 3) {
        drawCardPage3(a, a.font);
    } else if (page == 2) {
        drawCardPage2(a, a.font);
    } else {
        drawCardPage1(a, a.font);
    }
}

void drawHelpOverlay(const Game& g) {
    // A demo shows the game as it was recorded, with nothing of the help.
    if (g.playingBack != 0) return;
    Font* font = helpArt().font;
    if (!font) return;
    engine->Gfx_SetViewTransform(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    font->SetScale(1.0f);
    if (g.state == Playing && world) {
        if (g.help.cavePointerOn()) drawCavePointer(font, *world);
        drawHint(font, *world, g.help.hint());
    }
    if (const char* notice = g.help.noticeText()) {
        boxedText(font, 160.0f, g.state == Playing ? NOTICE_Y_PLAY : NOTICE_Y_TITLE, CARD_KEY, notice);
    }
}
