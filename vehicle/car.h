// A car of the forest plane: one rigid body pushed by drive, brake, drag and side
// grip, turned by a steering torque. The player drives one through the cab; the
// other three choose their own manoeuvres.
#pragma once

#include "engine/engine.h"
#include "forest/forest_object.h"

class Car : public ForestObject {
public:
    // Creates the body in the forest's world; an AI car starts its motor voice.
    explicit Car(bool isPlayer);
    ~Car() override;
    Car(const Car&) = delete;
    Car& operator=(const Car&) = delete;

    void place(float x, float y);
    void setControls(float steer, float throttle, float brake, bool reverse);

    // AI choice, then the forces of this step.
    void update() override;
    void render(float screenX, float screenY, float viewAngle, float scale, float distance) override;
    b2Vec2 position() const override { return body->GetPosition(); }
    b2Vec2 heading() const override { return body->GetWorldVector(b2Vec2(1.0f, 0.0f)); }
    bool isCar() override { return true; }
    void onTouch(ForestObject* other, float speed, float contactX, float contactY) override;
    void onTouchBoundary() override;

    void chooseManoeuvre();
    void updateMotorVoice();
    // Speed along the car's own forward axis (its local y).
    float forwardSpeed() const;

    bool isPlayer;
    b2Body* body = nullptr;
    float steer = 0.0f;     // positive turns left
    float throttle = 0.0f;  // 0..1
    float brake = 0.0f;     // 0..1
    int reverse = 0;
    float lastSceneryHitTime = 0.0f;
    float lastCarHitTime = 0.0f;
    float nextDecisionTime = 0.0f;
    ChannelHandle motorChannel = 0;

private:
    // Stands still and chooses again within two seconds.
    void stop();
};

// The crash of the player's car into another car.
void playCrash(float speed);

// Which of the nine stored views "escort0".."escort8" shows a car seen at
// viewAngle, and whether it is drawn unflipped (the views 9..15 of sixteen).
int carView(float viewAngle, bool* mirrored);

// Car constants.
constexpr float CAR_MASS = 0.76f;
constexpr float CAR_INERTIA = 1.15f;
constexpr float CAR_DRIVE_FORCE = 2.95f;
constexpr float CAR_BRAKE_FORCE = 8.0f;
