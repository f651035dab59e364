// A round update in the thick of winter, as a share of the 16.7 ms frame: snow
// pouring in and packing up to 58 snowballs while three badgers thrash about and
// three bees buzz around the cab.
#include "forest/animals.h"
#include "forest/cab_object.h"
#include "main/world.h"
#include "tests/forest/round_globals.h"
#include "tests/support/frame_share.h"

#include <benchmark/benchmark.h>

namespace {

struct WinterRound {
    SetUpRound setUp{3, 2718u};
    WinterRound() {
        for (int i = 0; i < 3; ++i) {
            for (CabObject* animal : {newBadger(), newBee()}) {
                animal->dropIntoCab();
                world->cabObjects.push_back(animal);
            }
        }
        // Let them fall in and get going, then the grace is all but over.
        SetUpRound::idle(120);
        world->winterPhase = 1;
        world->winterCountdown = 9.99f;
    }
};

void BM_WinterWithAnimals(benchmark::State& state) {
    WinterRound round;
    {
        FrameShare share(state);
        for (auto _ : state) SetUpRound::idle();
    }
    state.counters["snowballs"] = static_cast<double>(world->snowballs.size());
    state.counters["badgers"] = static_cast<double>(livingBadgers());
}
// The snow pours for 5.8 s and packs for 3.75 s; the year ends just after.
BENCHMARK(BM_WinterWithAnimals)->Iterations(560)->Unit(benchmark::kMicrosecond);

}  // namespace
