// The soft-knee distorter: the string sample times 5 is linear up to a knee at 0.4
// and bends smoothly towards 1 above it; "Distorter " blends it with the dry sample
// and exactly 0 bypasses it.
#pragma once

class Distorter {
public:
    // Takes the voice sample and "Distorter "; returns the blend.
    float process(float signal, float amount) const
    {
        const double a = amount;
        if (a == 0.0) {
            return signal;
        }
        const float y = saturate(static_cast<float>(signal * 5.0));
        return static_cast<float>(signal * (1.0 - a) + y * a);
    }

    // The curve itself: y up to the knee, kKnee + kAboveKnee tanh((|y| - kKnee) x
    // kKneeSlope) with y's sign above it; the result rounded to single precision.
    static float saturate(float y);
};
