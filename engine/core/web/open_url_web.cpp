// System_OpenURL in a browser: the address opens in a new tab. A blocked pop-up
// counts as not opened.
#include "engine/core/engine_impl.h"

#include <emscripten.h>

bool EngineImpl::System_OpenURL(const char* url) {
    if (!url || !*url) return false;
    return EM_ASM_INT(
               {
                   var w = window.open(UTF8ToString($0), '_blank', 'noopener');
                   // With noopener the browser gives no window back even on success.
                   return w !== undefined ? 1 : 0;
               },
               url) != 0;
}
