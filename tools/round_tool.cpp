// Runs rounds without a window and tells what happened in them: the player's car's
// path, the other cars' choices, the impacts. It drives the player's car with a
// simple autopilot of its own (which draws nothing from the game's generator), or
// feeds a recorded demo into the round, and measures how fast the round runs.
//
//   round_tool [--seed N] [--seconds S] [--year Y] [--modifiers A[,B]]
//              [--rounds R] [--demo FILE] [--every S] [--quiet]
#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "forest/forest.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/input_log.h"
#include "main/random.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Options {
    uint32_t seed = 1;
    float seconds = 60.0f;
    int year = 1;
    int modifierA = -1;
    int modifierB = -1;
    int rounds = 1;
    const char* demo = nullptr;
    float every = 1.0f;  // path report interval
    bool quiet = false;
};

const char* SCENERY_NAMES[] = {"tree", "mountain", "boulder", "bush", "pond"};

bool parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(a, "--quiet")) {
            o->quiet = true;
            continue;
        }
        if (!v) return false;
        ++i;
        if (!std::strcmp(a, "--seed")) {
            o->seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (!std::strcmp(a, "--seconds")) {
            o->seconds = std::strtof(v, nullptr);
        } else if (!std::strcmp(a, "--year")) {
            o->year = std::atoi(v);
        } else if (!std::strcmp(a, "--modifiers")) {
            if (std::sscanf(v, "%d,%d", &o->modifierA, &o->modifierB) < 1) return false;
        } else if (!std::strcmp(a, "--rounds")) {
            o->rounds = std::atoi(v);
        } else if (!std::strcmp(a, "--demo")) {
            o->demo = v;
        } else if (!std::strcmp(a, "--every")) {
            o->every = std::strtof(v, nullptr);
        } else {
            return false;
        }
    }
    return o->seconds > 0.0f && o->rounds > 0 && o->year > 0 && o->seed != 0;
}

// Passes the forest's contacts on and remembers how fast the player's car last
// touched something, which the car itself does not keep.
class ImpactSpy : public ContactListener {
public:
    void add(const ContactPoint& p) override {
        const float speed = p.velocity.Length();
        if (forestObjectOf(p.shapeA) == forest->playerCar || forestObjectOf(p.shapeB) == forest->playerCar) {
            lastPlayerSpeed = speed;
        }
        forest->add(p);
    }
    float lastPlayerSpeed = 0.0f;
};

// Heads for the ponds and bushes in turn, backs off when it is stuck.
class Autopilot {
public:
    explicit Autopilot(const Forest& f) {
        for (ForestObject* o : f.objects) {
            if (o->kind != FOREST_SCENERY) continue;
            const Scenery* s = static_cast<const Scenery*>(o);
            if (s->sceneryType == SCENERY_POND || s->sceneryType == SCENERY_BUSH) targets_.push_back(s->position());
        }
    }
    void drive(Car* car, float elapsed) {
        if (targets_.empty()) {
            car->setControls(0.3f, 1.0f, 0.0f, false);
            return;
        }
        const b2Vec2 p = car->position();
        const b2Vec2 target = targets_[next_ % targets_.size()];
        if ((target - p).Length() < 3.0f) ++next_;
        const float speed = car->forwardSpeed();
        if (elapsed < backUntil_) {
            car->setControls(-0.6f, 1.0f, 0.0f, true);
            return;
        }
        stuckFor_ = std::fabs(speed) < 0.5f && elapsed > 3.0f ? stuckFor_ + 1.0f / 60.0f : 0.0f;
        if (stuckFor_ > 1.0f) {
            backUntil_ = elapsed + 1.5f;
            stuckFor_ = 0.0f;
            ++next_;  // try the next one
        }
        const b2Vec2 F = car->body->GetWorldVector(b2Vec2(0.0f, 1.0f));
        const b2Vec2 d = target - p;
        const float error = std::atan2(b2Cross(F, d), b2Dot(F, d));
        const float steer = std::fmax(-1.0f, std::fmin(1.0f, 2.0f * error));
        const float brake = speed > 12.0f && std::fabs(error) > 0.8f ? 0.6f : 0.0f;
        car->setControls(steer, brake > 0.0f ? 0.0f : 1.0f, brake, false);
    }

private:
    std::vector<b2Vec2> targets_;
    size_t next_ = 0;
    float stuckFor_ = 0.0f;
    float backUntil_ = -1.0f;
};

struct AiState {
    float nextDecisionTime, throttle, brake, steer;
    int reverse;
};

struct RoundReport {
    double simulated = 0.0;
    double real = 0.0;
    int impacts = 0;
    int carHits = 0;
    int decisions = 0;
    int stops = 0;
    float distance = 0.0f;
};

RoundReport runRound(const Options& o, int index, const InputLog* demo) {
    RoundReport rep;
    game->year = o.year;
    game->modifierA = o.modifierA;
    game->modifierB = o.modifierB;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));

    ImpactSpy spy;
    forest->world->setContactListener(&spy);
    Autopilot pilot(*forest);

    std::vector<Car*> others;
    std::vector<AiState> seen;
    for (ForestObject* obj : forest->objects) {
        if (!obj->isCar()) continue;
        Car* c = static_cast<Car*>(obj);
        others.push_back(c);
        seen.push_back({c->nextDecisionTime, c->throttle, c->brake, c->steer, c->reverse});
    }
    if (!o.quiet) {
        std::printf("round %d: year %d, modifiers %d %d, generator at %u after the set-up, %zu forest objects\n",
                    index + 1, o.year, o.modifierA, o.modifierB, randomState(), forest->objects.size());
        for (size_t k = 0; k < others.size(); ++k) {
            const b2Vec2 p = others[k]->position();
            std::printf("  car %zu starts at (%.2f, %.2f)\n", k + 1, p.x, p.y);
        }
    }

    const int frames = static_cast<int>(o.seconds * 60.0f);
    const int reportEvery = std::max(1, static_cast<int>(o.every * 60.0f));
    float lastScenery = forest->playerCar->lastSceneryHitTime;
    float lastCar = forest->playerCar->lastCarHitTime;
    b2Vec2 last = forest->playerCar->position();
    InputFrame idle{0.0f, 0.0f, 0};

    const auto start = std::chrono::steady_clock::now();
    int frame = 0;
    for (; frame < frames; ++frame) {
        const InputFrame* input = &idle;
        if (demo) {
            if (game->playIndex >= demo->size()) break;
            input = &(*demo)[game->playIndex++];
        } else {
            pilot.drive(forest->playerCar, world->elapsed);
        }
        world->update(input);
        if (!world) break;

        Car* car = forest->playerCar;
        rep.distance += (car->position() - last).Length();
        last = car->position();
        if (car->lastSceneryHitTime != lastScenery) {
            lastScenery = car->lastSceneryHitTime;
            ++rep.impacts;
            if (!o.quiet) {
                // The scenery hit is the one whose hit time was just set.
                const char* what = "scenery";
                for (ForestObject* obj : forest->objects) {
                    if (obj->kind == FOREST_SCENERY && static_cast<Scenery*>(obj)->lastHitTime == world->elapsed) {
                        what = SCENERY_NAMES[static_cast<Scenery*>(obj)->sceneryType];
                    }
                }
                std::printf("%8.2f impact: %s at speed %.2f, forward %.2f, bump %.2f\n", world->elapsed, what,
                            spy.lastPlayerSpeed, car->forwardSpeed(), world->bumpAmp);
            }
        }
        if (car->lastCarHitTime != lastCar) {
            lastCar = car->lastCarHitTime;
            ++rep.carHits;
            if (!o.quiet) std::printf("%8.2f crash into a car at speed %.2f\n", world->elapsed, spy.lastPlayerSpeed);
        }
        for (size_t k = 0; k < others.size(); ++k) {
            Car* c = others[k];
            AiState& s = seen[k];
            if (c->nextDecisionTime == s.nextDecisionTime && c->brake == s.brake) continue;
            const bool chose = c->nextDecisionTime > s.nextDecisionTime;
            if (chose) ++rep.decisions;
            if (c->brake == 1.0f) ++rep.stops;
            if (!o.quiet) {
                const b2Vec2 p = c->position();
                if (!chose) {
                    std::printf("%8.2f car %zu stopped by a touch at (%.2f, %.2f), chooses by %.2f\n", world->elapsed,
                                k + 1, p.x, p.y, c->nextDecisionTime);
                } else if (c->brake == 1.0f) {
                    std::printf("%8.2f car %zu chooses to stop until %.2f\n", world->elapsed, k + 1,
                                c->nextDecisionTime);
                } else {
                    std::printf("%8.2f car %zu chooses to drive %s, steer %.2f, until %.2f\n", world->elapsed, k + 1,
                                c->reverse ? "backwards" : "forwards", c->steer, c->nextDecisionTime);
                }
            }
            s = {c->nextDecisionTime, c->throttle, c->brake, c->steer, c->reverse};
        }
        if (!o.quiet && (frame + 1) % reportEvery == 0) {
            const float a = car->body->GetAngle();
            std::printf("%8.2f car at (%7.2f, %7.2f) heading %6.1f deg, forward %6.2f, controls %.2f/%.2f/%.2f%s, "
                        "tilt %.3f%s\n",
                        world->elapsed, last.x, last.y, a * 57.29578f, car->forwardSpeed(), car->steer,
                        car->throttle, car->brake, car->reverse ? " R" : "", world->cabTilt,
                        world->tumbleDir ? " tumbling" : "");
        }
    }
    const auto end = std::chrono::steady_clock::now();
    rep.simulated = frame / 60.0;
    rep.real = std::chrono::duration<double>(end - start).count();

    delete world;
    world = nullptr;
    return rep;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, &o)) {
        std::fprintf(stderr,
                     "usage: round_tool [--seed N] [--seconds S] [--year Y] [--modifiers A[,B]] [--rounds R]\n"
                     "                  [--demo FILE] [--every S] [--quiet]\n");
        return 2;
    }

    engine = engineCreateHeadless(ENGINE_VERSION);
    engine->System_SetState(STATE_SOUND, true);
    if (!engine->System_Initiate()) {
        std::fprintf(stderr, "round_tool: %s\n", engine->System_LastError());
        engine->Release();
        return 1;
    }
    resourceManager = new ResourceManager("data\\bear.res");
    if (!resourceManager->LoadAll(0)) {
        std::printf("(resources not loaded: %s; running without pictures and sounds)\n", engine->System_LastError());
        delete resourceManager;
        resourceManager = nullptr;
    } else if (!o.quiet) {
        std::printf("resources of data\\bear.res loaded: %s\n",
                    resourceManager->SpriteByName("tree1") ? "sprites and sounds" : "no sprites found");
    }

    game = new Game();
    game->init();
    InputLog demo;
    const InputLog* demoLog = nullptr;
    uint32_t seed = o.seed;
    if (o.demo) {
        if (!demo.load(o.demo, &seed) || demo.empty()) {
            std::fprintf(stderr, "round_tool: cannot read the demo %s\n", o.demo);
            return 1;
        }
        demoLog = &demo;
        std::printf("demo %s: %u frames, seed %u\n", o.demo, demo.size(), seed);
    }
    seedRandom(seed);
    game->playIndex = 0;

    RoundReport total;
    for (int r = 0; r < o.rounds; ++r) {
        const RoundReport rep = runRound(o, r, demoLog);
        std::printf("round %d: %.1f s simulated in %.3f s (%.1f simulated s per real s), %.1f units driven, "
                    "%d impacts, %d car hits, %d AI choices, %d AI stops\n",
                    r + 1, rep.simulated, rep.real, rep.real > 0.0 ? rep.simulated / rep.real : 0.0, rep.distance,
                    rep.impacts, rep.carHits, rep.decisions, rep.stops);
        total.simulated += rep.simulated;
        total.real += rep.real;
    }
    if (o.rounds > 1) {
        std::printf("all rounds: %.1f s simulated in %.3f s (%.1f simulated s per real s)\n", total.simulated,
                    total.real, total.real > 0.0 ? total.simulated / total.real : 0.0);
    }

    delete game;
    game = nullptr;
    delete resourceManager;
    resourceManager = nullptr;
    engine->System_Finish();
    engine->Release();
    return 0;
}
