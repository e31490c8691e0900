#include "tools/render/LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string decibels(double level)
{
    if (level <= 0.0) {
        return "-inf dBFS";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(level));
    return text;
}

} // namespace

void LevelMeter::add(const float* samples, std::int32_t frames)
{
    for (std::int32_t i = 0; i < frames; ++i) {
        const double sample = samples[i];
        if (!std::isfinite(sample)) {
            continue;
        }
        const double magnitude = std::fabs(sample);
        peak = std::max(peak, magnitude);
        sumOfSquares += sample * sample;
        if (magnitude > 1.0) {
            ++overs;
        }
    }
    count += frames;
}

std::string LevelMeter::peakText() const
{
    return decibels(peak);
}

std::string LevelMeter::rmsText() const
{
    return decibels(count > 0 ? std::sqrt(sumOfSquares / static_cast<double>(count)) : 0.0);
}
