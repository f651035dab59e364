// Fuzzes demo files: the input is a demo, loaded as the title screen loads one and
// played through a headless round from its seed. Whatever the records hold, every
// body of both worlds, the paw and the cab's tilt stay finite numbers. The round is
// cut off after ten seconds of play so that each input stays quick.
#include "forest/forest.h"
#include "main/game.h"
#include "main/input_log.h"
#include "main/random.h"
#include "main/world.h"
#include "tests/fuzz/fuzz_engine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr uint32_t MAX_UPDATES = 600;

// The demo goes through a real file, in memory where the machine allows.
const std::string& demoPath() {
    static const std::string path = [] {
        char shm[] = "/dev/shm/demo_fuzz_XXXXXX";
        char tmp[] = "/tmp/demo_fuzz_XXXXXX";
        const char* folder = mkdtemp(shm) ? shm : mkdtemp(tmp);
        if (!folder) std::abort();
        static std::string dir = folder;
        std::atexit([] {
            std::remove((dir + "/fuzz.dem").c_str());
            rmdir(dir.c_str());
        });
        return dir + "/fuzz.dem";
    }();
    return path;
}

bool finite(b2Vec2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool everythingFinite() {
    for (b2Body* b = world->cabWorld->bodies(); b; b = b->GetNext()) {
        if (!finite(b->GetPosition()) || !std::isfinite(b->GetAngle())) return false;
    }
    for (b2Body* b = forest->world->bodies(); b; b = b->GetNext()) {
        if (!finite(b->GetPosition()) || !std::isfinite(b->GetAngle())) return false;
    }
    return std::isfinite(world->pawX) && std::isfinite(world->pawY) && std::isfinite(world->cabTilt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine = fuzzEngine();
    static Game* theGame = new Game();
    game = theGame;

    FILE* f = std::fopen(demoPath().c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    InputLog log;
    uint32_t seed = 0;
    if (!log.load(demoPath().c_str(), &seed) || log.empty()) return 0;

    // A new game of year 1 started from the demo, as the title screen starts it.
    game->year = 1;
    game->winterMinutes = 5;
    game->modifierA = game->modifierB = -1;
    game->state = Playing;
    seedRandom(seed);
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    for (uint32_t i = 0; i < log.size() && i < MAX_UPDATES; ++i) {
        world->update(&log[i]);
        if (!everythingFinite()) {
            std::fprintf(stderr, "not a finite number after update %u\n", i + 1);
            std::abort();
        }
    }
    delete world;
    world = nullptr;
    return 0;
}
