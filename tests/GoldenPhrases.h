// Bit-exact guard over the whole render path: fixed phrases are rendered with fixed
// settings and a 64-bit FNV-1a hash of both channels' float bits is compared with
// the value recorded from the engine as it stands. Any change to the arithmetic, its
// order or its rounding changes a hash; work moved out of the per-sample loop must
// not. The engine driven directly and the module driven through the instrument give
// the same hashes. A deliberate change of the sound means recording them anew.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "Performance.h"
#include "engine/EngineParameters.h"

namespace golden {

using test_performance::Midi;

constexpr std::int32_t kPhraseLength = 176400;        // four seconds at 44100 Hz
constexpr std::int32_t kTouchingPhraseLength = 52920; // 1.2 seconds

// Silence, a note, a legato takeover, bends both ways, the modulation wheel and the
// channel volume, a fall-back to the held key, a release with a new note during it,
// a key too low for the string lines, a full release, a very high note, silence.
const std::vector<Midi> kPhrase = {
    {1000, 0x90, 60, 100},   {9000, 0x90, 64, 80},     {15000, 0xE0, 0x20, 0x5D},
    {20000, 0xE0, 0x10, 0x0F}, {24000, 0xE0, 0x00, 0x40}, {30000, 0xB0, 1, 40},
    {40000, 0xB0, 1, 127},   {45000, 0x80, 64, 0},     {50000, 0xB0, 7, 90},
    {70000, 0x80, 60, 0},    {80000, 0x90, 28, 127},   {85000, 0x90, 0, 70},
    {85000, 0xB0, 1, 90},    {100000, 0x80, 0, 0},     {105000, 0x80, 28, 0},
    {130000, 0x90, 127, 30}, {130077, 0xE0, 0x7F, 0x7F}, {135000, 0x80, 127, 0},
    {140000, 0x90, 45, 1},   {140511, 0x80, 45, 0},
};

// Notes drawn end to end (the release first, at the next note's frame), a release
// 10 frames before the next note, overlapping notes, a key repeated at its release,
// loud plucks and a bend: the articulation rules and, with the loud settings below,
// the overdrive's held cubic and the limiter beyond its table.
const std::vector<Midi> kTouchingPhrase = {
    {500, 0x90, 45, 127},   {6000, 0x80, 45, 0},    {6000, 0x90, 52, 120},  {12000, 0x80, 52, 0},
    {12010, 0x90, 57, 127}, {18000, 0x90, 64, 90},  {20000, 0x80, 57, 0},   {26000, 0x80, 64, 0},
    {26000, 0x90, 64, 127}, {29000, 0xE0, 0x00, 0x70}, {32000, 0x80, 64, 0}, {32000, 0x90, 40, 127},
    {40000, 0x80, 40, 0},
};

using Settings = std::vector<std::pair<std::int32_t, float>>;

const Settings kDefaultProgram = {};
const Settings kAllStages = {
    {kDistorter, 0.6f}, {kDynaTone, 0.7f}, {kOverdrive, 0.5f}, {kChorus, 0.4f}, {kPowerChord, 1.0f}};
const Settings kAllStagesButPowerChord = {
    {kDistorter, 0.6f}, {kDynaTone, 0.7f}, {kOverdrive, 0.5f}, {kChorus, 0.4f}, {kPowerChord, 0.0f}};
// Everything loud: the linear path beyond 1 at the overdrive, the filter section's
// mix beyond the limiter table's end.
const Settings kOverloads = {{kExciter, 1.0f}, {kPick, 1.0f}, {kDynaTone, 1.0f}, {kOverdrive, 1.0f}, {kVolume, 1.0f}};
const Settings kOverloadsWithoutFilter = {
    {kExciter, 1.0f}, {kPick, 1.0f}, {kDynaTone, 0.0f}, {kOverdrive, 1.0f}, {kVolume, 1.0f}};
const Settings kOverloadsInPowerChord = {
    {kExciter, 1.0f}, {kPick, 1.0f}, {kDynaTone, 1.0f}, {kOverdrive, 1.0f}, {kVolume, 1.0f}, {kPowerChord, 1.0f}};
const Settings kLegatoOff = {{kLegato, 0.0f}};

// Every 40th block switches the string mode and moves the comb, the detune depth and
// the envelope curve, so state carried across blocks meets changed settings.
inline Settings switchedSettings(std::int32_t block)
{
    if (block % 40 != 39) {
        return {};
    }
    const std::int32_t round = block / 40;
    return {{kPowerChord, round % 2 == 0 ? 1.0f : 0.0f},
            {kFixing, 0.1f * static_cast<float>(round % 7)},
            {kModulation, 0.15f * static_cast<float>(round % 5)},
            {kADSRCurve, 0.2f * static_cast<float>(round % 6)}};
}

struct Case {
    const char* name;
    const std::vector<Midi>* phrase;
    const Settings* settings;
    bool switching; // switchedSettings between blocks
    std::int32_t blockSize;
    std::uint64_t expected;
};

const Case kCases[] = {
    {"default program", &kPhrase, &kDefaultProgram, false, 512, 0x8F29D9DE818CAF89ull},
    {"default program", &kPhrase, &kDefaultProgram, false, 77, 0x6C9B4F63A0812CE5ull},
    {"every stage", &kPhrase, &kAllStages, false, 512, 0x133E05DC246FC316ull},
    {"every stage", &kPhrase, &kAllStages, false, 77, 0x8889A375DFFEE2BFull},
    {"every stage but PowerChord", &kPhrase, &kAllStagesButPowerChord, false, 512, 0xD54E0D5CFE6FD5B0ull},
    {"every stage but PowerChord", &kPhrase, &kAllStagesButPowerChord, false, 77, 0x2DA5B2EC47BCC2D4ull},
    {"settings switched between blocks", &kPhrase, &kAllStages, true, 512, 0x4DD713D2E89B0232ull},
    {"settings switched between blocks", &kPhrase, &kAllStages, true, 77, 0x6D41FFCD96FBB688ull},
    {"touching notes, default program", &kTouchingPhrase, &kDefaultProgram, false, 512, 0x32ECDD0109892E3Dull},
    {"touching notes, default program", &kTouchingPhrase, &kDefaultProgram, false, 4096, 0xC9D2515619BB8D21ull},
    {"touching notes, legato off", &kTouchingPhrase, &kLegatoOff, false, 77, 0x6629A4AAF6F82F95ull},
    {"touching notes, overloads", &kTouchingPhrase, &kOverloads, false, 512, 0xCF901F27A7211729ull},
    {"touching notes, overloads without the filter", &kTouchingPhrase, &kOverloadsWithoutFilter, false, 512,
     0xC23637634AB72019ull},
    {"touching notes, overloads in PowerChord", &kTouchingPhrase, &kOverloadsInPowerChord, false, 512,
     0x8A1DB9138B603911ull},
};

inline std::uint64_t fnv1a(std::uint64_t hash, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int byte = 0; byte < 4; ++byte) {
        hash ^= (bits >> (8 * byte)) & 0xFFu;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

struct Rendered {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    float peak = 0.0f;
};

// Renders a case in blocks of its block size the way a host does: before each block
// the settings switched there, then the block's events (when there are any), then the
// block. Player, switched on at 44100 Hz, has set(index, value), send(messages) and
// block(frames).
template <typename Player>
Rendered renderCase(Player& player, const Case& c)
{
    for (const auto& setting : *c.settings) {
        player.set(setting.first, setting.second);
    }
    const std::int32_t length = c.phrase == &kPhrase ? kPhraseLength : kTouchingPhraseLength;
    std::int32_t nextBlock = 1;
    const test_performance::Stereo out = player.perform(*c.phrase, length, {c.blockSize}, [&] {
        if (c.switching) {
            for (const auto& setting : switchedSettings(nextBlock)) {
                player.set(setting.first, setting.second);
            }
        }
        ++nextBlock;
    });
    Rendered result;
    for (std::size_t i = 0; i < out.size(); ++i) {
        result.hash = fnv1a(result.hash, out.left[i]);
        result.hash = fnv1a(result.hash, out.right[i]);
        result.peak = std::max(result.peak, std::fabs(out.left[i]));
    }
    return result;
}

// Renders every case, each with a fresh Player, and expects the recorded hashes.
template <typename Player>
void expectRecordedHashes()
{
    for (const Case& c : kCases) {
        Player player;
        const Rendered rendered = renderCase(player, c);
        char actual[32];
        std::snprintf(actual, sizeof actual, "0x%016" PRIX64 "ull", rendered.hash);
        EXPECT_EQ(rendered.hash, c.expected) << c.name << ", block size " << c.blockSize << ": " << actual;
        EXPECT_GT(rendered.peak, 0.01f) << c.name << ", block size " << c.blockSize;
    }
}

} // namespace golden
