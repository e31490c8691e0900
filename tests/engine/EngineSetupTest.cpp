// The engine's starting state as a fresh engine has it, the tables the setup
// builds, and which later calls reset part of that state.

#include <gtest/gtest.h>

#include <vector>

#include "engine/DelayLine.h"
#include "engine/WavetableOscillator.h"
#include "EngineHarness.h"

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
    const NoteState& s = engine.note();
    EXPECT_EQ(s.noteFrequency, 200.0f);
    EXPECT_FALSE(s.noteActive);
    EXPECT_EQ(s.noteVelocity, 0.0f);
    EXPECT_EQ(s.channelVolume, 1.0f);
    EXPECT_EQ(s.modWheel, 1.0f);
    EXPECT_EQ(engine.limiterGain(), 1.0f);
    EXPECT_EQ(engine.state().getRadiansPerSample(), 0.00014247595f);
    EXPECT_EQ(engine.envelope(), 0.0f);
    EXPECT_EQ(engine.pickCounter(), 0);
    EXPECT_EQ(engine.state().getStringLoop().getStringDelayCapacity(), 3000);
    for (int key = 0; key < 128; ++key) {
        EXPECT_EQ(s.keyHeld[key], 0) << "key " << key;
    }
    EXPECT_EQ(engine.state().getEventQueue().getQueuedEvent(0).frame, -1);
}

// A fresh engine holds the basic program's values, Legato as its integer.
TEST(EngineSetup, FreshEngineHoldsTheBasicProgramsValues)
{
    SynthEngine engine;
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_EQ(engine.getParameter(index), kParameterDefaults[index]) << "parameter " << index;
    }
    EXPECT_EQ(engine.getParameterWord(kLegato), 1u);
    EXPECT_EQ(engine.getSampleRate(), 44100.0f);
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
    const float* table = engine.state().getFilterSection().getLimiter().getLimiterTable();
    ASSERT_NE(table, nullptr);
    for (const auto& row : rows) {
        EXPECT_EQ(table[row.index], row.gain) << "entry " << row.index;
    }
}

TEST(EngineSetup, DelayLinesStartWithTheirDelaysAndCapacities)
{
    Engine engine;
    const SynthEngine& s = engine.state();
    const struct {
        const char* name;
        const DelayLine* line;
        float delay;
        std::int32_t length;
        std::int32_t readIndex;
    } rows[] = {
        {"chorusDelayA", &s.getStereoChorus().getChorusDelayA(), 1400.0f, 3001, 1601},
        {"chorusDelayB", &s.getStereoChorus().getChorusDelayB(), 1400.0f, 3001, 1601},
        {"stringDelayA", &s.getStringLoop().getStringDelayA(), 0.0f, 3001, 0},
        {"stringDelayB", &s.getStringLoop().getStringDelayB(), 0.0f, 3001, 0},
        {"combDelay", &s.getCombFilter().getCombDelay(), 0.0f, 20001, 0},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(row.line->isValid()) << row.name;
        EXPECT_EQ(row.line->getRecordedDelay(), row.delay) << row.name;
        EXPECT_EQ(row.line->getLength(), row.length) << row.name;
        EXPECT_EQ(row.line->getReadIndex(), row.readIndex) << row.name;
        EXPECT_EQ(row.line->getFraction(), 0.0f) << row.name;
    }
}

// The modulators run at 0.5 and 1.2 Hz at any rate, and radiansPerSample follows
// the rate, both from the next rendered block on; back at 44100 Hz the increments
// are the design's again.
TEST(EngineSetup, ChorusModulatorsKeepTheirFrequenciesWhenTheRateChanges)
{
    Engine engine;
    const StereoChorus& chorus = engine.state().getStereoChorus();
    EXPECT_EQ(chorus.getLfoA().getIncrement(), 48695);
    EXPECT_EQ(chorus.getLfoB().getIncrement(), 116869);

    engine.core().setSampleRate(48000.0f);
    EXPECT_EQ(engine.state().getRadiansPerSample(), static_cast<float>(6.28318977355957 / 44100.0));
    engine.render(64);
    EXPECT_EQ(chorus.getLfoA().getIncrement(), 44739);  // 0.5 Hz x 2^32 / 48000
    EXPECT_EQ(chorus.getLfoB().getIncrement(), 107374); // 1.2 Hz
    EXPECT_EQ(engine.state().getRadiansPerSample(), static_cast<float>(6.28318977355957 / 48000.0));

    engine.core().setSampleRate(44100.0f);
    engine.render(64);
    EXPECT_EQ(chorus.getLfoA().getIncrement(), 48695);
    EXPECT_EQ(chorus.getLfoB().getIncrement(), 116869);
}

// A new rate and switching on restart the limiter; a rate followed from elsewhere
// and a parameter change do not.
TEST(EngineSetup, SampleRateAndResumeResetTheLimiterGainButAFollowedRateDoesNot)
{
    const struct {
        const char* call;
        void (*apply)(SynthEngine&);
        bool resets;
    } rows[] = {
        {"setSampleRate", [](SynthEngine& e) { e.setSampleRate(44100.0f); }, true},
        {"resume", [](SynthEngine& e) { e.resume(); }, true},
        {"followSampleRate", [](SynthEngine& e) { e.followSampleRate(44100.0f); }, false},
        {"setParameter", [](SynthEngine& e) { e.setParameter(kVolume, 0.5f); }, false},
    };
    for (const auto& row : rows) {
        Engine engine;
        playLoudNote(engine);
        const float reduced = engine.limiterGain();
        ASSERT_LT(reduced, 1.0f) << row.call;
        row.apply(engine.core());
        EXPECT_EQ(engine.limiterGain(), row.resets ? 1.0f : reduced) << row.call;
    }
}

TEST(EngineSetup, ResumeDropsTheEventsQueuedForTheNextBlock)
{
    Engine engine;
    engine.send({noteOn(10, 69)});
    engine.core().resume();
    EXPECT_TRUE(engine.render(256).silent());
    EXPECT_FALSE(engine.note().noteActive);
}

} // namespace
