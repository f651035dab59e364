// The picture of each application state, and its way into the window.
#include "forest/screens.h"

#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/forest.h"
#include "forest/help_drawing.h"
#include "main/art_stamp.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "main/year.h"

#include <algorithm>
#include <cstring>

namespace {

// The screens' font and pictures, fetched once for the run.
struct ScreenArt {
    Font* font;
    Sprite* logo;
    Sprite* bearSleep;
    Sprite* bearEyes;
    Sprite* sampleFish;
    Sprite* berry;
    Sprite* sampleClock;
    Sprite* mouseKey;
    Sprite* snowflake;
    Sprite* z[3];
};

const ScreenArt& screenArt() {
    static ScreenArt art = {};
    static ArtStamp stamp;
    if (!stamp.stale()) return art;
    stamp.fill();
    art = ScreenArt{};
    if (!resourceManager) return art;
    art.font = resourceManager->FontByName("f1");
    art.logo = resourceManager->SpriteByName("timberdrive");
    art.bearSleep = resourceManager->SpriteByName("bear_sleep");
    art.bearEyes = resourceManager->SpriteByName("bear_eyes");
    art.sampleFish = resourceManager->SpriteByName("sample_fish");
    art.berry = resourceManager->SpriteByName("berry");
    art.sampleClock = resourceManager->SpriteByName("sample_clock");
    art.mouseKey = resourceManager->SpriteByName("mouse_key");
    art.snowflake = resourceManager->SpriteByName("snowflake");
    art.z[0] = resourceManager->SpriteByName("z1");
    art.z[1] = resourceManager->SpriteByName("z2");
    art.z[2] = resourceManager->SpriteByName("z3");
    return art;
}

void draw(Sprite* sprite, float x, float y) {
    if (sprite) sprite->Draw(x, y);
}

void drawTinted(Sprite* sprite, float x, float y, uint32_t color) {
    if (!sprite) return;
    sprite->SetColor(color);
    sprite->Draw(x, y);
}

void text(Font* font, float x, float y, int align, uint32_t color, const char* s) {
    if (!font) return;
    font->SetColor(color);
    font->DrawText(x, y, align, s);
}

// 0..255 as t runs from t0 to t1.
uint32_t fadeIn(float t, float t0, float t1) {
    return static_cast<uint32_t>(static_cast<int>(remapClamped(t, t0, t1, 0.0f, 255.0f)));
}

// The year's modifiers in force, in the order they are shown.
int yearModifiers(const Game& g, int out[2]) {
    int n = 0;
    if (modifierMessage(g.modifierA)) out[n++] = g.modifierA;
    if (modifierMessage(g.modifierB) && g.modifierB != g.modifierA) out[n++] = g.modifierB;
    return n;
}

void drawYearIntro(const Game& g) {
    const ScreenArt& art = screenArt();
    const float t = g.titleTime;
    const int tick = static_cast<int>(engine->Timer_Time() * 5.0f);  // a 5 Hz clock
    const bool firstYear = g.year == 1;
    const bool overfished = modifierActive(MODIFIER_OVERFISHED);

    engine->Gfx_Clear(0xFF000000);

    if (firstYear) {
        draw(art.logo, 41.0f, 7.0f);
    } else {
        draw(art.snowflake, 104.0f, 22.0f);
        draw(art.snowflake, 216.0f, 22.0f);
        draw(art.snowflake, 72.0f, 22.0f);
        draw(art.snowflake, 248.0f, 22.0f);
    }

    draw(art.bearSleep, 12.0f, 180.0f);
    if (firstYear) {
        if (tick % 25 != 0) draw(art.bearEyes, 12.0f, 180.0f);  // blinks once in five seconds
    } else if (g.fadeDir == -1) {
        draw(art.bearEyes, 12.0f, 180.0f);  // wakes up as the round begins
    } else {
        draw(art.z[tick % 3], 78.0f, 162.0f);
    }

    if (firstYear) {
        text(art.font, 160.0f, 48.0f, ALIGN_CENTER, 0xFFBC3307, "Deep Den Dash");
    } else {
        if (art.font) {
            art.font->SetColor(0xFFFFFFFF);
            art.font->DrawFormatted(176.0f, 20.0f, ALIGN_LEFT, "%d", g.year);
        }
        text(art.font, 136.0f, 20.0f, ALIGN_LEFT, 0xFFCCCCCC, "Year");
        int shown[2];
        const int n = yearModifiers(g, shown);
        if (n == 1) {
            text(art.font, 160.0f, 48.0f, ALIGN_CENTER, 0xFFCCCCCC, modifierMessage(shown[0]));
        } else if (n == 2) {
            text(art.font, 160.0f, 44.0f, ALIGN_CENTER, 0xFFCCCCCC, modifierMessage(shown[0]));
            text(art.font, 160.0f, 56.0f, ALIGN_CENTER, 0xFFCCCCCC, modifierMessage(shown[1]));
        }
    }

    const uint32_t a1 = fadeIn(t, 0.0f, 1.0f) << 24;
    text(art.font, HINT_X, HINT_Y, ALIGN_LEFT, a1 + 0xCCCCCC, HINT_TEXT);
    if (overfished && art.font) {
        // Measured, so that the line covers "fish" and nothing of the words beside it.
        const TextSpan fish = glyphSpan(*art.font, HINT_X, HINT_TEXT, HINT_FISH_START, HINT_FISH_LENGTH);
        engine->Gfx_DrawRect(fish.x, HINT_STRIKE_Y, fish.width, HINT_STRIKE_HEIGHT, a1 + 0xFFFFFF);
    }
    drawTinted(art.berry, 134.0f, 115.0f, a1 + 0xFFFFFF);
    if (overfished) {
        draw(art.berry, 190.0f, 115.0f);
    } else {
        drawTinted(art.sampleFish, 160.0f, 109.0f, a1 + 0xFFFFFF);
    }

    const uint32_t a2 = fadeIn(t, 1.5f, 2.5f) << 24;
    text(art.font, 24.0f, 144.0f, ALIGN_LEFT, a2 + 0xCCCCCC, "Winter arrives in...");

    const uint32_t a3 = fadeIn(t, 3.0f, 4.0f) << 24;
    if (art.font) {
        // The nine spaces keep the number clear of "minutes!", drawn over the same line.
        art.font->SetColor(a3 + 0xFFFFFF);
        art.font->DrawFormatted(256.0f, 162.0f, ALIGN_RIGHT, "%d         ", g.winterMinutes);
    }
    text(art.font, 256.0f, 162.0f, ALIGN_RIGHT, a3 + 0xCCCCCC, "minutes!");
    drawTinted(art.sampleClock, 272.0f, 149.0f, a3 + 0xFFFFFF);

    const uint32_t a4 = fadeIn(t, 4.5f, 5.5f) << 24;
    const uint32_t frame = a4 + (t > 7.0f && tick % 2 == 0 ? 0x962A06 : 0xBC3307);
    engine->Gfx_DrawRect(TITLE_BUTTON_LEFT, TITLE_BUTTON_TOP, TITLE_BUTTON_WIDTH, TITLE_BUTTON_HEIGHT, frame);
    engine->Gfx_DrawRect(TITLE_BUTTON_LEFT + 1.0f, TITLE_BUTTON_TOP + 1.0f, TITLE_BUTTON_WIDTH - 2.0f,
                         TITLE_BUTTON_HEIGHT - 2.0f, 0xFF000000);
    text(art.font, 158.0f, 206.0f, ALIGN_LEFT, a4 + 0xCCCCCC, "Click to Drive!");

    // With the button, in the corner the bear leaves free; a demo has no card to open.
    if (g.playingBack == 0) text(art.font, HELP_KEY_X, HELP_KEY_Y, ALIGN_RIGHT, a4 + 0x888888, HELP_KEY_TEXT);

    if (t > 4.0f) draw(art.mouseKey, g.pointerX, g.pointerY);
}

void drawGameOver() {
    engine->Gfx_Clear(0xFFFFFFFF);
    text(screenArt().font, 160.0f, 112.0f, ALIGN_CENTER, 0xFF2F5963, "Game Over");
}

}  // namespace

const char* modifierMessage(int k) { return k >= 0 && k < MODIFIER_COUNT ? MODIFIER_MESSAGES[k] : nullptr; }

TextSpan glyphSpan(const Font& font, float x, const char* s, size_t start, size_t length) {
    char prefix[256];
    const size_t n = std::strlen(s);
    start = std::min(start, n);
    const size_t end = std::min(start + length, std::min(n, sizeof(prefix) - 1));
    if (end <= start) return TextSpan{x, 0.0f};
    // A character without a glyph is drawn as "?".
    auto shown = [&font](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return font.GetGlyph(u) ? u : static_cast<unsigned char>('?');
    };
    const float unit = font.scale * font.proportion;

    std::memcpy(prefix, s, start);
    prefix[start] = '\0';
    const float left = x + font.TextWidth(prefix) + font.GetPre(shown(s[start])) * unit;
    std::memcpy(prefix, s, end);
    prefix[end] = '\0';
    const float right = x + font.TextWidth(prefix) - (font.GetPost(shown(s[end - 1])) + font.tracking) * unit;
    return TextSpan{left, std::max(right - left, 0.0f)};
}

void Game::renderFrame() {
    if (engine->Gfx_BeginScene(target)) {
        Font* font = screenArt().font;
        if (font) font->SetScale(1.0f);
        switch (state) {
        case GameOver: drawGameOver(); break;
        case Playing:
            // The windshield view with the cab over it.
            if (world) world->drawCab();
            break;
        case Title:
            if (help.cardOpen()) {
                drawHelpCard(help.cardPage());
            } else {
                drawYearIntro(*this);
            }
            break;
        default: break;
        }
        drawHelpOverlay(*this);
        engine->Gfx_EndScene();
    }

    if (!engine->Gfx_BeginScene(0)) return;
    const uint32_t alpha = fadeIn(fade, 0.0f, 1.0f);
    targetSprite->SetColor((alpha << 24) + 0xFFFFFF);
    if (alpha < 255) engine->Gfx_Clear(0xFF000000);
    targetSprite->DrawTransformed(0.0f, 0.0f, 0.0f, 2.0f, 2.0f);
    engine->Gfx_EndScene();
}
