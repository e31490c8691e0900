// Float samples as a file stores them: rounding and clipping at full scale, the
// 16-bit dither (reproducible, one step peak each way, silent on silence) and
// samples that are not numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tools/output/SampleQuantizer.h"

namespace {

TEST(SampleQuantizer, RoundsAndClipsAtFullScaleWithoutDither)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        SampleFormat format;
        float sample;
        std::int32_t stored;
    } cases[] = {
        {SampleFormat::Pcm16, 0.0f, 0},         {SampleFormat::Pcm16, 0.5f, 16384},
        {SampleFormat::Pcm16, -0.5f, -16384},   {SampleFormat::Pcm16, 1.0f, 32767},
        {SampleFormat::Pcm16, -1.0f, -32768},   {SampleFormat::Pcm16, 1.5f, 32767},
        {SampleFormat::Pcm16, -7.0f, -32768},   {SampleFormat::Pcm16, 1.6e-5f, 1}, // 0.52 steps
        {SampleFormat::Pcm16, 1.4e-5f, 0},      {SampleFormat::Pcm16, nan, 0},
        {SampleFormat::Pcm24, 0.5f, 4194304},   {SampleFormat::Pcm24, 1.0f, 8388607},
        {SampleFormat::Pcm24, -1.0f, -8388608}, {SampleFormat::Pcm24, -inf, 0},
        {SampleFormat::Pcm24, 3e38f, 8388607},
    };
    for (const auto& c : cases) {
        SampleQuantizer quantizer(c.format, false);
        EXPECT_EQ(quantizer.toInteger(c.sample), c.stored) << sampleFormatName(c.format) << " " << c.sample;
        EXPECT_EQ(quantizer.nonFiniteSamples(), std::isfinite(c.sample) ? 0 : 1);
    }
    SampleQuantizer floats(SampleFormat::Float32, true);
    EXPECT_EQ(floats.toFloat(1.5f), 1.5f);
    EXPECT_EQ(floats.toFloat(nan), 0.0f);
    EXPECT_EQ(floats.toFloat(-inf), 0.0f);
    EXPECT_EQ(floats.nonFiniteSamples(), 2);
}

TEST(SampleQuantizer, DithersSixteenBitsReproduciblyWithinOneStep)
{
    SampleQuantizer first(SampleFormat::Pcm16, true);
    SampleQuantizer second(SampleFormat::Pcm16, true);
    constexpr int kSamples = 200000;
    const float sample = 1000.25f / 32768.0f;
    double sum = 0.0;
    int differing = 0;
    int lowest = 1 << 30;
    int highest = -(1 << 30);
    for (int i = 0; i < kSamples; ++i) {
        const std::int32_t a = first.toInteger(sample);
        EXPECT_EQ(a, second.toInteger(sample));
        differing += a != 1000 ? 1 : 0;
        lowest = std::min(lowest, a);
        highest = std::max(highest, a);
        sum += a;
    }
    // The rounding error is spread over 999..1002 and averages out to the signal.
    EXPECT_GE(lowest, 999);
    EXPECT_LE(highest, 1002);
    EXPECT_GT(differing, kSamples / 4);
    EXPECT_NEAR(sum / kSamples, 1000.25, 0.01);

    // Silence stays silent; 24-bit and --no-dither output are not dithered.
    SampleQuantizer silence(SampleFormat::Pcm16, true);
    SampleQuantizer deep(SampleFormat::Pcm24, true);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(silence.toInteger(0.0f), 0);
        EXPECT_EQ(deep.toInteger(0.25f), 2097152);
    }
}

} // namespace
