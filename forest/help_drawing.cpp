#include "forest/help_drawing.h"

#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
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
    Sprite* snowflake;
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
    art.snowflake = resourceManager->SpriteByName("snowflake");
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
    const float w = font->TextWidth(text);
    const float half = 0.5f * w + 3.0f;
    cx = std::fmin(std::fmax(cx, half + 1.0f), 319.0f - half);
    engine->Gfx_DrawRect(cx - half, y - 2.0f, 2.0f * half, LINE_HEIGHT + 3.0f, BOX_COLOR);
    font->SetColor(color);
    font->DrawText(cx, y, ALIGN_CENTER, text);
}

// Where the paw shows in the picture: the cab's point under its tilt and bump.
b2Vec2 pawInPicture(const World& w) {
    const float u = CAB_PIXELS_PER_UNIT * w.pawX - CAB_PIVOT_X;
    const float v = CAB_PIXELS_PER_UNIT * w.pawY - CAB_PIVOT_Y;
    const float c = portable::cos(w.cabTilt);
    const float s = portable::sin(w.cabTilt);
    return b2Vec2(CAB_PIVOT_X + u * c - v * s, CAB_PIVOT_Y + u * s + v * c - CAB_BUMP_LIFT * w.bumpSmooth);
}

void drawHint(Font* font, const World& w, Hint hint) {
    // Once winter or the sleep has begun the paw has nothing left to learn.
    if (hint == Hint::None || w.winterPhase > 0 || w.sleepPhase > 0) return;
    const char* text = hint == Hint::Grab ? "Hold the left button to grab" : "Bring food to the bear's mouth";
    const b2Vec2 paw = pawInPicture(w);
    // Above the paw, or below it where the picture ends.
    const float y = paw.y - 34.0f >= 2.0f ? paw.y - 34.0f : paw.y + 16.0f;
    boxedText(font, paw.x, y, HINT_TEXT_COLOR, text);
}

}  // namespace

void drawHelpCard() {
    const HelpArt& a = helpArt();
    engine->Gfx_Clear(0xFF000000);
    if (!a.font) return;
    Font* font = a.font;
    font->SetColor(CARD_TITLE);
    font->DrawText(160.0f, 4.0f, ALIGN_CENTER, "How to play");

    draw(a.mouseKey, 14.0f, 22.0f);
    draw(a.paw, 26.0f, 68.0f);
    const char* const paw[] = {"The mouse moves the bear's paw.", "Hold the left button to grab the",
                               "wheel, pedals, lever and food.", "Right button: the bear growls."};
    lines(font, 48.0f, 22.0f, CARD_TEXT, paw, 4);

    draw(a.berry, 26.0f, 88.0f);
    const char* const food[] = {"Bring food to the bear's mouth."};
    lines(font, 48.0f, 82.0f, CARD_TEXT, food, 1);

    draw(a.snowflake, 26.0f, 112.0f);
    const char* const winter[] = {"Get fat enough (the gold mark on", "the fat gauge), then drive into",
                                  "a cave before winter comes."};
    lines(font, 48.0f, 100.0f, CARD_TEXT, winter, 3);

    const char* const keys[] = {"Control+S", "Control+M", "Alt+Enter", "Escape"};
    const char* const acts[] = {"sound effects on / off", "music on / off", "full screen / window",
                                "to the title / quit"};
    lines(font, 24.0f, 148.0f, CARD_KEY, keys, 4);
    lines(font, 112.0f, 148.0f, CARD_TEXT, acts, 4);

    font->SetColor(CARD_DIM);
    font->DrawText(160.0f, 220.0f, ALIGN_CENTER, "Any key or click to go back");
}

void drawHelpOverlay(const Game& g) {
    // A demo shows the game as it was recorded, with nothing of the help.
    if (g.playingBack != 0) return;
    Font* font = helpArt().font;
    if (!font) return;
    engine->Gfx_SetViewTransform(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    font->SetScale(1.0f);
    if (g.state == Playing && world) drawHint(font, *world, g.help.hint());
    if (const char* notice = g.help.noticeText()) {
        boxedText(font, 160.0f, g.state == Playing ? NOTICE_Y_PLAY : NOTICE_Y_TITLE, CARD_KEY, notice);
    }
}
