// The feed-forward comb that colours the pick before it reaches the string: the
// excitation less 0.9 times itself delayed by "Fixing" squared x 1210 + 4 samples
// at the design rate (0.09 to 27.5 ms), the same time at any other.
#pragma once

#include <cstdint>

#include "engine/DelayLine.h"

class CombFilter {
public:
    static constexpr std::int32_t kMaximumDelay = 20000;

    CombFilter() : combDelay(0.0f, kMaximumDelay) {}

    bool isValid() const { return combDelay.isValid(); }

    // Takes the rate: the comb keeps its delay in time.
    void setRateFactor(double rateFactor) { delayScale = rateFactor; }

    // Makes room for the longest delay at a rate factor (the line holds 20000 samples,
    // more above 720 kHz); the line is emptied when its size changes. Allocates:
    // never while rendering.
    void reserve(double rateFactor)
    {
        const std::int32_t longest = maximumDelayAtRate(kLongestDesignDelay, rateFactor);
        resizeDelayLine(combDelay, longest > kMaximumDelay ? longest : kMaximumDelay);
    }

    // Takes the excitation and "Fixing"; returns the coloured excitation.
    float process(float excitation, float fixing)
    {
        const double f = fixing;
        combDelay.setDelay(static_cast<float>(((f * f) * 1210.0 + 4.0) * delayScale));
        const float d = combDelay.processLinear(excitation);
        return static_cast<float>(excitation - d * kFeedforward);
    }

    // After a non-finite value: the line is emptied.
    void restart() { emptyDelayLine(combDelay); }

    const DelayLine& getCombDelay() const { return combDelay; }

private:
    static constexpr double kFeedforward = 0.9f;
    static constexpr std::int32_t kLongestDesignDelay = 1215; // "Fixing" at 1, in samples at the design rate

    DelayLine combDelay;
    double delayScale = 1.0; // the rate over the design rate
};
