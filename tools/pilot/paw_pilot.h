// The paw as a player moves it: each update one pointer movement (at most 40
// window pixels each way) and the button edges, decided from what the player
// sees of the cab. It works the wheel, the pedals and the gear lever one at a
// time, and carries food to the bear's mouth along a path the cab leaves open.
#pragma once

#include "main/input_log.h"
#include "tools/pilot/driving.h"

#include <box2d/box2d.h>

#include <cstdint>

class CabObject;

// Where the mouth takes food, in cab units.
constexpr float MOUTH_X = 3.4f;
constexpr float MOUTH_Y = 10.0f;

class PawPilot {
public:
    // Works the fixtures toward the wish.
    InputFrame drive(const Wish& w);
    // Takes body `index` of the food object and brings it to the mouth; holds it
    // there while the bear chews. False once it gives up on this food.
    InputFrame feed(CabObject* food, int index, bool* givingUp);
    // Takes body `index` of the thing off or from under the pedals and throws it
    // out of the right window; done once let go, or given up.
    InputFrame clear(CabObject* thing, int index, bool* done);
    // Lets go of whatever the paw holds.
    InputFrame letGo();

    int grabs = 0;
    int gearChanges = 0;
    // Updates a press or a release takes to reach the paw (a person's hand is
    // late); 0 for a machine's, which acts at once.
    int reaction = 0;
    // Updates until what it sends shows in the cab.
    int lateness() const;

private:
    enum Task { IDLE, GEAR, WHEEL, PEDAL };

    void choose(const Wish& w, bool reverse, float speed);
    // Grips body at one of the points (in turn, after a grip that caught
    // something else); true while it holds it.
    bool hold(InputFrame& f, b2Body* body, const b2Vec2* points, int count);
    void gear(InputFrame& f, const Wish& w, bool reverse);
    void wheel(InputFrame& f, const Wish& w);
    void pedal(InputFrame& f, const Wish& w, bool reverse, float speed);
    // Counts the presses, and notes when the last button it sent will have reached the paw.
    InputFrame sent(InputFrame f);
    // True while a button sent is still on its way: what the pilot sees is the
    // grip from before it, not yet worth judging.
    bool waiting() const;
    // Grips body `index` of thing: true while it holds it.
    bool take(InputFrame& f, CabObject* thing, int index, bool* givingUp);
    // True when what the paw carries has come no nearer its goal for a while.
    bool stalled(b2Vec2 grip, b2Vec2 goal, bool chewing);

    Task task_ = IDLE;
    int frames_ = 0;
    int limit_ = 0;
    float gripY_ = 0.0f;
    int wrongGrips_ = 0;
    float buttonArrives_ = -1.0f;  // world time
    uint32_t lastButtons_ = 0;

    // The thing being carried, known by where it was last: the pilot keeps no
    // object's address, which a later object may get.
    bool carrying_ = false;
    b2Vec2 lastAt_ = b2Vec2(0.0f, 0.0f);
    int thingFrames_ = 0;
    int attempts_ = 0;
    int emptyMouthFrames_ = 0;
    int wiggleFrames_ = 0;
    int progressFrames_ = 0;
    float bestWay_ = 0.0f;
};
