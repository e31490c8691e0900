// The amplitude envelope's segments as they unfold in time: attack lengths, the
// drop to the decay, the sustain hold across blocks of any size, the gate closing
// by itself at zero, and releases from wherever the envelope stands.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "EngineHarness.h"

namespace {

using namespace engine_harness;

// The envelope after each of frames one-sample blocks, and the sustain follower
// when asked for; a note-on for key 60 arrives with the first of them.
std::vector<float> envelopePerSample(Engine& engine, int frames, std::vector<float>* follower = nullptr)
{
    std::vector<float> values;
    engine.send({noteOn(0, 60)});
    for (int i = 0; i < frames; ++i) {
        engine.block(1);
        values.push_back(engine.envelope());
        if (follower != nullptr) {
            follower->push_back(engine.sustainSmoothed());
        }
    }
    return values;
}

// Rises for attackLength = (Attack cubed + 0.002) x 2 x 44100 samples, whole
// samples only; the decay then falls from the top, where the attack ended, towards
// the sustain level (0 here: the wheel at 0 keeps the follower at 0).
TEST(Envelope, AttackRisesForItsWholeSamplesThenTheDecayFallsFromTheTop)
{
    const struct {
        float attack;
        int samples;
    } rows[] = {{0.0f, 176}, {0.04f, 182}, {0.3f, 2557}};
    for (const auto& row : rows) {
        Engine engine;
        engine.set({{kAttack, row.attack}, {kSustain, 0.5f}});
        engine.send({controller(0, 1, 0)});
        const std::vector<float> envelope = envelopePerSample(engine, row.samples + 200);
        for (int i = 1; i < row.samples; ++i) {
            ASSERT_GT(envelope[i], envelope[i - 1]) << "Attack " << row.attack << ", sample " << i;
        }
        EXPECT_GT(envelope[row.samples - 1], 0.99f) << "Attack " << row.attack;
        EXPECT_GT(envelope[row.samples], 0.999f) << "Attack " << row.attack;
        for (int i = row.samples + 1; i < static_cast<int>(envelope.size()); ++i) {
            ASSERT_LT(envelope[i], envelope[i - 1]) << "Attack " << row.attack << ", sample " << i;
        }
    }
}

// The largest fall of the envelope in one sample, in dB, from the attack's top
// through the first 2000 samples of the decay.
double largestOneSampleDropDb(const std::vector<float>& envelope, int from)
{
    double largest = 0.0;
    for (int i = from; i < static_cast<int>(envelope.size()); ++i) {
        largest = std::max(largest, 20.0 * std::log10(envelope[i - 1] / envelope[i]));
    }
    return largest;
}

// Where the attack ends, the decay takes over without a step, whatever the wheel
// stands at and however far the sustain follower has come (it starts at 0 with
// the first note after loading); the decay still ends at the sustain level.
TEST(Envelope, DecayStartsWhereTheAttackEndedWhateverTheWheel)
{
    const struct {
        const char* name;
        int wheel;         // controller 1, -1 for none (the wheel at full from loading)
        bool settledFirst; // an earlier note has lifted the follower
    } rows[] = {
        {"first note after loading", -1, false},
        {"wheel at 0", 0, true},
        {"wheel at 64", 64, true},
        {"wheel at 127", 127, true},
        {"wheel at 64, first note", 64, false},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.set({{kSustain, 0.8f}, {kRelease, 0.0f}, {kDecay, 0.2f}});
        if (row.settledFirst) {
            engine.perform({noteOn(0, 50), noteOff(44100, 50)}, 44100 + 4096);
        }
        if (row.wheel >= 0) {
            engine.send({controller(0, 1, row.wheel)});
        }
        std::vector<float> follower;
        const std::vector<float> envelope = envelopePerSample(engine, 182 + 2000, &follower);
        EXPECT_LT(largestOneSampleDropDb(envelope, 150), 0.5) << row.name;
        // Decay 0.2: (0.04 + 0.005) x 5 x 44100 = 9922.5 samples after the attack.
        engine.render(182 + 9923 - static_cast<int>(envelope.size()) + 1, 1);
        EXPECT_EQ(engine.envelope(), engine.sustainSmoothed()) << row.name;
    }
}

// "Sustain" 0: the decay ends at exactly 0 and the gate closes although the key
// is still held; the next key attacks afresh with a new pick burst.
TEST(Envelope, SustainZeroClosesTheGateAtTheEndOfTheDecayWhileTheKeyIsHeld)
{
    Engine engine;
    engine.set({{kSustain, 0.0f}, {kDecay, 0.0f}});
    const std::vector<float> envelope = envelopePerSample(engine, 1400);
    int firstZero = 0;
    while (firstZero < static_cast<int>(envelope.size()) && envelope[firstZero] > 0.0f) {
        ++firstZero;
    }
    // 182 attack samples, then decay counts 1 .. 1103 (decayLength 1102.5).
    EXPECT_EQ(firstZero, 182 + 1103 - 1);
    for (int i = firstZero; i < static_cast<int>(envelope.size()); ++i) {
        ASSERT_EQ(envelope[i], 0.0f) << "sample " << i;
    }
    EXPECT_FALSE(engine.note().noteActive);
    EXPECT_EQ(engine.note().keyHeld[60], 1);
    EXPECT_TRUE(engine.render(2048).silent());

    engine.send({noteOn(100, 64)});
    const Stereo again = engine.block(512);
    EXPECT_TRUE(engine.note().noteActive);
    EXPECT_EQ(engine.pickCounter(), 512 - 101);
    EXPECT_GT(again.peak(), 0.0f);
}

// With the wheel at 0 the decay falls to 0 and the gate closes, so the output's
// final run of exact zeros starts where the decay ends. A note that starts late
// in a block decays, until that block ends, over a length scaled by the velocity
// factor the closed gate last saw: 0 before the first note, about 1 after a
// note at full velocity.
TEST(Envelope, DecayOfANoteStartingLateInABlockIsScaledByThePreviousVelocity)
{
    const struct {
        const char* name;
        int earlierVelocity; // 0: no earlier note
        std::int32_t blockSize;
        double decaySamples; // ((velocity factor + 0.1) x 0.09 + 0.005) x 44100 x 5, or 0.095 x 44100 x 5
    } rows[] = {
        {"first note, in one long block", 0, 32768, 3087.0},
        {"first note, in short blocks", 0, 64, 20947.5},
        {"after a loud note, in one long block", 127, 32768, 22932.0},
    };
    for (const auto& row : rows) {
        Engine engine;
        engine.set({{kDecay, 0.3f}, {kSustain, 0.5f}});
        engine.send({controller(0, 1, 0)});
        if (row.earlierVelocity > 0) {
            engine.perform({noteOn(0, 50, row.earlierVelocity), noteOff(30000, 50)}, 44100);
            ASSERT_EQ(engine.envelope(), 0.0f) << row.name;
        }
        const Stereo out = engine.perform({noteOn(1000, 60)}, 32768, {row.blockSize});
        std::size_t silentFrom = out.size();
        while (silentFrom > 0 && out.left[silentFrom - 1] == 0.0f) {
            --silentFrom;
        }
        const double expected = 1000 + 182 + row.decaySamples;
        EXPECT_NEAR(static_cast<double>(silentFrom), expected, 3.0) << row.name;
    }
}

// A low velocity shortens the decay for the rest of the block in which the note
// starts; once that short decay has ended, later blocks with their longer decay
// must not restart it: the envelope holds the sustain follower while the key is held.
TEST(Envelope, SustainHoldsAcrossBlocksAfterADecayShortenedInTheNotesFirstBlock)
{
    const std::vector<std::vector<std::int32_t>> blockPatterns = {
        {8192, 64, 1000, 17, 4096, 333, 1},
        {8192, 512},
        {8192, 1},
    };
    for (const auto& pattern : blockPatterns) {
        Engine engine;
        engine.set({{kDecay, 0.3f}, {kSustain, 0.8f}});
        bool holding = false;
        int blocksHeld = 0;
        int firstBreak = 0;
        auto sustaining = [&engine] {
            return engine.note().noteActive && engine.envelope() == engine.sustainSmoothed();
        };
        engine.perform({noteOn(1000, 60, 10)}, 44100 * 3, pattern, [&] {
            if (!holding && sustaining()) {
                holding = true;
            }
            if (holding) {
                ++blocksHeld;
                if (firstBreak == 0 && !sustaining()) {
                    firstBreak = blocksHeld;
                }
            }
        });
        std::string blocks = "blocks of";
        for (std::int32_t size : pattern) {
            blocks += " " + std::to_string(size);
        }
        EXPECT_TRUE(holding) << blocks;
        EXPECT_EQ(firstBreak, 0) << "held block " << firstBreak << " left the sustain level, " << blocks;
        EXPECT_GT(blocksHeld, 3) << blocks;
        EXPECT_NEAR(engine.envelope(), 0.8f, 0.01f) << blocks;
    }
}

// Two instances play the same; one then receives a note-off when its envelope
// already stands at 0 with the gate closed. Nothing that follows may differ.
TEST(Envelope, ReleaseAfterTheEnvelopeReachedZeroChangesNothing)
{
    const struct {
        const char* name;
        std::vector<Midi> notes;
    } rows[] = {
        {"gate closed by Sustain 0", {noteOn(0, 60)}},
        {"release already over", {noteOn(0, 60), noteOff(1000, 60)}},
    };
    for (const auto& row : rows) {
        Engine plain;
        Engine released;
        for (Engine* engine : {&plain, &released}) {
            engine->set({{kSustain, 0.0f}, {kDecay, 0.0f}, {kRelease, 0.0f}});
            engine->perform(row.notes, 8192);
        }
        ASSERT_EQ(released.envelope(), 0.0f) << row.name;
        released.send({noteOff(10, 60)});
        Stereo quiet = released.render(1024);
        EXPECT_TRUE(quiet.silent()) << row.name;
        EXPECT_TRUE(plain.render(1024).sameBits(quiet)) << row.name;
        for (Engine* engine : {&plain, &released}) {
            engine->send({noteOn(3, 67)});
        }
        EXPECT_TRUE(plain.render(4096).sameBits(released.render(4096))) << row.name;
    }
}

// A release starts from the level the envelope has reached, whichever segment it is in.
TEST(Envelope, ReleaseStartsFromTheCurrentLevel)
{
    const struct {
        const char* segment;
        std::int32_t at;
    } rows[] = {{"attack", 100}, {"decay", 900}, {"sustain", 20000}};
    for (const auto& row : rows) {
        Engine engine;
        engine.set({{kDecay, 0.0f}, {kSustain, 0.6f}, {kRelease, 0.5f}});
        engine.perform({noteOn(0, 60)}, row.at, {64});
        const float before = engine.envelope();
        ASSERT_GT(before, 0.1f) << row.segment;
        engine.send({noteOff(0, 60)});
        engine.block(1);
        EXPECT_FALSE(engine.note().noteActive) << row.segment;
        EXPECT_NEAR(engine.envelope() / before, 1.0f, 1e-3f) << row.segment;
        EXPECT_LT(engine.envelope(), before) << row.segment;
        engine.render(5000);
        EXPECT_LT(engine.envelope(), before) << row.segment;
        EXPECT_GT(engine.envelope(), 0.0f) << row.segment;
    }
}

} // namespace
