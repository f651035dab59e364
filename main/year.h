// The year rules of the application: the modifiers of a year and the minutes
// until winter. The round's side of them (fatness, winter, hibernation) runs in
// the World's update.
#pragma once

enum YearModifier {
    MODIFIER_SLEPT_TOO_LONG = 0,
    MODIFIER_OVERFISHED = 1,
    MODIFIER_FULL_MOON = 2,
    MODIFIER_OVERGROWN = 3,
    MODIFIER_FAMISHED = 4,
    MODIFIER_TURBO = 5,
    MODIFIER_FROZEN = 6,
};
constexpr int MODIFIER_COUNT = 7;

// The message the title screen shows for each modifier.
extern const char* const MODIFIER_MESSAGES[MODIFIER_COUNT];

// True when the year has modifier k. k = -1 is true whenever fewer than two
// modifiers are in force, which is how the round asks for that.
bool modifierActive(int k);

// Minutes until winter in a year, shorter with "You slept too long!".
int winterMinutesFor(int year, bool sleptTooLong);

// Years that bring a second modifier.
bool yearHasTwoModifiers(int year);
