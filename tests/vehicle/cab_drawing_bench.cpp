// One frame of the cab drawing on the headless engine: the windshield view, a full
// snowfall, every cab layer, a dozen loose things and the notice, against the
// 16.7 ms frame.
#include "tests/support/frame_share.h"
#include "tests/vehicle/cab_drawing_fixture.h"

#include <benchmark/benchmark.h>

namespace {

void BM_CabFrame(benchmark::State& state) {
    std::string skip;
    CabDrawingRound round(false, &skip);
    if (!skip.empty()) {
        state.SkipWithError(skip.c_str());
        return;
    }
    for (const std::string& name : cabSpriteNames()) CabDrawingRound::block(name.c_str(), 16.0f, 16.0f);
    for (int i = 0; i < 12; ++i) {
        world->cabObjects.push_back(new TestThing("testthing", b2Vec2(2.0f + 1.5f * i, 4.0f + (i % 3))));
    }
    world->winterPhase = 30;
    world->fatNotice = 1.5f;
    world->cabTilt = 0.2f;
    world->growlTimer = 0.5f;
    for (Crumb& c : world->crumbs) c = Crumb{0.2f, 0.1f, 1.0f, -2.0f, 1.0f};

    FrameShare share(state);
    for (auto _ : state) round.draw();
}
BENCHMARK(BM_CabFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
