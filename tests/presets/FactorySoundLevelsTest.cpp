// Every factory sound on the reference phrase, played through the module as a
// host plays it: all at one loudness, within 1.5 LU of -21 LUFS, so that switching
// sounds does not jump in level, with no peak above -1 dBFS; a change to the
// instrument or the table cannot silently leave a sound too quiet, too loud or
// clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "IntegratedLoudness.h"
#include "presets/FactorySounds.h"
#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

constexpr double kTargetLoudness = -21.0;
constexpr double kLoudnessBand = 1.5;
constexpr double kHighestPeakDb = -1.0;

struct Levels {
    float peak = 0.0f;
    long beyondFullScale = 0;
    std::vector<float> left;
    std::vector<float> right;
};

TEST(FactorySoundLevels, EverySoundPlaysAtOneLoudnessWithPeaksBelowMinus1DbfsOnTheReferencePhrase)
{
    MidiFile phrase;
    std::string error;
    ASSERT_TRUE(phrase.load(ZEPHYRANT_REFERENCE_PHRASE, error)) << error;
    std::int64_t endFrame = 0;
    const std::vector<TimedMidiEvent> events = eventsOfFile(phrase, 44100, endFrame);
    ModuleLoader loader;
    ASSERT_TRUE(loader.load(ZEPHYRANT_MODULE_PATH, error)) << error;

    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        const FactorySound& sound = kFactorySounds[n];
        SCOPED_TRACE(sound.name);
        OfflineHost host(HostSettings{});
        ASSERT_TRUE(host.open([&loader](HostCallback audioMaster, std::string& reason) {
            return loader.createInstance(audioMaster, reason);
        }, error)) << error;
        for (int index = 0; index < kNumParameters; ++index) {
            host.setParameter(index, sound.values[index]);
        }
        Levels levels;
        ASSERT_TRUE(host.render(events, endFrame, [&levels](const float* left, const float* right, std::int32_t frames) {
            levels.left.insert(levels.left.end(), left, left + frames);
            levels.right.insert(levels.right.end(), right, right + frames);
            for (std::int32_t i = 0; i < frames; ++i) {
                for (const float sample : {left[i], right[i]}) {
                    levels.peak = std::max(levels.peak, std::fabs(sample));
                    levels.beyondFullScale += std::fabs(sample) > 1.0f ? 1 : 0;
                }
            }
            return true;
        }));
        const double peakDb = 20.0 * std::log10(std::max(levels.peak, 1e-30f));
        EXPECT_NEAR(integrated_loudness::lufs(levels.left, levels.right, 44100.0), kTargetLoudness, kLoudnessBand);
        EXPECT_LE(peakDb, kHighestPeakDb);
        EXPECT_EQ(levels.beyondFullScale, 0);
    }
}

} // namespace
