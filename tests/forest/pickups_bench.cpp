// A round update with the cab full of what impacts throw in (flopping fish,
// berries, rocks, leaves), and one impact that throws a rockslide, as shares of
// the 16.7 ms frame.
#include "forest/forest.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

struct Round {
    explicit Round(int things) {
        engine = engineCreateHeadless(ENGINE_VERSION);
        game = new Game();
        game->year = 2;
        seedRandom(4711u);
        world = new World();
        world->setup(5.0f);
        for (int i = 0; i < things; ++i) {
            CabObject* o;
            if (i % 8 == 0) {
                o = new Fish();
            } else {
                RoundItem* item = new RoundItem();
                switch (i % 4) {
                    case 0: item->makeRock(); break;
                    case 1: item->makeBerry(); break;
                    case 2: item->makeLeaf(i % 3); break;
                    default: item->makePinecone(); break;
                }
                o = item;
            }
            o->dropIntoCab();
            world->cabObjects.push_back(o);
        }
        for (int i = 0; i < 180; ++i) step();
    }
    ~Round() {
        delete world;
        world = nullptr;
        delete game;
        game = nullptr;
        engine->Release();
        engine = nullptr;
    }
    void step() {
        world->update(&idle);
        // The cab keeps what fell in: anything thrown out comes back.
        for (CabObject* o : world->cabObjects) {
            if (o->bodies[0]->GetPosition().y < -15.0f) o->dropIntoCab();
        }
    }
    InputFrame idle{0.0f, 0.0f, 0};
};

void reportFrameShare(benchmark::State& state) {
    const double frames = static_cast<double>(state.iterations()) * FRAME_SECONDS;
    state.counters["frame_pct"] =
        benchmark::Counter(frames / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_UpdateWithPickups(benchmark::State& state) {
    Round round(static_cast<int>(state.range(0)));
    for (auto _ : state) round.step();
    state.counters["objects"] = static_cast<double>(world->cabObjects.size());
    reportFrameShare(state);
}
BENCHMARK(BM_UpdateWithPickups)->Arg(0)->Arg(40)->Iterations(1800)->Unit(benchmark::kMicrosecond);

// A hard knock on a boulder at speed 20: the jolt, up to eleven new rocks.
void BM_BoulderImpact(benchmark::State& state) {
    Round round(0);
    Scenery boulder;
    boulder.sceneryType = SCENERY_BOULDER;
    b2Body* car = forest->playerCar->body;
    for (auto _ : state) {
        car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, 8.0f)));
        world->carImpact(&boulder, 20.0f);
        state.PauseTiming();
        for (size_t i = 1; i < world->cabObjects.size(); ++i) delete world->cabObjects[i];
        world->cabObjects.resize(1);
        state.ResumeTiming();
    }
    reportFrameShare(state);
}
BENCHMARK(BM_BoulderImpact)->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace
