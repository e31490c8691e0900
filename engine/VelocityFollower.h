// The velocity factor: a one-pole follower of the note velocity, weighted by
// "Velocity " (the sensitivity), scales the voice before its tone stages.
#pragma once

#include "engine/OnePole.h"

class VelocityFollower {
public:
    // The factor starts each block at 0 and is set by the first step with a note
    // velocity above 0 (there always is one once a note has been played).
    void beginBlock() { velocityScale = 0.0f; }

    // Takes the note velocity and the sensitivity; returns the velocity factor.
    float step(float noteVelocity, float sensitivity, double radiansPerSample)
    {
        if (noteVelocity > 0.0f) {
            const double s = sensitivity;
            onePole::smooth(velocitySmoothed, noteVelocity, radiansPerSample, 90.0);
            velocityScale = static_cast<float>((1.0 - s) + velocitySmoothed * s);
        }
        return velocityScale;
    }

    // The voice sample scaled by the factor: from 0.2 at factor 0 to 1 at factor 1.
    float apply(float signal) const
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
    float velocityScale = 0.0f;
};
