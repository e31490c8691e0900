// What a listener compares between two renderings of a note: its level (RMS in dB),
// its brightness (the spectral centroid of its power spectrum), how long it rings
// (T60, from the slope of its level in dB over time) and how wide the two channels
// are (their correlation). Measured from the samples alone.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <cstddef>
#include <vector>

namespace tone_measures {

// RMS level in dB of x[from, to).
inline double rmsDb(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += static_cast<double>(x[i]) * x[i];
    }
    return 10.0 * std::log10(sum / static_cast<double>(std::max<std::size_t>(to - from, 1)) + 1e-30);
}

// In-place radix-2 FFT; the size is a power of two.
inline void fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    const double pi = std::acos(-1.0);
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * pi / static_cast<double>(length));
        for (std::size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
                w *= turn;
            }
        }
    }
}

// Power-weighted mean frequency in Hz of x[from, to) at rate: Hann windows of about
// 93 ms, half overlapping, their power spectra summed.
inline double spectralCentroidHz(const std::vector<float>& x, std::size_t from, std::size_t to, double rate,
                                 double upToHz = 1e300)
{
    std::size_t size = 1;
    while (static_cast<double>(size) < rate * 0.093) {
        size <<= 1;
    }
    const double pi = std::acos(-1.0);
    std::vector<double> power(size / 2, 0.0);
    std::vector<std::complex<double>> frame(size);
    for (std::size_t start = from; start + size <= to; start += size / 2) {
        for (std::size_t i = 0; i < size; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) / static_cast<double>(size));
            frame[i] = window * x[start + i];
        }
        fft(frame);
        for (std::size_t k = 0; k < size / 2; ++k) {
            power[k] += std::norm(frame[k]);
        }
    }
    double weighted = 0.0;
    double total = 0.0;
    for (std::size_t k = 1; k < size / 2; ++k) {
        const double hz = static_cast<double>(k) * rate / static_cast<double>(size);
        if (hz > upToHz) {
            break;
        }
        weighted += hz * power[k];
        total += power[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

// Seconds for the level to fall by 60 dB, from the least-squares slope of the level
// in 20 ms windows between `fromDb` and `toDb` below the loudest window after
// `from` (so the attack is left out). Answers infinity for a level that does not fall.
inline double t60Seconds(const std::vector<float>& x, std::size_t from, double rate, double fromDb = 5.0,
                         double toDb = 35.0)
{
    const std::size_t window = static_cast<std::size_t>(rate * 0.02);
    std::vector<double> level;
    for (std::size_t start = from; start + window <= x.size(); start += window) {
        level.push_back(rmsDb(x, start, start + window));
    }
    if (level.size() < 4) {
        return 0.0;
    }
    const std::size_t loudest = static_cast<std::size_t>(std::max_element(level.begin(), level.end()) - level.begin());
    const double top = level[loudest];
    double n = 0.0, st = 0.0, sl = 0.0, stt = 0.0, stl = 0.0;
    for (std::size_t i = loudest; i < level.size(); ++i) {
        if (level[i] > top - fromDb || level[i] < top - toDb) {
            continue;
        }
        const double t = static_cast<double>(i) * 0.02;
        n += 1.0;
        st += t;
        sl += level[i];
        stt += t * t;
        stl += t * level[i];
    }
    if (n < 3.0) {
        return std::numeric_limits<double>::infinity();
    }
    const double slope = (n * stl - st * sl) / (n * stt - st * st); // dB per second
    return slope < 0.0 ? -60.0 / slope : std::numeric_limits<double>::infinity();
}

// x high-passed at hz by a fourth-order Butterworth filter (two biquads).
inline std::vector<float> highPassed(const std::vector<float>& x, double rate, double hz)
{
    std::vector<double> y(x.begin(), x.end());
    const double pi = std::acos(-1.0);
    for (double q : {0.54119610014619690, 1.3065629648763766}) {
        const double w = 2.0 * pi * hz / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha;
        const double b0 = (1.0 + c) / 2.0 / a0;
        const double b1 = -(1.0 + c) / a0;
        const double b2 = b0;
        const double a1 = -2.0 * c / a0;
        const double a2 = (1.0 - alpha) / a0;
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
        for (double& v : y) {
            const double out = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = out;
            v = out;
        }
    }
    return std::vector<float>(y.begin(), y.end());
}

// The loudest RMS level in dB of a window of `window` samples starting anywhere in
// [from, to), in steps of a quarter window.
inline double loudestWindowDb(const std::vector<float>& x, std::size_t from, std::size_t to, std::size_t window)
{
    double loudest = -1e9;
    const std::size_t stride = std::max<std::size_t>(window / 4, 1);
    for (std::size_t start = from; start < to && start + window <= x.size(); start += stride) {
        loudest = std::max(loudest, rmsDb(x, start, start + window));
    }
    return loudest;
}

// Correlation of the two channels over [from, to): 1 for the same signal.
inline double correlation(const std::vector<float>& a, const std::vector<float>& b, std::size_t from, std::size_t to)
{
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 1.0;
}

} // namespace tone_measures
