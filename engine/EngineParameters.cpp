#include "engine/EngineParameters.h"

#include <cmath>
#include <cstring>
#include <limits>

const float kParameterDefaults[kNumParameters] = {
    0.5f,  // Exciter
    0.1f,  // Modulation
    0.4f,  // NisFilter
    0.3f,  // Pick
    0.04f, // Attack
    0.5f,  // Decay
    0.8f,  // Sustain
    0.3f,  // Release
    0.89f, // ADSRCurve
    0.3f,  // Volume
    0.3f,  // Fixing
    0.0f,  // DynaTone
    0.0f,  // Distorter
    0.0f,  // Overdrive
    0.0f,  // Chorus
    1.0f,  // Legato
    1.0f,  // Velocity
    0.5f,  // ToneRama
    0.0f,  // PowerChord
};

namespace {

// Converting NaN or a value beyond the int32 range to an integer is undefined, so
// NaN counts as 0 and everything else saturates at the int32 limits.
std::int32_t truncateToInt(float value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0f) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

std::uint32_t parameterWord(std::int32_t index, float value)
{
    std::uint32_t word;
    if (index == kLegato) {
        const std::int32_t flag = truncateToInt(value);
        std::memcpy(&word, &flag, sizeof word);
    } else {
        std::memcpy(&word, &value, sizeof word);
    }
    return word;
}

float parameterValue(std::int32_t index, std::uint32_t word)
{
    if (index == kLegato) {
        std::int32_t flag;
        std::memcpy(&flag, &word, sizeof flag);
        return static_cast<float>(flag);
    }
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}
