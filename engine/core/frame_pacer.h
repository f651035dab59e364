// When a loop that the display drives (one pass per picture, as a browser runs it)
// runs the game's next frame. The game steps at its fixed rate of real time whatever
// the display's rate: each frame is due exactly one step after the last one was due,
// not after the pass that ran it, so 120 and 144 Hz displays give 60 frames a second
// as 60 Hz does. A pass runs one frame at most; a pass a little early (less than a
// quarter step, the jitter of a display's timing) still runs it. A loop that fell far
// behind (a hidden page, a stall) starts over instead of hurrying to catch up.
#pragma once

class FramePacer {
public:
    static constexpr double MAX_LAG_MS = 200.0;

    // stepMs 0: a frame on every pass.
    explicit FramePacer(double stepMs = 0.0) : step_(stepMs) {}

    void setStep(double stepMs) { step_ = stepMs; }
    double step() const { return step_; }
    void start(double nowMs) { due_ = nowMs + step_; }

    // Whether this pass, at nowMs, runs a frame.
    bool pass(double nowMs) {
        if (step_ <= 0.0) return true;
        if (nowMs + step_ * 0.25 < due_) return false;
        due_ += step_;
        if (nowMs - due_ > MAX_LAG_MS) due_ = nowMs + step_;
        return true;
    }

private:
    double step_;
    double due_ = 0.0;
};
