// The ordinary string plays in tune: a held note, measured from the rendered output,
// sounds within a cent of half the key's table frequency (an octave below the key,
// as a guitar sounds below its written note), across the keyboard and at the common
// sample rates from 44.1 to 192 kHz. The loop's two delays are lengthened by a
// compensation for the sample that reading after writing takes and for the phase
// lead of the DC tracker inside the loop; PowerChord's loops are left as they were.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineHarness.h"
#include "PitchEstimate.h"

namespace {

using namespace engine_harness;

// Cents of the held key's fundamental above half its table frequency, at rate.
double centsOff(int key, float rate)
{
    Engine engine(rate);
    engine.set(kModulation, 0.0f);
    engine.send({noteOn(0, key)});
    const double expected = noteFrequencyTable[key] / 2.0;
    const double period = rate / expected;
    // From 0.1 s on (after the attack and the pick burst): a window of 8 periods and
    // at least 16 more periods or half a second to measure the phase over.
    const std::size_t from = static_cast<std::size_t>(rate * 0.1);
    const std::size_t frames =
        from + static_cast<std::size_t>(8.0 * period + std::max(16.0 * period, rate * 0.5)) + 1024;
    const std::vector<float> out = engine.render(static_cast<std::int32_t>(frames), 512).left;
    const double hz = pitch_estimate::fundamentalHz(out, from, expected, rate);
    return hz > 0.0 ? pitch_estimate::cents(hz, expected) : 1e9;
}

// Keys lowKey to 108 in steps, always including both ends.
std::vector<int> keys(int lowKey, int step)
{
    std::vector<int> list;
    for (int key = lowKey; key < 108; key += step) {
        list.push_back(key);
    }
    list.push_back(108);
    return list;
}

TEST(Tuning, HeldNotesSoundWithinACentOfAnOctaveBelowTheKey)
{
    const struct {
        float rate;
        int lowKey;
        int step;
    } rates[] = {{44100.0f, 21, 2}, {48000.0f, 21, 5}, {88200.0f, 21, 5}, {96000.0f, 21, 5}, {192000.0f, 21, 5}};
    for (const auto& row : rates) {
        for (int key : keys(row.lowKey, row.step)) {
            const double cents = centsOff(key, row.rate);
            EXPECT_LE(std::fabs(cents), 1.0) << "key " << key << " at " << row.rate << " Hz: " << cents << " cents";
        }
    }
}

// The compensation follows the note: a key bent up by the wheel's full throw, and a
// slide under Legato, sound in tune after each change.
TEST(Tuning, BendsAndSlidesStayInTune)
{
    const float rate = 44100.0f;
    Engine engine(rate);
    engine.set(kModulation, 0.0f);
    auto centsAfter = [&](const std::vector<Midi>& change) {
        engine.send(change);
        const std::vector<float> out = engine.render(32768, 256).left;
        const double expected = engine.note().noteFrequency / 2.0;
        return pitch_estimate::cents(pitch_estimate::fundamentalHz(out, 4096, expected, rate), expected);
    };
    centsAfter({noteOn(0, 64)});
    const double bent = centsAfter({pitchBend(0, 16383)});
    EXPECT_GT(engine.note().noteFrequency, noteFrequencyTable[66]);
    EXPECT_LE(std::fabs(bent), 1.0) << "bent up: " << bent << " cents";
    const double slid = centsAfter({pitchBend(0, 8192), noteOn(0, 71)});
    EXPECT_EQ(engine.note().noteFrequency, noteFrequencyTable[71]);
    EXPECT_LE(std::fabs(slid), 1.0) << "slid to key 71: " << slid << " cents";
}

} // namespace
