// A one-line progress bar on standard error, drawn only on a terminal and only
// once the render looks like taking longer than about a second, at most ten times
// a second, and erased when done.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressBar {
public:
    ProgressBar(bool enabled, std::int64_t totalFrames, std::int32_t sampleRate);

    void update(std::int64_t done);
    void finish();

    // Whether standard error is a terminal.
    static bool standardErrorIsTerminal();

private:
    using Clock = std::chrono::steady_clock;
    bool active;
    bool drawn = false;
    std::int64_t total;
    double rate;
    Clock::time_point start;
    Clock::time_point lastDraw;
};
