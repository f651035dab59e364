// The picture of each application state, and its way into the window.
#include "engine/sprite/sprite.h"
#include "main/game.h"
#include "main/random.h"

void Game::renderFrame() {
    if (engine->Gfx_BeginScene(target)) {
        engine->Gfx_Clear(0xFF000000);
        engine->Gfx_EndScene();
    }
    if (!engine->Gfx_BeginScene(0)) return;
    if (fade < 1.0f) engine->Gfx_Clear(0xFF000000);
    uint32_t alpha = static_cast<uint32_t>(static_cast<int>(remapClamped(fade, 0.0f, 1.0f, 0.0f, 255.0f)));
    targetSprite->SetColor((alpha << 24) + 0xFFFFFF);
    targetSprite->DrawTransformed(0.0f, 0.0f, 0.0f, 2.0f, 2.0f);
    engine->Gfx_EndScene();
}

