// The mouth keeps one bite: the first edible body that touches an empty mouth. A
// bite that slips out is kept for half a second in case it comes back.
#include "main/world.h"

void World::mouthBegin(b2Body* body) {
    if (biteBody == body) {
        mouthContacts += 1;
        mouthLinger = 0.0f;
    } else if (biteBody == nullptr) {
        biteBody = body;
        chewTime = 0.0f;
        mouthContacts = 1;
        chompTimer = 0.0f;
        mouthLinger = 0.0f;
    }
}

void World::mouthEnd(b2Body* body) {
    if (body != biteBody) return;
    mouthContacts -= 1;
    if (mouthContacts == 0) mouthLinger = 0.5f;
}

// The linger stays at or below 0 once run out, until the next bite.
void World::updateMouthLinger(float dt) {
    if (mouthLinger > 0.0f) {
        mouthLinger -= dt;
        if (mouthLinger <= 0.0f) biteBody = nullptr;
    }
}
