#include "engine/input/keys.h"

#include "engine/engine.h"

namespace {

int codeFromScancode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return KEY_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return KEY_F12 + 1 + (sc - SDL_SCANCODE_F13);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return KEY_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return KEY_ENTER;
    case SDL_SCANCODE_ESCAPE: return KEY_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return KEY_BACKSPACE;
    case SDL_SCANCODE_TAB: return KEY_TAB;
    case SDL_SCANCODE_SPACE: return KEY_SPACE;
    case SDL_SCANCODE_MINUS: return KEY_MINUS;
    case SDL_SCANCODE_EQUALS: return KEY_EQUALS;
    case SDL_SCANCODE_LEFTBRACKET: return KEY_LBRACKET;
    case SDL_SCANCODE_RIGHTBRACKET: return KEY_RBRACKET;
    case SDL_SCANCODE_BACKSLASH: return KEY_BACKSLASH;
    case SDL_SCANCODE_NONUSHASH: return KEY_BACKSLASH;
    case SDL_SCANCODE_SEMICOLON: return KEY_SEMICOLON;
    case SDL_SCANCODE_APOSTROPHE: return KEY_APOSTROPHE;
    case SDL_SCANCODE_GRAVE: return KEY_GRAVE;
    case SDL_SCANCODE_COMMA: return KEY_COMMA;
    case SDL_SCANCODE_PERIOD: return KEY_PERIOD;
    case SDL_SCANCODE_SLASH: return KEY_SLASH;
    case SDL_SCANCODE_CAPSLOCK: return KEY_CAPSLOCK;
    case SDL_SCANCODE_PRINTSCREEN: return 0x2C;
    case SDL_SCANCODE_SCROLLLOCK: return KEY_SCROLLLOCK;
    case SDL_SCANCODE_PAUSE: return KEY_PAUSE;
    case SDL_SCANCODE_INSERT: return KEY_INSERT;
    case SDL_SCANCODE_HOME: return KEY_HOME;
    case SDL_SCANCODE_PAGEUP: return KEY_PGUP;
    case SDL_SCANCODE_DELETE: return KEY_DELETE;
    case SDL_SCANCODE_END: return KEY_END;
    case SDL_SCANCODE_PAGEDOWN: return KEY_PGDN;
    case SDL_SCANCODE_RIGHT: return KEY_RIGHT;
    case SDL_SCANCODE_LEFT: return KEY_LEFT;
    case SDL_SCANCODE_DOWN: return KEY_DOWN;
    case SDL_SCANCODE_UP: return KEY_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return KEY_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return KEY_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return KEY_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return KEY_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return KEY_ADD;
    case SDL_SCANCODE_KP_ENTER: return KEY_ENTER;
    case SDL_SCANCODE_KP_0: return KEY_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return KEY_DECIMAL;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2;
    case SDL_SCANCODE_APPLICATION: return KEY_APPS;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return KEY_CTRL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return KEY_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return KEY_ALT;
    case SDL_SCANCODE_LGUI: return KEY_LWIN;
    case SDL_SCANCODE_RGUI: return KEY_RWIN;
    default: return 0;
    }
}

// Unshifted and shifted characters of the US layout's punctuation keys.
struct Punct {
    int key;
    char plain;
    char shifted;
};
constexpr Punct PUNCT[] = {
    {KEY_SEMICOLON, ';', ':'}, {KEY_EQUALS, '=', '+'},    {KEY_COMMA, ',', '<'},
    {KEY_MINUS, '-', '_'},     {KEY_PERIOD, '.', '>'},    {KEY_SLASH, '/', '?'},
    {KEY_GRAVE, '`', '~'},     {KEY_LBRACKET, '[', '{'},  {KEY_BACKSLASH, '\\', '|'},
    {KEY_RBRACKET, ']', '}'},  {KEY_APOSTROPHE, '\'', '"'},
};

const char* const* buildNames() {
    static const char* names[256];
    for (const char*& n : names) n = "?";
    names[KEY_LBUTTON] = "Left Mouse Button";
    names[KEY_RBUTTON] = "Right Mouse Button";
    names[KEY_MBUTTON] = "Middle Mouse Button";
    names[KEY_BACKSPACE] = "Backspace";
    names[KEY_TAB] = "Tab";
    names[KEY_ENTER] = "Enter";
    names[KEY_SHIFT] = "Shift";
    names[KEY_CTRL] = "Ctrl";
    names[KEY_ALT] = "Alt";
    names[KEY_PAUSE] = "Pause";
    names[KEY_CAPSLOCK] = "Caps Lock";
    names[KEY_ESCAPE] = "Escape";
    names[KEY_SPACE] = "Space";
    names[KEY_PGUP] = "Page Up";
    names[KEY_PGDN] = "Page Down";
    names[KEY_END] = "End";
    names[KEY_HOME] = "Home";
    names[KEY_LEFT] = "Left Arrow";
    names[KEY_UP] = "Up Arrow";
    names[KEY_RIGHT] = "Right Arrow";
    names[KEY_DOWN] = "Down Arrow";
    names[KEY_INSERT] = "Insert";
    names[KEY_DELETE] = "Delete";
    static const char* const digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 10; ++i) names[KEY_0 + i] = digits[i];
    static const char* const letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                          "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    for (int i = 0; i < 26; ++i) names[KEY_A + i] = letters[i];
    names[KEY_LWIN] = "Left Win";
    names[KEY_RWIN] = "Right Win";
    names[KEY_APPS] = "Application";
    static const char* const numpad[] = {"NumPad 0", "NumPad 1", "NumPad 2", "NumPad 3", "NumPad 4",
                                         "NumPad 5", "NumPad 6", "NumPad 7", "NumPad 8", "NumPad 9"};
    for (int i = 0; i < 10; ++i) names[KEY_NUMPAD0 + i] = numpad[i];
    names[KEY_MULTIPLY] = "Multiply";
    names[KEY_ADD] = "Add";
    names[KEY_SUBTRACT] = "Subtract";
    names[KEY_DECIMAL] = "Decimal";
    names[KEY_DIVIDE] = "Divide";
    static const char* const fkeys[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
    for (int i = 0; i < 12; ++i) names[KEY_F1 + i] = fkeys[i];
    names[KEY_NUMLOCK] = "Num Lock";
    names[KEY_SCROLLLOCK] = "Scroll Lock";
    names[KEY_SEMICOLON] = "Semicolon";
    names[KEY_EQUALS] = "Equals";
    names[KEY_COMMA] = "Comma";
    names[KEY_MINUS] = "Minus";
    names[KEY_PERIOD] = "Period";
    names[KEY_SLASH] = "Slash";
    names[KEY_GRAVE] = "Grave";
    names[KEY_LBRACKET] = "Left bracket";
    names[KEY_BACKSLASH] = "Backslash";
    names[KEY_RBRACKET] = "Right bracket";
    names[KEY_APOSTROPHE] = "Apostrophe";
    return names;
}

}  // namespace

int keyCodeFromSdl(SDL_Keycode sym, SDL_Scancode scancode) {
    if (sym >= 'a' && sym <= 'z') return static_cast<int>(sym - 'a' + 'A');
    if (sym >= '0' && sym <= '9') return static_cast<int>(sym);
    switch (sym) {
    case SDLK_SEMICOLON: return KEY_SEMICOLON;
    case SDLK_EQUALS: return KEY_EQUALS;
    case SDLK_COMMA: return KEY_COMMA;
    case SDLK_MINUS: return KEY_MINUS;
    case SDLK_PERIOD: return KEY_PERIOD;
    case SDLK_SLASH: return KEY_SLASH;
    case SDLK_BACKQUOTE: return KEY_GRAVE;
    case SDLK_LEFTBRACKET: return KEY_LBRACKET;
    case SDLK_BACKSLASH: return KEY_BACKSLASH;
    case SDLK_RIGHTBRACKET: return KEY_RBRACKET;
    case SDLK_QUOTE: return KEY_APOSTROPHE;
    default: return codeFromScancode(scancode);
    }
}

const char* keyNameOf(int key) {
    static const char* const* names = buildNames();
    return (key >= 0 && key < 256) ? names[key] : "?";
}

int keyCharacter(int key, Uint16 mod) {
    const bool shift = (mod & KMOD_SHIFT) != 0;
    const bool ctrl = (mod & KMOD_CTRL) != 0;
    if (key >= KEY_A && key <= KEY_Z) {
        if (ctrl) return key - KEY_A + 1;
        bool caps = (mod & KMOD_CAPS) != 0;
        return (shift != caps) ? key : key - 'A' + 'a';
    }
    if (key >= KEY_0 && key <= KEY_9) {
        if (ctrl) return 0;
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[key - KEY_0] : key;
    }
    for (const Punct& p : PUNCT) {
        if (p.key != key) continue;
        if (ctrl) {
            if (key == KEY_LBRACKET) return 27;
            if (key == KEY_BACKSLASH) return 28;
            if (key == KEY_RBRACKET) return 29;
            return 0;
        }
        return shift ? p.shifted : p.plain;
    }
    const bool numLock = (mod & KMOD_NUM) != 0;
    if (key >= KEY_NUMPAD0 && key <= KEY_NUMPAD9) return numLock && !ctrl ? '0' + (key - KEY_NUMPAD0) : 0;
    switch (key) {
    case KEY_SPACE: return ' ';
    case KEY_ENTER: return ctrl ? '\n' : '\r';
    case KEY_TAB: return ctrl ? 0 : '\t';
    case KEY_BACKSPACE: return ctrl ? 127 : '\b';
    case KEY_ESCAPE: return 27;
    case KEY_MULTIPLY: return '*';
    case KEY_ADD: return '+';
    case KEY_SUBTRACT: return '-';
    case KEY_DIVIDE: return '/';
    case KEY_DECIMAL: return numLock ? '.' : 0;
    default: return 0;
    }
}
