// The growl on the right button: the face shows for a second, and a new growl
// waits until it is gone. Not while chewing or asleep.
#include "main/game.h"
#include "main/world.h"

void World::updateGrowl(float dt, bool rightDown) {
    if (growlTimer > 0.0f) {
        growlTimer -= dt;
    } else if (rightDown && biteBody == nullptr && sleepPhase == 0) {
        engine->Effect_Play(roundEffects.growl1);
        growlTimer = 1.0f;
    }
}
