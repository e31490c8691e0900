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
        const float G = splitCutoff(cutoff);
        onePole::smoothRateFirst(splitLow, input, G, radiansPerSample);
        onePole::smoothRateFirst(splitBand, static_cast<double>(input) - splitLow, G, radiansPerSample);
        return static_cast<double>(splitLow) - splitBand;
    }

    // The same away from the design rate, with both stages' coefficient given.
    double processBy(float input, double coefficient)
    {
        onePole::smoothBy(splitLow, input, coefficient);
        onePole::smoothBy(splitBand, static_cast<double>(input) - splitLow, coefficient);
        return static_cast<double>(splitLow) - splitBand;
    }

    // Where the split lies for the resonator's cutoff: seven eighths of it, in Hz.
    static float splitCutoff(float cutoff) { return static_cast<float>(cutoff - cutoff * 0.125); }

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
