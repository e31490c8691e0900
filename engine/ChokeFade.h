// The short fade that silences a choked voice without a click: the output is
// scaled by a gain that falls in equal steps from 1 to 0 over kSeconds, and every
// sample after it is silent.
#pragma once

#include <cstdint>

#include "engine/EngineMath.h"

class ChokeFade {
public:
    static constexpr double kSeconds = 0.004;

    // Starts a fade at this rate: kSeconds' worth of samples, at least one.
    void start(float rate)
    {
        length = roundedSampleCount(static_cast<double>(rate) * kSeconds, kLongest);
        remaining = length;
    }
    void stop() { remaining = 0; }
    bool isRunning() const { return remaining > 0; }
    std::int32_t framesLeft() const { return remaining; }

    // Scales frames samples of both channels by the fade's gains; once the fade
    // has ended, the samples after it are set to 0.
    void apply(float* left, float* right, std::int32_t frames)
    {
        std::int32_t n = 0;
        for (; n < frames && remaining > 0; ++n) {
            --remaining;
            const double gain = static_cast<double>(remaining) / length;
            left[n] = static_cast<float>(left[n] * gain);
            right[n] = static_cast<float>(right[n] * gain);
        }
        for (; n < frames; ++n) {
            left[n] = 0.0f;
            right[n] = 0.0f;
        }
    }

private:
    // A second at the highest rate the engine is driven at leaves room to spare.
    static constexpr std::int32_t kLongest = 1 << 20;

    std::int32_t length = 1;
    std::int32_t remaining = 0;
};
