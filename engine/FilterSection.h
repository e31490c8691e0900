// The filter section, while "DynaTone" or "PowerChord" is above 0: a fixed resonant
// low-pass split into two bands, crossfaded by "ToneRama" with a state-variable
// filter that the envelope sweeps, then the soft clipper and the peak limiter.
#pragma once

#include "engine/EngineMath.h"
#include "engine/PeakLimiter.h"
#include "engine/RateScale.h"
#include "engine/ResonantLowPass.h"
#include "engine/SoftClip.h"
#include "engine/SplitFilter.h"
#include "engine/SweptFilter.h"

class FilterSection {
public:
    bool isValid() const { return limiter.isValid(); }

    // Takes a new rate: the filters keep their tuning in hertz.
    void setRateScale(const RateScale& rate)
    {
        scale = rate;
        swept.setRateScale(rate);
        resonatorCutoff = -1.0f;
    }

    // Takes the block's rate and how many samples a switch of the section fades
    // over; the swept filter's cutoff starts the block at 0.
    void beginBlock(float rate, double radiansPerSample, std::int32_t fadeSamples)
    {
        fadeStep = 1.0 / fadeSamples;
        swept.beginBlock(radiansPerSample);
        limiter.setSampleRate(rate);
    }

    // The section stands on or off for "DynaTone" and "PowerChord" at once, without
    // a fade (nothing played before).
    void settle(float dynaTone, float powerChord) { presence = isOn(dynaTone, powerChord) ? 1.0 : 0.0; }

    // Takes the voice sample, "DynaTone", "PowerChord", "ToneRama", the envelope and
    // whether this sample is a control tick; returns the shaped sample, or the sample
    // itself while the section is off. Switching the section on or off (DynaTone
    // leaving or reaching 0, PowerChord switched) fades between the two over 10 ms:
    // the filters start from where they stopped, so a cut would click.
    float process(float signal, float dynaTone, float powerChord, float toneRama, float envelope, bool controlTick,
                  double radiansPerSample)
    {
        const bool on = isOn(dynaTone, powerChord);
        if (presence == (on ? 1.0 : 0.0)) {
            return on ? shape(signal, dynaTone, toneRama, envelope, controlTick, radiansPerSample) : signal;
        }
        presence = on ? (presence + fadeStep < 1.0 ? presence + fadeStep : 1.0)
                      : (presence - fadeStep > 0.0 ? presence - fadeStep : 0.0);
        const float shaped = shape(signal, dynaTone, toneRama, envelope, controlTick, radiansPerSample);
        return static_cast<float>((1.0 - presence) * signal + presence * shaped);
    }

    // Sets the limiter's gain back to 1, as a new rate or switching on does.
    void restartLimiter() { limiter.restartGain(); }

    // After a non-finite value: the filters at 0, the limiter's gain at 1.
    void restart()
    {
        resonator.restart();
        split.restart();
        swept.restart();
        limiter.restartGain();
    }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        resonator.forEachState(visit);
        split.forEachState(visit);
        swept.forEachState(visit);
        limiter.forEachState(visit);
    }

    const PeakLimiter& getLimiter() const { return limiter; }

private:
    static bool isOn(float dynaTone, float powerChord)
    {
        return static_cast<double>(dynaTone) > 0.0 || powerChord > 0.0f;
    }

    // The section itself.
    float shape(float signal, float dynaTone, float toneRama, float envelope, bool controlTick, double radiansPerSample)
    {
        const double D = dynaTone;
        const double T = toneRama;
        const double env = envelope;
        if (controlTick) {
            swept.setCutoff(sweepCutoff(D, env), radiansPerSample);
        }
        const float F = static_cast<float>(D * 2300.0 + 440.0);
        double bands;
        if (scale.atDesignRate()) {
            const float low = resonator.process(signal, D, F, radiansPerSample);
            bands = split.process(low, F, radiansPerSample);
        } else {
            if (!sameBits(F, resonatorCutoff)) {
                resonatorCutoff = F;
                resonatorCoefficient = scale.smoother(F);
                splitCoefficient = scale.smoother(SplitFilter::splitCutoff(F));
            }
            bands = split.processBy(resonator.processBy(signal, D, resonatorCoefficient), splitCoefficient);
        }
        const float damping = static_cast<float>(
            2.0 * (1.0 - (((env * kEnvelopeDamping + kDampingBase) * D) * kDampingDepth + kDampingOffset)));
        swept.process(signal, damping);
        const float mix = static_cast<float>((2.0 * T) * (kBandGain * swept.band() + kLowGain * swept.low()) +
                                             (kResonantGain * (1.0 - T)) * bands);
        return limiter.process(softClip(mix));
    }

    // Single-precision constants widened to double.
    static constexpr double kSweepOpen = 0.2f;
    static constexpr double kSweepFloor = 0.8f;
    static constexpr double kEnvelopeDamping = 0.12f;
    static constexpr double kDampingBase = 0.84f;
    static constexpr double kDampingDepth = 0.8f;
    static constexpr double kDampingOffset = 0.21f;
    static constexpr double kBandGain = 0.8f;
    static constexpr double kLowGain = 0.3f;
    static constexpr double kResonantGain = 1.136f;
    static constexpr double kSweepCeiling = RateScale::kDesignRate * 0.125; // Hz

    // The swept filter's cutoff in Hz: from a base that falls with "DynaTone" up
    // towards 5512.5 Hz (an eighth of the design rate) as the envelope opens.
    static float sweepCutoff(double dynaTone, double envelope)
    {
        const float base = static_cast<float>((1.0 - dynaTone * dynaTone) * 440.0 + 10.0);
        return static_cast<float>(
            base + (((1.0 - dynaTone) * kSweepOpen + kSweepFloor) * (kSweepCeiling - base)) * envelope);
    }

    ResonantLowPass resonator;
    SplitFilter split;
    SweptFilter swept;
    PeakLimiter limiter;
    RateScale scale;
    double presence = 0.0; // how much of the section is heard: 0 off, 1 on, between while it fades
    double fadeStep = 1.0; // per sample
    // Away from the design rate: the coefficients of the resonator and of the split
    // for the resonator's cutoff last seen.
    float resonatorCutoff = -1.0f;
    double resonatorCoefficient = 0.0;
    double splitCoefficient = 0.0;
};
