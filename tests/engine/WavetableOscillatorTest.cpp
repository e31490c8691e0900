#include "engine/WavetableOscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr float kRate = 44100.0f;
// The sample rate divided by 256: one table entry per sample.
constexpr float kEntryPerSample = 172.265625f;

} // namespace

TEST(WavetableOscillator, IncrementIsTheFrequencyInTableCyclesOf2To32)
{
    EXPECT_EQ(WavetableOscillator(kRate).getIncrement(), 97391);

    struct Case {
        float frequency;
        std::int32_t increment;
    };
    const Case cases[] = {
        {0.5f, 48695},
        {1.2f, 116869},
        {kEntryPerSample, 16777216},
        {-0.5f, -48695},
        {0.0f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 0},
    };
    for (const Case& c : cases) {
        WavetableOscillator oscillator(kRate);
        oscillator.setFrequency(c.frequency);
        EXPECT_EQ(oscillator.getIncrement(), c.increment) << "frequency " << c.frequency;
    }
}

TEST(WavetableOscillator, OneEntryPerSampleGivesTheSquareHalvesThenReturnsToTheStart)
{
    WavetableOscillator oscillator(kRate);
    oscillator.setWaveform(kSquare);
    oscillator.setFrequency(kEntryPerSample);
    for (int call = 1; call <= 256; ++call) {
        ASSERT_EQ(oscillator.nextSample(), call <= 128 ? 1.0f : -1.0f) << "call " << call;
    }
    EXPECT_EQ(oscillator.getPhase(), 0u);
    // The sine table is walked the same way, entry by entry.
    oscillator.setWaveform(kSinus);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(oscillator.nextSample(), oscillator.tableEntry(i)) << "sine entry " << i;
    }
    EXPECT_EQ(oscillator.getPhase(), 0u);
}

TEST(WavetableOscillator, HalfEntryStepsInterpolateMidwayBetweenEntries)
{
    WavetableOscillator oscillator(kRate);
    oscillator.setWaveform(kTriangle);
    oscillator.setFrequency(kEntryPerSample / 2.0f);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(oscillator.nextSample(), oscillator.tableEntry(i)) << "entry " << i;
        const float midway = (oscillator.tableEntry(i) + oscillator.tableEntry(i + 1)) / 2.0f;
        ASSERT_EQ(oscillator.nextSample(), midway) << "after entry " << i;
    }
}

TEST(WavetableOscillator, NegativeFrequencyWalksTheTableBackwards)
{
    WavetableOscillator oscillator(kRate);
    oscillator.setFrequency(-kEntryPerSample);
    const int expectedEntries[] = {0, 255, 254, 253};
    for (int entry : expectedEntries) {
        EXPECT_EQ(oscillator.nextSample(), oscillator.tableEntry(entry)) << "entry " << entry;
    }
}

TEST(WavetableOscillator, TablesHaveTheirShapeAtTellingEntries)
{
    struct Case {
        Waveform kind;
        int entry;
        float value;
        float tolerance;
    };
    const Case cases[] = {
        {kSinus, 0, 0.0f, 0.0f},
        {kSinus, 64, 1.0f, 0.0f},
        {kSinus, 192, -1.0f, 0.0f},
        {kSinus, 256, -2.4492936e-16f, 1e-20f},
        {kTriangle, 64, 1.0f, 0.0f},
        {kTriangle, 128, 0.0f, 0.0f},
        {kTriangle, 192, -1.0f, 0.0f},
        {kTriangle, 255, -0.015625f, 0.0f},
        {kTriangle, 256, 0.0f, 0.0f},
        {kSawtooth, 0, -1.0f, 0.0f},
        {kSawtooth, 255, 1.0000001f, 0.0f},
        {kSawtooth, 256, -1.0f, 0.0f},
        {kSquare, 127, 1.0f, 0.0f},
        {kSquare, 128, -1.0f, 0.0f},
        {kSquare, 256, 1.0f, 0.0f},
        {kExponent, 0, -1.0f, 0.0f},
        {kExponent, 64, -0.24492f, 1e-5f},
        {kExponent, 128, 1.0f, 0.0f},
        {kExponent, 255, -0.99087f, 1e-5f},
        {kExponent, 256, -1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        WavetableOscillator oscillator(kRate);
        oscillator.setWaveform(c.kind);
        const float actual = oscillator.tableEntry(c.entry);
        const std::string where = std::string(waveformNames[c.kind]) + " entry " + std::to_string(c.entry);
        if (c.tolerance == 0.0f) {
            EXPECT_EQ(actual, c.value) << where;
        } else {
            EXPECT_NEAR(actual, c.value, c.tolerance) << where;
        }
    }
}

TEST(WavetableOscillator, UnknownWaveformLeavesTheTableUnchanged)
{
    const std::int32_t unknown[] = {5, -1, std::numeric_limits<std::int32_t>::min()};
    for (std::int32_t kind : unknown) {
        WavetableOscillator oscillator(kRate);
        oscillator.setWaveform(kSawtooth);
        float before[257];
        for (int i = 0; i <= 256; ++i) {
            before[i] = oscillator.tableEntry(i);
        }
        oscillator.setWaveform(kind);
        for (int i = 0; i <= 256; ++i) {
            ASSERT_EQ(oscillator.tableEntry(i), before[i]) << "kind " << kind << ", entry " << i;
        }
    }
}
