#include "engine/Distorter.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The distorter's knee and the share of the range above it (double constants).
constexpr double kKnee = 0.4000000059604645;
constexpr double kAboveKnee = 0.5999999940395355;
constexpr double kKneeSlope = 1.6666666269302368;

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

} // namespace

// The library's tanh cost most of the distorter's time, and only the single-precision
// rounding of the curve reaches the sound. Where the table's curve (within 2^-47 of the
// true one) lies more than 2^-36 from every point at which single-precision rounding
// changes (a single-precision value or a midpoint between two, in any rounding mode),
// the library's curve, within a few units of 2^-53 of the true one, rounds to the same
// value. Elsewhere (about one sample in 500) and from kEnd up the library computes it.
float Distorter::saturate(float y)
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
