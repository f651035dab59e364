#include "forest/cab_object.h"

#include "forest/cab_categories.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/body.h"

#include <algorithm>
#include <cmath>

CabObject* cabObjectOf(b2Body* body) {
    const uintptr_t p = body->GetUserData().pointer;
    if (p == 0 || p == CAB_BODY) return nullptr;
    return reinterpret_cast<CabObject*>(p);
}

CabObject::~CabObject() {
    for (int i = 0; i < bodyCount; ++i) {
        if (bodies[i]) world->cabWorld->destroyBody(bodies[i]);
    }
}

bool CabObject::owns(const b2Body* body) const {
    for (int i = 0; i < bodyCount; ++i)
        if (bodies[i] == body) return true;
    return false;
}

void CabObject::setMaskBits(uint16_t bits) {
    for (int i = 0; i < bodyCount; ++i) {
        for (b2Fixture* f = bodies[i]->GetFixtureList(); f; f = f->GetNext()) {
            b2Filter filter = f->GetFilterData();
            if ((filter.maskBits & bits) == bits) continue;
            filter.maskBits |= bits;
            f->SetFilterData(filter);  // refilters the shape
        }
    }
}

void CabObject::clearMaskBits(uint16_t bits) {
    for (int i = 0; i < bodyCount; ++i) {
        for (b2Fixture* f = bodies[i]->GetFixtureList(); f; f = f->GetNext()) {
            b2Filter filter = f->GetFilterData();
            if ((filter.maskBits & bits) == 0) continue;
            filter.maskBits &= static_cast<uint16_t>(~bits);
            f->SetFilterData(filter);
        }
    }
}

void CabObject::applyOpenings() {
    if (bodyCount <= 0) return;
    const b2Vec2 p0 = bodies[0]->GetPosition();
    const b2Vec2 v = bodies[0]->GetLinearVelocity();
    float minX = p0.x - radii[0], maxX = p0.x + radii[0];
    float minY = p0.y - radii[0], maxY = p0.y + radii[0];
    bool held = world->isHeld(bodies[0]);
    for (int i = 1; i < bodyCount; ++i) {
        const b2Vec2 p = bodies[i]->GetPosition();
        minX = std::min(minX, p.x - radii[i]);
        maxX = std::max(maxX, p.x + radii[i]);
        minY = std::min(minY, p.y - radii[i]);
        maxY = std::max(maxY, p.y + radii[i]);
        held = held || world->isHeld(bodies[i]);
    }

    if (usesOpenings) {
        const bool mayEscape = held || escapesWhenFast;
        if (mayEscape && v.y < -36.0f) {
            clearMaskBits(CAB_ROOF);
        } else if (minY > 0.5f && v.y > 0.0f) {
            setMaskBits(CAB_ROOF);
        }
        if (mayEscape && std::fabs(v.x) > 45.0f) {
            clearMaskBits(CAB_WINDOWS);
        } else if (minX > -1.0f && minX < 10.0f && v.x > 0.0f) {
            setMaskBits(CAB_WINDOWS);
        } else if (maxX > 10.0f && maxX < 21.0f && v.x < 0.0f) {
            setMaskBits(CAB_WINDOWS);
        }
    }

    if (held) {
        clearMaskBits(CAB_LEDGE);
    } else if (maxY < 6.0f && stayChance > 0.0f) {
        setMaskBits(CAB_LEDGE);
    }

    if (struck) {
        struck = false;
        maybeDropFromLedge();
    }
}

void CabObject::maybeDropFromLedge() {
    if (random01() > stayChance) clearMaskBits(CAB_LEDGE);
}

void CabObject::dropIntoCab() {
    const float x = randomRange(5.0f, 15.0f);
    const float y = randomRange(-5.0f, -10.0f);
    for (int i = 0; i < bodyCount; ++i) {
        bodies[i]->SetTransform(b2Vec2(x, y), 0.0f);
        bodies[i]->SetLinearVelocity(b2Vec2(0.0f, 8.0f));
    }
}
