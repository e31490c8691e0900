// The control rate of the voice: a tick every 21 samples at the design rate (0.48
// ms, the same time at any other rate), the first at each block's first sample.
// The held pick noise and the swept filter's cutoff change only on ticks.
#pragma once

#include <cstdint>

class ControlClock {
public:
    explicit ControlClock(std::int32_t period) : controlPeriod(period) {}

    // The period in samples at a rate factor: 21 at the design rate, at least 1.
    static std::int32_t periodAt(double rateFactor)
    {
        const double period = 21.0 * rateFactor + 0.5;
        return period >= 1.0 ? (period < 1e6 ? static_cast<std::int32_t>(period) : 1000000) : 1;
    }

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
