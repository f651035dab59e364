// When a loop that the display drives (one pass per picture, as a browser runs it)
// runs the game's frames. The game steps at its fixed rate of real time whatever
// the display's rate: each frame is due exactly one step after the last one was due,
// not after the pass that ran it, so 120 and 144 Hz displays give 60 frames a second
// as 60 Hz does, and a display slower than the game gets every frame it owes before
// its next picture, up to MAX_FRAMES (beyond that the game slows down rather than
// fall ever further behind). A pass a little early (less than a quarter step, the
// jitter of a display's timing) still runs its frame. A loop that stood still (a
// hidden page, a stall) starts over instead of hurrying to catch up.
#pragma once

class FramePacer {
public:
    static constexpr double MAX_LAG_MS = 200.0;
    static constexpr int MAX_FRAMES = 8;

    // stepMs 0: a frame on every pass.
    explicit FramePacer(double stepMs = 0.0) : step_(stepMs) {}

    void setStep(double stepMs) { step_ = stepMs; }
    double step() const { return step_; }
    void start(double nowMs) { due_ = nowMs + step_; }

    // How many frames this pass, at nowMs, runs.
    int pass(double nowMs) {
        if (step_ <= 0.0) return 1;
        if (nowMs + step_ * 0.25 < due_) return 0;
        if (nowMs - due_ > MAX_LAG_MS) {
            due_ = nowMs + step_;
            return 1;
        }
        int frames = 0;
        while (frames < MAX_FRAMES && nowMs + step_ * 0.25 >= due_) {
            due_ += step_;
            ++frames;
        }
        // Still behind after the most frames a picture may take: the game slows down.
        if (nowMs + step_ * 0.25 >= due_) due_ = nowMs + step_;
        return frames;
    }

private:
    double step_;
    double due_ = 0.0;
};
