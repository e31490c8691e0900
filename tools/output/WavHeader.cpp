#include "tools/output/WavHeader.h"

#include <cstring>

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatIeeeFloat = 3;
constexpr std::int64_t kLargestRiffSize = 0xFFFFFFFFll;

class ByteWriter {
public:
    void text(const char (&four)[5]) { bytes.insert(bytes.end(), four, four + 4); }
    void u16(std::uint32_t value)
    {
        for (int shift = 0; shift < 16; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void u32(std::uint64_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    std::vector<std::uint8_t> bytes;
};

std::int64_t dataBytes(std::int64_t frames, int channels, SampleFormat format)
{
    return frames * channels * bytesPerSample(format);
}

// Bytes of the header before the samples, apart from the 8 of the RIFF chunk's own head.
std::int64_t headerBodyBytes(SampleFormat format)
{
    const bool isFloat = format == SampleFormat::Float32;
    return 4 + (8 + (isFloat ? 18 : 16)) + (isFloat ? 12 : 0) + 8;
}

} // namespace

bool fitsInWav(std::int64_t frames, int channels, SampleFormat format)
{
    const std::int64_t data = dataBytes(frames, channels, format);
    return frames >= 0 && headerBodyBytes(format) + data + (data & 1) <= kLargestRiffSize;
}

std::vector<std::uint8_t> wavHeader(std::int32_t sampleRate, int channels, SampleFormat format, std::int64_t frames)
{
    const bool isFloat = format == SampleFormat::Float32;
    const int sampleBytes = bytesPerSample(format);
    const std::int64_t data = dataBytes(frames, channels, format);

    ByteWriter out;
    out.text("RIFF");
    out.u32(static_cast<std::uint64_t>(headerBodyBytes(format) + data + (data & 1)));
    out.text("WAVE");
    out.text("fmt ");
    out.u32(isFloat ? 18 : 16);
    out.u16(isFloat ? kFormatIeeeFloat : kFormatPcm);
    out.u16(static_cast<std::uint32_t>(channels));
    out.u32(static_cast<std::uint32_t>(sampleRate));
    out.u32(static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(channels * sampleBytes));
    out.u16(static_cast<std::uint32_t>(channels * sampleBytes));
    out.u16(static_cast<std::uint32_t>(sampleBytes * 8));
    if (isFloat) {
        out.u16(0); // no extension bytes follow
        out.text("fact");
        out.u32(4);
        out.u32(static_cast<std::uint64_t>(frames));
    }
    out.text("data");
    out.u32(static_cast<std::uint64_t>(data));
    return out.bytes;
}
