// One full round update (cab step with 40 loose bodies, the forest step with its
// cars and scenery) as a share of the 16.7 ms frame.
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "vehicle/car.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

// A loose round thing of the cab, with the opening and ledge rules of the real ones.
class Pebble : public CabObject {
public:
    explicit Pebble(float radius) {
        BodyDef def;
        def.userData = reinterpret_cast<uintptr_t>(this);
        bodies[0] = world->cabWorld->createBody(def);
        ShapeDef s = circleShape(radius);
        s.density = 1.0f;
        s.friction = 0.5f;
        s.restitution = 0.2f;
        s.filter = makeFilter(CAB_LOOSE, 0x01CD);
        addShape(bodies[0], s);
        setMassFromShapes(bodies[0]);
        radii[0] = radius;
        bodyCount = 1;
    }
    void update() override { applyOpenings(); }
    void render() override {}
};

struct Round {
    explicit Round(int looseBodies) {
        engine = engineCreateHeadless(ENGINE_VERSION);
        game = new Game();
        game->year = 2;
        seedRandom(4711u);
        world = new World();
        world->setup(5.0f);
        for (int i = 0; i < looseBodies; ++i) {
            Pebble* p = new Pebble(0.4f + 0.1f * static_cast<float>(i % 5));
            p->dropIntoCab();
            world->cabObjects.push_back(p);
        }
        // Let them fall in and settle before anything is timed.
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

void reportFrameShare(benchmark::State& state) {
    const double frames = static_cast<double>(state.iterations()) * FRAME_SECONDS;
    // Time per update in percent of the frame's 16.7 ms, and how many fit in one.
    state.counters["frame_pct"] =
        benchmark::Counter(frames / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}

void BM_WorldUpdate(benchmark::State& state) {
    Round round(static_cast<int>(state.range(0)));
    for (auto _ : state) round.step();
    state.counters["loose_bodies"] = static_cast<double>(world->cabObjects.size());
    reportFrameShare(state);
}
BENCHMARK(BM_WorldUpdate)->Arg(40)->Arg(0)->Iterations(3600)->Unit(benchmark::kMicrosecond);

void BM_ForestStep(benchmark::State& state) {
    Round round(0);
    for (auto _ : state) {
        world->elapsed += 0.0166667f;
        forest->step();
    }
    reportFrameShare(state);
}
BENCHMARK(BM_ForestStep)->Iterations(3600)->Unit(benchmark::kMicrosecond);

void BM_RoundSetup(benchmark::State& state) {
    engine = engineCreateHeadless(ENGINE_VERSION);
    game = new Game();
    game->year = 2;
    seedRandom(99u);
    for (auto _ : state) {
        world = new World();
        world->setup(5.0f);
        delete world;
        world = nullptr;
    }
    delete game;
    game = nullptr;
    engine->Release();
    engine = nullptr;
}
BENCHMARK(BM_RoundSetup)->Unit(benchmark::kMicrosecond);

}  // namespace
