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

// One round of the year the Game is in, from the generator as it stands: the
// pilot plays until the bear hibernates or is snowed in. fadeOut: after the
// hibernation the round goes on while the picture fades, as the Game runs it.
YearResult playRound(uint32_t handSeed, InputLog* record, bool human, bool fadeOut) {
    const int year = game->year;
    game->state = game->nextState = Playing;
    game->fade = 1.0f;
    game->fadeDir = 0;
    world = new World();
    world->setup(static_cast<float>(game->winterMinutes));
    YearPilot pilot;
    HumanHand hand(handSeed);
    if (human) pilot.setReaction(HumanHand::DELAY_FRAMES);
    YearResult result;
    const float dt = engine->Timer_Delta();
    for (int frame = 0; frame < MOST_FRAMES; ++frame) {
        // The Game's fade-out, by its own arithmetic: the round runs until it ends.
        if (result.won) {
            game->fade -= dt * 1.5f;
            if (game->fade <= 0.0f) break;
        }
        const InputFrame f = human ? hand.next(decide(pilot, hand)) : pilot.next();
        if (record) record->append(f);
        world->update(&f);
        if (record && record->checkpointDue()) record->addCheckpoint(roundStateHash());
        game->renderFrame();
        if (game->state == GameOver) break;  // snowed in (and back to year 1)
        if (!result.won && game->year == year + 1) {  // survived: the next year's title comes
            result.won = true;
            result.seconds = world->elapsed;
            result.fatness = world->fatness;
            if (!fadeOut) break;
        }
    }
    if (!result.won) {
        result.seconds = world->elapsed;
        result.fatness = world->fatness;
    }
    result.stats = pilot.stats;
    result.grabs = pilot.grabs();
    delete world;
    world = nullptr;
    return result;
}

}  // namespace

YearResult playFirstYear(uint32_t seed, InputLog* record, bool human, int year) {
    seedRandom(seed);
    game->year = year;
    game->modifierA = game->modifierB = -1;
    game->winterMinutes = 5;
    const YearResult result = playRound(seed, record, human, false);
    game->year = 1;
    game->state = game->nextState = Title;
    return result;
}

GameResult playGame(uint32_t seed, bool human, int maxYears, InputLog* record) {
    // Year after year on one generator: each won year's end chose the next one's
    // modifiers and minutes, and nothing between two rounds draws from it.
    seedRandom(seed);
    game->year = 1;
    game->modifierA = game->modifierB = -1;
    game->winterMinutes = 5;
    GameResult result;
    while (result.years < maxYears) {
        const int year = game->year;
        // A won year's end has already chosen the next one's modifiers.
        const int a = game->modifierA, b = game->modifierB;
        // The first year's hand is --play-year's, the later ones their own.
        const uint32_t handSeed = year == 1 ? seed : seed * 977u + static_cast<uint32_t>(year);
        const YearResult r = playRound(handSeed, record, human, true);
        const GameResult::Year played{a, b, r.won, r.fatness, r.stats.meals};
        result.played.push_back(played);
        if (!played.won) break;
        ++result.years;
    }
    game->returnToTitle();
    return result;
}
