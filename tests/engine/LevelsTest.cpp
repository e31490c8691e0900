// Levels never run away: with every parameter anywhere inside 0..1 a lively phrase
// stays finite and below +18 dBFS. The overdrive's cubic reads its input held to
// [-1, 1], its peaks, and the limiter holds magnitudes beyond its table's end at 1 like all
// others; the linear path itself reaches about +12 dBFS at Exciter, Pick and Volume 1.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

// +18 dBFS as a linear level.
const float kCeiling = static_cast<float>(std::pow(10.0, 18.0 / 20.0));

// A seventh of a second: velocities 1 to 127, notes drawn end to end, overlapping
// and repeated notes, bends both ways and the modulation wheel swept, at any rate.
std::vector<Midi> phrase(float rate)
{
    auto at = [rate](double seconds) { return static_cast<std::int32_t>(seconds * rate); };
    std::vector<Midi> messages;
    const int keys[] = {40, 52, 52, 64, 59, 71, 33, 88, 47, 47, 76, 28, 100};
    double t = 0.001;
    for (int n = 0; n < 13; ++n) {
        const int velocity = 1 + n * 126 / 12; // 1 .. 127
        const double length = 0.01;
        messages.push_back(noteOn(at(t), keys[n], velocity));
        // Every third note overlaps the next one; the others end where it starts.
        messages.push_back(noteOff(at(t + length + (n % 3 == 1 ? 0.004 : 0.0)), keys[n]));
        t += length;
    }
    for (int step = 0; step < 12; ++step) {
        const double when = 0.002 + step * 0.0105;
        messages.push_back(pitchBend(at(when), step % 2 == 0 ? 16383 - step * 700 : step * 600));
        messages.push_back(controller(at(when + 0.005), 1, (step * 23) % 128));
    }
    std::stable_sort(messages.begin(), messages.end(), [](const Midi& a, const Midi& b) { return a.frame < b.frame; });
    return messages;
}

// A uniform value in [0, 1) from the generator's top 24 bits (the same on every target).
float uniform(std::mt19937& generator)
{
    return static_cast<float>(generator() >> 8) * (1.0f / 16777216.0f);
}

TEST(Levels, RandomSettingsInsideTheirRangesStayFiniteAndBelowPlus18dBFS)
{
    std::mt19937 generator(20240609u);
    const std::int32_t blockSizes[] = {64, 256, 1000};
    for (float rate : {44100.0f, 96000.0f}) {
        const std::vector<Midi> notes = phrase(rate);
        const std::int32_t frames = static_cast<std::int32_t>(rate * 0.14f);
        float loudest = 0.0f;
        for (int setting = 0; setting < 500; ++setting) {
            Engine engine(rate);
            float values[kNumParameters];
            for (std::int32_t index = 0; index < kNumParameters; ++index) {
                const std::uint32_t choice = generator() % 3;
                values[index] = choice == 0 ? 0.0f : (choice == 1 ? 1.0f : uniform(generator));
                engine.set(index, values[index]);
            }
            const std::int32_t blockSize = blockSizes[generator() % 3];
            const Stereo out = engine.perform(notes, frames, {blockSize});
            bool finite = true;
            for (std::size_t i = 0; i < out.size(); ++i) {
                finite = finite && std::isfinite(out.left[i]) && std::isfinite(out.right[i]);
            }
            const float peak = out.peak();
            loudest = std::max(loudest, peak);
            if (!finite || !(peak <= kCeiling)) {
                std::string settings;
                for (std::int32_t index = 0; index < kNumParameters; ++index) {
                    settings += " " + std::to_string(values[index]);
                }
                ADD_FAILURE() << "setting " << setting << " at " << rate << " Hz, blocks of " << blockSize
                              << (finite ? "" : ": a sample is not finite") << ": peak "
                              << 20.0 * std::log10(peak) << " dBFS; parameters" << settings;
            }
        }
        RecordProperty(rate == 44100.0f ? "loudest_44100_dBFS" : "loudest_96000_dBFS",
                       std::to_string(20.0 * std::log10(loudest)));
        EXPECT_GT(loudest, 1.0f) << "the settings should include loud ones, at " << rate << " Hz";
    }
}

// The overdrive's cubic 1.5 x - 0.5 x^3 peaks at x = 1 and folds back beyond it:
// it reads its input held to [-1, 1], so a louder input never comes out quieter or
// inverted. Swept through the stage from -4 to 4 the output never falls, for any
// drive and volume, and at Overdrive 1 the wet part stands at 1.5 - Volume at most.
TEST(Levels, OverdriveNeverFoldsBack)
{
    for (float volume : {0.0f, 0.3f, 0.5f, 1.0f}) {
        for (double drive : {0.25, 0.5, 1.0}) {
            Overdrive overdrive;
            overdrive.setVolume(volume);
            float previous = -1e30f;
            for (int step = 0; step <= 8000; ++step) {
                const double input = -4.0 + step * 0.001;
                const float out = overdrive.process(input, drive, true);
                ASSERT_GE(out, previous) << "input " << input << ", drive " << drive << ", Volume " << volume;
                previous = out;
                if (drive == 1.0) {
                    ASSERT_LE(std::fabs(out), 1.5f - volume + 1e-6f) << "input " << input << ", Volume " << volume;
                }
            }
        }
    }
}

// The hot settings: Overdrive, Distorter, Pick and Exciter at 1, full velocity.
TEST(Levels, HotOverdriveStaysBelowPlus18dBFS)
{
    for (float dynaTone : {0.0f, 1.0f}) {
        Engine engine;
        engine.set({{kExciter, 1.0f}, {kPick, 1.0f}, {kOverdrive, 1.0f}, {kDistorter, 1.0f}, {kVolume, 1.0f},
                    {kDynaTone, dynaTone}});
        engine.send({noteOn(0, 40, 127), noteOff(20000, 40), noteOn(20000, 64, 127), noteOn(30000, 60, 127)});
        const float peak = engine.render(44100).peak();
        EXPECT_TRUE(std::isfinite(peak));
        // At Overdrive 1 and Volume 1 the output is 0.5 (1.5 x - 0.5 x^3) with x held to [-1, 1].
        EXPECT_LE(peak, 0.5f) << "DynaTone " << dynaTone;
    }
}

} // namespace
