// Turns the instrument's float samples into the values a file stores: floats as
// they are, 24- and 16-bit integers rounded and clipped at full scale (overs would
// otherwise wrap around). 16-bit values carry triangular (TPDF) dither of one
// step peak, which turns the rounding error into a steady, signal-independent
// hiss; digital silence stays silent. The dither sequence starts from a fixed
// seed, so the same render gives the same file. Samples that are not numbers
// (NaN, infinity) become 0 and are counted.
#pragma once

#include <cstdint>

#include "tools/output/AudioFormat.h"

class SampleQuantizer {
public:
    SampleQuantizer(SampleFormat format, bool dither);

    // The sample as a float file stores it.
    float toFloat(float sample);

    // The sample as an integer of the format's width (-32768..32767 for 16-bit,
    // -8388608..8388607 for 24-bit).
    std::int32_t toInteger(float sample);

    std::int64_t nonFiniteSamples() const { return nonFinite; }

private:
    // One uniform value in [0, 1) from a 32-bit xorshift generator.
    double uniform();

    bool dithered;
    double fullScale;
    std::int32_t lowest;
    std::int32_t highest;
    std::uint32_t state = 0x2545F491u;
    std::int64_t nonFinite = 0;
};
