// The pick that starts each note: white noise from the exciter's own generator,
// low-passed at "NisFilter" and scaled by velocity and "Pick", and the burst, a short
// triangle plus that noise while the gate is open. The burst restarts only from a
// closed gate, so a note taken over with the gate open is not plucked again.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/OnePole.h"
#include "engine/RateScale.h"

class PickExciter {
public:
    // Takes the rate: the burst keeps its length in time. The noise is made at the
    // design rate's steps at every rate, so it keeps its spectrum, its level and even
    // its sequence in time; another rate holds each step's value until the next.
    void setRateScale(const RateScale& rate)
    {
        scale = rate;
        // Rates below 5512.5 Hz (and rates that are no rate at all) take at most 8 steps.
        const double steps = 1.0 / rate.factor();
        stepsPerSample = steps > 0.0 && steps <= 8.0 ? steps : (steps > 8.0 ? 8.0 : 1.0);
    }

    // Steps the generator and the noise low-pass; takes "NisFilter", "Pick" and the
    // note velocity, returns the new noise value.
    float nextNoise(double radiansPerSample, float nisFilter, float pick, float noteVelocity)
    {
        if (scale.atDesignRate()) {
            return designNoiseStep(radiansPerSample, nisFilter, pick, noteVelocity);
        }
        // The steps due by this sample's time, the step at this very time included.
        while (stepPosition >= 0.0) {
            stepPosition -= 1.0;
            designNoiseStep(RateScale::kDesignRadiansPerSample, nisFilter, pick, noteVelocity);
        }
        stepPosition += stepsPerSample;
        return noiseState;
    }

    // The excitation of this sample: the burst while the gate is open and the count
    // is below the burst's length, scaled by "Exciter" and held to [-1, 2]; 0 otherwise.
    float nextBurst(bool noteActive, float noteFrequency, float exciter)
    {
        if (!noteActive) {
            pickCounter = 0;
            return 0.0f;
        }
        const double B = burstLength(noteFrequency) * scale.factor();
        if (pickCounter < INT_MAX) {
            ++pickCounter;
        }
        const std::int32_t c = pickCounter;
        if (c >= B) {
            return 0.0f;
        }
        const float tri = static_cast<float>(burstTriangle(c, B));
        const float e = static_cast<float>(exciter * (tri + 4.0 * noiseState));
        return e > 2.0f ? 2.0f : (e < -1.0f ? -1.0f : e);
    }

    // A note begins with the gate closed: the next open-gate sample starts the burst.
    void pluck() { pickCounter = 0; }

    // After a non-finite value: the noise starts from 0.
    void restart() { noiseState = 0.0f; }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("noiseState", noiseState);
    }

    std::int32_t getPickCounter() const { return pickCounter; }

private:
    // Single-precision constants widened to double.
    static constexpr double kNoiseVelocityDepth = 0.8f;
    static constexpr double kNoiseFloor = 0.1f;
    // The single-precision number with bits 0x3E23D70B, one unit above the nearest to 0.16.
    static constexpr double kBurstSlope = 0.1600000113248825;

    // Samples of the burst at the design rate for a note frequency: shorter for
    // higher notes, at least 5 (a whole number). Another rate takes the same time,
    // counted in its own samples: the triangle then ends between two of them.
    static std::int32_t burstLength(float frequency)
    {
        const double length = (1200.0 - frequency) * kBurstSlope + 10.0;
        if (!(length >= 5.0)) {
            return 5;
        }
        return length >= INT_MAX ? INT_MAX : static_cast<std::int32_t>(length);
    }

    // One step of the generator and of the noise low-pass, in the design's arithmetic.
    float designNoiseStep(double radiansPerSample, float nisFilter, float pick, float noteVelocity)
    {
        const float cutoff = static_cast<float>(nisFilter * 3860.0 + 40.0);
        randomState = randomState * 214013u + 2531011u;
        const std::int32_t r = static_cast<std::int32_t>((randomState >> 16) & 0x7FFF);
        const float white = static_cast<float>(((r * 0.000030517578125 - 0.5) *
                                                (noteVelocity * kNoiseVelocityDepth + kNoiseFloor)) *
                                               pick * 4.0);
        return onePole::smooth(noiseState, white, radiansPerSample, cutoff);
    }

    // The burst's triangle at count c of B: rising from 0 to 1 at B/2 and back.
    static double burstTriangle(std::int32_t c, double B)
    {
        const double half = B / 2.0;
        return half > c ? 2.0 * c / B : 1.0 - 2.0 * (c - half) / B;
    }

    RateScale scale;
    float noiseState = 0.0f;
    // Away from the design rate: design steps per sample, and the time of this sample
    // past the next step's (negative while it is still to come).
    double stepsPerSample = 1.0;
    double stepPosition = 0.0;
    std::uint32_t randomState = 1;
    std::int32_t pickCounter = 0; // samples since the gate opened; 0 while it is closed
};
