// What the engine and module tests play and hear: MIDI messages stamped with
// frames, both output channels of a rendering, and the loop that plays a
// performance in host-sized blocks through either test front end.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace test_performance {

// One MIDI message. frame is the offset within the block it is sent with, or
// within the whole performance for perform().
struct Midi {
    std::int32_t frame;
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
};

inline Midi noteOn(std::int32_t frame, int key, int velocity = 100, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0x90 | channel), static_cast<unsigned char>(key),
            static_cast<unsigned char>(velocity)};
}

inline Midi noteOff(std::int32_t frame, int key, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0x80 | channel), static_cast<unsigned char>(key), 64};
}

inline Midi controller(std::int32_t frame, int number, int value, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0xB0 | channel), static_cast<unsigned char>(number),
            static_cast<unsigned char>(value)};
}

// value: the 14-bit wheel position, 8192 at the centre.
inline Midi pitchBend(std::int32_t frame, int value, int channel = 0)
{
    return {frame, static_cast<unsigned char>(0xE0 | channel), static_cast<unsigned char>(value & 0x7F),
            static_cast<unsigned char>((value >> 7) & 0x7F)};
}

// Both output channels of a rendering.
struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    void append(const Stereo& more)
    {
        left.insert(left.end(), more.left.begin(), more.left.end());
        right.insert(right.end(), more.right.begin(), more.right.end());
    }
    std::size_t size() const { return left.size(); }
    float peak() const
    {
        float level = 0.0f;
        for (std::size_t i = 0; i < left.size(); ++i) {
            level = std::max({level, std::fabs(left[i]), std::fabs(right[i])});
        }
        return level;
    }
    bool silent() const { return peak() == 0.0f; }
    // Bit-identical, NaN included.
    bool sameBits(const Stereo& other) const
    {
        return left.size() == other.left.size() && right.size() == other.right.size() &&
               std::memcmp(left.data(), other.left.data(), left.size() * sizeof(float)) == 0 &&
               std::memcmp(right.data(), other.right.data(), right.size() * sizeof(float)) == 0;
    }
};

// A value no rendering produces, for telling written samples from untouched ones.
constexpr float kGarbage = -12345.678f;

// Both channels of frames samples (none for frames <= 0), filled with kGarbage.
inline Stereo garbageFilled(std::int32_t frames)
{
    Stereo out;
    out.left.assign(static_cast<std::size_t>(std::max(frames, 0)), kGarbage);
    out.right.assign(out.left.size(), kGarbage);
    return out;
}

// What every test front end offers on top of its own set(index, value),
// send(messages) and block(frames): FrontEnd derives from Player<FrontEnd>.
template <typename FrontEnd>
class Player {
public:
    void set(std::initializer_list<std::pair<std::int32_t, float>> values)
    {
        for (const auto& value : values) {
            self().set(value.first, value.second);
        }
    }

    // Renders frames samples in blocks of blockSize without sending events.
    Stereo render(std::int32_t frames, std::int32_t blockSize = 256)
    {
        Stereo out;
        for (std::int32_t done = 0; done < frames; done += blockSize) {
            out.append(self().block(std::min(blockSize, frames - done)));
        }
        return out;
    }

    // Plays messages stamped with frames of the whole performance: before each block
    // it sends the block's messages (if any) with frames made relative, then renders
    // the block. Block sizes cycle through blockSizes; afterBlock, when given, runs
    // after every block.
    Stereo perform(const std::vector<Midi>& messages, std::int32_t frames,
                   const std::vector<std::int32_t>& blockSizes = {256},
                   const std::function<void()>& afterBlock = nullptr)
    {
        Stereo out;
        std::size_t next = 0;
        std::size_t sizeIndex = 0;
        for (std::int32_t start = 0; start < frames;) {
            const std::int32_t size = std::min(blockSizes[sizeIndex++ % blockSizes.size()], frames - start);
            std::vector<Midi> due;
            while (next < messages.size() && messages[next].frame < start + size) {
                Midi message = messages[next++];
                message.frame -= start;
                due.push_back(message);
            }
            if (!due.empty()) {
                self().send(due);
            }
            out.append(self().block(size));
            if (afterBlock) {
                afterBlock();
            }
            start += size;
        }
        return out;
    }

private:
    FrontEnd& self() { return static_cast<FrontEnd&>(*this); }
};

} // namespace test_performance
