// Control+S and Control+M: the player's sound effects and music, on or off for the
// run. They act in play and on the title screen, and say what they did.
#pragma once

// Acts on this frame's keys; nothing without Control held.
void soundSwitches();
