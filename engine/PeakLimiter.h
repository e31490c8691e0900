// The peak limiter at the end of the filter section: the gain drops at once to
// 1 / max(1, |z|), read from a table instead of divided, and recovers by a factor
// of 1000 in 75 ms.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "engine/OnePole.h"

class PeakLimiter {
public:
    static constexpr std::int32_t kLimiterTableSize = 32768;

    // Allocates and fills the gain table; isValid() tells whether that succeeded.
    PeakLimiter();
    ~PeakLimiter();
    PeakLimiter(const PeakLimiter&) = delete;
    PeakLimiter& operator=(const PeakLimiter&) = delete;

    bool isValid() const { return limiterTable != nullptr; }

    // Takes the block's rate: the recovery per sample. Only recomputed when it changes.
    void setSampleRate(float rate);
    // Sets the gain back to 1.
    void restartGain() { limiterGain = 1.0f; }

    // Takes the clipped sample; returns it times the limiter's gain. Beyond the
    // table's end the gain is 4096 / a itself, so large levels are held at 1 like all
    // others; a non-finite level reads the table's last entry.
    float process(float z)
    {
        double a = std::fabs(static_cast<double>(z)) * 4096.0;
        float target = 1.0f;
        // Below 4095 both entries read are 1.0 (the table holds 1.0 up to entry 4096),
        // and 1 + 0 x (a - n) is exactly 1: the common case needs no table reading.
        if (!(a < kUnityLevel)) {
            if (a > kTableTop && a <= DBL_MAX) {
                target = static_cast<float>(4096.0 / a);
            } else {
                if (!(a <= kTableTop)) {
                    a = kTableTop;
                }
                const std::int32_t n = static_cast<std::int32_t>(a);
                target = static_cast<float>(limiterTable[n] +
                                            (static_cast<double>(limiterTable[n + 1]) - limiterTable[n]) * (a - n));
            }
        }
        if (target < limiterGain) {
            limiterGain = target;
        } else {
            onePole::smoothBy(limiterGain, target, limiterRelease);
        }
        return static_cast<float>(static_cast<double>(z) * limiterGain);
    }

    template <typename Visit>
    void forEachState(Visit&& visit) const
    {
        visit("limiterGain", limiterGain);
    }

    float getLimiterGain() const { return limiterGain; }
    const float* getLimiterTable() const { return limiterTable; }

private:
    static constexpr double kTableTop = 32760.0f;
    static constexpr double kUnityLevel = 4095.0;

    float limiterGain = 1.0f;
    float* limiterTable = nullptr;
    double limiterRelease = 0.0; // the gain's recovery per sample
    bool releaseKnown = false;
    float releaseRate = 0.0f; // the rate limiterRelease was computed for
};
