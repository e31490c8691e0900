// The cubic soft clipper after the filter section: z = x - x^3 / 6, which bends
// the filter section's mix smoothly before the limiter.
#pragma once

// Returns the clipped sample; 1/6 is the single-precision constant widened to double.
inline float softClip(float mix)
{
    const double m = mix;
    return static_cast<float>(m - ((m * m) * m) * 0.1666666716337204);
}
