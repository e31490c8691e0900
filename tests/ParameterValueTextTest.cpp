// The one-text form of every parameter value that hosts show and users type back:
// display text and label, the switches' words, and reading all of them back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "texts/ParameterValueText.h"

namespace {

std::string valueText(std::int32_t index, float value)
{
    char text[kParameterValueTextSize];
    std::fill(std::begin(text), std::end(text), '#');
    EXPECT_TRUE(formatParameterValueText(index, value, text));
    return text;
}

TEST(ParameterValueText, DefaultsShowTheDisplayWithItsLabelOrTheValue)
{
    const char* const expected[kNumParameters] = {
        "0.500000 Level", "0.100000 Dirty", "0.400000", "0.300000", "0.039999", "0.500000", "0.800000",
        "0.300000",       "-0.77999",       "-10.4575 dB", "1160.000", "OFF",     "0.000000", "0.000000",
        "0.000000",       "On",             "1.000000", "0.000000", "Off",
    };
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_EQ(valueText(index, kParameterDefaults[index]), expected[index]) << "parameter " << index;
    }
}

TEST(ParameterValueText, SwitchesShowOnAsTheInstrumentPlaysThem)
{
    EXPECT_EQ(valueText(kLegato, 0.999f), "Off"); // Legato is on for exactly 1
    EXPECT_EQ(valueText(kLegato, 1.0f), "On");
    EXPECT_EQ(valueText(kPowerChord, 0.001f), "On"); // PowerChord for any value but 0
    EXPECT_EQ(valueText(kPowerChord, 0.0f), "Off");
}

TEST(ParameterValueText, IndicesOutOfRangeHaveNoText)
{
    char text[kParameterValueTextSize] = "junk";
    EXPECT_FALSE(formatParameterValueText(kNumParameters, 0.5f, text));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(formatParameterValueText(-1, 0.5f, text));
    EXPECT_FALSE(formatParameterValueText(0, 0.5f, nullptr));
}

struct Reading {
    std::int32_t index;
    const char* text;
    float value; // as read, or shown as `shows`
    const char* shows;
};

TEST(ParameterValueText, ReadsDisplaysWithOrWithoutLabelsWordsAndNumbers)
{
    const Reading readings[] = {
        {kVolume, "-6.02059 dB", -1.0f, "-6.02059 dB"},
        {kVolume, "-6.02059", -1.0f, "-6.02059 dB"},
        {kVolume, "  -6.02059dB ", -1.0f, "-6.02059 dB"},
        {kVolume, "-6 DB", -1.0f, "-6.00000 dB"},
        {kVolume, "0 dB", 1.0f, nullptr},
        {kVolume, "+3 dB", 1.0f, nullptr},
        {kVolume, "-oo dB", 0.0f, nullptr},
        {kVolume, "-OO", 0.0f, nullptr},
        {kDynaTone, "OFF", 0.0f, nullptr},
        {kDynaTone, "off", 0.0f, nullptr},
        {kDynaTone, "120", 0.5f, nullptr},
        {kFixing, "Min", 0.0f, nullptr},
        {kFixing, "MAX", 1.0f, nullptr},
        {kFixing, "2440.000", 0.5f, nullptr},
        {kFixing, "100", 0.0f, nullptr},
        {kADSRCurve, "0", 0.5f, nullptr},
        {kADSRCurve, "1", 0.0f, nullptr},
        {kADSRCurve, "-1", 1.0f, nullptr},
        {kToneRama, "-0.77999", -1.0f, "-0.77999"},
        {kExciter, "0.25 Level", 0.25f, nullptr},
        {kExciter, "0.25", 0.25f, nullptr},
        {kModulation, "0.6 dirty", 0.6f, nullptr},
        {kPick, "\t0.75\n", 0.75f, nullptr},
        {kPick, "+0.5", 0.5f, nullptr},
        {kPick, "5e-1", 0.5f, nullptr},
        {kPick, "1.5", 1.0f, nullptr},
        {kPick, "-2", 0.0f, nullptr},
        {kLegato, "on", 1.0f, nullptr},
        {kLegato, "Off", 0.0f, nullptr},
        {kLegato, "1", 1.0f, nullptr},
        {kPowerChord, "ON", 1.0f, nullptr},
    };
    for (const Reading& reading : readings) {
        float value = -5.0f;
        ASSERT_TRUE(parseParameterValueText(reading.index, reading.text, value))
            << "parameter " << reading.index << " '" << reading.text << "'";
        if (reading.shows != nullptr) {
            EXPECT_EQ(valueText(reading.index, value), reading.shows) << "'" << reading.text << "'";
        } else {
            EXPECT_FLOAT_EQ(value, reading.value) << "parameter " << reading.index << " '" << reading.text << "'";
        }
    }
}

TEST(ParameterValueText, RefusesTextsThatAreNoValue)
{
    const Reading refused[] = {
        {kPick, "", 0, nullptr},        {kPick, "   ", 0, nullptr},      {kPick, "abc", 0, nullptr},
        {kPick, "nan", 0, nullptr},     {kPick, "inf", 0, nullptr},      {kPick, "1,5", 0, nullptr},
        {kPick, "0.5x", 0, nullptr},    {kPick, "--1", 0, nullptr},      {kPick, "+-1", 0, nullptr},
        {kPick, "on", 0, nullptr},      {kExciter, "Level", 0, nullptr}, {kExciter, "0.5 dB", 0, nullptr},
        {kVolume, "OFF", 0, nullptr},   {kDynaTone, "Min", 0, nullptr},  {kFixing, "OFF", 0, nullptr},
        {kVolume, "1e999", 0, nullptr},
    };
    for (const Reading& reading : refused) {
        float value = 0.123f;
        EXPECT_FALSE(parseParameterValueText(reading.index, reading.text, value))
            << "parameter " << reading.index << " '" << reading.text << "'";
        EXPECT_EQ(value, 0.123f);
    }
    float value = 0.0f;
    EXPECT_FALSE(parseParameterValueText(kNumParameters, "0.5", value));
    EXPECT_FALSE(parseParameterValueText(-1, "0.5", value));
    EXPECT_FALSE(parseParameterValueText(0, nullptr, value));
}

// Value to text to value to text gives the same text, and that text the same value,
// for every parameter over the whole range.
TEST(ParameterValueText, EveryTextRoundTripsThroughItsValue)
{
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        for (int step = 0; step <= 1000; ++step) {
            const float value = static_cast<float>(step / 1000.0);
            const std::string first = valueText(index, value);
            float read = -1.0f;
            ASSERT_TRUE(parseParameterValueText(index, first.c_str(), read)) << index << " '" << first << "'";
            const std::string second = valueText(index, read);
            ASSERT_EQ(second, first) << "parameter " << index << " value " << value;
            float again = -1.0f;
            ASSERT_TRUE(parseParameterValueText(index, second.c_str(), again));
            ASSERT_EQ(again, read) << "parameter " << index << " value " << value;
        }
    }
}

} // namespace
