#include "main/year.h"

#include "main/game.h"
#include "main/random.h"

const char* const MODIFIER_MESSAGES[MODIFIER_COUNT] = {
    "You slept too long!",
    "The fish have been overfished!",
    "Full moon! The badgers are restless.",
    "The forest looks overgrown...",
    "You feel famished!",
    "Your car is a turbo!",
    "It's still frozen out there!",
};

bool modifierActive(int k) { return game->modifierA == k || game->modifierB == k; }

int winterMinutesFor(int year, bool sleptTooLong) {
    if (year <= 3) return sleptTooLong ? 3 : 5;
    if (year <= 5) return sleptTooLong ? 3 : 4;
    if (year <= 7) return sleptTooLong ? 2 : 3;
    if (year <= 9) return sleptTooLong ? 1 : 2;
    return 1;
}

bool yearHasTwoModifiers(int year) { return year == 5 || year == 7 || year == 9 || year >= 11; }

void Game::endYear(bool survived) {
    titleTime = -2.5f;
    nextState = Title;
    if (survived) {
        year += 1;
        fade = 1.0f;
        fadeDir = -1;  // the picture fades out over 2/3 s while the round goes on
        chooseModifiers();
        return;
    }
    // The "Game Over" screen stays bright for 3.33 s, then fades out over 2/3 s.
    fade = 6.0f;
    fadeDir = -1;
    year = 1;
    winterMinutes = 5;
    modifierA = modifierB = -1;
    state = GameOver;
}

void Game::chooseModifiers() {
    winterMinutes = 5;
    modifierB = -1;
    if (year <= 1) return;
    modifierA = static_cast<int>(randomInt(MODIFIER_COUNT));
    if (yearHasTwoModifiers(year)) {
        do {
            modifierB = static_cast<int>(randomInt(MODIFIER_COUNT));
        } while (modifierB == modifierA);
    }
    winterMinutes = winterMinutesFor(year, modifierActive(MODIFIER_SLEPT_TOO_LONG));
}
