// The voice's tone stages, while the string sounds: a soft-knee distorter, then a
// filter section that crossfades a fixed resonant low-pass and an envelope-swept
// state-variable filter, followed by a cubic soft clipper and a table limiter.
#include "engine/ToneStages.h"

#include <cfloat>
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

// The distorter's curve above the knee, kKnee + kAboveKnee tanh((m - kKnee) kKneeSlope)
// for magnitudes m up to kEnd, as polynomials of degree 10 in m - centre on intervals
// 1/16 wide, built once when the module loads.
//
// About each centre x0 (in units of the tanh argument), tanh(x0 + u) =
// (T + tanh u) / (1 + T tanh u) with T = tanh(x0); dividing the two power series gives
// its Taylor coefficients. tanh is analytic and below 3 in magnitude within 1.2 of the
// real axis and an interval reaches 0.0521 from its centre, so the series cut after u^10
// is off by less than 3 (0.0521 / 1.2)^11 / (1 - 0.0434) < 2^-48; with the rounding of
// the coefficients and of the evaluation the curve is within 2^-47 of the true one.
class KneeCurve {
public:
    static constexpr double kWidth = 1.0 / 16;
    static constexpr double kEnd = 8.0;

    KneeCurve()
    {
        // Taylor coefficients of tanh u at 0: u - u^3/3 + 2u^5/15 - 17u^7/315 + 62u^9/2835.
        const double tanhSeries[kDegree + 1] = {0.0, 1.0, 0.0, -1.0 / 3, 0.0, 2.0 / 15, 0.0, -17.0 / 315,
                                                0.0, 62.0 / 2835, 0.0};
        for (int i = 0; i < kIntervals; ++i) {
            Segment& segment = segments[i];
            segment.centre = kKnee + (i + 0.5) * kWidth;
            const double t = std::tanh((segment.centre - kKnee) * kKneeSlope);
            double series[kDegree + 1];
            series[0] = t;
            for (int n = 1; n <= kDegree; ++n) {
                double c = tanhSeries[n];
                for (int k = 1; k <= n; ++k) {
                    c -= t * tanhSeries[k] * series[n - k];
                }
                series[n] = c;
            }
            double scale = kAboveKnee;
            segment.coefficient[0] = kKnee + kAboveKnee * t;
            for (int n = 1; n <= kDegree; ++n) {
                scale *= kKneeSlope;
                segment.coefficient[n] = series[n] * scale;
            }
        }
    }

    // The curve at a magnitude above the knee and below kEnd (Estrin's scheme).
    double at(double magnitude) const
    {
        const Segment& segment = segments[static_cast<int>((magnitude - kKnee) * (1.0 / kWidth))];
        const double* d = segment.coefficient;
        const double t = magnitude - segment.centre;
        const double t2 = t * t;
        const double t4 = t2 * t2;
        const double t8 = t4 * t4;
        const double low = ((d[0] + d[1] * t) + t2 * (d[2] + d[3] * t)) + t4 * ((d[4] + d[5] * t) + t2 * (d[6] + d[7] * t));
        const double high = (d[8] + d[9] * t) + t2 * d[10];
        return low + t8 * high;
    }

private:
    static constexpr int kDegree = 10;
    static constexpr int kIntervals = 122; // (kEnd - kKnee) / kWidth, rounded up

    struct Segment {
        double centre;
        double coefficient[kDegree + 1];
    };
    Segment segments[kIntervals];
};

const KneeCurve kneeCurve;

// Soft saturation: linear up to the knee at 0.4, bending smoothly towards 1 above it;
// returns the result rounded to single precision.
//
// The library's tanh cost most of the distorter's time, and only the single-precision
// rounding of the curve reaches the sound. Where the table's curve (within 2^-47 of the
// true one) lies more than 2^-36 from every point at which single-precision rounding
// changes (a single-precision value or a midpoint between two, in any rounding mode),
// the library's curve, within a few units of 2^-53 of the true one, rounds to the same
// value. Elsewhere (about one sample in 500) and from kEnd up the library computes it.
float distort(float y)
{
    const double magnitude = std::fabs(static_cast<double>(y));
    if (magnitude <= kKnee) {
        return y;
    }
    if (magnitude < KneeCurve::kEnd) {
        const double bent = kneeCurve.at(magnitude);
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
    const double bent = kKnee + kAboveKnee * std::tanh((magnitude - kKnee) * kKneeSlope);
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
    // recovers smoothly. Beyond the table's end the gain is 4096 / a itself, so large
    // levels are held at 1 like all others; a non-finite level reads the table's last
    // entry.
    double a = std::fabs(static_cast<double>(z)) * 4096.0;
    float target = 1.0f;
    // Below 4095 both entries read are 1.0 (the table holds 1.0 up to entry 4095), and
    // 1 + 0 * (a - n) is exactly 1: the common case needs no table reading.
    if (!(a < kLimiterUnityLevel)) {
        if (a > kLimiterTop && a <= DBL_MAX) {
            target = static_cast<float>(4096.0 / a);
        } else {
            if (!(a <= kLimiterTop)) {
                a = kLimiterTop;
            }
            const std::int32_t n = static_cast<std::int32_t>(a);
            target = static_cast<float>(limiterTable[n] +
                                        (static_cast<double>(limiterTable[n + 1]) - limiterTable[n]) * (a - n));
        }
    }
    if (target < limiterGain) {
        limiterGain = target;
    } else {
        limiterGain = static_cast<float>(limiterGain + (static_cast<double>(target) - limiterGain) * block.limiterRelease);
    }
    return static_cast<float>(static_cast<double>(z) * limiterGain);
}
