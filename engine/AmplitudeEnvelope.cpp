#include "engine/AmplitudeEnvelope.h"

#include <cmath>

namespace {

// Single-precision constants widened to double.
constexpr double kAttackFloor = 0.002f;
constexpr double kReleaseFloor = 0.01f;
constexpr double kCurveExponentPower = 2.3f;
constexpr double kCurveExponentRange = 3.78f;

// A decay or release segment: from 1 at count 0 down to 0 at count length, curved.
double fallingCurve(float count, float length, float exponent)
{
    return std::pow(0.5 - (static_cast<double>(count) / length) * 0.5, static_cast<double>(exponent));
}

} // namespace

void AmplitudeEnvelope::glideBlockParameters(float attack, float decay, float release, float curve)
{
    const bool keepRescaled = rescaled;
    const float rescaledLength = block.decayLength;
    setBlockParameters(attack, decay, release, curve, blockRate);
    if (keepRescaled) {
        block.decayLength = rescaledLength;
        rescaled = true;
    }
}

void AmplitudeEnvelope::setBlockParameters(float attack, float decay, float release, float curve, float rate)
{
    const float inputs[kBlockInputs] = {attack, decay, release, curve, rate};
    bool same = computed;
    for (int n = 0; n < kBlockInputs && same; ++n) {
        same = sameBits(inputs[n], parameters[n]);
    }
    if (!same) {
        const double a = attack;
        const double d = decay;
        const double r = release;
        const double c = curve;
        Segments& s = computedSegments;
        s.attackLength = static_cast<float>(((a * a) * a + kAttackFloor) * rate * 2.0);
        s.decayLength = static_cast<float>((d * d + kDecayFloor) * rate * 5.0);
        s.releaseLength = static_cast<float>((r * r + kReleaseFloor) * rate * 5.0);
        s.attackExponent = static_cast<float>(std::pow(1.0 - c, 1.5) * 1.5 + 0.5);
        s.curveExponent = static_cast<float>(std::pow(c, kCurveExponentPower) * kCurveExponentRange + 0.25);
        s.curveNorm = static_cast<float>(std::pow(0.5, static_cast<double>(s.curveExponent)));
        for (int n = 0; n < kBlockInputs; ++n) {
            parameters[n] = inputs[n];
        }
        computed = true;
    }
    block = computedSegments;
    blockRate = rate;
    rescaled = false;
}

void AmplitudeEnvelope::attackDecayStep()
{
    attackCount = static_cast<float>(attackCount + 1.0);
    if (sustainReached) {
        // The decay has ended: hold the sustain level while the gate stays open.
        envelope = sustainSmoothed;
        attackCount = 0.0f;
    } else {
        if (attackCount <= block.attackLength) {
            const double progress = static_cast<double>(attackCount) / block.attackLength;
            envelope = static_cast<float>(attackStart + (1.0 - attackStart) *
                                                            std::pow(progress, static_cast<double>(block.attackExponent)));
        }
        if (attackCount > block.attackLength) {
            // The decay falls from 1, where the attack ended, to the sustain level of
            // this very sample, whatever the wheel and the follower stand at.
            decayCount = static_cast<float>(decayCount + 1.0);
            const float scale = static_cast<float>((1.0 - static_cast<double>(sustainSmoothed)) /
                                                   static_cast<double>(block.curveNorm));
            envelope = static_cast<float>(fallingCurve(decayCount, block.decayLength, block.curveExponent) * scale +
                                          sustainSmoothed);
        }
        if (decayCount > block.decayLength) {
            envelope = sustainSmoothed;
            attackCount = 0.0f;
            sustainReached = true;
        }
    }
    if (envelope <= 0.0f) {
        decayCount = 0.0f;
    }
    releaseLevel = envelope;
    releaseCount = 0.0f;
}

void AmplitudeEnvelope::releaseStep()
{
    releaseCount = static_cast<float>(releaseCount + 1.0);
    if (releaseLevel == 0.0f) {
        // The curve times an exact zero: skip the power.
        envelope = releaseLevel;
    } else {
        envelope = static_cast<float>(fallingCurve(releaseCount, block.releaseLength, block.curveExponent) *
                                      (static_cast<double>(releaseLevel) / block.curveNorm));
    }
    if (releaseCount > block.releaseLength) {
        releaseCount = 0.0f;
        envelope = 0.0f;
        releaseLevel = 0.0f;
    }
    attackCount = 0.0f;
    decayCount = 0.0f;
    attackStart = envelope;
    sustainReached = false;
}

void AmplitudeEnvelope::restart()
{
    envelope = releaseLevel = attackStart = sustainSmoothed = 0.0f;
    attackCount = decayCount = releaseCount = 0.0f;
    sustainReached = false;
}
