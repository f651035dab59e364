#include "main/help.h"

#include "forest/cab_object.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <cstdio>

namespace {

// Shift, Control and Alt alone do not count: Alt+Enter changes the window, not the screen.
bool anyKeyPressed() {
    for (int key = 1; key < 256; ++key) {
        if (key >= KEY_SHIFT && key <= KEY_ALT) continue;
        if (engine->Input_KeyPressed(key)) return true;
    }
    return false;
}

bool touchedByLooseThing(b2Body* pedal) {
    for (b2ContactEdge* e = pedal->GetContactList(); e; e = e->next) {
        if (e->contact->IsTouching() && cabObjectOf(e->other)) return true;
    }
    return false;
}

// A loose thing on a pedal that is down with no paw on it, or on one the paw
// holds that stays up.
bool pedalsStuck(const World& round) {
    if (!forest || !forest->playerCar || round.tumbleDir != 0 || !round.gasPedalBody || !round.brakePedalBody) {
        return false;
    }
    const Car* car = forest->playerCar;
    const struct {
        b2Body* body;
        float amount;
    } pedals[] = {{round.gasPedalBody, car->throttle}, {round.brakePedalBody, car->brake}};
    for (const auto& p : pedals) {
        const bool held = round.isHeld(p.body);
        if ((held ? p.amount < 0.3f : p.amount > 0.1f) && touchedByLooseThing(p.body)) return true;
    }
    return false;
}

}  // namespace

bool Help::takeTitleInput(bool canOpen) {
    if (cardPage_ > 0) {
        // Alt+Enter changes the window, not the card.
        if (engine->Input_KeyHeld(KEY_ALT)) return true;
        const bool forward = engine->Input_KeyPressed(KEY_LBUTTON) || engine->Input_KeyPressed(KEY_SPACE) ||
                             engine->Input_KeyPressed(KEY_ENTER) || engine->Input_KeyPressed(KEY_RIGHT);
        const bool back = engine->Input_KeyPressed(KEY_LEFT) || engine->Input_KeyPressed(KEY_BACKSPACE);
        if (forward) {
            cardPage_ = cardPage_ < CARD_PAGES ? cardPage_ + 1 : 0;
        } else if (back) {
            cardPage_ = cardPage_ > 1 ? cardPage_ - 1 : 0;
        } else if (anyKeyPressed()) {
            cardPage_ = 0;
        }
        return true;
    }
    if (!canOpen) return false;
    // Control+H is left alone, as the demo keys leave Control+S to the sound switch.
    const bool h = engine->Input_KeyPressed('H') && !engine->Input_KeyHeld(KEY_CTRL);
    cardPage_ = engine->Input_KeyPressed(KEY_F1) || h ? 1 : 0;
    return cardPage_ > 0;
}

void Help::roundStarted(bool playingBack) {
    played_ = !playingBack;
    hintsOn_ = played_ && !hintsGiven_;
    if (hintsOn_) hintsGiven_ = true;
    grabbed_ = foodIn_ = bitten_ = false;
    pedalFrames_ = pedalHintFrames_ = pedalHints_ = 0;
}

void Help::takePlayInput() {
    if (!played_ || !engine->Input_KeyPressed(CAVE_POINTER_KEY) || engine->Input_KeyHeld(KEY_CTRL)) return;
    cavePointer_ = !cavePointer_;
    notice(cavePointer_ ? "Cave pointer on" : "Cave pointer off");
}

void Help::watchRound(const World& round) {
    if (!played_) return;
    if (pedalHintFrames_ > 0) {
        // Once it has had its time it keeps away for a while, stuck or not.
        if (--pedalHintFrames_ == 0) pedalFrames_ = -PEDAL_HINT_GAP_FRAMES;
    } else if (pedalFrames_ < 0) {
        ++pedalFrames_;
    } else {
        pedalFrames_ = pedalsStuck(round) ? pedalFrames_ + 1 : 0;
        if (pedalFrames_ >= PEDAL_STUCK_FRAMES && pedalHints_ < PEDAL_HINT_SHOWS) {
            ++pedalHints_;
            pedalHintFrames_ = PEDAL_HINT_FRAMES;
        }
    }
    if (!hintsOn_) return;
    grabbed_ = grabbed_ || round.grabJoint != nullptr;
    bitten_ = bitten_ || round.biteBody != nullptr;
    // Only what the bear can eat: a bee, a rock or a leaf is no reason to go to the mouth.
    for (size_t i = 0; i < round.cabObjects.size() && !foodIn_; ++i) {
        const CabObject* o = round.cabObjects[i];
        foodIn_ = o->nutrition > 0.0f && !o->dead;
    }
}

Hint Help::hint() const {
    if (pedalHintFrames_ > 0) return Hint::Pedals;
    if (!hintsOn_) return Hint::None;
    if (!grabbed_) return Hint::Grab;
    if (foodIn_ && !bitten_) return Hint::Food;
    return Hint::None;
}

void Help::notice(const char* text) {
    std::snprintf(notice_, sizeof notice_, "%s", text ? text : "");
    noticeFrames_ = NOTICE_FRAMES;
}

void Help::step() {
    if (noticeFrames_ > 0) noticeFrames_ -= 1;
}
