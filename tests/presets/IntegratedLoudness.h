// Integrated loudness in LUFS as broadcasters measure it (EBU R128): both channels
// K-weighted (the head's high shelf and a high-pass, from their analogue
// prototypes), mean squares of 400 ms blocks every 100 ms, blocks below -70 LUFS
// and then those 10 LU below the mean of the rest left out.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace integrated_loudness {

struct Biquad {
    double b0, b1, b2, a1, a2;

    std::vector<double> filter(const std::vector<double>& x) const
    {
        std::vector<double> y(x.size());
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
        for (std::size_t n = 0; n < x.size(); ++n) {
            y[n] = b0 * x[n] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x[n];
            y2 = y1;
            y1 = y[n];
        }
        return y;
    }
};

inline std::vector<double> kWeighted(const std::vector<float>& channel, double rate)
{
    const double pi = std::acos(-1.0);
    double k = std::tan(pi * 1681.974450955533 / rate);
    double q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    const Biquad shelf{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                       2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    k = std::tan(pi * 38.13547087602444 / rate);
    q = 0.5003270373238773;
    a0 = 1.0 + k / q + k * k;
    const Biquad highPass{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    return highPass.filter(shelf.filter(std::vector<double>(channel.begin(), channel.end())));
}

// The integrated loudness of a stereo rendering at rate, in LUFS.
inline double lufs(const std::vector<float>& left, const std::vector<float>& right, double rate)
{
    const std::vector<double> l = kWeighted(left, rate);
    const std::vector<double> r = kWeighted(right, rate);
    const std::size_t block = static_cast<std::size_t>(0.4 * rate);
    const std::size_t step = static_cast<std::size_t>(0.1 * rate);
    std::vector<double> blocks;
    for (std::size_t start = 0; start + block <= l.size(); start += step) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + block; ++i) {
            sum += l[i] * l[i] + r[i] * r[i];
        }
        blocks.push_back(sum / static_cast<double>(block));
    }
    const auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(power + 1e-300); };
    const auto gatedMean = [&blocks, &loudness](double gate) {
        double sum = 0.0;
        std::size_t count = 0;
        for (double power : blocks) {
            if (loudness(power) > gate && loudness(power) > -70.0) {
                sum += power;
                ++count;
            }
        }
        return count > 0 ? sum / static_cast<double>(count) : 0.0;
    };
    const double relativeGate = loudness(gatedMean(-70.0)) - 10.0;
    return loudness(gatedMean(relativeGate));
}

} // namespace integrated_loudness
