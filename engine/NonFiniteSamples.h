// Keeps NaN and infinite samples away from the host's mixer.
#pragma once

#include <cstdint>

// Replaces every sample of both channels that is NaN or infinite with 0.
void silenceNonFiniteSamples(float* left, float* right, std::int32_t sampleFrames);
