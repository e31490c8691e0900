// The display texts of the value-to-text conversions, digit for digit, and the
// promise behind them: never more than 8 characters and a terminator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "MinimalEffect.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::size_t kTextBytes = 9;
constexpr char kGuard = 0x5a;

enum class Conversion { Float, Decibel, Hertz, Milliseconds };

// Runs one conversion into a 9-byte text followed by guard bytes; fails the
// test if the text is longer than 8 characters or a guard byte changed.
class ValueToText : public ::testing::Test {
protected:
    std::string convert(Conversion conversion, float value)
    {
        prepare();
        switch (conversion) {
        case Conversion::Float: effect.float2string(value, buffer); break;
        case Conversion::Decibel: effect.dB2string(value, buffer); break;
        case Conversion::Hertz: effect.Hz2string(value, buffer); break;
        case Conversion::Milliseconds: effect.ms2string(value, buffer); break;
        }
        return checked();
    }

    std::string convertLong(std::int32_t value)
    {
        prepare();
        effect.long2string(value, buffer);
        return checked();
    }

    void prepare() { std::memset(buffer, kGuard, sizeof(buffer)); }

    std::string checked()
    {
        const void* terminator = std::memchr(buffer, '\0', kTextBytes);
        EXPECT_NE(terminator, nullptr) << "no terminator within 9 bytes";
        for (std::size_t i = kTextBytes; i < sizeof(buffer); ++i)
            EXPECT_EQ(buffer[i], kGuard) << "byte " << i << " written";
        return terminator ? std::string(buffer) : std::string();
    }

    EffectJournal journal;
    MinimalEffect effect{journal};
    char buffer[kTextBytes + 16];
};

TEST_F(ValueToText, ConversionsWriteTheDocumentedTexts)
{
    struct Case {
        Conversion conversion;
        float value;
        const char* expected;
    };
    const Case cases[] = {
        {Conversion::Float, 0.0f, "0.000000"},
        {Conversion::Float, 0.5f, "0.500000"},
        {Conversion::Float, 1.0f, "1.000000"},
        {Conversion::Float, -0.5f, "-0.50000"},
        {Conversion::Float, -1.0f, "-1.00000"},
        {Conversion::Float, 440.0f, "440.0000"},
        {Conversion::Float, 12345.678f, "12345.67"},
        {Conversion::Float, 1234567.0f, "1234567."},
        {Conversion::Float, 0.7f, "0.699999"},
        {Conversion::Float, 1e-9f, "0.000000"},
        {Conversion::Float, -1e-9f, "-0.00000"},
        {Conversion::Float, 1e8f, "Huge!"},
        {Conversion::Float, -1e7f, "Huge!"},
        {Conversion::Decibel, 1.0f, "0.000000"},
        {Conversion::Decibel, 0.5f, "-6.02059"},
        {Conversion::Decibel, 0.0f, "-oo"},
        {Conversion::Decibel, -1.0f, "-oo"},
        {Conversion::Hertz, 100.0f, "441.0000"},
        {Conversion::Hertz, 0.0f, "0.000000"},
        {Conversion::Milliseconds, 441.0f, "10.00000"},
        {Conversion::Milliseconds, 44100.0f, "1000.000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convert(c.conversion, c.value), c.expected) << "value " << c.value;
}

// Values the general format cannot show with a point, and values that are no number.
TEST_F(ValueToText, OutOfFormatValuesGetShortTexts)
{
    struct Case {
        Conversion conversion;
        float value;
        const char* expected;
    };
    const Case cases[] = {
        {Conversion::Float, 9999999.0f, "9999999."},
        {Conversion::Float, 10000000.0f, "10000000"},
        {Conversion::Float, 12345678.0f, "12345678"},
        {Conversion::Float, 99999992.0f, "99999992"},
        {Conversion::Float, -999999.0f, "-999999."},
        {Conversion::Float, -1000000.0f, "-1000000"},
        {Conversion::Float, -1234567.0f, "-1234567"},
        {Conversion::Float, -9999999.0f, "-9999999"},
        {Conversion::Float, std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {Conversion::Float, kInfinity, "Huge!"},
        {Conversion::Float, -kInfinity, "Huge!"},
        {Conversion::Float, -0.0f, "0.000000"},
        {Conversion::Decibel, kInfinity, "Huge!"},
        {Conversion::Decibel, std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {Conversion::Decibel, std::numeric_limits<float>::denorm_min(), "-897.069"},
        {Conversion::Hertz, std::numeric_limits<float>::denorm_min(), "Huge!"},
        {Conversion::Milliseconds, 3e38f, "Huge!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convert(c.conversion, c.value), c.expected) << "value " << c.value;
}

TEST_F(ValueToText, IntegersAreRightAlignedInSevenCharacters)
{
    struct Case {
        std::int32_t value;
        const char* expected;
    };
    const Case cases[] = {
        {5, "      5"},
        {-5, "     -5"},
        {0, "      0"},
        {1234567, "1234567"},
        {12345678, "12345678"},
        {99999999, "99999999"},
        {100000000, "Huge!"},
        {std::numeric_limits<std::int32_t>::max(), "Huge!"},
        {-9999999, "-9999999"},
        {-10000000, "-Huge!"},
        {std::numeric_limits<std::int32_t>::min(), "-Huge!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertLong(c.value), c.expected) << "value " << c.value;
}

TEST_F(ValueToText, RateBasedTextsFollowTheSampleRate)
{
    effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(convert(Conversion::Hertz, 100.0f), "480.0000");
    EXPECT_EQ(convert(Conversion::Milliseconds, 480.0f), "10.00000");
}

// A plug-in that replaces the general format changes the level, frequency and time texts with it.
TEST(ValueToTextOverride, ReplacedFloatFormatIsUsedByTheOtherConversions)
{
    class Replacing : public MinimalEffect {
    public:
        using MinimalEffect::MinimalEffect;
        void float2string(float, char* text) override { std::strcpy(text, "mine"); }
    };
    EffectJournal journal;
    Replacing effect(journal);
    char text[kTextBytes];
    effect.dB2string(0.5f, text);
    EXPECT_STREQ(text, "mine");
    effect.Hz2string(100.0f, text);
    EXPECT_STREQ(text, "mine");
    effect.ms2string(441.0f, text);
    EXPECT_STREQ(text, "mine");
    effect.dB2string(0.0f, text);
    EXPECT_STREQ(text, "-oo");
}

// Any float a host may send, any integer: the text always fits 9 bytes.
TEST_F(ValueToText, EveryTextFitsNineBytes)
{
    std::mt19937 random(12345);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = random();
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        convert(static_cast<Conversion>(i % 4), value);
        convertLong(static_cast<std::int32_t>(bits));
        if (HasFailure())
            FAIL() << "bit pattern " << bits;
    }
}

} // namespace
