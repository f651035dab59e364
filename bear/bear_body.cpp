// The bear in the cab: a static body with a torso that loose things land on and a
// mouth sensor that feels only what can be eaten.
#include "forest/cab_categories.h"
#include "main/world.h"

void World::createBear(float x, float y) {
    BodyDef def;
    def.position.Set(x, y);
    def.userData = CAB_BODY;
    bearBody = cabWorld->createBody(def);  // no mass: static

    static const b2Vec2 torsoOutline[4] = {b2Vec2(2.0f, 1.0f), b2Vec2(5.0f, 1.0f), b2Vec2(7.0f, 13.0f),
                                           b2Vec2(0.0f, 13.0f)};
    ShapeDef torso = polygonShape(torsoOutline, 4);
    torso.friction = 1.0f;
    torso.filter = makeFilter(CAB_BEAR);
    addShape(bearBody, torso);

    ShapeDef mouth = boxShape(1.2f, 1.2f, b2Vec2(6.5f, 3.0f));
    mouth.friction = 1.0f;
    mouth.isSensor = true;
    mouth.filter = makeFilter(CAB_MOUTH, CAB_LOOSE);
    addShape(bearBody, mouth);
}
