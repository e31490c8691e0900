// The WAV header written up front: the fields readers check, for each sample
// format, and the 4 GiB limit of RIFF's 32-bit sizes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/output/WavHeader.h"

namespace {

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint32_t half(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

std::string tag(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4);
}

TEST(WavHeader, DescribesTheSamplesThatFollow)
{
    const struct {
        SampleFormat format;
        std::uint32_t formatTag;
        std::uint32_t fmtSize;
        std::uint32_t bits;
        std::size_t headerSize;
    } cases[] = {
        {SampleFormat::Float32, 3, 18, 32, 58}, // IEEE float, extension size 0, fact chunk
        {SampleFormat::Pcm24, 1, 16, 24, 44},
        {SampleFormat::Pcm16, 1, 16, 16, 44},
    };
    constexpr std::int64_t kFrames = 48001;
    for (const auto& c : cases) {
        SCOPED_TRACE(sampleFormatName(c.format));
        const std::vector<std::uint8_t> header = wavHeader(48000, 2, c.format, kFrames);
        ASSERT_EQ(header.size(), c.headerSize);
        const std::uint32_t blockAlign = 2 * c.bits / 8;
        const std::uint32_t data = static_cast<std::uint32_t>(kFrames) * blockAlign;
        EXPECT_EQ(tag(header, 0), "RIFF");
        EXPECT_EQ(word(header, 4), header.size() - 8 + data);
        EXPECT_EQ(tag(header, 8), "WAVE");
        EXPECT_EQ(tag(header, 12), "fmt ");
        EXPECT_EQ(word(header, 16), c.fmtSize);
        EXPECT_EQ(half(header, 20), c.formatTag);
        EXPECT_EQ(half(header, 22), 2u);
        EXPECT_EQ(word(header, 24), 48000u);
        EXPECT_EQ(word(header, 28), 48000u * blockAlign);
        EXPECT_EQ(half(header, 32), blockAlign);
        EXPECT_EQ(half(header, 34), c.bits);
        std::size_t at = 20 + c.fmtSize;
        if (c.format == SampleFormat::Float32) {
            EXPECT_EQ(half(header, 36), 0u);
            EXPECT_EQ(tag(header, at), "fact");
            EXPECT_EQ(word(header, at + 4), 4u);
            EXPECT_EQ(word(header, at + 8), static_cast<std::uint32_t>(kFrames));
            at += 12;
        }
        EXPECT_EQ(tag(header, at), "data");
        EXPECT_EQ(word(header, at + 4), data);
    }
}

TEST(WavHeader, FitsOnlyWhatThirtyTwoBitSizesCount)
{
    // 16-bit stereo: 4 bytes a frame after a 36-byte header body.
    const std::int64_t largest16 = (0xFFFFFFFFll - 36) / 4;
    EXPECT_TRUE(fitsInWav(largest16, 2, SampleFormat::Pcm16));
    EXPECT_FALSE(fitsInWav(largest16 + 1, 2, SampleFormat::Pcm16));
    const std::int64_t largestFloat = (0xFFFFFFFFll - 50) / 8;
    EXPECT_TRUE(fitsInWav(largestFloat, 2, SampleFormat::Float32));
    EXPECT_FALSE(fitsInWav(largestFloat + 1, 2, SampleFormat::Float32));
    EXPECT_TRUE(fitsInWav(0, 2, SampleFormat::Pcm24));
}

} // namespace
