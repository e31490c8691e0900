// The velocity factor: a one-pole follower of the note velocity, weighted by
// "Velocity " (the sensitivity), scales the voice before its tone stages.
#pragma once

#include "engine/OnePole.h"

class VelocityFollower {
public:
    // Takes the note velocity, the sensitivity and the factor so far; returns the
    // factor. With no note velocity yet (no note since the start) the factor stays.
    float step(float noteVelocity, float sensitivity, double radiansPerSample, float velocityScale)
    {
        if (noteVelocity > 0.0f) {
            const double s = sensitivity;
            onePole::smooth(velocitySmoothed, noteVelocity, radiansPerSample, 90.0);
            velocityScale = static_cast<float>((1.0 - s) + velocitySmoothed * s);
        }
        return velocityScale;
    }

    // The voice sample scaled by the factor: from 0.2 at factor 0 to 1 at factor 1.
    static float apply(float signal, float velocityScale)
    {
        return static_cast<float>(signal * (velocityScale * kDepth + kFloor));
    }

    // After a non-finite value: the follower starts from 0.
    void restart() { velocitySmoothed = 0.0f; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("velocitySmoothed", velocitySmoothed);
    }

private:
    // Single-precision constants widened to double.
    static constexpr double kDepth = 0.8f;
    static constexpr double kFloor = 0.2f;

    float velocitySmoothed = 0.0f;
};
