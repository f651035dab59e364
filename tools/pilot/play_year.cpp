#include "tools/pilot/play_year.h"

#include "main/game.h"
#include "main/random.h"
#include "main/world.h"

namespace {
// Five minutes of autumn, the winter's 20 s and some to spare.
constexpr int MOST_FRAMES = 360 * 60;
}  // namespace

YearResult playFirstYear(uint32_t seed, InputLog* record) {
    seedRandom(seed);
    game->year = 1;
    game->modifierA = game->modifierB = -1;
    game->winterMinutes = 5;
    game->state = game->nextState = Playing;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    YearPilot pilot;
    YearResult result;
    for (int frame = 0; frame < MOST_FRAMES; ++frame) {
        const InputFrame f = pilot.next();
        if (record) record->append(f);
        world->update(&f);
        game->renderFrame();
        if (game->year != 1) {  // survived: the next year's title comes
            result.won = true;
            break;
        }
        if (game->state == GameOver) break;
    }
    result.seconds = world->elapsed;
    result.fatness = world->fatness;
    result.stats = pilot.stats;
    delete world;
    world = nullptr;
    game->year = 1;
    game->state = game->nextState = Title;
    return result;
}
