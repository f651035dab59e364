// A round update with the cab full of what impacts throw in (flopping fish,
// berries, rocks, leaves), and one impact that throws a rockslide, as shares of
// the 16.7 ms frame.
#include "forest/forest.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "main/world.h"
#include "tests/forest/round_globals.h"
#include "tests/support/frame_share.h"
#include "vehicle/car.h"

#include <benchmark/benchmark.h>

namespace {

struct Round {
    SetUpRound setUp{2, 4711u};
    explicit Round(int things) {
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
    static void step() {
        SetUpRound::idle();
        // The cab keeps what fell in: anything thrown out comes back.
        for (CabObject* o : world->cabObjects) {
            if (o->bodies[0]->GetPosition().y < -15.0f) o->dropIntoCab();
        }
    }
};

void BM_UpdateWithPickups(benchmark::State& state) {
    Round round(static_cast<int>(state.range(0)));
    {
        FrameShare share(state);
        for (auto _ : state) Round::step();
    }
    state.counters["objects"] = static_cast<double>(world->cabObjects.size());
}
BENCHMARK(BM_UpdateWithPickups)->Arg(0)->Arg(40)->Iterations(1800)->Unit(benchmark::kMicrosecond);

// A hard knock on a boulder at speed 20: the jolt, up to eleven new rocks.
void BM_BoulderImpact(benchmark::State& state) {
    Round round(0);
    Scenery boulder;
    boulder.sceneryType = SCENERY_BOULDER;
    b2Body* car = forest->playerCar->body;
    FrameShare share(state);
    for (auto _ : state) {
        car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, 8.0f)));
        world->carImpact(&boulder, 20.0f);
        state.PauseTiming();
        share.pause();
        for (size_t i = 1; i < world->cabObjects.size(); ++i) delete world->cabObjects[i];
        world->cabObjects.resize(1);
        share.resume();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BoulderImpact)->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace
