// The engine's starting state as a fresh instance has it, the tables the setup
// builds, and which host requests later reset part of that state.

#include <gtest/gtest.h>

#include <vector>

#include "engine/DelayLine.h"
#include "engine/WavetableOscillator.h"
#include "tests/EngineHarness.h"

namespace {

using namespace engine_harness;

// A note loud enough to drive the filter section into the limiter.
void playLoudNote(Engine& engine)
{
    engine.set({{kExciter, 1.0f}, {kPick, 1.0f}, {kDynaTone, 1.0f}, {kDistorter, 1.0f}, {kToneRama, 0.0f}});
    engine.send({noteOn(0, 40, 127)});
    engine.render(4096);
}

TEST(EngineSetup, FreshInstanceStartsWithTheDocumentedNoteAndControllerState)
{
    Engine engine;
    const SynthPlugin& s = engine.state();
    EXPECT_EQ(s.noteFrequency, 200.0f);
    EXPECT_FALSE(s.noteActive);
    EXPECT_EQ(s.noteVelocity, 0.0f);
    EXPECT_EQ(s.channelVolume, 1.0f);
    EXPECT_EQ(s.modWheel, 1.0f);
    EXPECT_EQ(s.limiterGain, 1.0f);
    EXPECT_EQ(s.radiansPerSample, 0.00014247595f);
    EXPECT_EQ(s.envelope, 0.0f);
    EXPECT_EQ(s.pickCounter, 0);
    EXPECT_EQ(s.stringDelayCapacity, 3000);
    for (int key = 0; key < 128; ++key) {
        EXPECT_EQ(s.keyHeld[key], 0) << "key " << key;
    }
    EXPECT_EQ(s.queuedEvents[0].frame, -1);
}

TEST(EngineSetup, NoteFrequencyTableHasConcertPitchAndEqualTemperament)
{
    const struct {
        int key;
        float hz;
    } rows[] = {
        {0, 8.175799f},    {12, 16.351599f},  {21, 27.5f},       {57, 220.0f},      {60, 261.62558f},
        {69, 440.0f},      {81, 880.0f},      {108, 4186.0093f}, {127, 12543.854f},
    };
    Engine engine;
    for (const auto& row : rows) {
        EXPECT_EQ(noteFrequencyTable[row.key], row.hz) << "key " << row.key;
    }
}

TEST(EngineSetup, SecondInstanceLeavesTheNoteTableUnchanged)
{
    Engine first;
    first.send({noteOn(0, 69)});
    first.render(512);
    const std::vector<float> before(noteFrequencyTable, noteFrequencyTable + 128);
    Engine second;
    EXPECT_EQ(std::vector<float>(noteFrequencyTable, noteFrequencyTable + 128), before);
}

TEST(EngineSetup, LimiterTableGivesGainOneUpToFullScaleAndItsInverseAbove)
{
    const struct {
        int index;
        float gain;
    } rows[] = {
        {0, 1.0f}, {2048, 1.0f}, {4095, 1.0f}, {4096, 1.0f}, {4097, 0.99975592f},
        {8192, 0.5f}, {16384, 0.25f}, {32767, 0.12500381f},
    };
    Engine engine;
    const float* table = engine.state().limiterTable;
    ASSERT_NE(table, nullptr);
    for (const auto& row : rows) {
        EXPECT_EQ(table[row.index], row.gain) << "entry " << row.index;
    }
}

TEST(EngineSetup, DelayLinesStartWithTheirDelaysAndCapacities)
{
    Engine engine;
    const SynthPlugin& s = engine.state();
    const struct {
        const char* name;
        DelayLine* line;
        float delay;
        std::int32_t length;
        std::int32_t readIndex;
    } rows[] = {
        {"chorusDelayA", s.chorusDelayA, 1400.0f, 3001, 1601},
        {"chorusDelayB", s.chorusDelayB, 1400.0f, 3001, 1601},
        {"stringDelayA", s.stringDelayA, 0.0f, 3001, 0},
        {"stringDelayB", s.stringDelayB, 0.0f, 3001, 0},
        {"combDelay", s.combDelay, 0.0f, 20001, 0},
    };
    for (const auto& row : rows) {
        ASSERT_NE(row.line, nullptr) << row.name;
        EXPECT_EQ(row.line->getDelay(), row.delay) << row.name;
        EXPECT_EQ(row.line->getLength(), row.length) << row.name;
        EXPECT_EQ(row.line->getReadIndex(), row.readIndex) << row.name;
        EXPECT_EQ(row.line->getFraction(), 0.0f) << row.name;
    }
}

// The modulators' increments are fixed at construction; only radiansPerSample
// follows a later rate, from the next rendered block on.
TEST(EngineSetup, ChorusModulatorsKeepTheirIncrementsWhenTheHostChangesTheRate)
{
    Engine engine;
    const SynthPlugin& s = engine.state();
    ASSERT_NE(s.lfoA, nullptr);
    ASSERT_NE(s.lfoB, nullptr);
    EXPECT_EQ(s.lfoA->getIncrement(), 48695);
    EXPECT_EQ(s.lfoB->getIncrement(), 116869);

    engine.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    engine.render(64);
    EXPECT_EQ(s.lfoA->getIncrement(), 48695);
    EXPECT_EQ(s.lfoB->getIncrement(), 116869);
    EXPECT_EQ(s.radiansPerSample, static_cast<float>(6.28318977355957 / 48000.0));
}

TEST(EngineSetup, SampleRateAndResumeResetTheLimiterGainButBlockSizeAndRateTogetherDoNot)
{
    const struct {
        const char* request;
        std::int32_t opcode;
        VstIntPtr value;
        float opt;
        bool resets;
    } rows[] = {
        {"effSetSampleRate", effSetSampleRate, 0, 44100.0f, true},
        {"effMainsChanged on", effMainsChanged, 1, 0.0f, true},
        {"effMainsChanged off", effMainsChanged, 0, 0.0f, false},
        {"effSetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 512, 44100.0f, false},
        {"effSetBlockSize", effSetBlockSize, 512, 0.0f, false},
    };
    for (const auto& row : rows) {
        Engine engine;
        playLoudNote(engine);
        const float reduced = engine.state().limiterGain;
        ASSERT_LT(reduced, 1.0f) << row.request;
        engine.dispatch(row.opcode, 0, row.value, nullptr, row.opt);
        EXPECT_EQ(engine.state().limiterGain, row.resets ? 1.0f : reduced) << row.request;
    }
}

TEST(EngineSetup, ResumeDropsTheEventsQueuedForTheNextBlock)
{
    Engine engine;
    engine.send({noteOn(10, 69)});
    engine.dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(engine.render(256).silent());
    EXPECT_FALSE(engine.state().noteActive);
}

} // namespace
