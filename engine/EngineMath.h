// Small numeric helpers shared by the engine's stages.
#pragma once

#include <cstdint>
#include <cstring>

// 2 pi as the single-precision constant the one-pole smoothers are tuned with.
constexpr double kSmootherTwoPi = 6.28319f;

// The angular step of one sample at rate: the base coefficient of every smoother.
inline float radiansPerSampleAt(float rate)
{
    return static_cast<float>(kSmootherTwoPi / rate);
}

// A count of samples rounded to the nearest whole one, at least 1 and at most longest
// (1 for a count that is no number).
inline std::int32_t roundedSampleCount(double samples, std::int32_t longest)
{
    const double rounded = samples + 0.5;
    return rounded >= 1.0 ? (rounded < longest ? static_cast<std::int32_t>(rounded) : longest) : 1;
}

// True when both values have the same bits: a memo keyed on it is exact, NaN and
// signed zeros included.
inline bool sameBits(float a, float b)
{
    std::uint32_t x;
    std::uint32_t y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// True when every float a unit keeps from one sample to the next is finite: x * 0
// is 0 for finite x and NaN for NaN and the infinities. The unit lists its values
// through forEachState(visit), visit(name, value).
template <typename Unit>
bool keepsFiniteState(const Unit& unit)
{
    float sum = 0.0f;
    unit.forEachState([&sum](const char*, float value) { sum += value * 0.0f; });
    return sum == 0.0f;
}
