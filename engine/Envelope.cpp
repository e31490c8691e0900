// The voice's amplitude envelope: attack, decay, sustain and release with curved
// segments. It runs once per sample after the sample's MIDI entries and closes
// the gate by itself whenever it reaches zero.
#include "engine/Envelope.h"

#include <cmath>

#include "engine/EngineMath.h"
#include "instrument/SynthPlugin.h"

namespace {

// Single-precision constants widened to double.
constexpr double kAttackFloor = 0.002f;
constexpr double kDecayFloor = 0.005f;
constexpr double kReleaseFloor = 0.01f;
constexpr double kCurveExponentPower = 2.3f;
constexpr double kCurveExponentRange = 3.78f;
constexpr double kVelocityDecayOffset = 0.1f;

// A decay or release segment: from 1 at count 0 down to 0 at count length, curved.
double fallingCurve(float count, float length, float exponent)
{
    return std::pow(0.5 - (static_cast<double>(count) / length) * 0.5, static_cast<double>(exponent));
}

} // namespace

EnvelopeBlock EnvelopeBlock::fromParameters(float attack, float decay, float sustain, float release, float curve,
                                            float sampleRate)
{
    const double a = attack;
    const double d = decay;
    const double r = release;
    const double c = curve;
    EnvelopeBlock block;
    block.sampleRate = sampleRate;
    block.attackLength = static_cast<float>(((a * a) * a + kAttackFloor) * sampleRate * 2.0);
    block.decayLength = static_cast<float>((d * d + kDecayFloor) * sampleRate * 5.0);
    block.releaseLength = static_cast<float>((r * r + kReleaseFloor) * sampleRate * 5.0);
    block.attackExponent = static_cast<float>(std::pow(1.0 - c, 1.5) * 1.5 + 0.5);
    block.curveExponent = static_cast<float>(std::pow(c, kCurveExponentPower) * kCurveExponentRange + 0.25);
    block.curveNorm = static_cast<float>(std::pow(0.5, static_cast<double>(block.curveExponent)));
    block.decayScale = static_cast<float>((1.0 - sustain) / block.curveNorm);
    return block;
}

void SynthPlugin::envelopeStep(float velocityScale, EnvelopeBlock& block)
{
    if (!noteActive) {
        // A note that starts later in this block decays with a velocity-scaled length.
        // The length depends on the velocity factor and "Decay" alone, and only this
        // rescaling writes it within a block, so the same two values (bit for bit) would
        // store the value it already holds.
        const float decay = liveValue(kDecay);
        if (!block.rescaled || !sameBits(velocityScale, block.rescaledVelocity) ||
            !sameBits(decay, block.rescaledDecay)) {
            const double d = decay;
            block.decayLength = static_cast<float>(((velocityScale + kVelocityDecayOffset) * (d * d) + kDecayFloor) *
                                                   block.sampleRate * 5.0);
            block.rescaled = true;
            block.rescaledVelocity = velocityScale;
            block.rescaledDecay = decay;
        }
    } else {
        const double target = static_cast<double>(modWheel) * liveValue(kSustain);
        sustainSmoothed = static_cast<float>(sustainSmoothed + ((target - sustainSmoothed) * radiansPerSample) * 5.0);
        envelope = attackDecayStep(block);
    }
    if (envelope <= 0.0f) {
        noteActive = false;
        releaseStep(block);
    } else if (!noteActive) {
        releaseStep(block);
    }
}

float SynthPlugin::attackDecayStep(const EnvelopeBlock& block)
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
            decayCount = static_cast<float>(decayCount + 1.0);
            envelope = static_cast<float>(fallingCurve(decayCount, block.decayLength, block.curveExponent) *
                                              block.decayScale +
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
    return envelope;
}

void SynthPlugin::releaseStep(const EnvelopeBlock& block)
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
