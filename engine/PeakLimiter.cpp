#include "engine/PeakLimiter.h"

#include <new>

#include "engine/EngineMath.h"

// Gain 1 / max(1, a) for a = i / 4096: read at 4096 |y|, it brings magnitudes
// above 1 down to 1 without a division per sample.
PeakLimiter::PeakLimiter() : limiterTable(new (std::nothrow) float[kLimiterTableSize])
{
    if (limiterTable == nullptr) {
        return;
    }
    for (std::int32_t i = 0; i < kLimiterTableSize; ++i) {
        const double a = i * 0.000244140625;
        limiterTable[i] = static_cast<float>(a < 1.0 ? 1.0 : 1.0 / a);
    }
}

PeakLimiter::~PeakLimiter()
{
    delete[] limiterTable;
}

void PeakLimiter::setSampleRate(float rate)
{
    if (!releaseKnown || !sameBits(rate, releaseRate)) {
        limiterRelease = 1.0 - std::pow(0.001, 1.0 / (rate * 0.075));
        releaseKnown = true;
        releaseRate = rate;
    }
}
