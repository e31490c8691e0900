// The frequency of a rendered tone's fundamental, measured from the samples alone:
// the phase of the component near the expected frequency, taken under a
// Blackman-Harris window at two places of the signal, advances by 2 pi f D / rate
// over the distance D between them. Short distances first settle the whole turns,
// longer ones refine the value, so an expected frequency off by up to 5 per cent is
// enough to start from, and the result is accurate to far better than a cent once
// the tone is steady for a few dozen periods.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace pitch_estimate {

inline double pi()
{
    return std::acos(-1.0);
}

// Windowed complex amplitude of x[from .. from + length) at angular frequency w
// (radians per sample), with the phase referred to the window's first sample: a
// steady tone's phasor turns by its own frequency times the distance between two
// windows, whatever w is, as long as w lies within the window's main lobe.
inline std::complex<double> windowedPhasor(const std::vector<float>& x, std::size_t from, std::size_t length,
                                           double w)
{
    const double a0 = 0.35875;
    const double a1 = 0.48829;
    const double a2 = 0.14128;
    const double a3 = 0.01168;
    const double step = 2.0 * pi() / static_cast<double>(length - 1);
    std::complex<double> sum = 0.0;
    // The rotation advances by multiplication, renormalised now and then.
    const std::complex<double> turn = std::polar(1.0, -w);
    std::complex<double> rotation = 1.0;
    for (std::size_t n = 0; n < length; ++n) {
        const double t = step * static_cast<double>(n);
        const double window = a0 - a1 * std::cos(t) + a2 * std::cos(2.0 * t) - a3 * std::cos(3.0 * t);
        sum += (window * static_cast<double>(x[from + n])) * rotation;
        rotation *= turn;
        if ((n & 1023) == 1023) {
            rotation /= std::abs(rotation);
        }
    }
    return sum;
}

// The fundamental's frequency in Hz of x, which holds a steady tone from sample
// `from` to its end, near `expected` Hz (within 5 per cent), at `rate` Hz. Answers 0
// when the signal is too short for the measurement (it needs about 14 periods
// beyond `from`, and gains accuracy with every further period).
inline double fundamentalHz(const std::vector<float>& x, std::size_t from, double expected, double rate)
{
    const double period = rate / expected;
    const std::size_t window = static_cast<std::size_t>(std::ceil(std::max(8.0 * period, 1024.0)));
    if (x.size() < from + window) {
        return 0.0;
    }
    const std::size_t room = x.size() - from - window;
    double w = 2.0 * pi() * expected / rate;
    // Distances of 2, 16 and 128 periods, each as far as the signal reaches; each
    // stage's estimate is good enough to count the next one's whole turns.
    for (double periods : {2.0, 16.0, 128.0, 1024.0}) {
        std::size_t distance = static_cast<std::size_t>(periods * period);
        if (distance > room) {
            distance = room;
        }
        if (distance < static_cast<std::size_t>(period)) {
            return 0.0;
        }
        // Both windows at the same w: the window's own phase at w cancels.
        const std::complex<double> first = windowedPhasor(x, from, window, w);
        const std::complex<double> second = windowedPhasor(x, from + distance, window, w);
        const double advance = std::arg(second / first); // in (-pi, pi]
        const double d = static_cast<double>(distance);
        const double turns = std::round((w * d - advance) / (2.0 * pi()));
        w = (advance + 2.0 * pi() * turns) / d;
        if (distance == room) {
            break;
        }
    }
    return w * rate / (2.0 * pi());
}

// Cents of hz above reference.
inline double cents(double hz, double reference)
{
    return 1200.0 * std::log2(hz / reference);
}

} // namespace pitch_estimate
