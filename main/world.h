// One round: one year of the bear's life. It owns the cab's physics world and the
// loose objects in it, the round's music and looping sounds, and the forest.
#pragma once

#include "engine/engine.h"
#include "main/input_log.h"
#include "physics/physics_world.h"

#include <vector>

class CabObject;
class Scenery;

// A crumb flying from the mouth, relative to the mouth; alive while life > 0.
struct Crumb {
    float x, y, vx, vy, life;
};

// The effects the round update plays, fetched at its first update of the run.
struct RoundEffects {
    bool loaded;
    EffectHandle shift;
    EffectHandle chomp[3];
    EffectHandle growl1;
    EffectHandle brake;
};
extern RoundEffects roundEffects;

class World : public ContactListener, public BoundaryListener {
public:
    World();
    ~World() override;
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Builds the round with winter the given number of minutes away.
    void setup(float winterMinutes);
    // One step of 1/60 s; null means live input.
    void update(const InputFrame* frame);

    // The cab's shell: a box by its top-left corner and size, an edge, both on
    // cabAnchor.
    Shape* addCabBox(float x, float y, float w, float h, uint16_t category);
    Shape* addCabEdge(float x1, float y1, float x2, float y2, uint16_t category);
    // The fixtures the paw works, each a body on a joint to cabAnchor.
    void createSteeringWheel(float x, float y, float radius);
    void createGasPedal(float x, float y);
    void createBrakePedal(float x, float y);
    void createShifter(float x, float y);
    // The bear: one static body with its torso and its mouth sensor.
    void createBear(float x, float y);

    // Steps of the update, in their order.
    float playerForwardSpeed() const;
    void updateTilt(float cornering, float dt);
    void updateBumps(float forwardSpeed, float dt);
    void applyCabForces(float cornering);
    void prepareFixtures(float forwardSpeed);
    // The bite in the mouth: crumbs, chomps, and the swallow that fattens.
    void chew(float dt);
    void updateMouthLinger(float dt);
    void updateCrumbs(float dt);
    void updateGrowl(float dt, bool rightDown);
    void stepCab();
    void updateCabObjects();
    void readControls();
    void updateDrivingSounds(float forwardSpeed, float throttle, float brake);
    void startHibernation();
    // dx, dy: this update's pointer movement in window pixels.
    void updatePaw(float dx, float dy, bool leftDown, bool leftUp);
    void updateWinter(float dt);
    void updateHibernation(float dt);
    void updateFatNotice(float dt);
    void developerKeys();

    // The player's car hit scenery: the cab jolts, and what the scenery gives falls
    // in through the roof (forest/contacts.cpp).
    void carImpact(Scenery* other, float speed);

    // The mouth sensor's contacts.
    void mouthBegin(b2Body* body);
    void mouthEnd(b2Body* body);
    // The paw's grip.
    void grabAt(float x, float y);
    bool isHeld(const b2Body* body) const;
    void releaseGrab();
    // A bee at (x, y) stings the paw if it is close and the paw is not immune.
    bool stingPaw(float x, float y);

    // The picture of the round: the windshield view with the cab over it
    // (vehicle/cab_drawing.cpp). The parts below draw in cab pixels under the
    // cab transform; drawBear returns the head's place.
    void drawCab();
    b2Vec2 drawBear();
    void drawHeldPaw();
    void drawCrumbs(float hx, float hy);
    void drawPaw();

    // The cab's contacts and the bodies that fly out of it.
    void add(const ContactPoint& point) override;
    void persist(const ContactPoint& point) override;  // counts them only
    bool persistPointsWanted() const override { return false; }
    void remove(const ContactPoint& point) override;
    void violation(b2Body* body) override;

    PhysicsWorld* cabWorld = nullptr;
    int frameCount = 0;
    float elapsed = 0.0f;
    float cabTilt = 0.0f;  // direction of the cab's gravity; 0 straight down
    int tumbleDir = 0;     // +1 / -1 while the cab rolls over
    bool caveAhead = false;
    int sleepPhase = 0;
    float sleepClock = 0.0f;
    float caveZoom = 0.0f;
    float growlTimer = 0.0f;
    int missedGrabs = 0;
    bool easyStart = false;
    b2Body* cabAnchor = nullptr;
    b2Body* wheelBody = nullptr;
    b2Body* gasPedalBody = nullptr;
    b2Body* brakePedalBody = nullptr;
    b2Body* shifterBody = nullptr;
    b2RevoluteJoint* wheelJoint = nullptr;
    b2PrismaticJoint* gasPedalJoint = nullptr;
    b2PrismaticJoint* brakePedalJoint = nullptr;
    b2RevoluteJoint* shifterJoint = nullptr;
    float pawX = 10.0f;
    float pawY = 10.0f;
    b2MouseJoint* grabJoint = nullptr;
    b2Body* bearBody = nullptr;
    float fatness = 0.0f;
    std::vector<CabObject*> cabObjects;
    std::vector<CabObject*> snowballs;
    b2Body* biteBody = nullptr;
    float chewTime = 0.0f;
    int mouthContacts = 0;
    float lastGrabTime = 0.0f;
    float mouthLinger = 0.0f;
    float chompTimer = 0.0f;
    float bumpAmp = 0.0f;
    float bumpSmooth = 0.0f;
    bool bumpNow = false;
    int contactCount = 0;
    ChannelHandle motorChannel = 0;
    ChannelHandle rollingChannel = 0;
    float lastScreechTime = 0.0f;
    int winterPhase = 0;
    float winterCountdown = 0.0f;
    float snowScrollX = 0.0f;
    float snowScrollY = 0.0f;
    Shape* winterBlock = nullptr;
    float fatNotice = 0.0f;
    MusicHandle music = static_cast<MusicHandle>(-1);
    bool brakeSquealed = false;
    Crumb crumbs[5] = {};
    int crumbNext = 0;
    bool wearsHat = false;
    bool wearsAntlers = false;
    float stingTimer = 0.0f;
    float stingPhase = 0.0f;
    int devKeyFrames = 0;

private:
    // Lets go of what the paw and the mouth hold of the object before it goes.
    void dropHolds(const CabObject* object);

    // Forgets the grip when its joint goes with a body destroyed while held.
    struct GripWatch : b2DestructionListener {
        World* owner = nullptr;
        void SayGoodbye(b2Joint* joint) override;
        void SayGoodbye(b2Fixture* fixture) override { (void)fixture; }
    };
    GripWatch gripWatch_;
};

// Contact events handled per cab step; later ones in the same step are ignored.
constexpr int MAX_CAB_CONTACT_EVENTS = 512;

// True when the year has modifier k (k = -1: fewer than two modifiers).
bool modifierActive(int k);

// Fat enough to hibernate. Every meal is a multiple of 1/800, so the slack only
// forgives the float sum: 25 berries from 0.25 come to 0.9999995, not 1.
inline bool fatEnough(float fatness) { return fatness >= 1.0f - 1e-4f; }
