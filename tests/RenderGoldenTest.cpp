// Bit-exact guard over the whole render path: a fixed phrase is rendered in-process
// and a 64-bit FNV-1a hash of both channels' float bits is compared with the value
// recorded from the engine as it stands. Any change to the arithmetic, its order or
// its rounding changes a hash; work moved out of the per-sample loop must not.
// A deliberate change of the sound means recording the hashes anew.

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "VersionHost.h"
#include "instrument/SynthPlugin.h"

namespace {

struct TimedMidi {
    std::int32_t frame; // absolute sample index
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
};

constexpr std::int32_t kPhraseLength = 176400; // four seconds at 44100 Hz
constexpr std::int32_t kTouchingPhraseLength = 52920; // 1.2 seconds

// Silence, a note, a legato takeover, bends both ways, the modulation wheel and the
// channel volume, a fall-back to the held key, a release with a new note during it,
// a key too low for the string lines, a full release, a very high note, silence.
const std::vector<TimedMidi> kPhrase = {
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
const std::vector<TimedMidi> kTouchingPhrase = {
    {500, 0x90, 45, 127},   {6000, 0x80, 45, 0},    {6000, 0x90, 52, 120},  {12000, 0x80, 52, 0},
    {12010, 0x90, 57, 127}, {18000, 0x90, 64, 90},  {20000, 0x80, 57, 0},   {26000, 0x80, 64, 0},
    {26000, 0x90, 64, 127}, {29000, 0xE0, 0x00, 0x70}, {32000, 0x80, 64, 0}, {32000, 0x90, 40, 127},
    {40000, 0x80, 40, 0},
};

std::uint64_t fnv1a(std::uint64_t hash, float value)
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

// Renders the phrase in blocks of blockSize the way a host does: the events of each
// block through processEvents, then processReplacing. between(plugin, block) runs
// before each block's events, for parameter changes between blocks.
Rendered renderPhrase(const std::vector<TimedMidi>& phrase, std::int32_t length,
                      const std::function<void(SynthPlugin&)>& setup, std::int32_t blockSize,
                      const std::function<void(SynthPlugin&, std::int32_t)>& between = nullptr)
{
    auto plugin = std::make_unique<SynthPlugin>(versionHost);
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(blockSize);
    plugin->resume();
    setup(*plugin);

    std::vector<float> left(static_cast<std::size_t>(blockSize));
    std::vector<float> right(static_cast<std::size_t>(blockSize));
    float* outputs[2] = {left.data(), right.data()};
    std::vector<VstMidiEvent> midi;
    std::vector<char> batch;
    Rendered result;
    std::size_t next = 0;

    for (std::int32_t start = 0, block = 0; start < length; start += blockSize, ++block) {
        const std::int32_t frames = std::min(blockSize, length - start);
        if (between) {
            between(*plugin, block);
        }
        midi.clear();
        while (next < phrase.size() && phrase[next].frame < start + frames) {
            VstMidiEvent event{};
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = phrase[next].frame - start;
            event.midiData[0] = static_cast<char>(phrase[next].status);
            event.midiData[1] = static_cast<char>(phrase[next].data1);
            event.midiData[2] = static_cast<char>(phrase[next].data2);
            midi.push_back(event);
            ++next;
        }
        if (!midi.empty()) {
            batch.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
            auto* events = reinterpret_cast<VstEvents*>(batch.data());
            events->numEvents = static_cast<std::int32_t>(midi.size());
            VstEvent** list = &events->events[0];
            for (std::size_t n = 0; n < midi.size(); ++n) {
                list[n] = reinterpret_cast<VstEvent*>(&midi[n]);
            }
            plugin->processEvents(events);
        }
        plugin->processReplacing(nullptr, outputs, frames);
        for (std::int32_t i = 0; i < frames; ++i) {
            result.hash = fnv1a(result.hash, left[static_cast<std::size_t>(i)]);
            result.hash = fnv1a(result.hash, right[static_cast<std::size_t>(i)]);
            result.peak = std::max(result.peak, std::fabs(left[static_cast<std::size_t>(i)]));
        }
    }
    return result;
}

void defaultProgram(SynthPlugin&) {}

void allStages(SynthPlugin& plugin)
{
    plugin.setParameter(kDistorter, 0.6f);
    plugin.setParameter(kDynaTone, 0.7f);
    plugin.setParameter(kOverdrive, 0.5f);
    plugin.setParameter(kChorus, 0.4f);
    plugin.setParameter(kPowerChord, 1.0f);
}

void allStagesButPowerChord(SynthPlugin& plugin)
{
    allStages(plugin);
    plugin.setParameter(kPowerChord, 0.0f);
}

// Everything loud: the linear path beyond 2 at the overdrive, the filter section's
// mix beyond the limiter table's end.
void overloads(SynthPlugin& plugin)
{
    plugin.setParameter(kExciter, 1.0f);
    plugin.setParameter(kPick, 1.0f);
    plugin.setParameter(kDynaTone, 1.0f);
    plugin.setParameter(kOverdrive, 1.0f);
    plugin.setParameter(kVolume, 1.0f);
}

void overloadsWithoutFilter(SynthPlugin& plugin)
{
    overloads(plugin);
    plugin.setParameter(kDynaTone, 0.0f);
}

void overloadsInPowerChord(SynthPlugin& plugin)
{
    overloads(plugin);
    plugin.setParameter(kPowerChord, 1.0f);
}

void legatoOff(SynthPlugin& plugin)
{
    plugin.setParameter(kLegato, 0.0f);
}

// Every 40th block switches the string mode and moves the comb, the detune depth and
// the envelope curve, so state carried across blocks meets changed settings.
void switchingSettings(SynthPlugin& plugin, std::int32_t block)
{
    if (block % 40 != 39) {
        return;
    }
    const std::int32_t round = block / 40;
    plugin.setParameter(kPowerChord, round % 2 == 0 ? 1.0f : 0.0f);
    plugin.setParameter(kFixing, 0.1f * static_cast<float>(round % 7));
    plugin.setParameter(kModulation, 0.15f * static_cast<float>(round % 5));
    plugin.setParameter(kADSRCurve, 0.2f * static_cast<float>(round % 6));
}

TEST(RenderGolden, PhraseRendersBitIdenticalToRecording)
{
    struct Case {
        const char* name;
        const std::vector<TimedMidi>* phrase;
        void (*setup)(SynthPlugin&);
        void (*between)(SynthPlugin&, std::int32_t);
        std::int32_t blockSize;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"default program", &kPhrase, defaultProgram, nullptr, 512, 0x73BB4B75931C7E45ull},
        {"default program", &kPhrase, defaultProgram, nullptr, 77, 0x42EE0103C188B251ull},
        {"every stage", &kPhrase, allStages, nullptr, 512, 0xE79748B7DCD6DE34ull},
        {"every stage", &kPhrase, allStages, nullptr, 77, 0xB5E3E6EDDF8CC4D5ull},
        {"every stage but PowerChord", &kPhrase, allStagesButPowerChord, nullptr, 512, 0x0D60332A832FE13Cull},
        {"every stage but PowerChord", &kPhrase, allStagesButPowerChord, nullptr, 77, 0xFA72A65427DAB1DFull},
        {"settings switched between blocks", &kPhrase, allStages, switchingSettings, 512, 0x23590B6054D41D0Cull},
        {"settings switched between blocks", &kPhrase, allStages, switchingSettings, 77, 0x696E5B4EC3AEE324ull},
        {"touching notes, default program", &kTouchingPhrase, defaultProgram, nullptr, 512, 0xF9A80BF0CACAC7D9ull},
        {"touching notes, default program", &kTouchingPhrase, defaultProgram, nullptr, 4096, 0xB7E3208B3756E0C9ull},
        {"touching notes, legato off", &kTouchingPhrase, legatoOff, nullptr, 77, 0x630458BD0B34D095ull},
        {"touching notes, overloads", &kTouchingPhrase, overloads, nullptr, 512, 0x74F13EF56FC022BDull},
        {"touching notes, overloads without the filter", &kTouchingPhrase, overloadsWithoutFilter, nullptr, 512, 0xD680ACF46300C261ull},
        {"touching notes, overloads in PowerChord", &kTouchingPhrase, overloadsInPowerChord, nullptr, 512, 0x9D4AB3A86654CBADull},
    };
    for (const Case& c : cases) {
        const std::int32_t length = c.phrase == &kPhrase ? kPhraseLength : kTouchingPhraseLength;
        const Rendered rendered = renderPhrase(*c.phrase, length, c.setup, c.blockSize, c.between);
        char actual[32];
        std::snprintf(actual, sizeof actual, "0x%016" PRIX64 "ull", rendered.hash);
        EXPECT_EQ(rendered.hash, c.expected) << c.name << ", block size " << c.blockSize << ": " << actual;
        EXPECT_GT(rendered.peak, 0.01f) << c.name << ", block size " << c.blockSize;
    }
}

} // namespace
