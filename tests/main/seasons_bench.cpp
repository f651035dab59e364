// A round update in the thick of winter, as a share of the 16.7 ms frame: snow
// pouring in and packing up to 58 snowballs while three badgers thrash about and
// three bees buzz around the cab.
#include "forest/animals.h"
#include "forest/cab_object.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

struct WinterRound {
    WinterRound() {
        engine = engineCreateHeadless(ENGINE_VERSION);
        game = new Game();
        game->year = 3;
        seedRandom(2718u);
        world = new World();
        world->setup(5.0f);
        for (int i = 0; i < 3; ++i) {
            for (CabObject* animal : {newBadger(), newBee()}) {
                animal->dropIntoCab();
                world->cabObjects.push_back(animal);
            }
        }
        // Let them fall in and get going, then the grace is all but over.
        for (int i = 0; i < 120; ++i) step();
        world->winterPhase = 1;
        world->winterCountdown = 9.99f;
    }
    ~WinterRound() {
        delete world;
        world = nullptr;
        delete game;
        game = nullptr;
        engine->Release();
        engine = nullptr;
    }
    static void step() {
        const InputFrame idle{0.0f, 0.0f, 0};
        world->update(&idle);
    }
};

void BM_WinterWithAnimals(benchmark::State& state) {
    WinterRound round;
    for (auto _ : state) WinterRound::step();
    state.counters["snowballs"] = static_cast<double>(world->snowballs.size());
    state.counters["badgers"] = static_cast<double>(livingBadgers());
    const double frames = static_cast<double>(state.iterations()) * FRAME_SECONDS;
    state.counters["frame_pct"] =
        benchmark::Counter(frames / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// The snow pours for 5.8 s and packs for 3.75 s; the year ends just after.
BENCHMARK(BM_WinterWithAnimals)->Iterations(560)->Unit(benchmark::kMicrosecond);

}  // namespace
