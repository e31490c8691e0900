// The two-line stereo chorus at the end of the voice: the band above a 233 Hz
// crossover passes two delay lines of about 30 and 33 ms, each swept by 3 per cent
// by its own slow sine and fed back into itself; the low band stays centred.
// "Chorus " is the wet level.
#pragma once

#include "engine/DelayLine.h"
#include "engine/EngineMath.h"
#include "engine/OnePole.h"
#include "engine/WavetableOscillator.h"

class StereoChorus {
public:
    // Both lines at 1400 samples of at most 3000, the modulators at 0.5 and 1.2 Hz
    // at the given rate.
    explicit StereoChorus(float rate);

    bool isValid() const { return chorusDelayA.isValid() && chorusDelayB.isValid(); }

    // Takes the block's rate: the lines' centre delay, 30 ms, and the modulators'
    // rates, 0.5 and 1.2 Hz at any rate.
    void setSampleRate(float rate)
    {
        chorusBase = static_cast<float>(rate * kCentreDelay);
        if (!sameBits(rate, modulatorRate)) {
            modulatorRate = rate;
            lfoA.setSampleRate(rate, kRateA);
            lfoB.setSampleRate(rate, kRateB);
        }
    }

    // Sizes both lines for a rate factor: 3000 samples at the design rate (68 ms), the
    // same time at any other, so the swept 33 ms line always fits. The lines are
    // emptied when their size changes. Allocates: never while rendering.
    void reserve(double rateFactor);

    // Takes the output sample, "Chorus " and the channel volume; writes both channels.
    void process(float out, double depth, float channelVolume, double radiansPerSample, float& left, float& right)
    {
        onePole::smooth(chorusLow, out, radiansPerSample, kCrossover);
        const float high = static_cast<float>(static_cast<double>(out) - chorusLow);
        const float p = static_cast<float>(lfoA.nextSample() * kSweepDepth);
        const float q = static_cast<float>(lfoB.nextSample() * kSweepDepth);
        chorusDelayA.setDelay(static_cast<float>((p + 1.0) * chorusBase));
        chorusDelayB.setDelay(static_cast<float>(((1.0 - q) * chorusBase) * kSecondLineStretch));
        chorusFeedbackA = chorusDelayA.processLinear(static_cast<float>(high + chorusFeedbackA * kFeedback));
        chorusFeedbackB = chorusDelayB.processLinear(static_cast<float>(high + chorusFeedbackB * kFeedback));
        const float wet = static_cast<float>(out * kDryInWet + chorusLow);
        const double dry = (1.0 - depth) * out;
        left = static_cast<float>((dry + depth * (static_cast<double>(wet) + chorusFeedbackA)) * channelVolume);
        right = static_cast<float>((dry + depth * (static_cast<double>(wet) + chorusFeedbackB)) * channelVolume);
    }

    // After a non-finite value: both lines emptied, the crossover and feedback at 0.
    void restart();
    // Both modulators back at the start of their cycle, as on construction.
    void restartModulators()
    {
        lfoA.restartPhase();
        lfoB.restartPhase();
    }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("chorusLow", chorusLow);
        visit("chorusFeedbackA", chorusFeedbackA);
        visit("chorusFeedbackB", chorusFeedbackB);
    }

    const DelayLine& getChorusDelayA() const { return chorusDelayA; }
    const DelayLine& getChorusDelayB() const { return chorusDelayB; }
    const WavetableOscillator& getLfoA() const { return lfoA; }
    const WavetableOscillator& getLfoB() const { return lfoB; }

private:
    // Single-precision constants widened to double.
    static constexpr double kCentreDelay = 0.03f;
    static constexpr double kCrossover = 233.0f;
    static constexpr double kSweepDepth = 0.03f;
    static constexpr double kSecondLineStretch = 1.1111f;
    static constexpr double kFeedback = 0.3f;
    static constexpr double kDryInWet = 0.2; // a double constant
    static constexpr float kRateA = 0.5f;    // Hz, the first line's modulator
    static constexpr float kRateB = 1.2f;    // Hz, the second line's

    DelayLine chorusDelayA;
    DelayLine chorusDelayB;
    WavetableOscillator lfoA;
    WavetableOscillator lfoB;
    float chorusLow = 0.0f;       // the crossover's low band
    float chorusFeedbackA = 0.0f; // the lines' last outputs
    float chorusFeedbackB = 0.0f;
    float chorusBase = 0.0f;      // samples
    float modulatorRate;          // the rate the modulators run at
};
