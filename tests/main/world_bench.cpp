// One full round update (cab step with 40 loose bodies, the forest step with its
// cars and scenery) as a share of the 16.7 ms frame.
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "main/world.h"
#include "tests/forest/round_globals.h"
#include "tests/forest/test_ball.h"
#include "tests/support/frame_share.h"
#include "vehicle/car.h"

#include <benchmark/benchmark.h>

namespace {

// A loose round thing of the cab, with the opening and ledge rules of the real ones.
class Pebble : public TestBall {
public:
    explicit Pebble(float radius) : TestBall(b2Vec2(0.0f, 0.0f), radius, 0x01CD, 1.0f, 0.5f, 0.2f) {}
    void update() override { applyOpenings(); }
};

struct Round {
    SetUpRound setUp{2, 4711u};
    explicit Round(int looseBodies) {
        for (int i = 0; i < looseBodies; ++i) {
            Pebble* p = new Pebble(0.4f + 0.1f * static_cast<float>(i % 5));
            p->dropIntoCab();
            world->cabObjects.push_back(p);
        }
        // Let them fall in and settle before anything is timed.
        for (int i = 0; i < 180; ++i) step();
    }
    void step() {
        // Weaving through the forest: turns, bumps and impacts keep the cab busy.
        // The paw holds the gas down; the wheel is thrown from side to side.
        if (frame % 120 == 0) {
            const float steer = (frame / 120) % 2 == 0 ? 0.6f : -0.6f;
            world->wheelBody->SetTransform(world->wheelBody->GetPosition(), -6.2831855f * steer);
        }
        InputFrame in{0.0f, 1.0f, 0};
        if (!world->grabJoint) {
            in = InputFrame{(9.5f - world->pawX) * 32.0f, (12.75f - world->pawY) * 32.0f, INPUT_LEFT_DOWN};
        }
        world->update(&in);
        ++frame;
    }
    int frame = 0;
};

void BM_WorldUpdate(benchmark::State& state) {
    Round round(static_cast<int>(state.range(0)));
    {
        FrameShare share(state);
        for (auto _ : state) round.step();
    }
    state.counters["loose_bodies"] = static_cast<double>(world->cabObjects.size());
}
BENCHMARK(BM_WorldUpdate)->Arg(40)->Arg(0)->Iterations(3600)->Unit(benchmark::kMicrosecond);

void BM_ForestStep(benchmark::State& state) {
    Round round(0);
    FrameShare share(state);
    for (auto _ : state) {
        world->elapsed += 0.0166667f;
        forest->step();
    }
}
BENCHMARK(BM_ForestStep)->Iterations(3600)->Unit(benchmark::kMicrosecond);

void BM_RoundSetup(benchmark::State& state) {
    RoundGlobals globals(2);
    seedRandom(99u);
    for (auto _ : state) {
        delete world;  // the last one goes with the globals
        world = new World();
        world->setup(5.0f);
    }
}
BENCHMARK(BM_RoundSetup)->Unit(benchmark::kMicrosecond);

}  // namespace
