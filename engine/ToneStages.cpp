// The voice's tone stages, while the string sounds: a soft-knee distorter, then a
// filter section that crossfades a fixed resonant low-pass and an envelope-swept
// state-variable filter, followed by a cubic soft clipper and a table limiter.
#include "engine/ToneStages.h"

#include <cmath>
#include <cstdint>
#include <cstring>

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

// e^z for -40 < z <= 0, with a relative error below 2^-49: z = k ln 2 + r with
// |r| <= ln 2 / 2 (k by truncation, so in any rounding mode), e^r by its Taylor
// series to r^12 (remainder below 2^-52) evaluated in Estrin's scheme, 2^k set in the
// exponent bits. ln 2 is split so that k ln2High is exact.
double expNonPositive(double z)
{
    constexpr double kLog2e = 1.4426950408889634;
    constexpr double kLn2High = 6.93147180369123816490e-01;
    constexpr double kLn2Low = 1.90821492927058770002e-10;
    const std::int32_t k = static_cast<std::int32_t>(z * kLog2e - 0.5);
    const double r = (z - k * kLn2High) - k * kLn2Low;
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double r8 = r4 * r4;
    const double p01 = 1.0 + r;
    const double p23 = 1.0 / 2 + r * (1.0 / 6);
    const double p45 = 1.0 / 24 + r * (1.0 / 120);
    const double p67 = 1.0 / 720 + r * (1.0 / 5040);
    const double p89 = 1.0 / 40320 + r * (1.0 / 362880);
    const double p1011 = 1.0 / 3628800 + r * (1.0 / 39916800);
    const double p12 = 1.0 / 479001600;
    const double low = (p01 + r2 * p23) + r4 * (p45 + r2 * p67);
    const double high = (p89 + r2 * p1011) + r4 * p12;
    const std::uint64_t scaleBits = static_cast<std::uint64_t>(k + 1023) << 52;
    double scale;
    std::memcpy(&scale, &scaleBits, sizeof scale);
    return (low + r8 * high) * scale;
}

// Soft saturation: linear up to the knee at 0.4, bending smoothly towards 1 above it;
// returns the result rounded to single precision.
//
// The library's tanh costs most of the distorter's time, and only the single-precision
// rounding of 0.4 + 0.6 tanh(x) reaches the sound. Where tanh(x) = (1 - e^-2x) / (1 + e^-2x)
// with the e^-2x above (error in the curve below 2^-47), the curve lies more than 2^-36
// from every point where single-precision rounding changes (a single-precision value
// or a midpoint between two, in any rounding mode), the library's curve, within a few
// units of 2^-53 of the true one, rounds to the same value; elsewhere (about one
// sample in 500) and for x of 20 or more the library computes it.
float distort(float y)
{
    const double magnitude = std::fabs(static_cast<double>(y));
    if (magnitude <= kKnee) {
        return y;
    }
    const double x = (magnitude - kKnee) * kKneeSlope;
    if (x < 20.0) {
        const double e = expNonPositive(-2.0 * x);
        const double bent = kKnee + kAboveKnee * ((1.0 - e) / (1.0 + e));
        std::uint64_t bits;
        std::memcpy(&bits, &bent, sizeof bits);
        // The 28 bits below half a single-precision step, in units of 2^-53 or 2^-54.
        constexpr std::uint64_t kHalfStep = std::uint64_t{1} << 28;
        constexpr std::uint64_t kMargin = std::uint64_t{1} << 18;
        const std::uint64_t position = bits & (kHalfStep - 1);
        if (position > kMargin && position < kHalfStep - kMargin) {
            return static_cast<float>(y < 0.0f ? -bent : bent);
        }
    }
    const double bent = kKnee + kAboveKnee * std::tanh(x);
    return static_cast<float>(y < 0.0f ? -bent : bent);
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
        const float y = distort(static_cast<float>(signal * 5.0));
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
