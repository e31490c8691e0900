// The plucked string: two fractional delay lines. Ordinarily they are chained into
// one loop whose two delays add up to the period of half the note frequency, with a
// DC tracker inside the loop and the second half detuned by the held pick noise;
// with "PowerChord" they are two parallel loops at three quarters and half the note
// frequency, fed by the excitation and by the voice's previous output.
#pragma once

#include <cstdint>

#include "engine/DelayLine.h"
#include "engine/EngineMath.h"
#include "engine/OnePole.h"
#include "engine/RateScale.h"

class StringLoop {
public:
    StringLoop();

    bool isValid() const { return stringDelayA.isValid() && stringDelayB.isValid(); }

    // Sizes both lines for a rate factor: 3000 samples at the design rate (68 ms, the
    // period of 14.7 Hz), the same time at any other, so the same lowest notes fit
    // at every rate. The lines are emptied when their size changes. Allocates: never
    // while rendering.
    void reserve(double rateFactor);

    // One sample of the string: takes the comb's excitation, the note frequency, the
    // held pick noise with "Modulation" (the detune depth), the mode, the voice's
    // previous output (PowerChord's feedback) and the block's rate.
    void play(float excitation, float noteFrequency, float heldNoise, float modulation, bool powerChord,
              float previousOutput, float rate, double radiansPerSample)
    {
        const float m = static_cast<float>(1.0 + (static_cast<double>(heldNoise) * modulation) * kDetuneDepth);
        tune(rate, noteFrequency, m, powerChord);
        const float g = loopGain(noteFrequency);
        if (!scale.atDesignRate()) {
            playAwayFromDesignRate(excitation, g, m, powerChord, previousOutput, radiansPerSample);
            return;
        }
        if (!powerChord) {
            stringDelayA.processLinear(static_cast<float>(static_cast<double>(g) * stringOutput + excitation));
            stringDelayB.processLinear(stringDelayA.peekLinear());
            const float b = stringDelayB.peekLinear();
            onePole::smooth(dcState, b, radiansPerSample, 5.0);
            stringOutput = static_cast<float>(static_cast<double>(b) - dcState);
        } else {
            const float fb = static_cast<float>((static_cast<double>(m) * previousOutput) * kChordFeedback);
            onePole::smooth(dcState, fb, radiansPerSample, 35.0);
            float drive = static_cast<float>(excitation + (static_cast<double>(fb) - dcState));
            drive = drive > 1.0f ? 1.0f : (drive < -1.0f ? -1.0f : drive);
            stringDelayA.processLinear(static_cast<float>(static_cast<double>(stringDelayA.peekLinear()) * g + drive));
            stringDelayB.processLinear(static_cast<float>(static_cast<double>(stringDelayB.peekLinear()) * g + drive));
            stringOutput = static_cast<float>(
                (static_cast<double>(stringDelayB.peekLinear()) + stringDelayA.peekLinear()) * 0.5);
        }
    }

    // Takes the rate. Away from the design rate the lines are read with four-point
    // interpolation, which loses next to nothing, and each reading passes a one-pole
    // low-pass that damps it as the design's linear reading damps it at 44100 Hz for
    // the same note: the string keeps its tone and its decay at every rate.
    void setRateScale(const RateScale& rate)
    {
        scale = rate;
        tuned = false;
    }

    // The string's sample at the voice's level, whether or not the string played.
    float sample() const { return static_cast<float>(stringOutput * kStringLevel); }

    // After a non-finite value: both lines emptied, the loop and the tracker at 0.
    void restart();

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("stringOutput", stringOutput);
        visit("dcState", dcState);
        visit("readingA", readingA);
        visit("readingB", readingB);
    }

    float getStringOutput() const { return stringOutput; }
    std::int32_t getStringDelayCapacity() const { return stringDelayCapacity; }
    const DelayLine& getStringDelayA() const { return stringDelayA; }
    const DelayLine& getStringDelayB() const { return stringDelayB; }

private:
    // Single-precision constants widened to double.
    static constexpr double kDetuneDepth = 0.04f;
    static constexpr double kLoopGainBase = 0.99f;
    static constexpr double kLoopGainSlope = 5e-6f;
    static constexpr float kLoopGainCap = 0.9999998807907104f;
    static constexpr double kChordFeedback = 0.026f;
    static constexpr double kStringLevel = 1.4f;

    // The loop's gain: higher notes ring longer, up to two units below 1.
    static float loopGain(float noteFrequency)
    {
        const float g = static_cast<float>(kLoopGainBase + (static_cast<double>(noteFrequency) - 620.0) * kLoopGainSlope);
        return g > kLoopGainCap ? kLoopGainCap : g;
    }

    // Sets both lines' delays. The delays are a function of the rate, the note
    // frequency, the detune factor and the mode (the capacity is fixed), so the same
    // inputs, compared bit for bit, give the same delays, and the divisions are only
    // redone when one of them changes: at note and pitch-bend entries, on control
    // ticks and when the rate changes.
    void tune(float rate, float frequency, float detune, bool powerChord)
    {
        if (!(tuned && sameBits(rate, tunedRate) && sameBits(frequency, tunedFrequency) &&
              sameBits(detune, tunedDetune) && powerChord == tunedPowerChord)) {
            retune(rate, frequency, detune, powerChord);
        }
        stringDelayA.setDelay(delayA);
        stringDelayB.setDelay(delayB);
    }
    void retune(float rate, float frequency, float detune, bool powerChord);
    // The delays and the lines' low-pass coefficients away from the design rate.
    void retuneAwayFromDesignRate(float rate, float frequency, float detune, bool powerChord);
    void playAwayFromDesignRate(float excitation, float g, float m, bool powerChord, float previousOutput,
                                double radiansPerSample)
    {
        if (!powerChord) {
            stringDelayA.push(static_cast<float>(static_cast<double>(g) * stringOutput + excitation));
            stringDelayB.push(onePole::smoothBy(readingA, stringDelayA.peekCubic(), coefficientA));
            const float b = onePole::smoothBy(readingB, stringDelayB.peekCubic(), coefficientB);
            const double beforeTracker = static_cast<double>(b) - dcState;
            onePole::smooth(dcState, b, radiansPerSample, 5.0);
            stringOutput = static_cast<float>(beforeTracker * trackerScale);
        } else {
            const float fb = static_cast<float>((static_cast<double>(m) * previousOutput) * kChordFeedback);
            onePole::smooth(dcState, fb, radiansPerSample, 35.0);
            float drive = static_cast<float>(excitation + (static_cast<double>(fb) - dcState));
            drive = drive > 1.0f ? 1.0f : (drive < -1.0f ? -1.0f : drive);
            stringDelayA.push(static_cast<float>(static_cast<double>(readingA) * g + drive));
            stringDelayB.push(static_cast<float>(static_cast<double>(readingB) * g + drive));
            onePole::smoothBy(readingA, stringDelayA.peekCubic(), coefficientA);
            onePole::smoothBy(readingB, stringDelayB.peekCubic(), coefficientB);
            stringOutput = static_cast<float>((static_cast<double>(readingB) + readingA) * 0.5);
        }
    }

    DelayLine stringDelayA;
    DelayLine stringDelayB;
    std::int32_t stringDelayCapacity;
    float stringOutput = 0.0f; // the string's sample; in the ordinary loop also its feedback
    float dcState = 0.0f;      // the slow tracker; one state for both modes, kept across a change

    // Away from the design rate: the rate, each line's damped reading and the
    // coefficients of their low-passes.
    RateScale scale;
    float readingA = 0.0f;
    float readingB = 0.0f;
    double coefficientA = 1.0;
    double coefficientB = 1.0;
    double trackerScale = 1.0; // the DC tracker's output over its input less its state

    // The delays for the inputs last seen.
    bool tuned = false;
    float tunedRate = 0.0f;
    float tunedFrequency = 0.0f;
    float tunedDetune = 0.0f;
    bool tunedPowerChord = false;
    float delayA = 0.0f;
    float delayB = 0.0f;
    // The ordinary loop's tuning compensation (in samples) for the note frequency and
    // rate it was last computed for: recomputed only when one of them changes.
    bool loopTuningKnown = false;
    float loopTuningFrequency = 0.0f;
    float loopTuningRate = 0.0f;
    double loopTuningCompensation = 1.0;
    double designLoopTuningCompensation = 1.0; // the same at the design rate
};
