#include "tools/pilot/play_year.h"

#include "main/game.h"
#include "main/random.h"
#include "main/round_state.h"
#include "main/world.h"
#include "tools/pilot/human_hand.h"

namespace {
// Five minutes of autumn, the winter's 20 s and some to spare.
constexpr int MOST_FRAMES = 360 * 60;
constexpr float POINTER_PIXELS_PER_UNIT = 32.0f;  // as the paw moves

// The pilot's decision, made as if the paw were already where the movements on
// their way will take it: a hand knows where it is going.
InputFrame decide(YearPilot& pilot, const HumanHand& hand) {
    const float x = world->pawX, y = world->pawY;
    const b2Vec2 ahead = hand.pending();
    world->pawX = clampFloat(x + ahead.x / POINTER_PIXELS_PER_UNIT, 0.0f, 20.0f);
    world->pawY = clampFloat(y + ahead.y / POINTER_PIXELS_PER_UNIT, 2.0f, 15.0f);
    const InputFrame f = pilot.next();
    world->pawX = x;
    world->pawY = y;
    return f;
}

}  // namespace

YearResult playFirstYear(uint32_t seed, InputLog* record, bool human) {
    seedRandom(seed);
    game->year = 1;
    game->modifierA = game->modifierB = -1;
    game->winterMinutes = 5;
    game->state = game->nextState = Playing;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    YearPilot pilot;
    HumanHand hand(seed);
    if (human) pilot.setReaction(HumanHand::DELAY_FRAMES);
    YearResult result;
    for (int frame = 0; frame < MOST_FRAMES; ++frame) {
        const InputFrame f = human ? hand.next(decide(pilot, hand)) : pilot.next();
        if (record) record->append(f);
        world->update(&f);
        if (record && record->size() % CHECKPOINT_UPDATES == 0) record->addCheckpoint(roundStateHash());
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
    result.grabs = pilot.grabs();
    delete world;
    world = nullptr;
    game->year = 1;
    game->state = game->nextState = Title;
    return result;
}
