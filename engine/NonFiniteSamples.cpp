#include "engine/NonFiniteSamples.h"

#include <cfloat>
#include <cmath>

void silenceNonFiniteSamples(float* left, float* right, std::int32_t sampleFrames)
{
    bool found = false;
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        found |= !(std::fabs(left[i]) <= FLT_MAX) | !(std::fabs(right[i]) <= FLT_MAX);
    }
    if (!found) {
        return;
    }
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        left[i] = std::fabs(left[i]) <= FLT_MAX ? left[i] : 0.0f;
        right[i] = std::fabs(right[i]) <= FLT_MAX ? right[i] : 0.0f;
    }
}
