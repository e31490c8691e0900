// Conversions of the host's pointer-sized and floating-point arguments to the
// 32-bit integers that the operations take. They saturate instead of wrapping, so
// a 64-bit host value outside the 32-bit range keeps its sign and order (a huge
// negative program number stays negative), and a NaN converts to 0 rather than
// reaching an undefined float-to-integer conversion.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "host/AEffect.h"

// The value clamped to the int32 range.
inline std::int32_t saturateToInt32(VstIntPtr value)
{
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// The value truncated toward zero and clamped to the int32 range; NaN gives 0.
inline std::int32_t truncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// The low byte of the value truncated toward zero, as two's complement would keep
// it for any finite magnitude; NaN and infinities give 0.
inline unsigned char lowByteOfTruncated(float value)
{
    const double whole = std::trunc(static_cast<double>(value));
    if (!std::isfinite(whole))
        return 0;
    double low = std::fmod(whole, 256.0);
    if (low < 0.0)
        low += 256.0;
    return static_cast<unsigned char>(low);
}
