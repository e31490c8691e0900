#include "engine/DelayLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using Step = float (*)(DelayLine&, float);

struct NamedStep {
    const char* name;
    Step step;
};

// Every processing step; the last four are the gated ones.
const NamedStep kAllSteps[] = {
    {"processLinear", [](DelayLine& l, float x) { return l.processLinear(x); }},
    {"processPlain", [](DelayLine& l, float x) { return l.processPlain(x); }},
    {"processSample", [](DelayLine& l, float x) { return l.processSample(x); }},
    {"processLinearGated", [](DelayLine& l, float x) { return l.processLinearGated(x); }},
    {"processPlainGated", [](DelayLine& l, float x) { return l.processPlainGated(x); }},
    {"processCubicGated", [](DelayLine& l, float x) { return l.processCubicGated(x); }},
    {"processGatedRecording", [](DelayLine& l, float x) { return l.processGatedRecording(x); }},
};
constexpr int kFirstGatedStep = 3;

// Distinct whole numbers, so that weighted sums of two of them are exact.
float inputAt(int n)
{
    return static_cast<float>(n + 1);
}

void expectPositionInside(const DelayLine& line)
{
    EXPECT_GE(line.getWriteIndex(), 0);
    EXPECT_LT(line.getWriteIndex(), line.getLength());
    EXPECT_GE(line.getReadIndex(), 0);
    EXPECT_LT(line.getReadIndex(), line.getLength());
    EXPECT_GE(line.getFraction(), 0.0f);
    EXPECT_LT(line.getFraction(), 1.0f);
}

} // namespace

TEST(DelayLine, FreshLineReadsTheFillValueForItsDelayThenTheFirstInput)
{
    DelayLine line(1400.0f, 3000);
    ASSERT_TRUE(line.isValid());
    EXPECT_EQ(line.getLength(), 3001);
    EXPECT_EQ(line.getReadIndex(), 1601);
    EXPECT_EQ(line.getFraction(), 0.0f);

    int fillOutputs = 0;
    for (int n = 0; n < 1400; ++n) {
        fillOutputs += line.processLinear(inputAt(n)) == 0.001f;
    }
    EXPECT_EQ(fillOutputs, 1400);
    for (int n = 1400; n < 1500; ++n) {
        ASSERT_EQ(line.processLinear(inputAt(n)), inputAt(n - 1400)) << "step " << n;
    }
}

TEST(DelayLine, OutputIsTheInputTheDelayAgoInEveryReading)
{
    struct Reading {
        const char* name;
        Step step;
        bool linear;
    };
    const Reading readings[] = {
        {"processLinear", [](DelayLine& l, float x) { return l.processLinear(x); }, true},
        {"processSample interpolating",
         [](DelayLine& l, float x) {
             l.setInterpolating(true);
             return l.processSample(x);
         },
         true},
        {"processSample plain", [](DelayLine& l, float x) { return l.processSample(x); }, false},
        {"processPlain", [](DelayLine& l, float x) { return l.processPlain(x); }, false},
    };
    // Linear readings weigh the two inputs around the delay; plain ones take the older.
    const float delays[] = {0.0f, 1.0f, 2.25f, 7.5f};
    for (const Reading& reading : readings) {
        for (float delay : delays) {
            SCOPED_TRACE(testing::Message() << reading.name << ", delay " << delay);
            DelayLine line(delay, 16);
            const int whole = static_cast<int>(delay);
            const float part = delay - static_cast<float>(whole);
            for (int n = 0; n < 40; ++n) {
                const float out = reading.step(line, inputAt(n));
                if (n < 10) {
                    continue;
                }
                const float expected =
                    reading.linear ? (1.0f - part) * inputAt(n - whole) + part * inputAt(n - whole - 1)
                                   : inputAt(n - static_cast<int>(std::ceil(delay)));
                ASSERT_EQ(out, expected) << "step " << n;
            }
        }
    }
}

TEST(DelayLine, OutOfRangeDelaysFoldIntoTheLongestOrTheZeroDelay)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float requested;
        float recorded;
        int stepsBack;
    };
    const Case cases[] = {
        {100.0f, 8.0f, 8}, {inf, 8.0f, 8}, {-3.0f, 0.5f, 0}, {-inf, 0.5f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0.5f, 0},
    };
    for (const Case& c : cases) {
        // Every write position, the last slot (where the oldest slot is slot 0) included.
        for (int writeAt = 0; writeAt < 9; ++writeAt) {
            SCOPED_TRACE(testing::Message() << "delay " << c.requested << ", write index " << writeAt);
            DelayLine line(1.0f, 8);
            int n = 0;
            for (; n < 9 + writeAt; ++n) {
                line.processLinear(inputAt(n));
            }
            ASSERT_EQ(line.getWriteIndex(), writeAt);
            line.setDelay(c.requested);
            EXPECT_EQ(line.getDelay(), c.recorded);
            expectPositionInside(line);
            if (c.stepsBack == 8 && writeAt == 8) {
                EXPECT_EQ(line.getReadIndex(), 0);
            }
            for (int k = 0; k < 12; ++k, ++n) {
                ASSERT_EQ(line.processLinear(inputAt(n)), inputAt(n - c.stepsBack)) << "step " << n;
                expectPositionInside(line);
            }
        }
    }

    DelayLine line(1400.0f, 3000);
    line.setDelay(5000.0f);
    EXPECT_EQ(line.getDelay(), 3000.0f);
}

TEST(DelayLine, TinyDelaysRoundingUpToTheNextSlotStayInsideTheLine)
{
    struct Case {
        float delay;
        int writeAt;
    };
    // 1e-20 at slot 0 carries the position up to the length itself; 1e-10 at slot 5
    // leaves a fraction that rounds to 1.0 in single precision.
    const Case cases[] = {{1e-20f, 0}, {1e-10f, 5}, {1e-10f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "delay " << c.delay << ", write index " << c.writeAt);
        DelayLine line(0.0f, 8);
        int n = 0;
        for (; n < c.writeAt; ++n) {
            line.processLinear(inputAt(n));
        }
        line.setDelay(c.delay);
        expectPositionInside(line);
        EXPECT_EQ(line.getReadIndex(), c.writeAt);
        EXPECT_EQ(line.processLinear(inputAt(n)), inputAt(n));
    }
}

TEST(DelayLine, PeeksBetweenStepsReturnTheValueCachedByTheFirst)
{
    DelayLine repeated(2.5f, 16);
    for (int n = 0; n < 20; ++n) {
        repeated.processLinear(inputAt(n));
    }
    const float first = repeated.peekLinear();
    EXPECT_EQ(first, 0.5f * inputAt(18) + 0.5f * inputAt(17));
    EXPECT_EQ(repeated.peekLinear(), first);
    EXPECT_EQ(repeated.processLinear(inputAt(20)), first);

    // A new delay shows only after the next interpolating step.
    DelayLine changed(3.0f, 16);
    int n = 0;
    for (; n < 20; ++n) {
        changed.processLinear(inputAt(n));
    }
    const float before = changed.peekLinear();
    EXPECT_EQ(before, inputAt(n - 3));
    changed.setDelay(5.0f);
    EXPECT_EQ(changed.peekLinear(), before);
    EXPECT_EQ(changed.processLinear(inputAt(n)), before);
    EXPECT_EQ(changed.peekLinear(), inputAt(n + 1 - 5));
    EXPECT_EQ(changed.processLinear(inputAt(n + 1)), inputAt(n + 1 - 5));
}

TEST(DelayLine, GatedStepsCloseAfterAQuietRunLongerThanTheDelay)
{
    for (int s = kFirstGatedStep; s < 7; ++s) {
        const NamedStep& gated = kAllSteps[s];
        SCOPED_TRACE(gated.name);
        DelayLine line(10.0f, 100);
        const std::int32_t start = line.getWriteIndex();
        EXPECT_TRUE(line.isSilent());

        // Quiet and negative inputs leave a fresh line closed and unwritten.
        EXPECT_EQ(gated.step(line, 0.0005f), 0.0f);
        EXPECT_EQ(gated.step(line, -0.5f), 0.0f);
        EXPECT_EQ(line.getWriteIndex(), start);

        EXPECT_EQ(gated.step(line, 0.5f), DelayLine::fillValue);
        EXPECT_TRUE(line.isSounding());
        for (int k = 1; k < 10; ++k) {
            ASSERT_EQ(gated.step(line, 0.0f), DelayLine::fillValue) << "step " << k;
        }
        EXPECT_EQ(gated.step(line, 0.0f), 0.5f);
        for (int k = 1; k <= 11; ++k) {
            ASSERT_EQ(gated.step(line, 0.0f), 0.0f) << "quiet step " << k;
        }
        EXPECT_EQ(line.getWriteIndex(), start + 22);
        EXPECT_TRUE(line.isSilent());

        EXPECT_EQ(gated.step(line, 0.0f), 0.0f);
        EXPECT_EQ(line.getWriteIndex(), start + 22);

        line.resetSilence();
        EXPECT_TRUE(line.isSounding());
        gated.step(line, 0.0f);
        EXPECT_EQ(line.getWriteIndex(), start + 23);
    }
}

TEST(DelayLine, CubicReadingFollowsTheFourPointFormulaAcrossTheWrap)
{
    constexpr int kLength = 8;
    // Loud, irregular inputs keep the gate open and tell the neighbours apart.
    auto input = [](int n) { return 1.0f + static_cast<float>((n * 37) % 11) * 0.25f; };
    // Slot k samples back from the newest input, modulo the length.
    auto back = [&](int n, int k) { return static_cast<double>(input(n - ((k % kLength) + kLength) % kLength)); };

    const float delays[] = {0.5f, 2.5f, 5.25f, 6.75f};
    for (float delay : delays) {
        SCOPED_TRACE(testing::Message() << "delay " << delay);
        DelayLine line(delay, kLength - 1);
        const int older = static_cast<int>(std::ceil(delay));
        const double t = static_cast<double>(older) - delay;
        for (int n = 0; n < 40; ++n) {
            const float out = line.processCubicGated(input(n));
            if (n < kLength) {
                continue;
            }
            const double xm1 = back(n, older + 1);
            const double x0 = back(n, older);
            const double x1 = back(n, older - 1);
            const double x2 = back(n, older - 2);
            const double c1 = (x1 - xm1) * 0.5;
            const double c2 = xm1 + 2.0 * x1 - (x2 + 5.0 * x0) * 0.5;
            const double c3 = (x2 + 3.0 * (x0 - x1) - xm1) * 0.5;
            ASSERT_FLOAT_EQ(out, static_cast<float>(x0 + t * (c1 + t * (c2 + t * c3)))) << "step " << n;
        }
    }
}

TEST(DelayLine, ResizingClearsTheBufferAndKeepsEveryStepInside)
{
    struct Case {
        float delay;
        std::int32_t maximum;
        int stepsBefore;
        std::int32_t newMaximum;
        float recordedAfter;
    };
    const Case cases[] = {
        {1400.0f, 3000, 2000, 100, 100.0f}, // both indices beyond the new end
        {100.0f, 3000, 150, 100, 100.0f},   // write index beyond the new end, read index inside
        {10.0f, 3000, 3004, 100, 10.0f},    // read index beyond the new end, write index inside
        {10.0f, 3000, 40, 100, 10.0f},      // both inside: kept as they are
        {10.0f, 100, 40, 3000, 10.0f},      // growing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "maximum " << c.maximum << " -> " << c.newMaximum << " after "
                                        << c.stepsBefore << " steps");
        DelayLine line(c.delay, c.maximum);
        for (int n = 0; n < c.stepsBefore; ++n) {
            line.processLinear(inputAt(n));
        }
        const std::int32_t writeBefore = line.getWriteIndex();
        const std::int32_t readBefore = line.getReadIndex();
        line.setMaximumDelay(c.newMaximum);
        ASSERT_TRUE(line.isValid());
        EXPECT_EQ(line.getLength(), c.newMaximum + 1);
        EXPECT_EQ(line.getDelay(), c.recordedAfter);
        expectPositionInside(line);
        if (writeBefore <= c.newMaximum && readBefore <= c.newMaximum) {
            EXPECT_EQ(line.getWriteIndex(), writeBefore);
            EXPECT_EQ(line.getReadIndex(), readBefore);
        }
        EXPECT_EQ(line.processPlain(0.0f), DelayLine::fillValue);
        line.setInterpolating(true);
        for (const NamedStep& step : kAllSteps) {
            for (int n = 0; n < 300; ++n) {
                ASSERT_TRUE(std::isfinite(step.step(line, inputAt(n)))) << step.name;
                line.peekAllpass();
            }
            expectPositionInside(line);
        }
    }

    DelayLine kept(10.0f, 100);
    kept.setMaximumDelay(-1);
    kept.setMaximumDelay(std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(kept.isValid());
    EXPECT_EQ(kept.getLength(), 101);
}

TEST(DelayLine, LineWithoutMemoryIsHarmlessAndSaysSo)
{
    const std::int32_t maximums[] = {-1, -5, std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t maximum : maximums) {
        SCOPED_TRACE(testing::Message() << "maximum " << maximum);
        DelayLine line(10.0f, maximum);
        EXPECT_FALSE(line.isValid());
        line.setDelay(5.0f);
        line.clear();
        line.resetSilence();
        line.setInterpolating(true);
        EXPECT_EQ(line.peekLinear(), 0.0f);
        EXPECT_EQ(line.peekAllpass(), 0.0f);
        for (const NamedStep& step : kAllSteps) {
            EXPECT_EQ(step.step(line, 0.5f), 0.0f) << step.name;
        }
        EXPECT_EQ(line.peekLinear(), 0.0f);
        line.setMaximumDelay(10);
        EXPECT_FALSE(line.isValid());
    }
}
