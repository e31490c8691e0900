// The state-variable filter that the envelope sweeps: a band-pass and a low-pass
// output, the cutoff set on control ticks and 0 from each block's start until the
// first of them.
#pragma once

#include <cmath>

#include "engine/EngineMath.h"
#include "engine/RateScale.h"

class SweptFilter {
public:
    void beginBlock(double radiansPerSample) { setCutoff(0.0f, radiansPerSample); }

    // Takes the rate: the filter keeps its tuning in hertz.
    void setRateScale(const RateScale& rate) { scale = rate; }

    // Takes the cutoff in Hz. The coefficient 2 pi cutoff / rate tunes the filter a
    // little above the cutoff, to 2 asin(coefficient / 2) / (2 pi) of the rate; away
    // from the design rate the coefficient is chosen to tune it where it is tuned at
    // the design rate.
    void setCutoff(float cutoff, double radiansPerSample)
    {
        sweepCutoff = cutoff;
        if (scale.atDesignRate()) {
            coefficient = static_cast<float>(radiansPerSample * sweepCutoff);
            return;
        }
        const double design = static_cast<double>(RateScale::kDesignRadiansPerSample) * sweepCutoff;
        coefficient = design < 2.0 ? static_cast<float>(2.0 * std::sin(std::asin(design * 0.5) / scale.factor()))
                                   : static_cast<float>(design / scale.factor());
    }

    // One step with the given damping; the outputs are band() and low().
    void process(float signal, float damping)
    {
        float k = coefficient;
        keepStable(k, damping);
        sweepBand = static_cast<float>(sweepBand + static_cast<double>(k) *
                                                       ((signal - static_cast<double>(damping) * sweepBand) - sweepLow));
        sweepLow = static_cast<float>(sweepLow + static_cast<double>(k) * sweepBand);
    }

    float band() const { return sweepBand; }
    float low() const { return sweepLow; }

    void restart() { sweepBand = sweepLow = 0.0f; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("sweepBand", sweepBand);
        visit("sweepLow", sweepLow);
    }

private:
    // The filter is stable while its damping is not negative and k (k + 2 damping)
    // stays below 4. With the envelope at most 1 it always is (k stays below about
    // 0.8), but an envelope overshooting 1, after "Sustain" drops during a decay,
    // would push it past the bound and the filter would blow up to infinity within a
    // block. Outside the bound the damping is floored at 0 and k pulled back just
    // inside it.
    static constexpr double kStabilityBound = 3.9;

    static void keepStable(float& k, float& damping)
    {
        if (damping < 0.0f) {
            damping = 0.0f;
        }
        const double d = damping;
        if (static_cast<double>(k) * (k + 2.0 * d) >= kStabilityBound) {
            k = static_cast<float>(std::sqrt(d * d + kStabilityBound) - d);
        }
    }

    RateScale scale;
    float sweepBand = 0.0f;
    float sweepLow = 0.0f;
    float sweepCutoff = 0.0f; // Hz
    float coefficient = 0.0f; // radiansPerSample x sweepCutoff, before the stability bound
};
