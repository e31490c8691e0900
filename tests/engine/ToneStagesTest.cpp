// The tone and output stages as heard: each effect changes the sound only when
// switched on, the chorus alone separates the channels, and the limiter holds a
// loud filter section near full scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

// A note with a pitch-wheel move and a release, rendered with the given settings.
Stereo playPhrase(std::initializer_list<std::pair<std::int32_t, float>> settings)
{
    Engine engine;
    engine.set(settings);
    return engine.perform({noteOn(0, 57, 100), pitchBend(2000, 11000), noteOff(6000, 57)}, 12288);
}

TEST(ToneStages, EachEffectChangesTheSoundOnlyWhenSwitchedOn)
{
    const Stereo dry = playPhrase({});
    ASSERT_GT(dry.peak(), 0.0f);
    const struct {
        const char* name;
        std::int32_t index;
    } effects[] = {
        {"Distorter", kDistorter}, {"DynaTone", kDynaTone}, {"PowerChord", kPowerChord},
        {"Overdrive", kOverdrive}, {"Chorus", kChorus},
    };
    for (const auto& effect : effects) {
        for (float amount : {0.25f, 1.0f}) {
            const Stereo wet = playPhrase({{effect.index, amount}});
            EXPECT_FALSE(wet.sameBits(dry)) << effect.name << " at " << amount;
            EXPECT_GT(wet.peak(), 0.0f) << effect.name << " at " << amount;
        }
    }
}

TEST(ToneStages, ToneRamaOnlyActsThroughTheFilterSection)
{
    const struct {
        const char* name;
        float dynaTone;
        float powerChord;
        bool heard;
    } rows[] = {
        {"filter section off", 0.0f, 0.0f, false},
        {"DynaTone on", 0.5f, 0.0f, true},
        {"PowerChord on", 0.0f, 1.0f, true},
    };
    for (const auto& row : rows) {
        const Stereo low = playPhrase({{kDynaTone, row.dynaTone}, {kPowerChord, row.powerChord}, {kToneRama, 0.0f}});
        const Stereo high = playPhrase({{kDynaTone, row.dynaTone}, {kPowerChord, row.powerChord}, {kToneRama, 1.0f}});
        EXPECT_EQ(!low.sameBits(high), row.heard) << row.name;
    }
}

TEST(ToneStages, OnlyTheChorusMakesTheChannelsDiffer)
{
    const Stereo everythingButChorus =
        playPhrase({{kDistorter, 0.6f}, {kDynaTone, 0.7f}, {kOverdrive, 0.5f}, {kPowerChord, 1.0f}});
    EXPECT_EQ(everythingButChorus.left, everythingButChorus.right);

    const Stereo chorus = playPhrase({{kChorus, 1.0f}});
    double difference = 0.0;
    for (std::size_t i = 0; i < chorus.size(); ++i) {
        difference = std::max(difference, std::fabs(static_cast<double>(chorus.left[i]) - chorus.right[i]));
    }
    EXPECT_GT(difference, 0.01 * chorus.peak());
}

// Driven hard, the filter section's level rises well above 1 and the limiter
// pulls it back: at "Volume" 1 without overdrive the output stays at full scale,
// give or take the gain table's interpolation.
TEST(ToneStages, LimiterHoldsALoudFilterSectionAtFullScale)
{
    const struct {
        float exciter;
        float dynaTone;
        int key;
    } rows[] = {{1.0f, 0.6f, 28}, {0.5f, 1.0f, 40}, {0.5f, 1.0f, 57}};
    for (const auto& row : rows) {
        Engine engine;
        engine.set({{kExciter, row.exciter}, {kDynaTone, row.dynaTone}, {kToneRama, 0.0f}, {kVolume, 1.0f},
                    {kSustain, 1.0f}});
        float lowestGain = 1.0f;
        const Stereo out = engine.perform({noteOn(0, row.key, 127)}, 30000, {64},
                                          [&] { lowestGain = std::min(lowestGain, engine.limiterGain()); });
        EXPECT_LT(lowestGain, 0.9f) << "key " << row.key << ", DynaTone " << row.dynaTone;
        EXPECT_GT(out.peak(), 0.9f) << "key " << row.key << ", DynaTone " << row.dynaTone;
        EXPECT_LE(out.peak(), 1.0005f) << "key " << row.key << ", DynaTone " << row.dynaTone;
    }
}

} // namespace
