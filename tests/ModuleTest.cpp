// The built module as a host meets it: loaded with the host kit's loader, entered
// through its exported entry point with a recording host callback, and driven only
// through the five entries of the record it answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tests/RecordingHost.h"
#include "tools/hostkit/EventBatch.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/PluginInstance.h"

namespace {

// One instance reached through its record only, closed when it goes.
class Instance {
public:
    explicit Instance(AEffect* record) : instance(record) {}
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance()
    {
        if (instance) {
            close();
        }
    }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return instance.dispatch(opcode, index, value, ptr, opt);
    }

    // The text a request writes into a buffer of '#': an answer left unterminated
    // runs on into them.
    std::string text(std::int32_t opcode, std::int32_t index = 0)
    {
        char buffer[128];
        std::memset(buffer, '#', sizeof buffer);
        buffer[sizeof buffer - 1] = '\0';
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }

    void setParameter(std::int32_t index, float value) { instance.setParameter(index, value); }
    float getParameter(std::int32_t index) { return instance.getParameter(index); }

    VstIntPtr close()
    {
        const VstIntPtr answer = dispatch(effClose);
        instance = PluginInstance();
        return answer;
    }

    AEffect* record() const { return instance.record(); }

private:
    PluginInstance instance;
};

// Two output channels of one block, filled with a value no renderer writes by chance.
struct StereoBlock {
    explicit StereoBlock(std::int32_t frames) : left(frames + 1, 0.125f), right(frames + 1, 0.125f)
    {
        outputs[0] = left.data();
        outputs[1] = right.data();
    }
    bool silentFor(std::int32_t frames) const
    {
        for (std::int32_t i = 0; i < frames; ++i) {
            if (left[i] != 0.0f || right[i] != 0.0f) {
                return false;
            }
        }
        return true;
    }
    float peak(std::int32_t frames) const
    {
        float largest = 0.0f;
        for (std::int32_t i = 0; i < frames; ++i) {
            largest = std::max({largest, std::abs(left[i]), std::abs(right[i])});
        }
        return largest;
    }
    std::vector<float> left;
    std::vector<float> right;
    float* outputs[2];
};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(module.load(ZEPHYRANT_MODULE_PATH, error)) << error;
        entry = module.entryPoint("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
    }

    AEffect* create() { return entry(host.callback()); }

    ModuleLoader module;
    RecordingHost host;
    VstEntryPoint entry = nullptr;
};

TEST_F(ModuleTest, EntryAsksForTheHostVersionWithoutARecord)
{
    Instance instance(create());
    ASSERT_NE(instance.record(), nullptr);
    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);
}

TEST_F(ModuleTest, HostAnsweringZeroToTheVersionGetsNoInstance)
{
    host.setAnswer(audioMasterVersion, 0);
    for (const char* name : {"VSTPluginMain", "main"}) {
        EXPECT_EQ(module.entryPoint(name)(host.callback()), nullptr) << name;
    }
    EXPECT_EQ(host.calls().size(), 2u);
    host.setAnswer(audioMasterVersion, -7);
    Instance instance(create());
    EXPECT_NE(instance.record(), nullptr);
}

TEST_F(ModuleTest, RecordReadsAsAHostExpects)
{
    Instance instance(create());
    const AEffect* record = instance.record();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 128);
    EXPECT_EQ(record->numParams, 19);
    EXPECT_EQ(record->numInputs, 0);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, 0x110);
    EXPECT_EQ(record->resvd1, 0);
    EXPECT_EQ(record->resvd2, 0);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->realQualities, 0);
    EXPECT_EQ(record->offQualities, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_NE(record->object, nullptr);
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(record->uniqueID, 0x7a706872);
    EXPECT_EQ(record->version, 1);
    EXPECT_NE(record->dispatcher, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    EXPECT_NE(record->setParameter, nullptr);
    EXPECT_NE(record->getParameter, nullptr);
    const std::vector<char> zeros(sizeof record->future, 0);
    EXPECT_EQ(std::memcmp(record->future, zeros.data(), zeros.size()), 0);
}

TEST_F(ModuleTest, BothExportedNamesMakeIndependentInstances)
{
    const VstEntryPoint legacy = module.entryPoint("main");
    ASSERT_NE(legacy, nullptr);
    Instance first(create());
    Instance second(legacy(host.callback()));
    ASSERT_NE(first.record(), nullptr);
    ASSERT_NE(second.record(), nullptr);
    EXPECT_NE(first.record(), second.record());
    EXPECT_NE(first.record()->object, second.record()->object);

    first.setParameter(3, 0.9f);
    first.dispatch(effSetProgram, 0, 7);
    char name[] = "Only mine";
    first.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(second.getParameter(3), 0.3f);
    EXPECT_EQ(second.dispatch(effGetProgram), 0);
    EXPECT_EQ(second.text(effGetProgramName), "Basic");
    EXPECT_EQ(first.text(effGetProgramName), "Only mine");
}

TEST_F(ModuleTest, CloseAnswersOne)
{
    Instance instance(create());
    EXPECT_EQ(instance.dispatch(effOpen), 0);
    EXPECT_EQ(instance.close(), 1);
}

TEST_F(ModuleTest, OpcodesAnswerWithTheInstrumentsValuesAndTheDefaults)
{
    Instance instance(create());
    struct Case {
        std::int32_t opcode;
        std::int32_t index;
        VstIntPtr value;
        VstIntPtr answer;
    };
    const Case cases[] = {
        {effGetProgram, 0, 0, 0},
        {effGetVu, 0, 0, 0},
        {effIdentify, 0, 0, 0x4e764566},
        {effEditGetRect, 0, 0, 0},
        {effCanBeAutomated, 0, 0, 1},
        {effCanBeAutomated, 99, 0, 1},
        {effGetNumProgramCategories, 0, 0, 1},
        {effConnectInput, 0, 1, 1},
        {effConnectOutput, 1, 0, 1},
        {effGetPlugCategory, 0, 0, 2},
        {effGetVendorVersion, 0, 0, 9536},
        {effGetTailSize, 0, 0, 0},
        {effKeysRequired, 0, 0, 1},
        {effGetVstVersion, 0, 0, 2300},
        {effHasMidiProgramsChanged, 0, 0, 0},
        {effStartProcess, 0, 0, 0},
        {effSetTotalSampleToProcess, 0, 1234, 1234},
        {77, 0, 0, 0},
        {100, 0, 0, 0},
        {-1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(instance.dispatch(c.opcode, c.index, c.value), c.answer) << "opcode " << c.opcode;
    }
    void* chunk = &instance;
    EXPECT_EQ(instance.dispatch(effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, &instance);
}

TEST_F(ModuleTest, IdentityAndCapabilitiesReachTheHost)
{
    Instance instance(create());
    EXPECT_EQ(instance.text(effGetEffectName), "Zephyrant");
    EXPECT_EQ(instance.text(effGetVendorString), "Korvantis");
    EXPECT_EQ(instance.text(effGetProductString), "Korvantis Zephyrant");

    struct Case {
        const char* text;
        VstIntPtr answer;
    };
    const Case capabilities[] = {
        {"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"midiProgramNames", 1},
        {"midiprogramnames", -1}, {"sendVstMidiEvent", -1}, {"", -1},
    };
    for (const Case& c : capabilities) {
        std::string text = c.text;
        EXPECT_EQ(instance.dispatch(effCanDo, 0, 0, text.data()), c.answer) << '"' << c.text << '"';
    }

    VstPinProperties pin = {};
    EXPECT_EQ(instance.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(instance.dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(instance.dispatch(effGetInputProperties, 0, 0, &pin), 0);
}

TEST_F(ModuleTest, ParameterTextsAndValuesTravelThroughTheRecord)
{
    Instance instance(create());
    struct Case {
        std::int32_t index;
        const char* name;
        const char* label;
        const char* display;
    };
    const Case defaults[] = {
        {0, "Exciter ", "Level", "0.500000"}, {8, "ADSRCurve", "", "-0.77999"}, {9, "Volume", "dB", "-10.4575"},
        {10, "Fixing", "", "1160.000"},      {11, "DynaTone", "", "OFF"},       {15, "Legato ", "", ""},
        {17, "ToneRama", "", "0.000000"},    {18, "PowerChord", "", ""},
    };
    for (const Case& c : defaults) {
        EXPECT_EQ(instance.text(effGetParamName, c.index), c.name);
        EXPECT_EQ(instance.text(effGetParamLabel, c.index), c.label);
        EXPECT_EQ(instance.text(effGetParamDisplay, c.index), c.display);
    }
    EXPECT_EQ(instance.text(effGetParamDisplay, 19), "");

    instance.setParameter(11, 0.5f);
    EXPECT_EQ(instance.getParameter(11), 0.5f);
    EXPECT_EQ(instance.text(effGetParamDisplay, 11), "120.0000");
    instance.setParameter(15, 0.999f);
    EXPECT_EQ(instance.getParameter(15), 0.0f);
    instance.setParameter(15, 1.0f);
    EXPECT_EQ(instance.getParameter(15), 1.0f);
    instance.setParameter(19, 0.5f);
    instance.setParameter(-1, 0.5f);
    EXPECT_EQ(instance.getParameter(19), 0.0f);
    EXPECT_EQ(instance.getParameter(-1), 0.0f);
}

TEST_F(ModuleTest, ProgramsSwitchCopyAndRenameThroughTheDispatcher)
{
    Instance instance(create());
    instance.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(instance.dispatch(effGetProgram), 2);
    instance.setParameter(4, 0.75f);
    char name[] = "A name longer than twenty-three";
    instance.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(instance.text(effGetProgramName), "A name longer than twen");
    EXPECT_EQ(instance.text(effGetProgramName).size(), 23u);

    EXPECT_EQ(instance.dispatch(effCopyProgram, 5), 1);
    EXPECT_EQ(instance.dispatch(effCopyProgram, 128), 0);
    EXPECT_EQ(instance.dispatch(effGetProgram), 2);

    char indexed[64] = {};
    EXPECT_EQ(instance.dispatch(effGetProgramNameIndexed, 5, -1, indexed), 1);
    EXPECT_STREQ(indexed, "A name longer than twen");
    EXPECT_EQ(instance.dispatch(effGetProgramNameIndexed, 128, 0, indexed), 0);

    instance.dispatch(effSetProgram, 0, 128);
    EXPECT_EQ(instance.dispatch(effGetProgram), 2);
    instance.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(instance.getParameter(4), 0.75f);
    instance.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(instance.getParameter(4), 0.04f);
}

TEST_F(ModuleTest, MidiProgramNamesReachTheHost)
{
    Instance instance(create());
    MidiProgramName program = {};
    program.thisProgramIndex = 7;
    EXPECT_EQ(instance.dispatch(effGetMidiProgramName, 0, 0, &program), 128);
    EXPECT_STREQ(program.name, "Clavi");
    EXPECT_EQ(instance.dispatch(effGetCurrentMidiProgram, 9, 0, &program), 9);
    EXPECT_STREQ(program.name, "Standard");
    EXPECT_EQ(instance.dispatch(effGetCurrentMidiProgram, 16, 0, &program), -1);

    MidiProgramCategory category = {};
    category.thisCategoryIndex = 16;
    EXPECT_EQ(instance.dispatch(effGetMidiProgramCategory, 0, 0, &category), 17);
    EXPECT_STREQ(category.name, "DrumSets");

    MidiKeyName key = {};
    EXPECT_EQ(instance.dispatch(effGetMidiKeyName, 0, 0, &key), 0);
}

TEST_F(ModuleTest, ResumeAsksTheHostForMidi)
{
    Instance instance(create());
    host.clear();
    instance.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(host.count(audioMasterWantMidi), 0u);
    for (VstIntPtr on : {1, 2}) {
        host.clear();
        instance.dispatch(effMainsChanged, 0, on);
        const std::vector<HostCall> calls = host.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
        EXPECT_EQ(calls[0].value, 1);
        EXPECT_EQ(calls[0].effect, instance.record());
    }
}

TEST_F(ModuleTest, WithoutANoteBothRenderEntriesWriteSilence)
{
    Instance instance(create());
    instance.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    instance.dispatch(effSetBlockSize, 0, 512);
    instance.dispatch(effMainsChanged, 0, 1);
    for (std::int32_t frames : {512, 1, 0, 2048}) {
        StereoBlock replacing(frames);
        instance.record()->processReplacing(instance.record(), nullptr, replacing.outputs, frames);
        EXPECT_TRUE(replacing.silentFor(frames)) << frames << " frames";
        EXPECT_EQ(replacing.left[frames], 0.125f) << "writes no further than the block";

        StereoBlock accumulating(frames);
        instance.record()->process(instance.record(), nullptr, accumulating.outputs, frames);
        EXPECT_TRUE(accumulating.silentFor(frames)) << frames << " frames";
    }
}

TEST_F(ModuleTest, NoteSentAsEventsSounds)
{
    Instance instance(create());
    instance.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    instance.dispatch(effSetBlockSize, 0, 512);
    instance.dispatch(effMainsChanged, 0, 1);

    EventBatch events(1);
    ASSERT_TRUE(events.add({0x90, 57, 100}, 10));
    EXPECT_EQ(instance.dispatch(effProcessEvents, 0, 0, events.get()), 1);

    float peak = 0.0f;
    for (int block = 0; block < 8; ++block) {
        StereoBlock output(512);
        instance.record()->processReplacing(instance.record(), nullptr, output.outputs, 512);
        peak = std::max(peak, output.peak(512));
    }
    EXPECT_GT(peak, 0.0f);
}

} // namespace
