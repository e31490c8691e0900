// The control rate of the voice: a tick every 21 samples, the first at each
// block's first sample. The held pick noise and the swept filter's cutoff change
// only on ticks.
#pragma once

#include <cstdint>

class ControlClock {
public:
    // Advances by one sample; true when this sample is a control tick.
    bool tick()
    {
        if (++controlPhase >= kControlPeriod) {
            controlPhase = 0;
        }
        return controlPhase == 1;
    }

private:
    static constexpr std::int32_t kControlPeriod = 21;
    std::int32_t controlPhase = 0; // 1, 2, ..., 20, 0, 1, ... from the first sample on
};
