// Every factory sound on the reference phrase, played through the module as a
// host plays it: the peak lies between -12 and -1 dBFS and no sample goes beyond
// full scale, so a change to the instrument or the table cannot silently leave a
// sound too quiet or clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "presets/FactorySounds.h"
#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

constexpr double kLowestPeakDb = -12.0;
constexpr double kHighestPeakDb = -1.0;

struct Levels {
    float peak = 0.0f;
    long beyondFullScale = 0;
};

TEST(FactorySoundLevels, EverySoundPeaksBetweenMinus12AndMinus1DbfsOnTheReferencePhrase)
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
            for (std::int32_t i = 0; i < frames; ++i) {
                for (const float sample : {left[i], right[i]}) {
                    levels.peak = std::max(levels.peak, std::fabs(sample));
                    levels.beyondFullScale += std::fabs(sample) > 1.0f ? 1 : 0;
                }
            }
            return true;
        }));
        const double peakDb = 20.0 * std::log10(std::max(levels.peak, 1e-30f));
        EXPECT_GE(peakDb, kLowestPeakDb);
        EXPECT_LE(peakDb, kHighestPeakDb);
        EXPECT_EQ(levels.beyondFullScale, 0);
    }
}

} // namespace
