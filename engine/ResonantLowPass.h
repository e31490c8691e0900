// The filter section's fixed resonant low-pass: two one-pole stages, the second's
// output fed back into the first in proportion to "DynaTone".
#pragma once

#include "engine/OnePole.h"

class ResonantLowPass {
public:
    // Takes the voice sample, "DynaTone" and the cutoff in Hz; returns the low-pass output.
    float process(float signal, double dynaTone, float cutoff, double radiansPerSample)
    {
        onePole::smooth(resonatorState1, (dynaTone * resonatorState2) * kResonance + signal, radiansPerSample, cutoff);
        return onePole::smooth(resonatorState2, resonatorState1, radiansPerSample, cutoff);
    }

    // The same away from the design rate, with both stages' coefficient given.
    float processBy(float signal, double dynaTone, double coefficient)
    {
        onePole::smoothBy(resonatorState1, (dynaTone * resonatorState2) * kResonance + signal, coefficient);
        return onePole::smoothBy(resonatorState2, resonatorState1, coefficient);
    }

    void restart() { resonatorState1 = resonatorState2 = 0.0f; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("resonatorState1", resonatorState1);
        visit("resonatorState2", resonatorState2);
    }

private:
    static constexpr double kResonance = 0.818f; // a single-precision constant widened to double

    float resonatorState1 = 0.0f;
    float resonatorState2 = 0.0f;
};
