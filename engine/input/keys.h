// The engine's key codes (the classic virtual-key numbers) from SDL's keys, their
// names, and the character a key gives on a US layout.
#pragma once

#include <SDL_keyboard.h>

// The engine's code for an SDL key, 0 for a key the engine has no code for.
// Letters, digits and punctuation follow the layout (the keycode); everything
// else, and keys the layout leaves without a Latin keycode, the key's position.
int keyCodeFromSdl(SDL_Keycode sym, SDL_Scancode scancode);

// The name of a code, "?" for every code without one (and outside 0..255).
const char* keyNameOf(int key);

// The character of a key with the given SDL modifier state (US layout), 0 for none.
int keyCharacter(int key, Uint16 mod);
