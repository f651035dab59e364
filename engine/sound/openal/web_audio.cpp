// The Web Audio behind emscripten's OpenAL, reached where its OpenAL does not go: how
// far ahead it schedules, closing an AudioContext, and, for the page, the state of the
// output and a resume from its own gesture handler. Built in the browser only.
#include "engine/sound/openal/al_features.h"

#if TD_OPENAL_WEB

#include <emscripten.h>

#include <cstdint>

namespace openal::web {

// The library queues buffers on Web Audio from a 25 ms timer, 100 ms ahead: a frame
// that blocks the page longer than that would be heard as a gap whatever is queued.
void setScheduleAhead(double seconds) {
    EM_ASM({ if (typeof AL !== 'undefined') AL.QUEUE_LOOKAHEAD = $0; }, seconds);
}

void closeAudio(ALCcontext* context) {
    EM_ASM(
        {
            var c = typeof AL !== 'undefined' ? AL.contexts[$0] : null;
            if (c && c.audioCtx && c.audioCtx.state !== 'closed') c.audioCtx.close();
        },
        reinterpret_cast<intptr_t>(context));
}

}  // namespace openal::web

extern "C" {

// 0 no output, 1 waiting (a browser starts audio only after a click or a key), 2 playing.
EMSCRIPTEN_KEEPALIVE int timberdrive_audio_state() {
    return EM_ASM_INT({
        if (typeof AL === 'undefined' || !AL.currentCtx) return 0;
        return AL.currentCtx.audioCtx.state === 'running' ? 2 : 1;
    });
}

// From the page's own handler of a click or key: starts the output unless the game
// paused it. (Emscripten also resumes it on the first mousedown, keydown or touchstart.)
EMSCRIPTEN_KEEPALIVE void timberdrive_audio_resume() {
    EM_ASM({
        if (typeof AL === 'undefined' || !AL.currentCtx || AL.paused) return;
        if (AL.currentCtx.audioCtx.state === 'suspended') AL.currentCtx.audioCtx.resume();
    });
}

// From the page when it is shown again: the library feeds Web Audio from a timer that
// the browser slowed to once a second while the page was hidden, and skips feeding
// while hidden; the sound would come back up to a second after the pictures. The
// timer starts again and the sources are fed at once.
EMSCRIPTEN_KEEPALIVE void timberdrive_audio_wake() {
    EM_ASM({
        if (typeof AL === 'undefined' || AL.paused) return;
        for (var id in AL.contexts) {
            var c = AL.contexts[id];
            if (!c || !c.interval) continue;
            clearInterval(c.interval);
            c.interval = setInterval(function(ctx) { AL.scheduleContextAudio(ctx); }, AL.QUEUE_INTERVAL, c);
            AL.scheduleContextAudio(c);
        }
    });
}
}

#endif
