// The voice's tone stages, while the string sounds: a soft-knee distorter, then a
// filter section that crossfades a fixed resonant low-pass and an envelope-swept
// state-variable filter, followed by a cubic soft clipper and a table limiter.
#include "engine/ToneStages.h"

#include <cmath>

#include "instrument/SynthPlugin.h"

namespace {

// The distorter's knee and the share of the range above it (double constants).
constexpr double kKnee = 0.4000000059604645;
constexpr double kAboveKnee = 0.5999999940395355;
constexpr double kKneeSlope = 1.6666666269302368;
constexpr double kOneSixth = 0.1666666716337204;

// Single-precision constants of the filter section, widened to double.
constexpr double kResonance = 0.818f;
constexpr double kSweepOpen = 0.2f;
constexpr double kSweepFloor = 0.8f;
constexpr double kEnvelopeDamping = 0.12f;
constexpr double kDampingBase = 0.84f;
constexpr double kDampingDepth = 0.8f;
constexpr double kDampingOffset = 0.21f;
constexpr double kBandGain = 0.8f;
constexpr double kLowGain = 0.3f;
constexpr double kResonantGain = 1.136f;
constexpr double kLimiterTop = 32760.0f;
constexpr double kLimiterUnityLevel = 4095.0;

// Soft saturation: linear up to the knee at 0.4, bending smoothly towards 1 above it.
double distort(double y)
{
    const double magnitude = std::fabs(y);
    if (magnitude <= kKnee) {
        return y;
    }
    const double bent = kKnee + kAboveKnee * std::tanh((magnitude - kKnee) * kKneeSlope);
    return y < 0.0 ? -bent : bent;
}

// The swept filter is stable while its damping is not negative and k (k + 2 damping)
// stays below 4. With the envelope at most 1 it always is (k stays below about 0.8),
// but an envelope overshooting 1, after "Sustain" drops during a decay, would push it
// past the bound and the filter would blow up to infinity within a block. Outside the
// bound the damping is floored at 0 and k pulled back just inside it.
constexpr double kSweepStabilityBound = 3.9;

void keepSweepStable(float& k, float& damping)
{
    if (damping < 0.0f) {
        damping = 0.0f;
    }
    const double d = damping;
    if (static_cast<double>(k) * (k + 2.0 * d) >= kSweepStabilityBound) {
        k = static_cast<float>(std::sqrt(d * d + kSweepStabilityBound) - d);
    }
}

} // namespace

ToneBlock ToneBlock::fromParameters(float volume, float sampleRate)
{
    ToneBlock block;
    block.sampleRate = sampleRate;
    block.chorusBase = static_cast<float>(sampleRate * static_cast<double>(0.03f));
    block.volume = volume;
    block.limiterRelease = 1.0 - std::pow(0.001, 1.0 / (sampleRate * 0.075));
    block.sweepCutoff = 0.0f;
    return block;
}

float SynthPlugin::toneStages(float signal, bool controlTick, ToneBlock& block)
{
    const double amount = liveValue(kDistorter);
    if (amount != 0.0) {
        const float y = static_cast<float>(distort(static_cast<float>(signal * 5.0)));
        signal = static_cast<float>(signal * (1.0 - amount) + y * amount);
    }

    const double dynaTone = liveValue(kDynaTone);
    if (!(dynaTone > 0.0 || liveValue(kPowerChord) > 0.0f)) {
        return signal;
    }
    const double tone = liveValue(kToneRama);
    const double rps = radiansPerSample;
    const double env = envelope;

    if (controlTick) {
        const float base = static_cast<float>((1.0 - dynaTone * dynaTone) * 440.0 + 10.0);
        block.sweepCutoff = static_cast<float>(
            base + (((1.0 - dynaTone) * kSweepOpen + kSweepFloor) * (block.sampleRate * 0.125 - base)) * env);
    }

    // Fixed resonant low-pass, split into a low band and the band above it.
    const float F = static_cast<float>(dynaTone * 2300.0 + 440.0);
    resonatorState1 = static_cast<float>(
        resonatorState1 +
        (((dynaTone * resonatorState2) * kResonance + signal - resonatorState1) * rps) * F);
    resonatorState2 = static_cast<float>(resonatorState2 + ((resonatorState1 - static_cast<double>(resonatorState2)) * rps) * F);
    const float G = static_cast<float>(F - F * 0.125);
    splitLow = static_cast<float>(splitLow + ((resonatorState2 - static_cast<double>(splitLow)) * G) * rps);
    splitBand = static_cast<float>(
        splitBand + (((static_cast<double>(resonatorState2) - splitLow) - splitBand) * G) * rps);

    // State-variable filter swept by the envelope.
    float k = static_cast<float>(rps * block.sweepCutoff);
    float damping = static_cast<float>(
        2.0 * (1.0 - (((env * kEnvelopeDamping + kDampingBase) * dynaTone) * kDampingDepth + kDampingOffset)));
    keepSweepStable(k, damping);
    sweepBand = static_cast<float>(sweepBand + static_cast<double>(k) *
                                                   ((signal - static_cast<double>(damping) * sweepBand) - sweepLow));
    sweepLow = static_cast<float>(sweepLow + static_cast<double>(k) * sweepBand);

    const float mix = static_cast<float>((2.0 * tone) * (kBandGain * sweepBand + kLowGain * sweepLow) +
                                         (kResonantGain * (1.0 - tone)) * (static_cast<double>(splitLow) - splitBand));
    const double m = mix;
    const float z = static_cast<float>(m - ((m * m) * m) * kOneSixth);

    // Peak limiter: the gain drops at once to the table's 1 / max(1, |z|) and
    // recovers smoothly. A non-finite level reads the table's last entry.
    double a = std::fabs(static_cast<double>(z)) * 4096.0;
    float target = 1.0f;
    // Below 4095 both entries read are 1.0 (the table holds 1.0 up to entry 4095), and
    // 1 + 0 * (a - n) is exactly 1: the common case needs no table reading.
    if (!(a < kLimiterUnityLevel)) {
        if (!(a <= kLimiterTop)) {
            a = kLimiterTop;
        }
        const std::int32_t n = static_cast<std::int32_t>(a);
        target = static_cast<float>(limiterTable[n] +
                                    (static_cast<double>(limiterTable[n + 1]) - limiterTable[n]) * (a - n));
    }
    if (target < limiterGain) {
        limiterGain = target;
    } else {
        limiterGain = static_cast<float>(limiterGain + (static_cast<double>(target) - limiterGain) * block.limiterRelease);
    }
    return static_cast<float>(static_cast<double>(z) * limiterGain);
}
