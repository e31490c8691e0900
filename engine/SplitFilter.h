// Splits the resonant low-pass output at seven eighths of its cutoff: a low-pass
// of it, and a low-pass of what lies above that. The filter section takes the
// difference of the two.
#pragma once

#include "engine/OnePole.h"

class SplitFilter {
public:
    // Takes the low-pass output and the resonator's cutoff in Hz; returns the low
    // band less the band above it, unrounded.
    double process(float input, float cutoff, double radiansPerSample)
    {
        const float G = static_cast<float>(cutoff - cutoff * 0.125);
        onePole::smoothRateFirst(splitLow, input, G, radiansPerSample);
        onePole::smoothRateFirst(splitBand, static_cast<double>(input) - splitLow, G, radiansPerSample);
        return static_cast<double>(splitLow) - splitBand;
    }

    void restart() { splitLow = splitBand = 0.0f; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("splitLow", splitLow);
        visit("splitBand", splitBand);
    }

private:
    float splitLow = 0.0f;
    float splitBand = 0.0f;
};
