// The phrases every plug-in front end is held to the VST 2.x module with: three
// performances in absolute frames, each a rate, parameter settings at frames and
// MIDI messages of one to three bytes, the MIDI helpers they are written with, and
// the comparison of two renderings.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace identity_phrases {

constexpr std::int32_t kVolume = 9;
constexpr std::int32_t kLegato = 15;

inline std::vector<std::uint8_t> noteOn(int key, int velocity = 100, int channel = 0)
{
    return {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
            static_cast<std::uint8_t>(velocity)};
}
inline std::vector<std::uint8_t> noteOff(int key, int channel = 0)
{
    return {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 64};
}
inline std::vector<std::uint8_t> controller(int number, int value)
{
    return {0xB0, static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(value)};
}
inline std::vector<std::uint8_t> bend(int value)
{
    return {0xE0, static_cast<std::uint8_t>(value & 0x7F), static_cast<std::uint8_t>(value >> 7)};
}

// A performance in absolute frames. late messages are sent in the block holding
// their frame but stamped one block length later, beyond the run. In every block
// holding one of skipFrames the plug-in also gets events it must skip.
struct TimedMidi {
    std::int32_t frame;
    std::vector<std::uint8_t> bytes;
    bool late = false;
};
struct TimedValue {
    std::int32_t frame;
    std::int32_t index;
    float value;
};
struct Phrase {
    const char* name;
    std::int32_t rate;
    std::int32_t frames;
    std::vector<TimedValue> settings; // from frame 0, on top of the basic program
    std::vector<TimedMidi> midi;      // in the order a host sends them
    std::vector<std::int32_t> skipFrames;
};

// Three phrases: the basic program with legato, bends and controllers; every
// stage on with PowerChord at 48 kHz; every stage on with one string, parameters
// moving between runs, at 96 kHz. Together they send messages of one, two and
// three bytes, on other channels, out of order and beyond the run.
inline std::vector<Phrase> phrases()
{
    return {
        {"basic program",
         44100,
         70000,
         {},
         {{100, noteOn(57)},
          {8000, noteOn(64)},
          {14000, noteOff(64)},
          {16000, bend(12000)},
          {20000, bend(8192)},
          {21000, controller(1, 40)},
          {24000, noteOff(57)},
          {26000, noteOn(69, 127, 3)},
          {26000, noteOn(45, 30)},
          {30000, {0x90, 45}},
          {30500, {0xF8}},
          {31000, {0xC0, 5}},
          {32000, controller(7, 90)},
          {40010, noteOn(60)},
          {40000, noteOn(62)},
          {45000, noteOff(60), true},
          {50000, noteOff(60)},
          {50000, noteOff(62)},
          {50000, noteOff(45)},
          {52000, controller(123, 0)},
          {52000, bend(0)},
          {56000, noteOn(81, 90, 15)},
          {64000, noteOff(81, 15)}},
         {100, 5000, 26000, 40000}},
        {"every stage with PowerChord",
         48000,
         70000,
         {{0, 12, 0.6f},
          {0, 11, 0.7f},
          {0, 13, 0.4f},
          {0, 14, 0.6f},
          {0, 18, 1.0f},
          {0, 17, 0.3f},
          {0, 1, 0.5f},
          {0, 0, 0.8f},
          {0, 3, 0.6f},
          {0, 10, 0.5f},
          {0, kVolume, 0.5f},
          {20000, 14, 0.9f},
          {25000, kLegato, 0.0f},
          {40000, 11, 0.2f},
          {45000, kVolume, 0.8f},
          {55000, 18, 0.0f},
          {60000, 18, 1.0f}},
         {{0, noteOn(40)},
          {10000, noteOn(47)},
          {20000, noteOff(47)},
          {30000, noteOff(40)},
          {31000, noteOn(52, 60)},
          {35000, bend(16383)},
          {40000, bend(4000)},
          {50000, noteOff(52)},
          {52000, noteOn(28)},
          {65000, noteOff(28)}},
         {0, 35000}},
        {"every stage with one string, parameters moving",
         96000,
         80000,
         {{0, 12, 0.9f},  {0, 11, 0.5f},     {0, 13, 0.8f},     {0, 14, 1.0f},      {0, 16, 0.5f},
          {0, 4, 0.2f},   {0, 5, 0.8f},      {0, 6, 0.4f},      {0, 7, 0.6f},       {0, 8, 0.3f},
          {0, 17, 0.9f},  {8000, 12, 0.3f},  {12000, 17, 0.1f}, {16000, 6, 0.9f},   {24000, kLegato, 0.999f},
          {28000, 2, 1.0f}, {32000, 11, 1.0f}, {36000, 8, 1.0f}, {44000, kLegato, 1.0f}, {48000, kVolume, 1.0f},
          {56000, 13, 0.0f}, {60000, 14, 0.2f}},
         {{0, noteOn(127)},
          {5000, noteOn(0, 1)},
          {9000, noteOff(127)},
          {15000, noteOn(60, 127)},
          {20000, controller(1, 0)},
          {26000, noteOff(0)},
          {30000, controller(120, 0)},
          {34000, noteOn(67)},
          {40000, noteOff(60)},
          {46000, noteOff(67)},
          {50000, noteOn(48)},
          {60000, controller(7, 0)},
          {65000, controller(7, 127)},
          {70000, noteOff(48)}},
         {60000}},
    };
}

// The block lengths each phrase is played in, in turn: blocks of 1, 64 and 4096
// frames, and a ragged partition with a block of no frames.
inline std::vector<std::vector<std::uint32_t>> identityBlockLengths()
{
    return {{1}, {64}, {4096}, {1, 0, 64, 300, 4096, 17}};
}

// One bit-identity check: a phrase and the lengths of the blocks it is played in.
struct IdentityCase {
    std::size_t phrase;
    std::vector<std::uint32_t> blocks;
};

// Every phrase in every partition of identityBlockLengths.
inline std::vector<IdentityCase> identityCases()
{
    std::vector<IdentityCase> cases;
    for (std::size_t phrase = 0; phrase < phrases().size(); ++phrase) {
        for (const std::vector<std::uint32_t>& blocks : identityBlockLengths()) {
            cases.push_back({phrase, blocks});
        }
    }
    return cases;
}

inline void PrintTo(const IdentityCase& identityCase, std::ostream* out)
{
    *out << phrases()[identityCase.phrase].name << ", blocks of";
    for (std::uint32_t frames : identityCase.blocks) {
        *out << " " << frames;
    }
}

// A test name for the case, the blocks called unit: "Phrase2BlocksOf64",
// "Phrase3RaggedBlocks".
inline std::string identityCaseName(const IdentityCase& identityCase, const std::string& unit)
{
    const std::vector<std::uint32_t>& blocks = identityCase.blocks;
    return "Phrase" + std::to_string(identityCase.phrase + 1) +
           (blocks.size() == 1 ? unit + "Of" + std::to_string(blocks[0]) : "Ragged" + unit);
}

// Index of the first sample whose bits differ in either channel of two renderings
// (anything with left and right sample vectors), 0 for different lengths, or -1.
template <typename Stereo>
long firstDifference(const Stereo& a, const Stereo& b)
{
    if (a.left.size() != b.left.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < a.left.size(); ++i) {
        if (std::memcmp(&a.left[i], &b.left[i], sizeof(float)) != 0 ||
            std::memcmp(&a.right[i], &b.right[i], sizeof(float)) != 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

} // namespace identity_phrases
