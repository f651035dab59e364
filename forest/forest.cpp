#include "forest/forest.h"
#include "main/year.h"

#include "engine/resources/resource_manager.h"
#include "forest/depth_order.h"
#include "forest/ground_stripes.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/edge_chain.h"
#include "physics/portable_math.h"
#include "vehicle/car.h"

Forest* forest = nullptr;

namespace {
constexpr int FENCE_VERTICES = 32;
constexpr int MOUNTAINS = 18;
constexpr int OTHER_CARS = 3;

// Modifier indices of the year rules.

Sprite* spriteNamed(const char* name) { return resourceManager ? resourceManager->SpriteByName(name) : nullptr; }
}  // namespace

ForestObject* forestObjectOf(Shape* shape) {
    b2Body* body = shape->GetBody();
    const uintptr_t p = body->GetType() == b2_dynamicBody ? body->GetUserData().pointer : shape->GetUserData().pointer;
    return reinterpret_cast<ForestObject*>(p);
}

Forest::Forest() { forest = this; }

Forest::~Forest() {
    delete playerCar;
    for (ForestObject* o : objects) delete o;
    objects.clear();
    delete world;
    if (forest == this) forest = nullptr;
}

void Forest::createWorld() {
    b2AABB bounds;
    bounds.lowerBound.Set(-80.0f, -80.0f);
    bounds.upperBound.Set(80.0f, 80.0f);
    world = new PhysicsWorld(bounds, b2Vec2(0.0f, 0.0f), true);
    world->setContactListener(this);
    BodyDef def;
    ground = world->createBody(def);

    b2Vec2 fence[FENCE_VERTICES];
    for (int i = 0; i < FENCE_VERTICES; ++i) {
        const float a = 2.0f * b2_pi * static_cast<float>(i) / static_cast<float>(FENCE_VERTICES);
        fence[i].Set(FENCE_RADIUS * portable::cos(a), -FENCE_RADIUS * portable::sin(a));
    }
    ShapeDef edge;
    edge.friction = 0.0f;
    edge.restitution = 0.0f;
    edge.density = 0.0f;
    edge.filter = makeFilter(1, 0xFFFF, 0);
    addEdgeChain(ground, fence, FENCE_VERTICES, true, edge);
}

void Forest::generate() {
    createWorld();

    int ponds = 4, bushes = 4, boulders = 9, trees = 66;
    if (modifierActive(MODIFIER_OVERFISHED)) {
        ponds = 1;
        bushes = 8;
    }
    if (modifierActive(MODIFIER_OVERGROWN)) {
        bushes += 1;
        trees = 120;
        boulders = 1;
    }

    playerCar = new Car(true);
    playerCar->place(0.0f, -20.0f);

    addPonds(ponds);
    for (int i = 0; i < bushes; ++i) {
        Scenery* s = new Scenery();
        const b2Vec2 p = randomFreeSpot();
        s->makeBush(ground, p.x, p.y);
        objects.push_back(s);
    }
    for (int i = 0; i < boulders; ++i) {
        Scenery* s = new Scenery();
        const b2Vec2 p = randomFreeSpot();
        s->makeBoulder(ground, p.x, p.y);
        objects.push_back(s);
    }
    for (int i = 0; i < trees; ++i) {
        Scenery* s = new Scenery();
        const b2Vec2 p = randomFreeSpot();
        s->makeTree(ground, p.x, p.y);
        objects.push_back(s);
    }
    addMountains();
    for (int i = 0; i < OTHER_CARS; ++i) {
        Car* car = new Car(false);
        const b2Vec2 p = randomFreeSpot();
        car->place(p.x, p.y);
        objects.push_back(car);
    }
    for (size_t i = 0; i < objects.size(); ++i) objects[i]->creationIndex = static_cast<int>(i);

    switch ((game->year - 1) % 4) {
    case 1: sky = spriteNamed("sky2"); break;
    case 3: sky = spriteNamed("sky3"); break;
    default: sky = spriteNamed("sky1"); break;
    }

    resetGroundStripes();
    // Two rows of twenty that nothing reads any more; the draws keep the
    // generator's sequence.
    for (int i = 0; i < 40; ++i) random01();
}

void Forest::addPonds(int count) {
    const float elapsed = ::world->elapsed;
    for (int i = 0; i < count; ++i) {
        Scenery* s = new Scenery();
        b2Vec2 p;
        const bool firstLane = i == 0 && ::world->easyStart;
        if (firstLane) {
            // Straight ahead of the start, with fish already jumping.
            p.x = randomRange(-1.0f, 1.0f);
            p.y = randomRange(-1.0f, 1.0f);
        } else {
            p = randomFreeSpot();
        }
        s->makePond(ground, p.x, p.y);
        if (modifierActive(MODIFIER_OVERFISHED)) s->lastHitTime = elapsed - 10.0f * random01();
        if (firstLane) s->lastHitTime = elapsed - 30.0f;
        objects.push_back(s);
    }
}

void Forest::addMountains() {
    for (int i = 0; i < MOUNTAINS; ++i) {
        const float a = static_cast<float>(i) * (2.0f * b2_pi / static_cast<float>(MOUNTAINS));
        const float r = i % 2 == 0 ? FENCE_RADIUS + 5.0f : 78.0f;
        Scenery* s = new Scenery();
        s->makeMountain(r * portable::cos(a), r * portable::sin(a), i % 4 == 0);
        objects.push_back(s);
    }
}

b2Vec2 Forest::randomFreeSpot() {
    for (;;) {
        const float x = randomRange(-FENCE_RADIUS, FENCE_RADIUS);
        const float y = randomRange(-FENCE_RADIUS, FENCE_RADIUS);
        if (x * x + y * y > FREE_SPOT_LIMIT_SQ) continue;
        bool free = true;
        if (::world->easyStart) {
            // Keep the lane from the start to the first pond clear.
            for (int k = 0; k < 10 && free; ++k) {
                const float dy = y - static_cast<float>(-20 + 2 * k);
                free = x * x + dy * dy >= 9.0f;
            }
        }
        for (size_t i = 0; i < objects.size() && free; ++i) {
            if (objects[i]->kind != FOREST_SCENERY) continue;
            const Scenery* s = static_cast<const Scenery*>(objects[i]);
            if (!s->shape) continue;
            float limit = s->shape->GetShape()->m_radius + 0.1f;
            if (s->sceneryType == SCENERY_POND) limit += 2.0f;
            const float dx = s->x - x;
            const float dy = s->y - y;
            free = dx * dx + dy * dy >= limit * limit;
        }
        if (free) return b2Vec2(x, y);
    }
}

void Forest::step() {
    world->step(1.0f / 60.0f, 10, 10);
    playerCar->update();

    const b2Body* car = playerCar->body;
    const b2Vec2 c = car->GetPosition();
    const b2Vec2 ex = car->GetWorldVector(b2Vec2(1.0f, 0.0f));
    const b2Vec2 ey = car->GetWorldVector(b2Vec2(0.0f, 1.0f));
    for (ForestObject* o : objects) {
        o->update();
        const b2Vec2 d = o->position() - c;
        o->localX = b2Dot(d, ex);
        o->localY = b2Dot(d, ey);
    }
    // Farthest ahead first: the view draws in list order.
    sortFarthestFirst(objects);

    scrollGroundStripes(b2Dot(car->GetLinearVelocity(), ey));
}

void Forest::add(const ContactPoint& point) {
    ForestObject* a = forestObjectOf(point.shapeA);
    ForestObject* b = forestObjectOf(point.shapeB);
    const float speed = point.velocity.Length();
    if (a) {
        if (!b) {
            a->onTouchBoundary();
            return;
        }
        const b2Vec2 p = point.shapeA->GetBody()->GetLocalPoint(point.position);
        a->onTouch(b, speed, p.x, p.y);
    }
    if (b) {
        if (!a) {
            b->onTouchBoundary();
        } else {
            const b2Vec2 p = point.shapeB->GetBody()->GetLocalPoint(point.position);
            b->onTouch(a, speed, p.x, p.y);
        }
    }
}
