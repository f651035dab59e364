#include "main/sound_switches.h"

#include "main/game.h"

void soundSwitches() {
    if (!engine->Input_KeyHeld(KEY_CTRL)) return;
    // The switches act during a demo too, but it shows nothing of the help.
    const bool quiet = !game || game->playingBack != 0;
    if (engine->Input_KeyPressed('S')) {
        fxVolume = fxVolume > 0 ? 0 : 100;
        engine->System_SetState(STATE_FX_VOLUME, fxVolume);
        if (!quiet) game->help.notice(fxVolume > 0 ? "Sound effects on" : "Sound effects off");
    } else if (engine->Input_KeyPressed('M')) {
        musicVolume = musicVolume > 0 ? 0 : 100;
        engine->System_SetState(STATE_MUSIC_VOLUME, musicVolume);
        if (!quiet) game->help.notice(musicVolume > 0 ? "Music on" : "Music off");
    }
}
