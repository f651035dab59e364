#include "engine/core/web/page.h"

#include <emscripten/html5.h>

void pageFullScreen(bool on) {
    if (on) {
        emscripten_request_fullscreen("#stage", 1);
    } else {
        emscripten_exit_fullscreen();
    }
}
