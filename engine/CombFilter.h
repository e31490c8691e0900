// The feed-forward comb that colours the pick before it reaches the string: the
// excitation less 0.9 times itself delayed by "Fixing" squared x 1210 + 4 samples.
#pragma once

#include <cstdint>

#include "engine/DelayLine.h"

class CombFilter {
public:
    static constexpr std::int32_t kMaximumDelay = 20000;

    CombFilter() : combDelay(0.0f, kMaximumDelay) {}

    bool isValid() const { return combDelay.isValid(); }

    // Takes the excitation and "Fixing"; returns the coloured excitation.
    float process(float excitation, float fixing)
    {
        const double f = fixing;
        combDelay.setDelay(static_cast<float>((f * f) * 1210.0 + 4.0));
        const float d = combDelay.processLinear(excitation);
        return static_cast<float>(excitation - d * kFeedforward);
    }

    // After a non-finite value: the line is emptied.
    void restart() { emptyDelayLine(combDelay); }

    const DelayLine& getCombDelay() const { return combDelay; }

private:
    static constexpr double kFeedforward = 0.9f;

    DelayLine combDelay;
};
