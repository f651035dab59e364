#include "engine/core/web/page.h"

#include <emscripten.h>

// The page asks the browser itself (page.js): emscripten's own request waits for the
// next input event it handles, and the key up of Alt+Enter may have come and gone
// before the game's frame sees its key down.
void pageFullScreen(bool on) {
    EM_ASM(
        {
            if (Module.setFullScreen) Module.setFullScreen($0 != 0);
        },
        on);
}
