// The engine is designed at 44100 Hz: the lengths it gives in samples and the
// coefficients it gives per sample mean a time or a frequency at that rate.
// RateScale turns them into the same time or frequency at the rate in use. Its
// factor is exactly 1 at the design rate, where every stage keeps the design's own
// arithmetic, so the designed sounds stay bit for bit what they were.
#pragma once

#include <cmath>

#include "engine/EngineMath.h"

class RateScale {
public:
    static constexpr double kDesignRate = 44100.0;
    // radiansPerSample at the design rate: a one-pole smoother's coefficient there is
    // this times its rate in radians per second.
    static constexpr float kDesignRadiansPerSample = static_cast<float>(kSmootherTwoPi / kDesignRate);

    RateScale() = default;
    explicit RateScale(float rate) : ratio(rate / kDesignRate) {}

    // The rate in use over the design rate.
    double factor() const { return ratio; }
    bool atDesignRate() const { return ratio == 1.0; }

    // A length of designSamples samples at the design rate, in samples at this rate.
    double samples(double designSamples) const { return designSamples * ratio; }

    // The coefficient, at this rate, of the one-pole smoother state += (target -
    // state) x designCoefficient at the design rate: the same pole in continuous
    // time, so the smoother keeps its time constant however large the coefficient.
    double pole(double designCoefficient) const
    {
        if (!(designCoefficient < 1.0) || !(ratio > 0.0)) {
            return designCoefficient / ratio;
        }
        return -std::expm1(std::log1p(-designCoefficient) / ratio);
    }

    // The coefficient at this rate of the smoother state += (target - state) x
    // radiansPerSample x rate of the design.
    double smoother(double rate) const { return pole(static_cast<double>(kDesignRadiansPerSample) * rate); }

private:
    double ratio = 1.0;
};
