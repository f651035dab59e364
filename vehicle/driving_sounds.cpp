// The player's car heard from the cab: the World's motor and rolling voices, the
// screech and the brake squeal.
#include "engine/resources/resource_manager.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"

#include <cmath>

void World::updateDrivingSounds(float forwardSpeed, float throttle, float brake) {
    // The controls are 0..1 and the speed a number; whatever a broken physics step
    // hands on, the sums below stay defined (a NaN throttle made the volume's
    // conversion overflow) and a non-number makes no sound of its own.
    throttle = clampFloat(throttle, 0.0f, 1.0f);
    brake = clampFloat(brake, 0.0f, 1.0f);
    const float a = std::isfinite(forwardSpeed) ? std::fabs(forwardSpeed) : 0.0f;
    // Quiet in the two states that end the round.
    const bool quiet = winterPhase > 1 || sleepPhase > 0;

    int volume = throttle >= 0.25f ? 50 : 25 - static_cast<int>(-100.0f * throttle);
    if (quiet) volume = 0;
    engine->Channel_Slide(motorChannel, 0.25f, volume, -101, 3.0f * throttle + 0.5f);

    if (a >= 1.0f && !quiet) {
        if (!engine->Channel_IsPlaying(rollingChannel)) engine->Channel_Resume(rollingChannel);
        engine->Channel_SetPitch(rollingChannel, 0.05f * a + 0.5f);
        engine->Channel_SetVolume(rollingChannel, static_cast<int>(remapClamped(a, 1.0f, 5.0f, 1.0f, 70.0f)));
    } else if (engine->Channel_IsPlaying(rollingChannel)) {
        engine->Channel_Pause(rollingChannel);
    }

    // Flooring the gas at low speed, or braking hard at speed.
    if (elapsed > lastScreechTime + 3.0f && (15.0f * throttle > a + 10.0f || 15.0f * brake > 25.0f - a)) {
        lastScreechTime = elapsed;
        static const EffectHandle screech = resourceManager ? resourceManager->EffectByName("screech", 0) : 0;
        engine->Effect_PlayWith(screech, 80, 0, randomRange(0.75f, 1.25f), false);
    }

    // Once per hard press; re-armed when the pedal is almost up.
    if (brake > 0.8f && !brakeSquealed && a > 1.5f) {
        engine->Effect_Play(roundEffects.brake);
        brakeSquealed = true;
    } else if (brake < 0.2f) {
        brakeSquealed = false;
    }
}
