// The windshield view: the sky, the streaming ground and every object of the forest
// plane seen in first person from the player's car.
#include "engine/sprite/sprite.h"
#include "main/year.h"
#include "forest/forest.h"
#include "forest/ground_stripes.h"
#include "forest/projection.h"
#include "main/game.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <algorithm>

namespace {
}  // namespace

void Forest::drawView() {
    if (sky) sky->DrawTransformed(-20.0f, std::min(VIEW_HORIZON - 76.8f + 1.0f, 0.0f), 0.0f, 45.0f, 1.2f);

    const int colorBase = modifierActive(MODIFIER_FROZEN) ? 2 : 0;
    forEachGroundBand(stripePhase, stripeParity, [colorBase](float y, float h, int p) {
        engine->Gfx_DrawRect(0.0f, y, static_cast<float>(TARGET_WIDTH), h, stripeColors[colorBase + p]);
    });

    // The list is kept farthest-ahead first, so nearer objects cover farther ones.
    const b2Vec2 eye = playerCar->body->GetPosition();
    for (ForestObject* object : objects) {
        if (object->localY < VIEW_NEAR) continue;  // beside or behind the car
        const b2Vec2 d = object->position() - eye;
        const float distance = d.Length();
        const ViewPlacement at = viewPlacement(object->localX, object->localY, distance);
        float viewAngle = 0.0f;
        if (object->isCar()) {
            const b2Vec2 u(d.x / distance, d.y / distance);
            viewAngle = carViewAngle(object->heading(), u);
        }
        object->render(at.screenX, at.screenY, viewAngle, at.scale, at.distance);
    }
}
