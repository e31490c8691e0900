// The texts a host shows for each parameter: names, unit labels and the display
// of live values, digit for digit.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "VersionHost.h"
#include "instrument/SynthPlugin.h"

namespace {

class ParameterText : public ::testing::Test {
protected:
    void SetUp() override { plugin = std::make_unique<SynthPlugin>(versionHost); }

    // The display text of index after setting it to value, from a buffer full of junk.
    std::string display(std::int32_t index, float value)
    {
        plugin->setParameter(index, value);
        return defaultDisplay(index);
    }

    std::string defaultDisplay(std::int32_t index)
    {
        char text[64];
        std::memset(text, '#', sizeof text);
        plugin->getParameterDisplay(index, text);
        return text;
    }

    std::unique_ptr<SynthPlugin> plugin;
};

TEST_F(ParameterText, DefaultsDisplayAsTheHostShowsThem)
{
    const char* const expected[kNumParameters] = {
        "0.500000", "0.100000", "", "", "", "", "", "", "-0.77999", "-10.4575",
        "1160.000", "OFF",      "", "", "", "", "", "0.000000", "",
    };
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_EQ(defaultDisplay(index), expected[index]) << "parameter " << index;
    }
}

TEST_F(ParameterText, DisplayFollowsEachParameterRule)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::int32_t index;
        float value;
        const char* text;
    };
    const Case cases[] = {
        {kFixing, 0.0f, "Min"},
        {kFixing, 1.0f, "Max"},
        {kFixing, 0.5f, "2440.000"},
        {kFixing, 0.02f, "443.2000"},
        {kFixing, 0.98f, "8123.200"},
        {kFixing, -5.0f, "Min"},
        {kFixing, 7.0f, "Max"},
        // The range ends themselves name their end rather than show nothing.
        {kFixing, 0.01f, "Min"},
        {kFixing, 0.99f, "Max"},
        {kFixing, nan, ""},
        {kDynaTone, 0.0f, "OFF"},
        {kDynaTone, -0.0f, "OFF"},
        {kDynaTone, 0.5f, "120.0000"},
        {kDynaTone, 1.0f, "450.0000"},
        {kADSRCurve, 0.0f, "1.000000"},
        {kADSRCurve, 1.0f, "-1.00000"},
        {kToneRama, 0.0f, "1.000000"},
        {kToneRama, 1.0f, "-1.00000"},
        {kToneRama, 0.25f, "0.500000"},
        {kVolume, 1.0f, "0.000000"},
        {kVolume, 0.5f, "-6.02059"},
        {kVolume, 0.0f, "-oo"},
        {kVolume, -1.0f, "-oo"},
        {kExciter, 0.7f, "0.699999"},
        {kModulation, 1.0f, "1.000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(display(c.index, c.value), c.text) << "parameter " << c.index << " at " << c.value;
    }
}

TEST_F(ParameterText, ParametersWithoutADisplayRuleShowNothingWhateverTheirValue)
{
    const std::int32_t silent[] = {kNisFilter, kPick, kAttack, kDecay, kSustain, kRelease,
                                   kDistorter, kOverdrive, kChorus, kLegato, kVelocity, kPowerChord};
    for (std::int32_t index : silent) {
        for (float value : {0.0f, 0.37f, 1.0f, -2.0f}) {
            EXPECT_EQ(display(index, value), "") << "parameter " << index << " at " << value;
        }
    }
    for (std::int32_t index : {19, -1, INT32_MIN}) {
        EXPECT_EQ(defaultDisplay(index), "") << "index " << index;
    }
}

TEST_F(ParameterText, NamesAreStoredWithTheirTrailingBlanks)
{
    const char* const expected[kNumParameters] = {
        "Exciter ", "Modulation ", "NisFilter", "Pick",    "Attack",   "Decay",     "Sustain",
        "Release",  "ADSRCurve",   "Volume",    "Fixing",  "DynaTone", "Distorter ", "Overdrive ",
        "Chorus ",  "Legato ",     "Velocity ", "ToneRama", "PowerChord",
    };
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        char text[32];
        std::memset(text, '#', sizeof text);
        plugin->getParameterName(index, text);
        EXPECT_STREQ(text, expected[index]);
        EXPECT_EQ(text[std::strlen(expected[index]) + 1], '#') << "writes the name and its terminator only";
    }
    char first[32] = {};
    plugin->getParameterName(0, first);
    EXPECT_EQ(std::strlen(first), 8u);
    EXPECT_EQ(first[7], ' ');
}

TEST_F(ParameterText, NamesOfUnknownIndicesWriteNothing)
{
    for (std::int32_t index : {19, -1, INT32_MAX}) {
        char text[16] = "untouched";
        plugin->getParameterName(index, text);
        EXPECT_STREQ(text, "untouched") << "index " << index;
    }
}

TEST_F(ParameterText, OnlyExciterModulationAndVolumeCarryALabel)
{
    for (std::int32_t index = -1; index <= kNumParameters; ++index) {
        char text[16];
        std::memset(text, '#', sizeof text);
        plugin->getParameterLabel(index, text);
        const char* expected = index == kExciter ? "Level" : index == kModulation ? "Dirty" : index == kVolume ? "dB" : "";
        EXPECT_STREQ(text, expected) << "index " << index;
    }
}

} // namespace
