// Costs of the file and input groups, as fractions of the 16.7 ms frame: loading
// a resource from a pack (the names are indexed when the pack is attached, so the
// last of 70,000 entries, or a name no pack holds, costs what the first does),
// from the disk, and dispatching a busy frame's input events (60 pointer moves,
// 4 keys, a wheel notch).
#include "engine/core/engine_impl.h"
#include "tests/engine/files/zip_writer.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;
constexpr int MANY_ENTRIES = 70000;

struct Fixture {
    Engine* engine = nullptr;
    std::string dir;
    Fixture() {
        engine = engineCreateHeadless(ENGINE_VERSION);
        char tmpl[] = "/tmp/pack_bench_XXXXXX";
        dir = mkdtemp(tmpl);
        std::vector<ZipEntry> entries;
        std::string payload;
        for (int i = 0; i < 64 * 1024; ++i) payload += static_cast<char>((i * 7919) >> 5);
        for (int i = 0; i < 200; ++i) entries.push_back({"data/entry" + std::to_string(i) + ".png", payload});
        entries.push_back({"data/locked.png", payload, "honey"});
        writeZip(dir + "/bench.zip", entries);
        writeBytes(dir + "/disk.png", payload);
        engine->Resource_AddPack((dir + "/bench.zip").c_str(), "honey");
        // A large pack of small entries, attached first so that the look-ups above
        // pass over it.
        std::vector<ZipEntry> many;
        for (int i = 0; i < MANY_ENTRIES; ++i) many.push_back({"many/entry" + std::to_string(i) + ".txt", "bear"});
        writeZip(dir + "/many.zip", many);
        engine->Resource_AddPack((dir + "/many.zip").c_str(), nullptr);
    }
    ~Fixture() {
        engine->Release();
        std::filesystem::remove_all(dir);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// This thread's processor time: the machine is shared, and waiting is not our cost.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One iteration's share of the 16.7 ms frame.
void report(benchmark::State& state, double begin) {
    double perIteration = (threadSeconds() - begin) / static_cast<double>(state.iterations());
    state.counters["frame_share"] = perIteration / FRAME_SECONDS;
}

void loadFromPack(benchmark::State& state, const char* name) {
    Engine* e = fixture().engine;
    double begin = threadSeconds();
    for (auto _ : state) {
        uint32_t size = 0;
        void* block = e->Resource_Load(name, &size);
        if (!block) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(block);
        e->Resource_Free(block);
    }
    report(state, begin);
}

void BM_PackFirstEntry(benchmark::State& state) { loadFromPack(state, "data\\entry0.png"); }
void BM_PackLastOf200Entries(benchmark::State& state) { loadFromPack(state, "data\\entry199.png"); }
void BM_PackEncryptedEntry(benchmark::State& state) { loadFromPack(state, "data/locked.png"); }

void BM_PackLastOf70000Entries(benchmark::State& state) { loadFromPack(state, "MANY\\ENTRY69999.TXT"); }

// A name that no pack holds goes on to the disk, where it is missing too.
void BM_PackMissingName(benchmark::State& state) {
    Engine* e = fixture().engine;
    double begin = threadSeconds();
    for (auto _ : state) {
        void* block = e->Resource_Load("many/no such entry.txt", nullptr);
        if (block) state.SkipWithError("found what is not there");
        e->Resource_Free(block);
    }
    report(state, begin);
}

void BM_Disk(benchmark::State& state) {
    Engine* e = fixture().engine;
    std::string path = fixture().dir + "/disk.png";
    double begin = threadSeconds();
    for (auto _ : state) {
        uint32_t size = 0;
        void* block = e->Resource_Load(path.c_str(), &size);
        if (!block) state.SkipWithError("load failed");
        e->Resource_Free(block);
    }
    report(state, begin);
}

void BM_InputBusyFrame(benchmark::State& state) {
    EngineImpl* impl = static_cast<EngineImpl*>(fixture().engine);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = 1;
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_w;
    key.key.keysym.scancode = SDL_SCANCODE_W;
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 1;
    double begin = threadSeconds();
    for (auto _ : state) {
        for (int i = 0; i < 60; ++i) impl->dispatchEvent(motion);
        for (int i = 0; i < 4; ++i) impl->dispatchEvent(key);
        impl->dispatchEvent(wheel);
        InputEvent ev;
        while (impl->Input_NextEvent(&ev)) benchmark::DoNotOptimize(ev);
        impl->input().clearFrame();
    }
    report(state, begin);
}

BENCHMARK(BM_PackFirstEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackLastOf200Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackEncryptedEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackLastOf70000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackMissingName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Disk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InputBusyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
