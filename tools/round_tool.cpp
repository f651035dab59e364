// Runs rounds without a window and tells what happened in them: the player's car's
// path, the other cars' choices, the impacts. The player's car is driven through
// the cab as a player drives it: the pilot (tools/pilot, which draws nothing from
// the game's generator) runs through bushes and ponds, works the wheel, the pedals
// and the gear lever with the paw and carries the food to the bear's mouth, giving
// each update's pointer movement and button edges. Those records are what a game records, so
// the round can be saved as a demo and replayed; --verify plays each round again
// from its records and checks that every update comes out the same, bit for bit.
// A recorded demo can also be fed in instead (played to its end unless --seconds
// says otherwise), and verified the same way. It measures how fast the round runs.
// --whole-game plays a --demo through the Game as the title screen's D does, year
// after year until its log runs out, and fingerprints the game from its checkpoints.
// --play-year plays the first year of seeds 1..N to its end and tells how many
// the pilot won; with --human it plays through a person's hand (a quarter second
// late, no faster than 1,500 pixels a second, a little scatter). --play-game plays
// whole games of seeds 1..N, year after year as the game does, and tells the years
// survived per seed, their median and the years won under each modifier.
//
//   round_tool [--seed N] [--seconds S] [--year Y] [--modifiers A[,B]]
//              [--rounds R] [--demo FILE] [--record FILE] [--verify] [--every S] [--quiet] [--help]
//   round_tool --demo FILE --whole-game
//   round_tool --play-year [--seeds N] [--human] [--year Y]   (Y: as a later year, no modifiers)
//   round_tool --play-game [--seeds N] [--human]
//   round_tool --play-game --seed N --record FILE [--human]
//   round_tool --texel-check      how large the windshield art's texels get up close
#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "forest/forest.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/input_log.h"
#include "main/random.h"
#include "main/world.h"
#include "tools/pilot/play_year.h"
#include "tools/pilot/year_pilot.h"
#include "tools/headless_game.h"
#include "tools/round_fingerprint.h"
#include "tools/texel/texel_check.h"
#include "vehicle/car.h"

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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
    const char* record = nullptr;
    bool verify = false;
    float every = 1.0f;  // path report interval
    bool quiet = false;
    bool secondsGiven = false;
    bool help = false;
    bool playYear = false;
    bool wholeGame = false;
    bool playGame = false;
    bool human = false;
    int seeds = 1;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: round_tool [--seed N] [--seconds S] [--year Y] [--modifiers A[,B]] [--rounds R]\n"
                 "                  [--demo FILE] [--record FILE] [--verify] [--every S] [--quiet] [--help]\n"
                 "       round_tool --demo FILE --whole-game\n"
                 "       round_tool --play-year [--seeds N] [--human] [--year Y]\n"
                 "       round_tool --play-game [--seeds N] [--human]\n"
                 "       round_tool --play-game --seed N --record FILE [--human]\n"
                 "       round_tool --texel-check\n");
}

const char* SCENERY_NAMES[] = {"tree", "mountain", "boulder", "bush", "pond"};

bool parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(a, "--quiet")) {
            o->quiet = true;
            continue;
        }
        if (!std::strcmp(a, "--verify")) {
            o->verify = true;
            continue;
        }
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            o->help = true;
            return true;
        }
        if (!std::strcmp(a, "--whole-game")) {
            o->wholeGame = true;
            continue;
        }
        if (!std::strcmp(a, "--play-year")) {
            o->playYear = true;
            continue;
        }
        if (!std::strcmp(a, "--play-game")) {
            o->playGame = true;
            continue;
        }
        if (!std::strcmp(a, "--human")) {
            o->human = true;
            continue;
        }
        if (!v) return false;
        ++i;
        if (!std::strcmp(a, "--seed")) {
            o->seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (!std::strcmp(a, "--seconds")) {
            o->seconds = std::strtof(v, nullptr);
            o->secondsGiven = true;
        } else if (!std::strcmp(a, "--year")) {
            o->year = std::atoi(v);
        } else if (!std::strcmp(a, "--modifiers")) {
            if (std::sscanf(v, "%d,%d", &o->modifierA, &o->modifierB) < 1) return false;
        } else if (!std::strcmp(a, "--rounds")) {
            o->rounds = std::atoi(v);
        } else if (!std::strcmp(a, "--demo")) {
            o->demo = v;
        } else if (!std::strcmp(a, "--record")) {
            o->record = v;
        } else if (!std::strcmp(a, "--seeds")) {
            o->seeds = std::atoi(v);
        } else if (!std::strcmp(a, "--every")) {
            o->every = std::strtof(v, nullptr);
        } else {
            return false;
        }
    }
    return o->seconds > 0.0f && o->rounds > 0 && o->year > 0 && o->seed != 0 && o->seeds > 0;
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
    bool persistPointsWanted() const override { return false; }
    float lastPlayerSpeed = 0.0f;
};

const char* heldName() {
    if (!world->grabJoint) return "";
    const b2Body* b = world->grabJoint->GetBodyB();
    if (b == world->wheelBody) return " on the wheel";
    if (b == world->gasPedalBody) return " on the gas";
    if (b == world->brakePedalBody) return " on the brake";
    if (b == world->shifterBody) return " on the lever";
    return " holding a loose thing";
}

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
    int grabs = 0;
    int gearChanges = 0;
    float distance = 0.0f;
    std::vector<uint32_t> bits;  // the round's end state
    std::vector<uint32_t> trace;  // with --verify: the state after every update, hashed
    int checkpoints = 0;          // of a demo's trailer, reached and compared
    int firstDifferent = -1;      // the update after which a checkpoint first differed
};

uint32_t hashOf(const std::vector<uint32_t>& bits) {
    uint32_t hash = 2166136261u;
    for (uint32_t b : bits) hash = (hash ^ b) * 16777619u;
    return hash;
}

// One round from the generator's current state: the frames of demo (from the
// Game's playIndex on), or the paw pilot's, which are appended to record.
RoundReport runRound(const Options& o, int index, const InputLog* demo, InputLog* record) {
    RoundReport rep;
    game->year = o.year;
    game->modifierA = o.modifierA;
    game->modifierB = o.modifierB;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    game->state = Playing;

    ImpactSpy spy;
    forest->world->setContactListener(&spy);
    YearPilot pilot;

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
    InputFrame piloted{0.0f, 0.0f, 0};

    const auto start = std::chrono::steady_clock::now();
    int frame = 0;
    for (; frame < frames; ++frame) {
        const InputFrame* input = &piloted;
        if (demo) {
            if (game->playIndex >= demo->size()) break;
            input = &(*demo)[game->playIndex++];
        } else {
            piloted = pilot.next();
            if (record) record->append(piloted);
        }
        world->update(input);
        if (!world) break;
        if (record && record->checkpointDue()) record->addCheckpoint(roundStateHash());
        if (const uint32_t* recorded = demo ? demo->checkpointAfter(game->playIndex) : nullptr) {
            ++rep.checkpoints;
            if (rep.firstDifferent < 0 && *recorded != roundStateHash()) {
                rep.firstDifferent = static_cast<int>(game->playIndex);
            }
        }
        if (o.verify) rep.trace.push_back(roundStateHash());
        // The game draws every update it runs, and drawing may draw from the
        // generator (a growling bear's head shakes): records replay only if the
        // picture is drawn here too.
        if (resourceManager) game->renderFrame();

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
                        "tilt %.3f%s, paw at (%5.2f, %5.2f)%s, fatness %.2f, %s\n",
                        world->elapsed, last.x, last.y, a * 57.29578f, car->forwardSpeed(), car->steer,
                        car->throttle, car->brake, car->reverse ? " R" : "", world->cabTilt,
                        world->tumbleDir ? " tumbling" : "", world->pawX, world->pawY, heldName(), world->fatness, pilot.doing);
        }
    }
    const auto end = std::chrono::steady_clock::now();
    rep.simulated = frame / 60.0;
    rep.real = std::chrono::duration<double>(end - start).count();
    rep.grabs = pilot.grabs();
    rep.gearChanges = pilot.gearChanges();
    rep.bits = roundFingerprint();

    delete world;
    world = nullptr;
    return rep;
}

float median(std::vector<float> v) {
    if (v.empty()) return 0.0f;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5f * (v[n / 2 - 1] + v[n / 2]);
}

// The first year for seeds 1..count, each played by the pilot to its end.
int playYears(int count, bool human, int year) {
    int won = 0;
    std::vector<float> firstMeals, mealRates;
    for (int seed = 1; seed <= count; ++seed) {
        const YearResult r = playFirstYear(static_cast<uint32_t>(seed), nullptr, human, year);
        const float foodMinutes = r.stats.foodFrames / 3600.0f;
        const float rate = foodMinutes > 0.0f ? r.stats.meals / foodMinutes : 0.0f;
        std::printf("seed %d: %s after %.1f s, fatness %.2f, %d meals, first at %.1f s, %.2f meals per minute with "
                    "food in the cab (%.1f min), %d runs through bushes and ponds, fat at %.1f s, %d grabs\n",
                    seed, r.won ? "hibernated" : "snowed in", r.seconds, r.fatness, r.stats.meals, r.stats.firstMeal,
                    rate, foodMinutes, r.stats.impacts, r.stats.fatAt, r.grabs);
        won += r.won ? 1 : 0;
        if (r.stats.firstMeal >= 0.0f) firstMeals.push_back(r.stats.firstMeal);
        mealRates.push_back(rate);
    }
    std::printf("%d of %d years won by hibernation; median first meal at %.1f s; median meals per minute %.2f\n", won,
                count, median(firstMeals), median(mealRates));
    return 0;
}

// The demo through the Game's own states, as the title screen's D starts it: its
// fades, its years and the titles between them. The fingerprint folds the round's
// state at every checkpoint and after the last update.
int playWholeGame(const char* path) {
    if (!game->loadDemo(path) || game->inputLog.empty()) {
        std::fprintf(stderr, "round_tool: cannot read the demo %s\n", path);
        return 1;
    }
    const InputLog& log = game->inputLog;
    game->fadeDir = -1;
    game->nextState = StartDemo;
    uint32_t fingerprint = 2166136261u;
    const auto fold = [&fingerprint](uint32_t w) { fingerprint = (fingerprint ^ w) * 16777619u; };
    uint32_t last = 0;
    int years = 0;  // rounds played, one a year
    bool started = false, playing = false;
    // Fades and titles between years take seconds; a game never needs more.
    for (uint64_t frame = 0; frame < 2ull * log.size() + 60ull * 3600ull; ++frame) {
        game->frame();
        const bool wasPlaying = playing;
        playing = game->state == Playing && world;
        if (playing) {
            if (!started) std::printf("demo %s: %u frames, seed %u, version %u\n", path, log.size(), game->seed,
                                      log.version());
            started = true;
            years += wasPlaying ? 0 : 1;
        }
        // The update that ends a year leaves the Game in another state.
        if (started && world && game->playIndex != last) {
            last = game->playIndex;
            if (last % CHECKPOINT_UPDATES == 0 || last == log.size()) fold(roundStateHash());
        }
        game->renderFrame();
        // Its records used up, the game has gone to the title or to "Game Over"
        // (after which a demo would start again).
        if (started && last == log.size() && game->state != Playing) break;
        if (started && game->state == Title && !game->playingBack) break;
    }
    const bool ran = started && last == log.size();
    std::printf("whole game: %u of %u updates in %d year%s, %s, end state %08x\n", last, log.size(), years,
                years == 1 ? "" : "s",
                !log.version()           ? "no checkpoints"
                : game->replayDiffered ? "checkpoints DIFFERENT"
                                       : "checkpoints as recorded",
                fingerprint);
    return ran && !game->replayDiffered ? 0 : 1;
}

const char* const MODIFIER_NAMES[7] = {"slept too long", "overfished", "full moon", "overgrown",
                                        "famished", "turbo", "still frozen"};

// One whole game of seed, recorded as the game records it, with its checkpoints.
int recordGame(uint32_t seed, bool human, const char* path) {
    InputLog record;
    const GameResult r = playGame(seed, human, 30, &record);
    std::string why;
    if (!record.save(path, seed, &why)) {
        std::fprintf(stderr, "round_tool: %s\n", why.c_str());
        return 1;
    }
    std::printf("recorded a game of %d years survived, %u frames with seed %u to %s\n", r.years, record.size(), seed,
                path);
    return 0;
}

// Whole games for seeds 1..count.
int playGames(int count, bool human) {
    std::vector<float> years;
    int won[7] = {}, played[7] = {};
    for (int seed = 1; seed <= count; ++seed) {
        const GameResult r = playGame(static_cast<uint32_t>(seed), human);
        std::printf("seed %d: %d years survived;", seed, r.years);
        for (const GameResult::Year& y : r.played) {
            std::printf(" %s", y.won ? "won" : "lost");
            if (!y.won) std::printf(" at fatness %.2f after %d meals", y.fatness, y.meals);
            for (int m : {y.modifierA, y.modifierB}) {
                if (m < 0 || m > 6) continue;
                std::printf("%s%d", m == y.modifierA ? " (" : ",", m);
                ++played[m];
                won[m] += y.won ? 1 : 0;
            }
            if (y.modifierA >= 0 && y.modifierA <= 6) std::printf(")");
        }
        std::printf("\n");
        years.push_back(static_cast<float>(r.years));
    }
    std::printf("median %.1f years survived per game\n", median(years));
    for (int m = 0; m < 7; ++m) {
        std::printf("modifier %d (%s): %d of %d years won\n", m, MODIFIER_NAMES[m], won[m], played[m]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[1], "--texel-check")) return runTexelCheck();
    Options o;
    if (!parse(argc, argv, &o)) {
        usage(stderr);
        return 2;
    }
    if (o.help) {
        usage(stdout);
        return 0;
    }
    if (o.demo && o.record) {
        std::fprintf(stderr, "round_tool: --record saves the pilot's play; a --demo is already recorded\n");
        return 2;
    }

    if (!startHeadlessEngine("round_tool")) return 1;
    if (!loadResources()) {
        std::printf("(resources not loaded: %s; running without pictures and sounds)\n", engine->System_LastError());
    } else if (!o.quiet) {
        std::printf("resources of data\\bear.res loaded: %s\n",
                    resourceManager->SpriteByName("tree1") ? "sprites and sounds" : "no sprites found");
    }

    game = new Game();
    game->init();
    if (o.playYear || o.playGame) {
        // The cave is seen ahead only in the drawn view.
        if (!resourceManager) std::fprintf(stderr, "round_tool: --play-year and --play-game need the game's resources\n");
        const int rc = !resourceManager ? 1
                       : o.playGame && o.record ? recordGame(o.seed, o.human, o.record)
                       : o.playGame            ? playGames(o.seeds, o.human)
                                               : playYears(o.seeds, o.human, o.year);
        stopHeadlessGame();
        return rc;
    }
    if (o.wholeGame) {
        const int rc = o.demo ? playWholeGame(o.demo) : 2;
        if (!o.demo) usage(stderr);
        stopHeadlessGame();
        return rc;
    }
    InputLog demo;
    const InputLog* demoLog = nullptr;
    uint32_t seed = o.seed;
    if (o.demo) {
        if (!demo.load(o.demo, &seed) || demo.empty()) {
            std::fprintf(stderr, "round_tool: cannot read the demo %s\n", o.demo);
            return 1;
        }
        demoLog = &demo;
        // A demo plays to its end unless told otherwise.
        if (!o.secondsGiven) o.seconds = static_cast<float>(demo.size()) / 60.0f + 1.0f;
        std::printf("demo %s: %u frames, seed %u\n", o.demo, demo.size(), seed);
    }
    seedRandom(seed);
    game->playIndex = 0;

    RoundReport total;
    InputLog recorded;
    int verified = 0;
    for (int r = 0; r < o.rounds; ++r) {
        const uint32_t before = randomState();
        const uint32_t firstFrame = recorded.size();
        const uint32_t firstRecord = game->playIndex;
        const RoundReport rep = runRound(o, r, demoLog, demoLog ? nullptr : &recorded);
        std::printf("round %d: %.1f s simulated in %.3f s (%.1f simulated s per real s), %.1f units driven, "
                    "%d impacts, %d car hits, %d AI choices, %d AI stops",
                    r + 1, rep.simulated, rep.real, rep.real > 0.0 ? rep.simulated / rep.real : 0.0, rep.distance,
                    rep.impacts, rep.carHits, rep.decisions, rep.stops);
        if (!demoLog) std::printf(", %d paw grabs, %d gear changes", rep.grabs, rep.gearChanges);
        if (demoLog && demoLog->version()) {
            std::printf(", %d checkpoints of version %u ", rep.checkpoints, demoLog->version());
            if (rep.firstDifferent < 0) {
                std::printf("as recorded");
            } else {
                std::printf("DIFFERENT from update %d", rep.firstDifferent);
            }
        }
        // A fingerprint of the end state, to compare runs of the same records.
        std::printf(", end state %08x\n", hashOf(rep.bits));
        total.simulated += rep.simulated;
        total.real += rep.real;

        if (o.verify) {
            // The same round again from its records alone: every update must
            // leave the same state.
            const uint32_t after = randomState();
            const uint32_t endRecord = game->playIndex;
            InputLog again;
            for (uint32_t i = firstFrame; i < recorded.size(); ++i) again.append(recorded[i]);
            Options quiet = o;
            quiet.quiet = true;
            seedRandom(before);
            game->playIndex = demoLog ? firstRecord : 0;
            const RoundReport replay = runRound(quiet, r, demoLog ? demoLog : &again, nullptr);
            size_t parted = 0;
            while (parted < rep.trace.size() && parted < replay.trace.size() &&
                   rep.trace[parted] == replay.trace[parted]) {
                ++parted;
            }
            const bool same = parted == rep.trace.size() && parted == replay.trace.size() &&
                              replay.bits == rep.bits && randomState() == after;
            if (same) {
                std::printf("round %d replayed, %zu updates: identical, bit for bit\n", r + 1, parted);
            } else {
                std::printf("round %d replayed: DIFFERENT from update %zu of %zu\n", r + 1, parted, rep.trace.size());
            }
            verified += same ? 1 : 0;
            game->playIndex = demoLog ? endRecord : firstRecord;
            if (!same) seedRandom(after);
        }
    }
    bool recordFailed = false;
    if (o.record && !demoLog) {
        std::string why;
        if (!recorded.save(o.record, seed, &why)) {
            std::fprintf(stderr, "round_tool: %s\n", why.c_str());
            recordFailed = true;
        } else {
            std::printf("recorded %u frames with seed %u to %s\n", recorded.size(), seed, o.record);
        }
    }
    if (o.rounds > 1) {
        std::printf("all rounds: %.1f s simulated in %.3f s (%.1f simulated s per real s)\n", total.simulated,
                    total.real, total.real > 0.0 ? total.simulated / total.real : 0.0);
    }

    stopHeadlessGame();
    return recordFailed || (o.verify && verified != o.rounds) ? 1 : 0;
}
