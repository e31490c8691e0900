#include "tools/output/SampleQuantizer.h"

#include <cmath>

SampleQuantizer::SampleQuantizer(SampleFormat sampleFormat, bool dither)
    : dithered(dither && sampleFormat == SampleFormat::Pcm16)
{
    const int bits = sampleFormat == SampleFormat::Pcm16 ? 16 : 24;
    fullScale = static_cast<double>(std::int64_t{1} << (bits - 1));
    lowest = -static_cast<std::int32_t>(fullScale);
    highest = static_cast<std::int32_t>(fullScale) - 1;
}

double SampleQuantizer::uniform()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state >> 8) * (1.0 / 16777216.0);
}

float SampleQuantizer::toFloat(float sample)
{
    if (!std::isfinite(sample)) {
        ++nonFinite;
        return 0.0f;
    }
    return sample;
}

std::int32_t SampleQuantizer::toInteger(float sample)
{
    if (!std::isfinite(sample)) {
        ++nonFinite;
        return 0;
    }
    double scaled = static_cast<double>(sample) * fullScale;
    if (dithered && sample != 0.0f) {
        scaled += uniform() - uniform();
    }
    const double rounded = std::floor(scaled + 0.5);
    if (rounded <= lowest) {
        return lowest;
    }
    if (rounded >= highest) {
        return highest;
    }
    return static_cast<std::int32_t>(rounded);
}
