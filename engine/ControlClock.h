// The control rate of the voice: a tick every 21 samples at the design rate (0.48
// ms, the same time at any other rate), the first at each block's first sample.
// The held pick noise and the swept filter's cutoff change only on ticks.
#pragma once

#include <cstdint>

#include "engine/EngineMath.h"

class ControlClock {
public:
    explicit ControlClock(std::int32_t period) : controlPeriod(period) {}

    // The period in samples at a rate factor: 21 at the design rate, at least 1.
    static std::int32_t periodAt(double rateFactor) { return roundedSampleCount(21.0 * rateFactor, 1000000); }

    // Advances by one sample; true when this sample is a control tick.
    bool tick()
    {
        const bool controlTick = controlPhase == 0;
        if (++controlPhase >= controlPeriod) {
            controlPhase = 0;
        }
        return controlTick;
    }

private:
    std::int32_t controlPeriod;
    std::int32_t controlPhase = 0; // samples since the last tick
};
