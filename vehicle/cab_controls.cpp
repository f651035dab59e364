// Driving through the cab: before the cab step the fixtures' motors are set (the
// gear lever's snap and lock, the wheel's self-centring); after it the fixtures
// are read into the player's car.
#include "forest/forest.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <cmath>

namespace {
constexpr float TURN_TO_STEER = -0.15915494f;   // a full turn is full lock
constexpr float TRAVEL_TO_PEDAL = -0.6666667f;  // 1.5 units down is full
constexpr float SNAP_SPEED = 20.0f;
// The paw can overpower the smaller torque only: the gear changes only while the
// car is almost still.
constexpr float LEVER_FREE_TORQUE = 2000.0f;
constexpr float LEVER_LOCKED_TORQUE = 100000.0f;
constexpr float LOCK_SPEED = 1.5f;
}  // namespace

void World::prepareFixtures(float forwardSpeed) {
    // Past upright the motor throws the lever to the stop on that side.
    const float target = shifterBody->GetAngle() > 0.0f ? -SNAP_SPEED : SNAP_SPEED;
    if (target != shifterJoint->GetMotorSpeed()) {
        engine->Effect_Play(roundEffects.shift);
        shifterJoint->SetMotorSpeed(target);
    }
    shifterJoint->SetMaxMotorTorque(std::fabs(forwardSpeed) < LOCK_SPEED ? LEVER_FREE_TORQUE : LEVER_LOCKED_TORQUE);

    // Forward this pulls the wheel back to straight, harder the faster; in reverse
    // it pushes it further out.
    wheelBody->ApplyTorque(wheelJoint->GetJointAngle() * forwardSpeed * 10.0f, true);
}

void World::readControls() {
    float steer = clampFloat(wheelBody->GetAngle() * TURN_TO_STEER, -1.0f, 1.0f);
    float throttle = clampFloat(gasPedalJoint->GetJointTranslation() * TRAVEL_TO_PEDAL, 0.0f, 1.0f);
    float brake = clampFloat(brakePedalJoint->GetJointTranslation() * TRAVEL_TO_PEDAL, 0.0f, 1.0f);
    const bool reverse = shifterBody->GetAngle() <= 0.0f;
    // Rolling over, the car gets no steering, gas or brake; the gear stays.
    if (tumbleDir != 0) {
        steer = 0.0f;
        throttle = 0.0f;
        brake = 0.0f;
    }
    forest->playerCar->setControls(steer, throttle, brake, reverse);
}
