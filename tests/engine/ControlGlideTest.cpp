// Controls glide: a value a host changes between blocks moves over 10 ms instead of
// stepping at the block start, so jumps, sweeps and program changes do not click;
// values that do not move are used exactly, and after switching on or a new rate
// the first block takes every value at once. Clicks are measured as a listener
// hears them: the output above 6 kHz, 1 ms at a time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "ToneMeasures.h"

namespace {

using namespace engine_harness;
using namespace tone_measures;

constexpr float kRate = 44100.0f;
constexpr std::size_t kMillisecond = 44;

const char* const kNames[kNumParameters] = {"Exciter", "Modulation", "NisFilter", "Pick",   "Attack",
                                            "Decay",   "Sustain",    "Release",   "ADSRCurve", "Volume",
                                            "Fixing",  "DynaTone",   "Distorter", "Overdrive", "Chorus",
                                            "Legato",  "Velocity",   "ToneRama",  "PowerChord"};

std::vector<std::int32_t> continuousParameters()
{
    std::vector<std::int32_t> indices;
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        if (index != kLegato && index != kPowerChord) {
            indices.push_back(index);
        }
    }
    return indices;
}

// Every stage on, so that each parameter is heard.
Engine heldNoteEngine()
{
    Engine engine(kRate);
    engine.set({{kDynaTone, 0.5f}, {kDistorter, 0.3f}, {kOverdrive, 0.3f}, {kChorus, 0.3f}});
    engine.send({noteOn(0, 57)});
    return engine;
}

std::vector<float> bothChannels(const Stereo& out)
{
    std::vector<float> mid(out.size());
    for (std::size_t i = 0; i < mid.size(); ++i) {
        mid[i] = out.left[i] + out.right[i];
    }
    return mid;
}

// A held note; at the first block boundary after one second `change` sets new
// values. Returns how far the loudest millisecond above 6 kHz in the 5 ms after the
// change stands above the loudest of the steady note in the 100 ms before it and
// in the 100 ms after the glide, in dB.
double clickDb(const std::function<void(Engine&)>& change, std::int32_t blockSize)
{
    Engine engine = heldNoteEngine();
    const std::size_t at = static_cast<std::size_t>(kRate) / blockSize * blockSize;
    Stereo out;
    for (std::size_t done = 0; done < at + 13230; done += blockSize) {
        if (done == at) {
            change(engine);
        }
        out.append(engine.block(blockSize));
    }
    const std::vector<float> high = highPassed(bothChannels(out), kRate, 6000.0);
    const double after = loudestWindowDb(high, at, at + 5 * kMillisecond, kMillisecond);
    const double steady = std::max(loudestWindowDb(high, at - 100 * kMillisecond, at - 5 * kMillisecond, kMillisecond),
                                   loudestWindowDb(high, at + 20 * kMillisecond, at + 120 * kMillisecond, kMillisecond));
    return after - steady;
}

TEST(ControlGlide, JumpsBetweenBlocksDoNotClick)
{
    for (std::int32_t index : continuousParameters()) {
        for (float from : {0.0f, 1.0f}) {
            for (std::int32_t blockSize : {64, 512, 4096}) {
                const double click = clickDb(
                    [&](Engine& engine) {
                        engine.set(index, 1.0f - from);
                    },
                    blockSize);
                EXPECT_LT(click, 6.0) << kNames[index] << " from " << from << " in blocks of " << blockSize;
            }
        }
    }
}

// A program change sets all values at once; they glide together.
TEST(ControlGlide, AProgramChangeDoesNotClick)
{
    const auto change = [](Engine& engine) {
        engine.set({{kExciter, 1.0f}, {kNisFilter, 0.9f}, {kPick, 0.8f}, {kVolume, 0.9f}, {kFixing, 0.7f},
                    {kDynaTone, 0.0f}, {kDistorter, 1.0f}, {kOverdrive, 0.9f}, {kChorus, 0.0f}, {kToneRama, 1.0f},
                    {kSustain, 0.3f}, {kDecay, 0.1f}});
    };
    for (std::int32_t blockSize : {64, 512, 4096}) {
        EXPECT_LT(clickDb(change, blockSize), 6.0) << "blocks of " << blockSize;
    }
}

// Above 6 kHz, the first millisecond of every block against the middle half of
// the blocks, in dB, over one second of a held note swept by `sweep`.
double blockEdgesDb(std::int32_t index, std::int32_t blockSize)
{
    Engine engine = heldNoteEngine();
    const std::size_t start = static_cast<std::size_t>(kRate * 0.5) / blockSize * blockSize;
    const std::size_t length = start + static_cast<std::size_t>(kRate);
    Stereo out;
    for (std::size_t done = 0; done < length; done += blockSize) {
        if (index >= 0 && done >= start) {
            engine.set(index, static_cast<float>(done - start) / static_cast<float>(length - start));
        }
        out.append(engine.block(blockSize));
    }
    const std::vector<float> high = highPassed(bothChannels(out), kRate, 6000.0);
    double edges = 0.0;
    double inside = 0.0;
    for (std::size_t block = start; block + blockSize <= length; block += blockSize) {
        for (std::size_t i = block; i < block + kMillisecond; ++i) {
            edges += static_cast<double>(high[i]) * high[i];
        }
        for (std::size_t i = block + blockSize / 4; i < block + blockSize * 3 / 4; ++i) {
            inside += static_cast<double>(high[i]) * high[i];
        }
    }
    return 10.0 * std::log10((edges / kMillisecond) / (inside / (blockSize / 2)));
}

TEST(ControlGlide, SweepsShowNoBlockEdges)
{
    for (std::int32_t blockSize : {64, 512}) {
        const double still = blockEdgesDb(-1, blockSize);
        for (std::int32_t index : continuousParameters()) {
            EXPECT_LT(blockEdgesDb(index, blockSize), std::max(3.0, still + 0.8))
                << kNames[index] << " in blocks of " << blockSize << " (a still note: " << still << " dB)";
        }
    }
}

// Volume multiplies the output (with Overdrive and Chorus at 0), so the output over
// that of a twin at a fixed Volume is the Volume the voice plays with: swept block
// by block, it follows the host's values at most 20 ms behind, and reaches the
// last one exactly.
TEST(ControlGlide, ASweepArrivesWithin20Milliseconds)
{
    for (std::int32_t blockSize : {64, 512, 4096}) {
        Engine swept(kRate);
        Engine fixed(kRate);
        for (Engine* engine : {&swept, &fixed}) {
            engine->set({{kOverdrive, 0.0f}, {kChorus, 0.0f}, {kVolume, 1.0f}, {kSustain, 1.0f}});
            engine->send({noteOn(0, 45)});
        }
        const std::int32_t blocks = static_cast<std::int32_t>(kRate * 1.5) / blockSize;
        std::vector<float> hostValue;
        std::vector<double> heard;
        for (std::int32_t block = 0; block < blocks; ++block) {
            const float value = block < blocks * 2 / 3 ? 0.1f + 0.9f * block / (blocks * 2 / 3) : 1.0f;
            swept.set(kVolume, block == 0 ? 1.0f : value);
            const Stereo a = swept.block(blockSize);
            const Stereo b = fixed.block(blockSize);
            for (std::int32_t i = 0; i < blockSize; ++i) {
                hostValue.push_back(block == 0 ? 1.0f : value);
                heard.push_back(std::fabs(b.left[i]) > 1e-4f ? a.left[i] / static_cast<double>(b.left[i]) : -1.0);
            }
        }
        const std::size_t lag = 20 * kMillisecond;
        for (std::size_t i = 2 * lag; i < heard.size(); ++i) {
            if (heard[i] < 0.0) {
                continue;
            }
            const double lowest = *std::min_element(hostValue.begin() + (i - lag), hostValue.begin() + i + 1);
            const double highest = *std::max_element(hostValue.begin() + (i - lag), hostValue.begin() + i + 1);
            ASSERT_GE(heard[i], lowest - 1e-4) << "sample " << i << " in blocks of " << blockSize;
            ASSERT_LE(heard[i], highest + 1e-4) << "sample " << i << " in blocks of " << blockSize;
        }
        EXPECT_EQ(swept.block(blockSize).left, fixed.block(blockSize).left) << "blocks of " << blockSize;
    }
}

// Values set before the first block after switching on or a new rate are taken at
// once; set between two blocks of playing they glide.
TEST(ControlGlide, ValuesSetBeforeTheFirstBlockAfterSwitchingOnAreTakenAtOnce)
{
    const struct {
        const char* name;
        void (*between)(SynthEngine&);
        bool atOnce;
    } rows[] = {
        {"switched on", [](SynthEngine& engine) { engine.resume(); }, true},
        {"a new rate", [](SynthEngine& engine) { engine.setSampleRate(kRate); }, true},
        {"nothing", [](SynthEngine&) {}, false},
    };
    for (const auto& row : rows) {
        Engine changed(kRate);
        Engine kept(kRate);
        for (Engine* engine : {&changed, &kept}) {
            engine->set({{kOverdrive, 0.0f}, {kChorus, 0.0f}, {kVolume, 0.25f}});
            engine->send({noteOn(0, 45)});
            engine->render(8192);
        }
        changed.set(kVolume, 1.0f);
        row.between(changed.core());
        row.between(kept.core());
        const Stereo a = changed.block(64);
        const Stereo b = kept.block(64);
        EXPECT_EQ(std::fabs(a.left[1] / b.left[1] - 4.0f) < 1e-4f, row.atOnce) << row.name;
    }
}

} // namespace
