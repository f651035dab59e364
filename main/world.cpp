#include "main/world.h"

#include "engine/resources/resource_manager.h"
#include "forest/animals.h"
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "forest/pickups_clock.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/random.h"
#include "main/sound_switches.h"
#include "main/year.h"
#include "physics/portable_math.h"
#include "vehicle/car.h"

RoundEffects roundEffects = {};

namespace {
// The cab step: the float 0.016666668 (bits 0x3C888889).
constexpr float CAB_STEP = 1.0f / 60.0f;
// What one update adds to elapsed: the float 0.0166667 (bits 0x3C88889A).
constexpr float UPDATE_TIME = 0.0166667f;

constexpr float PI = 3.14159265f;
constexpr float TUMBLE_END = 6.544985f;  // a full turn and 15 degrees
constexpr float FULL_TURN = 6.2831855f;
constexpr float TUMBLE_START = 0.5235988f;  // 30 degrees

EffectHandle effectNamed(const char* name) { return resourceManager ? resourceManager->EffectByName(name, 0) : 0; }

void loadRoundEffects() {
    roundEffects.shift = effectNamed("shift");
    roundEffects.chomp[0] = effectNamed("chomp1");
    roundEffects.chomp[1] = effectNamed("chomp2");
    roundEffects.chomp[2] = effectNamed("chomp3");
    roundEffects.growl1 = effectNamed("growl1");
    roundEffects.brake = effectNamed("brake");
    roundEffects.loaded = true;
}
}  // namespace

World::World() = default;

World::~World() {
    delete forest;
    // The grip goes before the body it holds.
    if (cabWorld) releaseGrab();
    biteBody = nullptr;
    for (CabObject* o : cabObjects) delete o;
    cabObjects.clear();
    for (CabObject* o : snowballs) delete o;
    snowballs.clear();
    if (music != static_cast<MusicHandle>(-1)) engine->Music_Free(music);
    engine->Channel_StopAll();
    delete cabWorld;
    cabWorld = nullptr;
}

void World::setup(float winterMinutes) {
    b2AABB bounds;
    bounds.lowerBound.Set(-20.0f, -20.0f);
    bounds.upperBound.Set(40.0f, 35.0f);
    cabWorld = new PhysicsWorld(bounds, b2Vec2(0.0f, 20.0f), true);
    cabWorld->setContactListener(this);
    cabWorld->setBoundaryListener(this);
    gripWatch_.owner = this;
    cabWorld->library()->SetDestructionListener(&gripWatch_);

    BodyDef anchor;
    anchor.userData = CAB_BODY;
    cabAnchor = cabWorld->createBody(anchor);
    addCabBox(-2.0f, 0.0f, 24.0f, 0.5f, CAB_ROOF);
    addCabBox(-2.0f, 15.0f, 24.0f, 0.5f, CAB_FLOOR);
    addCabBox(-2.0f, -2.0f, 1.0f, 8.0f, CAB_WINDOWS);
    addCabBox(21.0f, -2.0f, 1.0f, 8.0f, CAB_WINDOWS);
    addCabBox(-2.0f, 6.0f, 1.0f, 9.0f, CAB_FLOOR);
    addCabBox(21.0f, 6.0f, 1.0f, 9.0f, CAB_FLOOR);
    winterBlock = addCabBox(11.5f, 12.5f, 3.0f, 2.5f, CAB_FLOOR);
    addCabEdge(-2.0f, 6.0f, 22.0f, 6.0f, CAB_LEDGE);

    createSteeringWheel(7.25f, 7.25f, 3.0f);
    createBrakePedal(4.75f, 13.5f);
    createGasPedal(8.25f, 13.75f);
    createShifter(13.0f, 13.0f);
    createBear(-3.0f, 7.0f);
    // The year's clock stands on the dashboard.
    Clock* clock = new Clock(winterMinutes);
    clock->bodies[0]->SetTransform(b2Vec2(15.0f, 5.4f), 0.0f);
    cabObjects.push_back(clock);

    easyStart = game->year == 1;

    new Forest();  // becomes the program's forest
    forest->generate();

    music = engine->Music_Load("music\\mossbeat65.xm", 0);
    engine->Music_Play(music, true, 75, -1, -1);
    engine->Music_SetInstrumentVolume(music, 18, 0);

    engine->Effect_PlayWith(effectNamed("start"), 75, 0, 1.0f, false);
    motorChannel = engine->Effect_PlayWith(effectNamed("motor"), 25, 0, 0.25f, true);
    rollingChannel = engine->Effect_PlayWith(effectNamed("rolling"), 1, 0, 0.5f, true);
    engine->Channel_Pause(rollingChannel);

    winterCountdown = winterMinutes * 60.0f;

    // A famished bear starts below nothing, however many modifiers the year has.
    if (modifierActive(-1)) fatness = 0.25f;
    if (modifierActive(MODIFIER_FAMISHED)) fatness = -0.25f;

    for (Crumb& c : crumbs) c.life = 0.0f;
    crumbNext = 0;

    const int year = game->year;
    wearsHat = year == 4 || year == 8 || year >= 12;
    wearsAntlers = year >= 7;
    stingTimer = 0.0f;
}

void World::update(const InputFrame* frame) {
    if (!roundEffects.loaded) loadRoundEffects();
    const float dt = engine->Timer_Delta();

    elapsed += UPDATE_TIME;
    frameCount += 1;

    bool leftDown, leftUp, rightDown;
    if (frame) {
        leftDown = (frame->buttons & INPUT_LEFT_DOWN) != 0;
        leftUp = (frame->buttons & INPUT_LEFT_UP) != 0;
        rightDown = (frame->buttons & INPUT_RIGHT_DOWN) != 0;
    } else {
        leftDown = engine->Input_KeyPressed(KEY_LBUTTON);
        leftUp = engine->Input_KeyReleased(KEY_LBUTTON);
        rightDown = engine->Input_KeyPressed(KEY_RBUTTON);
    }

    const float forwardSpeed = playerForwardSpeed();
    float cornering = forest->playerCar->body->GetAngularVelocity() * forwardSpeed;
    if (sleepPhase > 0 || winterPhase > 1) cornering = 0.0f;

    updateTilt(cornering, dt);
    updateBumps(forwardSpeed, dt);
    applyCabForces(cornering);
    cabWorld->setGravity(b2Vec2(portable::sin(cabTilt) * 20.0f, portable::cos(cabTilt) * 20.0f));

    prepareFixtures(forwardSpeed);
    chew(dt);
    updateMouthLinger(dt);
    updateCrumbs(dt);
    updateGrowl(dt, rightDown);

    stepCab();
    updateCabObjects();

    readControls();
    const Car* car = forest->playerCar;
    updateDrivingSounds(forwardSpeed, car->throttle, car->brake);

    if (sleepPhase == 0) forest->step();

    startHibernation();

    // A recorded frame's movement is the pointer's for the rest of the update.
    if (frame) {
        mouseDX = frame->dx;
        mouseDY = frame->dy;
    }
    updatePaw(mouseDX, mouseDY, leftDown, leftUp);

    updateWinter(dt);
    updateHibernation(dt);
    updateFatNotice(dt);
    developerKeys();
}

float World::playerForwardSpeed() const {
    const b2Body* body = forest->playerCar->body;
    const float a = body->GetAngle();
    const b2Vec2 v = body->GetLinearVelocity();
    return -portable::sin(a) * v.x + portable::cos(a) * v.y;
}

void World::updateTilt(float cornering, float dt) {
    if (tumbleDir == 1) {
        cabTilt += dt * PI;
        if (cabTilt > TUMBLE_END) {
            tumbleDir = 0;
            cabTilt -= FULL_TURN;
        }
    } else if (tumbleDir == -1) {
        cabTilt -= dt * PI;
        if (cabTilt < -TUMBLE_END) {
            tumbleDir = 0;
            cabTilt += FULL_TURN;
        }
    } else {
        // Leans into the turn and settles back; too far and the cab rolls over.
        cabTilt += cornering * dt * 0.075f;
        cabTilt -= cabTilt * dt * 2.5f;
        if (cabTilt > TUMBLE_START) {
            tumbleDir = 1;
        } else if (cabTilt < -TUMBLE_START) {
            tumbleDir = -1;
        }
    }
}

void World::updateBumps(float forwardSpeed, float dt) {
    if (bumpAmp > 0.0f) {
        bumpAmp -= 4.0f * (bumpAmp + 0.25f) * dt;
        if (bumpAmp < 0.0f) bumpAmp = 0.0f;
    } else if (bumpAmp < 0.0f) {
        bumpAmp += 4.0f * (0.25f - bumpAmp) * dt;
        if (bumpAmp > 0.0f) bumpAmp = 0.0f;
    }
    bumpSmooth = mix(bumpSmooth, bumpAmp, 0.1f);
    // One draw every update; reversing or crawling never bumps.
    if (random01() < (forwardSpeed - 1.0f) * 0.01f) {
        bumpNow = true;
        bumpAmp = 0.25f;
    }
    if (sleepPhase > 0) bumpSmooth = 0.0f;
}

void World::applyCabForces(float cornering) {
    const b2Vec2 side(portable::cos(cabTilt), -portable::sin(cabTilt));
    for (b2Body* b = cabWorld->bodies(); b; b = b->GetNext()) {
        if (isStatic(b)) continue;
        const float mass = b->GetMass();
        b->ApplyForceToCenter((mass * 2.5f * cornering) * side, true);
        // A bump lifts what rests and is heavy; light or moving things ride it out.
        if (bumpNow && b->GetLinearVelocity().LengthSquared() < 1.0f && mass > 1.0f) {
            b->ApplyLinearImpulseToCenter(b2Vec2(0.0f, -bumpAmp * 10.0f), true);
        }
    }
    bumpNow = false;
}

void World::stepCab() {
    contactCount = 0;
    cabWorld->step(CAB_STEP, 10, 10);
}

void World::dropHolds(const CabObject* object) {
    if (biteBody && object->owns(biteBody)) biteBody = nullptr;
    if (grabJoint && object->owns(grabJoint->GetBodyB())) releaseGrab();
}

void World::updateCabObjects() {
    size_t i = 0;
    while (i < cabObjects.size()) {
        CabObject* o = cabObjects[i];
        o->update();
        if (!o->dead) {
            ++i;
            continue;
        }
        dropHolds(o);
        delete o;
        // The last one takes its place and is updated next.
        cabObjects[i] = cabObjects.back();
        cabObjects.pop_back();
    }
}

void World::developerKeys() {
    // Reading Control is a walk over the whole keyboard state: only when it matters.
    const bool anyKey = engine->Input_KeyPressed('C') || engine->Input_KeyPressed('S') || engine->Input_KeyPressed('M');
    if (devKeyFrames == 0 && !anyKey) return;
    const bool control = engine->Input_KeyHeld(KEY_CTRL);
    if (engine->Input_KeyPressed('C') && control) {
        devKeyFrames = 60;
        return;
    }
    if (devKeyFrames > 0 && !control) {
        devKeyFrames -= 1;
        auto throwIn = [this](CabObject* o) {
            if (!o) return;
            o->dropIntoCab();
            cabObjects.push_back(o);
        };
        if (engine->Input_KeyPressed('F')) throwIn(new Fish());
        if (engine->Input_KeyPressed('R')) {
            RoundItem* rock = new RoundItem();
            rock->makeRock();
            throwIn(rock);
        }
        if (engine->Input_KeyPressed('B')) throwIn(newBadger());
        if (engine->Input_KeyPressed('E')) throwIn(newBee());
        if (engine->Input_KeyPressed('L')) {
            RoundItem* leaf = new RoundItem();
            leaf->makeLeaf(static_cast<int>(randomInt(3)));
            throwIn(leaf);
        }
        if (engine->Input_KeyPressed('O')) {
            winterPhase = 1;
            winterCountdown = 0.0f;
        }
        if (engine->Input_KeyPressed('T')) {
            sleepPhase = 1;
            sleepClock = 0.0f;
            caveZoom = 1.0f;
        }
        if (engine->Input_KeyPressed('P')) game->endYear(true);
        if (engine->Input_KeyPressed('U')) fatNotice = 0.01f;
        return;
    }
    soundSwitches();
}
