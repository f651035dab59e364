// Runs the game in its real window (under xvfb-run without a display), drives the
// Game through its screens and saves a picture of each: the first year's title at
// 1 s and at 8 s, a later year with two modifiers, the overfished year, "Game Over",
// the windshield view at the start and after driving toward the other cars, up
// against the fence before a mountain and close to a tree, a boulder and a car (the
// car put there directly), and the start of a year that is still frozen; then, if
// asked, the title's demo at the given seconds of its round.
//
//   screenshots [output folder] [--demo-at S1,S2,...]   (default /tmp/shots; BMP and PNG of each)
//   screenshots [output folder] --help-card              (the help's pages, hints, the cave pointer, a notice)
//
// The screens are reached by setting the Game's fields the way its own transitions
// do (a year survived or lost is a later part of the game); play is entered through
// the Game's own fade into a round, and the player's car is driven as a player
// drives it: the pilot's paw works the wheel, the pedals and the gear lever, and
// its pointer movements and buttons are played into the Game like a demo that is
// written while it plays.
#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "forest/forest.h"
#include "forest/pickups_round_item.h"
#include "forest/projection.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/startup.h"
#include "main/world.h"
#include "physics/portable_math.h"
#include "tools/pilot/driving.h"
#include "tools/pilot/paw_pilot.h"
#include "vehicle/car.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace {

std::string outDir = "/tmp/shots";
bool failed = false;

enum Phase {
    TitleYear1Early,
    TitleYear1Late,
    LaterYear,
    Overfished,
    Lost,
    EnterPlay,
    PlayStart,
    Driving,
    CloseFence,
    CloseTree,
    CloseBoulder,
    CloseCar,
    FrozenYear,
    FrozenPlay,
    Demo,
    HelpCard1,
    HelpCard2,
    HelpHintTop,
    HelpPedals,
    HelpCavePointer,
    HelpNoticeSaved,
    Finished,
};

Phase phase = TitleYear1Early;
int phaseFrames = 0;
const char* pendingShot = nullptr;  // saved after this frame's picture is drawn
int drivingFrames = 0;
bool arrived = false;  // stopped short of the cars driven at
std::vector<float> demoAt;  // seconds of the demo's round to take
size_t demoShot = 0;
std::string demoName;
Navigator navigator;
PawPilot paw;

// A key pressed and let go, as the window system sends it.
void pressKey(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    SDL_PushEvent(&e);
}

void enter(Phase p) {
    phase = p;
    phaseFrames = 0;
}

// A year's screen as it appears after the year before ends: black for a second,
// then fading in while the title time runs from -2.5.
void showYear(int year, int modifierA, int modifierB, int winterMinutes) {
    game->state = game->nextState = Title;
    game->year = year;
    game->modifierA = modifierA;
    game->modifierB = modifierB;
    game->winterMinutes = winterMinutes;
    game->titleTime = -2.5f;
    game->fade = -1.5f;
    game->fadeDir = 1;
    game->idleFrames = 0;
}

void save(const char* name) {
    const std::string bmp = outDir + "/" + name + ".bmp";
    const std::string png = outDir + "/" + name + ".png";
    engine->System_Screenshot(bmp.c_str());
    SDL_Surface* s = SDL_LoadBMP(bmp.c_str());
    if (!s || IMG_SavePNG(s, png.c_str()) != 0) {
        std::fprintf(stderr, "screenshots: could not save %s\n", png.c_str());
        failed = true;
    } else {
        std::printf("%s\n", png.c_str());
    }
    SDL_FreeSurface(s);
}

// The other cars in the player's view: ahead and within the field, nearer than far.
int carsInView(float far) {
    int n = 0;
    for (ForestObject* o : forest->objects) {
        if (!o->isCar() || o->localY < 0.5f) continue;
        const float bearing = portable::atan2(o->localX, o->localY);
        if (std::fabs(bearing) < 0.6f && std::hypot(o->localX, o->localY) < far) ++n;
    }
    return n;
}

// Where the other cars stand as the view sees them: which of the nine car views
// each shows, for checking the picture against the geometry.
void describeCars() {
    const b2Body* me = forest->playerCar->body;
    for (ForestObject* o : forest->objects) {
        if (!o->isCar() || o->localY < 0.5f) continue;
        const b2Vec2 d = o->position() - me->GetPosition();
        const float distance = d.Length();
        const float angle = carViewAngle(o->heading(), b2Vec2(d.x / distance, d.y / distance));
        bool mirrored = false;
        const int view = carView(angle, &mirrored);
        const b2Vec2 forward = static_cast<Car*>(o)->body->GetWorldVector(b2Vec2(0.0f, 1.0f));
        std::printf("  car at (%.1f, %.1f) facing (%.2f, %.2f), %.1f away, x %.0f: view angle %.2f, \"escort%d\"%s\n",
                    o->position().x, o->position().y, forward.x, forward.y, distance, viewScreenX(o->localX, o->localY),
                    angle, view, mirrored ? " unflipped" : " flipped");
    }
    std::printf("  from (%.1f, %.1f) facing (%.2f, %.2f)\n", me->GetPosition().x, me->GetPosition().y,
                me->GetWorldVector(b2Vec2(0.0f, 1.0f)).x, me->GetWorldVector(b2Vec2(0.0f, 1.0f)).y);
}

// Drives the player's car toward the other cars through the paw: two that stand
// close together when they are near, so that both fit in the view, else the
// nearest one; stops short of them. The Game plays the paw's input as the next
// record of its log.
void drive() {
    Car* me = forest->playerCar;
    const ForestObject* cars[3] = {};
    int n = 0;
    for (ForestObject* o : forest->objects) {
        if (o->isCar() && n < 3) cars[n++] = o;
    }
    if (n == 0) return;
    auto away = [](const ForestObject* o) { return std::hypot(o->localX, o->localY) + (o->localY < 0.0f ? 30.0f : 0.0f); };
    const ForestObject* nearest = cars[0];
    for (int i = 1; i < n; ++i) {
        if (away(cars[i]) < away(nearest)) nearest = cars[i];
    }
    b2Vec2 goal = nearest->position();
    float stop = 14.0f;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const float apart = (cars[i]->position() - cars[j]->position()).Length();
            const b2Vec2 mid = 0.5f * (cars[i]->position() + cars[j]->position());
            if (apart < 24.0f && (mid - me->position()).Length() < 45.0f) {
                goal = mid;
                stop = 0.6f * apart + 10.0f;
            }
        }
    }
    const b2Vec2 d = goal - me->position();
    const float ahead = b2Dot(d, me->body->GetWorldVector(b2Vec2(0.0f, 1.0f)));
    arrived = d.Length() < stop && ahead > 0.0f;
    const Wish w = arrived ? Navigator::stop() : navigator.toward(me, goal, false, world->elapsed);
    game->inputLog.append(paw.drive(w));
}

// The player's car put at a place and heading, at rest.
void placeCar(b2Vec2 at, float angle) {
    b2Body* me = forest->playerCar->body;
    me->SetTransform(at, angle);
    me->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    me->SetAngularVelocity(0.0f);
}

// The player's car with its nose gap units short of the target's edge (reach from
// its centre), facing it, from the first of eight sides where no other scenery is
// in the way and the fence is not.
bool placeBefore(ForestObject* target, float reach, float gap) {
    const b2Vec2 p = target->position();
    const float fromCentre = 2.1f + reach + gap;  // the car's nose reaches 2.1 ahead
    for (int k = 0; k < 8; ++k) {
        const float a = k * 0.78539816f;
        const b2Vec2 at = p + fromCentre * b2Vec2(portable::cos(a), portable::sin(a));
        if (at.Length() > 65.0f) continue;
        bool clear = true;
        for (ForestObject* o : forest->objects) {
            if (o == target || (!o->isCar() && static_cast<const Scenery*>(o)->sceneryType == SCENERY_MOUNTAIN)) continue;
            if ((o->position() - at).Length() < 5.0f) clear = false;
        }
        if (!clear) continue;
        placeCar(at, a + 1.5707963f);  // forward (-sin, cos) of the angle points back at p
        return true;
    }
    return false;
}

// The first scenery of a type (and, for trees, not the big fir) that leaves room before it.
bool placeBeforeScenery(int type, float gap) {
    for (ForestObject* o : forest->objects) {
        if (o->isCar()) continue;
        const Scenery* s = static_cast<const Scenery*>(o);
        if (s->sceneryType != type || (type == SCENERY_TREE && s->variety == 5)) continue;
        const float reach = type == SCENERY_TREE ? TREE_RADII[s->variety] : 2.4f;
        if (placeBefore(o, reach, gap)) return true;
    }
    return false;
}

// Holds the car before a target for a few frames (the cab settles), then shoots.
void closeUp(Phase next, const char* shot, bool placed) {
    if (phaseFrames == 12) {
        if (placed) {
            pendingShot = shot;
        } else {
            std::fprintf(stderr, "screenshots: no room for %s\n", shot);
        }
        enter(next);
    }
}

bool closePlaced = false;

bool toolFrame() {
    if (phase == Driving && forest) drive();
    if (forest && phaseFrames < 12) {
        if (phase == CloseFence) {
            // Up against the fence straight before the first mountain.
            for (ForestObject* o : forest->objects) {
                if (!o->isCar() && static_cast<const Scenery*>(o)->sceneryType == SCENERY_MOUNTAIN) {
                    const b2Vec2 p = o->position();
                    const float a = portable::atan2(p.y, p.x);
                    placeCar(67.6f * b2Vec2(portable::cos(a), portable::sin(a)), a - 1.5707963f);
                    closePlaced = true;
                    break;
                }
            }
        } else if (phase == CloseTree) {
            closePlaced = placeBeforeScenery(SCENERY_TREE, 0.1f);
        } else if (phase == CloseBoulder) {
            closePlaced = placeBeforeScenery(SCENERY_BOULDER, 0.1f);
        } else if (phase == CloseCar) {
            closePlaced = false;
            for (ForestObject* o : forest->objects) {
                if (o->isCar() && placeBefore(o, 1.0f, 0.1f)) {
                    closePlaced = true;
                    break;
                }
            }
        }
    }
    const bool quit = frameCallback();
    ++phaseFrames;

    switch (phase) {
    case TitleYear1Early:
        if (game->titleTime >= 1.0f) {
            pendingShot = "1_title_year1_1s";
            enter(TitleYear1Late);
        }
        break;
    case TitleYear1Late:
        if (game->titleTime >= 8.0f) {
            pendingShot = "2_title_year1_8s";
            enter(LaterYear);
        }
        break;
    case LaterYear:
        if (phaseFrames == 1) showYear(5, 5, 2, 4);  // turbo and full moon, 4 minutes
        if (phaseFrames > 1 && game->titleTime >= 6.0f) {
            pendingShot = "3_year5_two_modifiers";
            enter(Overfished);
        }
        break;
    case Overfished:
        if (phaseFrames == 1) showYear(2, 1, -1, 5);
        if (phaseFrames > 1 && game->titleTime >= 6.0f) {
            pendingShot = "4_year2_overfished";
            enter(Lost);
        }
        break;
    case Lost:
        if (phaseFrames == 1) {
            // Snowed in: the game-over screen stays bright while the fade runs down from 6.
            game->titleTime = -2.5f;
            game->nextState = Title;
            game->fade = 6.0f;
            game->fadeDir = -1;
            game->year = 1;
            game->winterMinutes = 5;
            game->modifierA = game->modifierB = -1;
            game->idleFrames = 0;
            game->state = GameOver;
        }
        if (phaseFrames == 60) {
            pendingShot = "5_game_over";
            enter(EnterPlay);
        }
        break;
    case EnterPlay:
        // Back on the first year's title, the button is pressed once the fade is done.
        if (game->state == Title && game->fadeDir == 0 && game->titleTime >= 4.5f) {
            game->fadeDir = -1;
            game->nextState = Playing;
            game->idleFrames = 0;
        }
        if (game->state == Playing && world && game->fadeDir == 0) {
            std::printf("round seed %u\n", game->seed);
            pendingShot = "6_play_start";
            enter(PlayStart);
        }
        break;
    case PlayStart:
        // From here the pilot's records drive the round.
        game->playingBack = 1;
        game->playIndex = game->inputLog.size();
        enter(Driving);
        break;
    case Driving:
        ++drivingFrames;
        // The other cars stay where they are for their first 15 s of the first year.
        if ((arrived && carsInView(40.0f) >= 1 && drivingFrames > 120 && std::fabs(forest->playerCar->forwardSpeed()) < 1.0f) ||
            drivingFrames > 60 * 60) {
            std::printf("driven %.1f s, %d other cars in view\n", drivingFrames / 60.0f, carsInView(80.0f));
            describeCars();
            pendingShot = "7_play_forest_cars";
            enter(CloseFence);
        }
        break;
    case CloseFence: closeUp(CloseTree, "7a_close_fence", closePlaced); break;
    case CloseTree: closeUp(CloseBoulder, "7b_close_tree", closePlaced); break;
    case CloseBoulder: closeUp(CloseCar, "7c_close_boulder", closePlaced); break;
    case CloseCar: closeUp(FrozenYear, "7d_close_car", closePlaced); break;
    case FrozenYear:
        // Escape leaves the round; then a year that is still frozen, and into it.
        if (phaseFrames == 1) {
            game->returnToTitle();
            showYear(3, 6, -1, 5);
        }
        if (phaseFrames > 1 && game->state == Title && game->fadeDir == 0 && game->titleTime >= 4.5f) {
            game->fadeDir = -1;
            game->nextState = Playing;
            game->idleFrames = 0;
            enter(FrozenPlay);
        }
        break;
    case FrozenPlay:
        if (game->state == Playing && world && game->fadeDir == 0) {
            pendingShot = "8_play_frozen_year";
            enter(demoAt.empty() ? Finished : Demo);
        }
        break;
    case Demo:
        // The title of year 1, and its demo at once, as 'D' starts it; the log
        // holds the drive above until the shipped demo is read again.
        if (phaseFrames == 1) {
            game->returnToTitle();
            game->loadDemo(engine->Resource_FullPath("data\\d1.dem"));
            game->fadeDir = -1;
            game->nextState = StartDemo;
        }
        if (phaseFrames > 1 && game->state == Playing && world && demoShot < demoAt.size() &&
            world->elapsed >= demoAt[demoShot]) {
            char name[32];
            std::snprintf(name, sizeof name, "9_demo_%05.1fs", static_cast<double>(demoAt[demoShot]));
            demoName = name;
            pendingShot = demoName.c_str();
            ++demoShot;
        }
        if (demoShot == demoAt.size() || (phaseFrames > 2 && game->state == Title && game->playingBack == 0)) {
            enter(Finished);
        }
        break;
    case HelpCard1:
        // The help alone: the card's two pages, a hint by the paw at the top of the
        // picture, and the notice of a saved demo.
        if (phaseFrames == 1) game->titleTime = 100.0f;
        if (phaseFrames == 60) pressKey(SDLK_F1);
        if (phaseFrames == 65) pendingShot = "help_card_1";
        if (phaseFrames == 70) pressKey(SDLK_SPACE);
        if (phaseFrames == 75) {
            pendingShot = "help_card_2";
            enter(HelpCard2);
        }
        break;
    case HelpCard2:
        if (phaseFrames == 5) pressKey(SDLK_SPACE);
        if (phaseFrames == 10) pendingShot = "help_card_3";
        if (phaseFrames == 15) pressKey(SDLK_ESCAPE);
        if (phaseFrames == 20) {
            game->fadeDir = -1;
            game->nextState = Playing;
            game->idleFrames = 0;
            enter(HelpHintTop);
        }
        break;
    case HelpHintTop:
        if (game->state == Playing && world && game->fadeDir == 0) {
            // The paw up at the windshield, where a hint above it has no room.
            world->pawX = 10.0f;
            world->pawY = 1.5f;
            if (phaseFrames > 30) {
                pendingShot = "help_hint_top";
                enter(HelpPedals);
            }
        } else {
            phaseFrames = 0;
        }
        break;
    case HelpPedals:
        // The paw on the gas and a rock dropped onto its plate: it stays up.
        if (phaseFrames == 1) {
            world->pawX = world->gasPedalBody->GetWorldPoint(b2Vec2(1.25f, -1.0f)).x;
            world->pawY = world->gasPedalBody->GetWorldPoint(b2Vec2(1.25f, -1.0f)).y;
            world->grabAt(world->pawX, world->pawY);
            RoundItem* rock = new RoundItem();
            rock->makeRock();
            rock->bodies[0]->SetTransform(world->gasPedalBody->GetWorldPoint(b2Vec2(1.25f, -2.5f)), 0.0f);
            world->cabObjects.push_back(rock);
        }
        if (game->help.hint() == Hint::Pedals && phaseFrames > 90) {
            pendingShot = "help_hint_pedals";
            enter(HelpCavePointer);
        } else if (phaseFrames > 600) {
            std::fprintf(stderr, "screenshots: the pedal hint never showed\n");
            failed = true;
            enter(HelpCavePointer);
        }
        break;
    case HelpCavePointer:
        // Fat enough: the pointer at the side, then, the car turned toward the
        // cave, above it.
        if (phaseFrames == 1) {
            world->releaseGrab();
            world->fatness = 1.0f;
        }
        // After the pedal hint's time: the car turned so that the nearest cave lies
        // to its left, then 40 units before it and facing it.
        if (phaseFrames == 240 || phaseFrames == 251) {
            const Scenery* cave = nullptr;
            const b2Vec2 p = forest->playerCar->position();
            for (ForestObject* o : forest->objects) {
                const bool isCave = o->kind == FOREST_SCENERY && static_cast<Scenery*>(o)->hasCave;
                if (isCave && (!cave || (o->position() - p).Length() < (cave->position() - p).Length())) {
                    cave = static_cast<Scenery*>(o);
                }
            }
            if (cave) {
                b2Vec2 d = cave->position() - p;
                d.Normalize();
                const float facing = portable::atan2(-d.x, d.y);
                if (phaseFrames == 240) {
                    forest->playerCar->body->SetTransform(p, facing - 1.6f);
                } else {
                    forest->playerCar->body->SetTransform(cave->position() - 40.0f * d, facing + 0.25f);
                }
            }
        }
        if (phaseFrames == 246) pendingShot = "help_cave_pointer_side";
        if (phaseFrames == 260) {
            pendingShot = "help_cave_pointer_ahead";
            enter(HelpNoticeSaved);
        }
        break;
    case HelpNoticeSaved:
        if (phaseFrames == 1) game->returnToTitle();
        if (phaseFrames == 90) pressKey(SDLK_s);
        if (phaseFrames == 95) {
            pendingShot = "help_notice_demo_saved";
            enter(Finished);
        }
        break;
    case Finished:
        if (phaseFrames > 2) return true;
        break;
    }
    return quit;
}

bool toolRender() {
    renderCallback();
    if (pendingShot) {
        save(pendingShot);
        pendingShot = nullptr;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help-card")) {
            phase = HelpCard1;
        } else if (!std::strcmp(argv[i], "--demo-at") && i + 1 < argc) {
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                const float t = std::strtof(p, &end);
                if (end == p) break;
                demoAt.push_back(t);
                p = *end == ',' ? end + 1 : end;
            }
        } else {
            outDir = argv[i];
        }
    }
    mkdir(outDir.c_str(), 0755);

    engine = engineCreate(ENGINE_VERSION);
    if (!engine) return 1;
    configureEngine(toolFrame, toolRender, restoreCallback);
    if (!engine->System_Initiate()) {
        std::fprintf(stderr, "screenshots: no window: %s\n", engine->System_LastError());
        engine->Release();
        return 1;
    }
    if (!loadResources()) {
        std::fprintf(stderr, "screenshots: the resources do not load: %s\n", engine->System_LastError());
        engine->System_Finish();
        engine->Release();
        return 1;
    }
    game = new Game();
    game->init();
    engine->System_Start();

    delete game;
    game = nullptr;
    freeResources();
    engine->System_Finish();
    engine->Release();
    if (phase != Finished) {
        std::fprintf(stderr, "screenshots: the window closed before every picture was taken\n");
        return 1;
    }
    return failed ? 1 : 0;
}
