// The instrument's parameters, live values and program bank, driven in-process
// through the operations the dispatcher and the record's entries reach.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginMain.h"
#include "instrument/SynthPlugin.h"
#include "tests/ModuleHarness.h"

namespace {

std::vector<std::int32_t> wantMidiFilters;

VstIntPtr VSTCALLBACK versionHost(AEffect* /*effect*/, std::int32_t opcode, std::int32_t /*index*/, VstIntPtr value,
                                  void* /*ptr*/, float /*opt*/)
{
    if (opcode == audioMasterWantMidi) {
        wantMidiFilters.push_back(static_cast<std::int32_t>(value));
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The defaults a fresh instance shows through getParameter, Legato as 1.0.
const float kExpectedDefaults[kNumParameters] = {
    0.5f, 0.1f, 0.4f, 0.3f, 0.04f, 0.5f, 0.8f, 0.3f, 0.89f, 0.3f,
    0.3f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.5f, 0.0f,
};

class InstrumentParameters : public ::testing::Test {
protected:
    void SetUp() override
    {
        wantMidiFilters.clear();
        plugin = std::make_unique<SynthPlugin>(versionHost);
        ASSERT_TRUE(plugin->isComplete());
    }

    std::vector<float> allParameters()
    {
        std::vector<float> values;
        for (std::int32_t index = 0; index < kNumParameters; ++index) {
            values.push_back(plugin->getParameter(index));
        }
        return values;
    }

    std::string programName(std::int32_t index)
    {
        char text[64] = {};
        EXPECT_TRUE(plugin->getProgramNameIndexed(0, index, text));
        return text;
    }

    std::string currentProgramName()
    {
        char text[64] = {};
        plugin->getProgramName(text);
        return text;
    }

    std::unique_ptr<SynthPlugin> plugin;
};

TEST_F(InstrumentParameters, FreshInstanceHoldsTheDefaultsAndBasicInEveryProgram)
{
    EXPECT_EQ(plugin->getProgram(), 0);
    for (std::int32_t program = 0; program < kNumPrograms; ++program) {
        plugin->setProgram(program);
        EXPECT_EQ(currentProgramName(), "Basic") << "program " << program;
        for (std::int32_t index = 0; index < kNumParameters; ++index) {
            EXPECT_EQ(plugin->getParameter(index), kExpectedDefaults[index])
                << "program " << program << " parameter " << index;
        }
    }
    EXPECT_EQ(plugin->legato(), 1);
}

TEST_F(InstrumentParameters, LegatoTruncatesTowardZeroAndStoresAnInteger)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        std::int32_t stored;
    };
    const Case cases[] = {
        {0.999f, 0},      {1.0f, 1},          {0.5f, 0},      {0.99f, 0},         {0.0f, 0},
        {1.5f, 1},        {2.7f, 2},          {-0.5f, 0},     {-1.5f, -1},        {nan, 0},
        {1e10f, INT32_MAX}, {infinity, INT32_MAX}, {-1e10f, INT32_MIN}, {-infinity, INT32_MIN},
    };
    for (const Case& c : cases) {
        plugin->setParameter(kLegato, c.value);
        EXPECT_EQ(plugin->legato(), c.stored) << "value " << c.value;
        EXPECT_EQ(plugin->getParameter(kLegato), static_cast<float>(c.stored)) << "value " << c.value;
        // The program slot holds the same integer: leaving and reselecting the program restores it.
        plugin->setProgram(1);
        plugin->setProgram(0);
        EXPECT_EQ(plugin->legato(), c.stored) << "value " << c.value;
    }
}

TEST_F(InstrumentParameters, IndicesOutsideTheTableAreIgnored)
{
    const std::vector<float> before = allParameters();
    for (std::int32_t index : {19, 20, -1, INT32_MIN, INT32_MAX}) {
        plugin->setParameter(index, 0.77f);
        EXPECT_EQ(plugin->getParameter(index), 0.0f) << "index " << index;
    }
    EXPECT_EQ(allParameters(), before);
    plugin->setProgram(1);
    plugin->setProgram(0);
    EXPECT_EQ(allParameters(), before);
}

TEST_F(InstrumentParameters, ValuesOutsideTheNominalRangeAreStoredUnchanged)
{
    const float cases[] = {1.5f, -3.25f, 1e30f, -0.0f};
    for (float value : cases) {
        plugin->setParameter(kVolume, value);
        EXPECT_EQ(plugin->getParameter(kVolume), value);
        EXPECT_EQ(std::signbit(plugin->getParameter(kVolume)), std::signbit(value));
    }
    plugin->setParameter(kExciter, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(plugin->getParameter(kExciter)));
}

TEST_F(InstrumentParameters, ParameterChangesBelongToTheCurrentProgram)
{
    plugin->setParameter(kPick, 0.9f);
    plugin->setProgram(1);
    EXPECT_EQ(plugin->getParameter(kPick), 0.3f);
    plugin->setParameter(kPick, 0.2f);
    plugin->setProgram(0);
    EXPECT_EQ(plugin->getParameter(kPick), 0.9f);
    plugin->setProgram(1);
    EXPECT_EQ(plugin->getParameter(kPick), 0.2f);
}

TEST_F(InstrumentParameters, ProgramNumbersOutsideTheBankChangeNothing)
{
    plugin->setProgram(4);
    plugin->setParameter(kDecay, 0.125f);
    const std::vector<float> before = allParameters();
    for (std::int32_t program : {128, -1, INT32_MIN, INT32_MAX}) {
        plugin->setProgram(program);
        EXPECT_EQ(plugin->getProgram(), 4) << "program " << program;
        EXPECT_EQ(allParameters(), before) << "program " << program;
    }
    plugin->setProgram(127);
    EXPECT_EQ(plugin->getProgram(), 127);
}

TEST_F(InstrumentParameters, CopyProgramCopiesValuesAndNameWithoutSwitching)
{
    plugin->setProgram(2);
    plugin->setParameter(kChorus, 0.6f);
    plugin->setParameter(kLegato, 0.0f);
    char name[] = "Twangy";
    plugin->setProgramName(name);
    const std::vector<float> programTwo = allParameters();

    EXPECT_TRUE(plugin->copyProgram(5));
    EXPECT_EQ(plugin->getProgram(), 2);
    EXPECT_EQ(allParameters(), programTwo);
    EXPECT_EQ(programName(5), "Twangy");

    EXPECT_TRUE(plugin->copyProgram(2));
    EXPECT_EQ(allParameters(), programTwo);
    EXPECT_EQ(programName(2), "Twangy");

    for (std::int32_t destination : {128, -1}) {
        EXPECT_FALSE(plugin->copyProgram(destination)) << "destination " << destination;
    }

    plugin->setProgram(5);
    EXPECT_EQ(allParameters(), programTwo);
    EXPECT_EQ(plugin->legato(), 0);
    EXPECT_EQ(programName(4), "Basic");
}

TEST_F(InstrumentParameters, ProgramNamesKeepAtMostTwentyThreeCharacters)
{
    struct Case {
        const char* given;
        const char* stored;
    };
    const Case cases[] = {
        {"Twenty-three characters", "Twenty-three characters"},
        {"Twenty-four characters!!", "Twenty-four characters!"},
        {"A name far too long for the twenty-four character field", "A name far too long for"},
        {"", ""},
        {"Nylon", "Nylon"},
    };
    for (const Case& c : cases) {
        std::string given = c.given;
        plugin->setProgramName(given.data());
        char text[64];
        std::memset(text, 'x', sizeof text);
        plugin->getProgramName(text);
        EXPECT_STREQ(text, c.stored);
        EXPECT_EQ(text[std::strlen(c.stored) + 1], 'x') << "writes the name and its terminator only";
    }
    plugin->setProgramName(nullptr);
    EXPECT_EQ(currentProgramName(), "Nylon");
    EXPECT_EQ(programName(1), "Basic");
}

TEST_F(InstrumentParameters, IndexedProgramNamesIgnoreTheCategory)
{
    plugin->setProgram(127);
    char name[] = "Last";
    plugin->setProgramName(name);
    plugin->setProgram(0);
    for (std::int32_t category : {-1, 0, 1, 99}) {
        char text[64] = {};
        EXPECT_TRUE(plugin->getProgramNameIndexed(category, 127, text));
        EXPECT_STREQ(text, "Last");
    }
    for (std::int32_t index : {128, -1}) {
        char text[64] = "untouched";
        EXPECT_FALSE(plugin->getProgramNameIndexed(0, index, text));
        EXPECT_STREQ(text, "untouched");
    }
    EXPECT_FALSE(plugin->getProgramNameIndexed(0, 0, nullptr));
}

TEST_F(InstrumentParameters, EveryChannelReportsItsOwnNumberAsCurrentMidiProgram)
{
    plugin->setProgram(42);
    for (std::int32_t channel = 0; channel < 16; ++channel) {
        MidiProgramName record = {};
        EXPECT_EQ(plugin->getCurrentMidiProgram(channel, &record), channel);
        EXPECT_EQ(record.thisProgramIndex, channel);
    }
}

// The limiter's restart is ModuleRenderTest's; here the stored values and what
// switching on drops and asks for.
TEST_F(InstrumentParameters, SampleRateBlockSizeAndResumeAsTheHostSetsThem)
{
    plugin->setSampleRate(48000.0f);
    EXPECT_EQ(plugin->getSampleRate(), 48000.0f);

    plugin->setBlockSize(64);
    EXPECT_EQ(plugin->getBlockSize(), 64);
    EXPECT_EQ(plugin->getSampleRate(), 48000.0f);

    module_harness::Batch batch({test_performance::noteOn(3, 60)});
    EXPECT_EQ(plugin->processEvents(batch.get()), 1);
    plugin->resume();
    std::vector<float> left(64, 1.0f);
    std::vector<float> right(64, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(nullptr, outputs, 64);
    EXPECT_EQ(left, std::vector<float>(64, 0.0f));
    EXPECT_EQ(wantMidiFilters, std::vector<std::int32_t>{1});
}

// A null batch acts as an empty one: it answers 1 and drops what was queued.
TEST_F(InstrumentParameters, ANullBatchIsAnEmptyOne)
{
    module_harness::Batch batch({test_performance::noteOn(3, 60)});
    plugin->processEvents(batch.get());
    EXPECT_EQ(plugin->processEvents(nullptr), 1);
    std::vector<float> left(64, 1.0f);
    std::vector<float> right(64, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(nullptr, outputs, 64);
    EXPECT_EQ(left, std::vector<float>(64, 0.0f));
}

TEST_F(InstrumentParameters, WithoutAHostTheRecordKeepsTheBaseDefaults)
{
    SynthPlugin bare(nullptr);
    const AEffect* record = bare.getAeffect();
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->flags, 0);
    EXPECT_EQ(record->uniqueID, fourCharCode("NoEf"));
    EXPECT_EQ(bare.getParameter(kAttack), 0.04f);

    const AEffect* hosted = plugin->getAeffect();
    EXPECT_EQ(hosted->numInputs, 0);
    EXPECT_EQ(hosted->numOutputs, 2);
    EXPECT_EQ(hosted->flags, effFlagsCanReplacing | effFlagsIsSynth);
    EXPECT_EQ(hosted->uniqueID, fourCharCode("zphr"));
}

TEST_F(InstrumentParameters, CreatedInstancesAreComplete)
{
    EffectBase* instance = createEffectInstance(versionHost);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->getAeffect()->numParams, kNumParameters);
    delete instance;
}

} // namespace
