// Benchmarks tell what an update costs as a share of the 16.7 ms frame.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

// Times a benchmark's loop from construction (just before the loop) to destruction and
// reports the time per iteration in percent of the frame's 16.7 ms ("frame_pct") and
// how many iterations fit in one frame ("per_frame"), as plain numbers: a counter
// derived from Google Benchmark's own time is a rate and prints with a unit of seconds.
class FrameShare {
public:
    explicit FrameShare(benchmark::State& state) : state_(state), begin_(Clock::now()) {}
    FrameShare(const FrameShare&) = delete;
    FrameShare& operator=(const FrameShare&) = delete;
    ~FrameShare() {
        if (paused_) resume();
        const double iterations = static_cast<double>(state_.iterations());
        const double seconds = std::chrono::duration<double>(Clock::now() - begin_ - excluded_).count();
        if (iterations <= 0 || seconds <= 0) return;
        const double perIteration = seconds / iterations;
        state_.counters["frame_pct"] = benchmark::Counter(perIteration * 60.0 * 100.0);
        state_.counters["per_frame"] = benchmark::Counter(1.0 / (60.0 * perIteration));
    }
    // Beside State::PauseTiming and ResumeTiming, for work the figure leaves out.
    void pause() {
        pausedAt_ = Clock::now();
        paused_ = true;
    }
    void resume() {
        excluded_ += Clock::now() - pausedAt_;
        paused_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    benchmark::State& state_;
    Clock::time_point begin_;
    Clock::time_point pausedAt_{};
    Clock::duration excluded_{};
    bool paused_ = false;
};
