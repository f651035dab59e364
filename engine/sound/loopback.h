// The sound group on OpenAL Soft's loopback device as a real device, for tests and
// tools: everything loads and mixes as with a sound card, and the caller renders
// what the mixer produces. No sound thread runs: render() does its work (feeding
// music and streams, carrying slides on) in steps timed by the frames it renders,
// so what comes out is the same on every run. With ctx.soundPumped that work is left
// to pump(), called by the caller between renders as the frame loop would; slides
// still keep the time rendered. Not in a browser, which has no loopback device.
#pragma once

#include "engine/sound/sound.h"

class LoopbackSound : public Sound {
public:
    // Renders frames of interleaved float stereo (2 x frames values) at sampleRate().
    // While output is paused (Channel_PauseAll) it gives silence and nothing moves.
    virtual void render(float* out, int frames) = 0;
    // The device's rate: ctx.sampleRate when start() opened it.
    virtual int sampleRate() const = 0;
};

// Not started: call start() as the core would.
std::unique_ptr<LoopbackSound> createLoopbackSound(EngineContext& ctx);
