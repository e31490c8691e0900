// The host layer as a host meets it: the record after construction, the answers
// and defaults of both opcode tables, the requests sent back to the host, the
// record entries and the speaker arrangement helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "MinimalEffect.h"
#include "RecordingEditor.h"
#include "RecordingHost.h"
#include "host/PluginMain.h"
#include "host/RecordEntries.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class HostLayer : public ::testing::Test {
protected:
    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        AEffect* const record = effect->getAeffect();
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    // Both journals outlive the effect, whose destructor reports to them.
    EffectJournal journal;
    EditorJournal editorJournal;
    RecordingHost host;
    std::unique_ptr<MinimalEffect> effect = std::make_unique<MinimalEffect>(journal, host.callback());
};

TEST_F(HostLayer, BaseConstructionFillsTheRecord)
{
    const AEffect* record = effect->getAeffect();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, MinimalEffect::kPrograms);
    EXPECT_EQ(record->numParams, MinimalEffect::kParams);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, 0);
    EXPECT_EQ(record->resvd1, 0);
    EXPECT_EQ(record->resvd2, 0);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->realQualities, 0);
    EXPECT_EQ(record->offQualities, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->object, static_cast<void*>(static_cast<EffectBase*>(effect.get())));
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(record->uniqueID, 0x4e6f4566);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->dispatcher, &dispatchEntry);
    EXPECT_EQ(record->process, &processEntry);
    EXPECT_EQ(record->processReplacing, &processReplacingEntry);
    EXPECT_EQ(record->setParameter, &setParameterEntry);
    EXPECT_EQ(record->getParameter, &getParameterEntry);
    for (char byte : record->future)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(effect->getSampleRate(), 44100.0f);
    EXPECT_EQ(effect->getBlockSize(), 1024);
    EXPECT_EQ(dispatch(effGetProgram), 0);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(HostLayer, UnhandledAndEditorOpcodesAnswerZeroWithoutAnEditor)
{
    for (std::int32_t opcode : {0, 13, 14, 15, 16, 17, 18, 19, 20, 21, 59, 60, 61, 77, 100, -1,
                                std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()})
        EXPECT_EQ(dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << "opcode " << opcode;
    EXPECT_EQ(effect->getAeffect()->flags & effFlagsHasEditor, 0);
}

// The extended defaults, each asked with a scratch buffer as ptr.
TEST_F(HostLayer, ExtendedOpcodesGiveTheirDefaultAnswers)
{
    struct Case {
        std::int32_t opcode;
        std::int32_t index;
        VstIntPtr value;
        VstIntPtr expected;
    };
    const Case cases[] = {
        {effProcessEvents, 0, 0, 0},          {effCanBeAutomated, 0, 0, 1},
        {effCanBeAutomated, 5000, 0, 1},       {effCanBeAutomated, -1, 0, 1},
        {effString2Parameter, 0, 0, 0},        {effGetNumProgramCategories, 0, 0, 1},
        {effGetProgramNameIndexed, 0, 0, 0},   {effCopyProgram, 1, 0, 0},
        {effConnectInput, 0, 1, 1},            {effConnectInput, 99, 0, 1},
        {effConnectOutput, -3, 1, 1},          {effGetInputProperties, 0, 0, 0},
        {effGetPlugCategory, 0, 0, 0},         {effGetCurrentPosition, 0, 0, 0},
        {effGetDestinationBuffer, 0, 0, 0},    {effOfflineNotify, 1, 1, 0},
        {effOfflinePrepare, 0, 1, 0},          {effOfflineRun, 0, 1, 0},
        {effProcessVarIo, 0, 0, 0},            {effSetSpeakerArrangement, 0, 0, 0},
        {effSetBypass, 0, 1, 0},               {effGetErrorText, 0, 0, 0},
        {effGetVendorString, 0, 0, 0},         {effGetProductString, 0, 0, 0},
        {effGetVendorVersion, 0, 0, 0},        {effVendorSpecific, 1, 2, 0},
        {effGetTailSize, 0, 0, 0},             {effIdle, 0, 0, 0},
        {effGetIcon, 0, 0, 0},                 {effSetViewPosition, 10, 20, 0},
        {effGetParameterProperties, 0, 0, 0},  {effKeysRequired, 0, 0, 1},
        {effGetVstVersion, 0, 0, 2300},        {effGetCurrentMidiProgram, 0, 0, -1},
        {effGetMidiProgramCategory, 0, 0, 0},  {effHasMidiProgramsChanged, 0, 0, 0},
        {effGetMidiKeyName, 0, 0, 0},          {effBeginSetProgram, 0, 0, 0},
        {effEndSetProgram, 0, 0, 0},           {effGetSpeakerArrangement, 0, 0, 0},
        {effShellGetNextPlugin, 0, 0, 0},      {effStartProcess, 0, 0, 0},
        {effStopProcess, 0, 0, 0},             {effSetTotalSampleToProcess, 0, 123456, 123456},
        {effSetPanLaw, 0, 1, 0},               {effBeginLoadBank, 0, 0, 0},
        {effBeginLoadProgram, 0, 0, 0},
    };
    for (const Case& c : cases) {
        alignas(8) char scratch[256] = {};
        EXPECT_EQ(dispatch(c.opcode, c.index, c.value, scratch, 0.5f), c.expected) << "opcode " << c.opcode;
    }
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(HostLayer, PlugCategoryFollowsTheSynthFlag)
{
    effect->isSynth(true);
    EXPECT_EQ(dispatch(effGetPlugCategory), 2);
    effect->isSynth(false);
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
}

TEST_F(HostLayer, SetProgramReachesTheOperationOnlyBelowTheProgramCount)
{
    struct Case {
        VstIntPtr value;
        bool reaches;
        std::int32_t program;
    };
    std::vector<Case> cases = {{0, true, 0},
                               {MinimalEffect::kPrograms - 1, true, MinimalEffect::kPrograms - 1},
                               {MinimalEffect::kPrograms, false, 0},
                               {1000, false, 0},
                               {-1, true, -1}};
    if (sizeof(VstIntPtr) == 8) {
        // Beyond 32 bits a value saturates instead of wrapping into a valid program.
        cases.push_back({static_cast<VstIntPtr>(INT64_C(0x100000002)), false, 0});
        cases.push_back({static_cast<VstIntPtr>(-INT64_C(0x100000000) + 2), true, INT32_MIN});
    }
    for (const Case& c : cases) {
        journal.programsSet.clear();
        EXPECT_EQ(dispatch(effSetProgram, 0, c.value), 0);
        ASSERT_EQ(journal.programsSet.size(), c.reaches ? 1u : 0u) << "value " << c.value;
        if (c.reaches) {
            EXPECT_EQ(journal.programsSet[0], c.program);
        }
    }
    dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(dispatch(effGetProgram), 2);
}

TEST_F(HostLayer, MainsChangedSuspendsOnZeroAndResumesOnAnythingElse)
{
    dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(journal.suspends, 1);
    EXPECT_EQ(journal.resumes, 0);
    for (VstIntPtr value : {1, 2, -1})
        EXPECT_EQ(dispatch(effMainsChanged, 0, value), 0);
    EXPECT_EQ(journal.suspends, 1);
    EXPECT_EQ(journal.resumes, 3);
}

TEST_F(HostLayer, SampleRateAndBlockSizeReachTheirSetters)
{
    EXPECT_EQ(dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(dispatch(effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(journal.sampleRatesSet, std::vector<float>{48000.0f});
    EXPECT_EQ(journal.blockSizesSet, std::vector<std::int32_t>{256});
    EXPECT_EQ(effect->getSampleRate(), 48000.0f);
    EXPECT_EQ(effect->getBlockSize(), 256);
}

TEST_F(HostLayer, BlockSizeAndSampleRateTogetherBypassTheSetters)
{
    EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    EXPECT_EQ(effect->getSampleRate(), 96000.0f);
    EXPECT_EQ(effect->getBlockSize(), 512);
    EXPECT_TRUE(journal.sampleRatesSet.empty());
    EXPECT_TRUE(journal.blockSizesSet.empty());
}

TEST_F(HostLayer, VuLevelIsScaledAndTruncated)
{
    struct Case {
        float level;
        VstIntPtr expected;
    };
    const Case cases[] = {{0.0f, 0},        {1.0f, 32767},  {0.5f, 16383}, {-0.5f, -16383},
                          {kNaN, 0},        {1e30f, INT32_MAX}, {-1e30f, INT32_MIN}};
    for (const Case& c : cases) {
        effect->setVu(c.level);
        EXPECT_EQ(dispatch(effGetVu), c.expected) << "level " << c.level;
    }
}

TEST_F(HostLayer, IdentifyAndChunkOpcodes)
{
    EXPECT_EQ(dispatch(effIdentify), 0x4e764566);

    void* data = &journal;
    EXPECT_EQ(dispatch(effGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(journal.pointerCalls, 1);

    char bytes[16] = {};
    EXPECT_EQ(dispatch(effSetChunk, 1, sizeof(bytes), bytes), 0);
    EXPECT_EQ(journal.chunkData, bytes);
    EXPECT_EQ(journal.chunkSize, 16);
    EXPECT_TRUE(journal.chunkIsPreset);
    EXPECT_EQ(dispatch(effSetChunk, 0, 4, bytes), 0);
    EXPECT_FALSE(journal.chunkIsPreset);
}

TEST_F(HostLayer, GetSpeakerArrangementStoresNullInEveryPlaceGiven)
{
    int dummy = 0;
    VstSpeakerArrangement* input = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
    VstSpeakerArrangement* output = input;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(HostLayer, NullPointersFromTheHostNeverReachTheOperations)
{
    struct Case {
        std::int32_t opcode;
        VstIntPtr expected;
    };
    const Case cases[] = {
        {effSetProgramName, 0},      {effGetProgramName, 0},        {effGetParamLabel, 0},
        {effGetParamDisplay, 0},     {effGetParamName, 0},          {effEditGetRect, 0},
        {effGetChunk, 0},            {effSetChunk, 0},              {effProcessEvents, 0},
        {effGetProgramNameIndexed, 0}, {effGetInputProperties, 0},  {effGetOutputProperties, 0},
        {effGetEffectName, 0},       {effGetErrorText, 0},          {effGetVendorString, 0},
        {effGetProductString, 0},    {effCanDo, 0},                 {effGetParameterProperties, 0},
        {effGetMidiProgramName, 0},  {effGetCurrentMidiProgram, -1}, {effGetMidiProgramCategory, 0},
        {effGetMidiKeyName, 0},      {effShellGetNextPlugin, 0},    {effBeginLoadBank, 0},
        {effBeginLoadProgram, 0},
    };
    effect->attachEditor(new RecordingEditor(editorJournal));
    for (const Case& c : cases)
        EXPECT_EQ(dispatch(c.opcode, 0, 8, nullptr), c.expected) << "opcode " << c.opcode;
    EXPECT_EQ(journal.pointerCalls, 0);
    EXPECT_EQ(journal.chunkData, nullptr);
    EXPECT_EQ(editorJournal.rectPlace, nullptr);
}

TEST_F(HostLayer, PointerOperationsAnswerThroughTheDispatcher)
{
    char text[64] = {};
    EXPECT_EQ(dispatch(effGetParamName, 0, 0, text), 0);
    EXPECT_STREQ(text, "Minimal");
    EXPECT_EQ(dispatch(effGetEffectName, 0, 0, text), 1);
    char yes[] = "minimal";
    char no[] = "other";
    EXPECT_EQ(dispatch(effCanDo, 0, 0, yes), 1);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, no), -1);
    VstPinProperties pin{};
    EXPECT_EQ(dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, kVstPinIsActive);
}

// The base defaults that write an empty text leave a null pointer alone.
TEST(EffectBaseDefaults, EmptyTextDefaultsWriteEmptyStringsAndAcceptNull)
{
    EffectJournal journal;
    MinimalEffect effect(journal);
    EffectBase& base = effect;
    char text[8] = "xxxxxxx";
    base.EffectBase::getParameterLabel(0, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "xxxxxxx");
    base.EffectBase::getParameterDisplay(0, text);
    EXPECT_STREQ(text, "");
    base.EffectBase::setProgramName(nullptr);
    base.EffectBase::getProgramName(nullptr);
    base.EffectBase::getParameterLabel(0, nullptr);
    base.EffectBase::getParameterDisplay(0, nullptr);
    base.EffectBase::getParameterName(0, nullptr);
}

TEST_F(HostLayer, EditorRequestsAreForwardedWhenAnEditorIsAttached)
{
    effect->attachEditor(new RecordingEditor(editorJournal));
    int place = 0;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &place), RecordingEditor::kRectAnswer);
    EXPECT_EQ(editorJournal.rectPlace, &place);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &place), RecordingEditor::kOpenAnswer);
    EXPECT_EQ(editorJournal.openedWith, &place);
    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_EQ(editorJournal.closes, 1);
    EXPECT_EQ(editorJournal.idles, 1);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), RecordingEditor::kKnobAnswer);
    EXPECT_EQ(editorJournal.knobMode, 2);
    EXPECT_EQ(dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), RecordingEditor::kKeyUpAnswer);
    EXPECT_EQ(editorJournal.keysUp, 1);

    effect.reset();
    EXPECT_TRUE(editorJournal.destroyed);
}

TEST_F(HostLayer, KeyCodeIsBuiltFromIndexValueAndTruncatedOpt)
{
    effect->attachEditor(new RecordingEditor(editorJournal));
    struct Case {
        std::int32_t index;
        VstIntPtr value;
        float opt;
        unsigned char virt;
        unsigned char modifier;
    };
    const Case cases[] = {
        {'A', 0x1234, 258.9f, 0x34, 2},  {-5, -1, -1.5f, 0xff, 0xff},      {0, 300, 255.99f, 44, 255},
        {1, 0, kNaN, 0, 0},              {2, 0, 3e9f, 0, 0},               {3, 0, 16777215.0f, 0, 0xff},
        {5, 0, -16777215.0f, 0, 0x01},
        {4, 0, std::numeric_limits<float>::infinity(), 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dispatch(effEditKeyDown, c.index, c.value, nullptr, c.opt), RecordingEditor::kKeyDownAnswer);
        EXPECT_EQ(editorJournal.lastKey.character, c.index);
        EXPECT_EQ(editorJournal.lastKey.virt, c.virt) << "value " << c.value;
        EXPECT_EQ(editorJournal.lastKey.modifier, c.modifier) << "opt " << c.opt;
    }
}

TEST_F(HostLayer, FlagSettersChangeOnlyTheirOwnBit)
{
    struct Case {
        std::function<void(bool)> set;
        std::int32_t bit;
    };
    MinimalEffect& e = *effect;
    const Case cases[] = {
        {[&](bool s) { e.hasClip(s); }, 2},
        {[&](bool s) { e.hasVu(s); }, 4},
        {[&](bool s) { e.canMono(s); }, 8},
        {[&](bool s) { e.canProcessReplacing(s); }, 16},
        {[&](bool s) { e.programsAreChunks(s); }, 32},
        {[&](bool s) { e.isSynth(s); }, 256},
        {[&](bool s) { e.noTail(s); }, 512},
        {[&](bool s) { e.wantAsyncOperation(s); }, 1024},
        {[&](bool s) { e.hasExternalBuffer(s); }, 2048},
    };
    std::int32_t& flags = effect->getAeffect()->flags;
    for (const Case& c : cases) {
        flags = 0;
        c.set(true);
        EXPECT_EQ(flags, c.bit);
        flags = -1;
        c.set(false);
        EXPECT_EQ(flags, ~c.bit);
    }
}

TEST_F(HostLayer, CloseRunsCloseThenDestroysTheObjectAndAnswersOne)
{
    AEffect* record = effect.release()->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(journal.closes, 1);
    EXPECT_EQ(journal.destroyed, 1);
}

TEST_F(HostLayer, RecordEntriesReachTheObject)
{
    AEffect* record = effect->getAeffect();
    record->setParameter(record, 2, 0.75f);
    EXPECT_EQ(journal.lastParameterIndex, 2);
    EXPECT_EQ(record->getParameter(record, 2), 0.75f);
    float left[4] = {};
    float right[4] = {};
    float* outputs[2] = {left, right};
    record->process(record, nullptr, outputs, 4);
    record->processReplacing(record, nullptr, outputs, 4);
    EXPECT_EQ(journal.processCalls, 1);
    EXPECT_EQ(journal.replacingCalls, 1);
}

TEST(RecordEntries, ANullRecordOrObjectIsIgnored)
{
    AEffect orphan{};
    for (AEffect* record : {static_cast<AEffect*>(nullptr), &orphan}) {
        EXPECT_EQ(dispatchEntry(record, effClose, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(dispatchEntry(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
        processEntry(record, nullptr, nullptr, 16);
        processReplacingEntry(record, nullptr, nullptr, 16);
        setParameterEntry(record, 0, 1.0f);
        EXPECT_EQ(getParameterEntry(record, 0), 0.0f);
    }
}

// Every request to the host carries the record and the documented argument mapping.
TEST_F(HostLayer, HostRequestsSendTheirArguments)
{
    char text[64] = {};
    int opaque = 0;
    void* const p = &opaque;
    VstEvents events{};
    struct Case {
        const char* name;
        std::function<void()> call;
        HostCall expected;
    };
    ExtendedEffect& e = *effect;
    const Case cases[] = {
        {"setParameterAutomated", [&] { e.setParameterAutomated(2, 0.25f); }, {nullptr, 0, 2, 0, nullptr, 0.25f}},
        {"getMasterVersion", [&] { e.getMasterVersion(); }, {nullptr, 1, 0, 0, nullptr, 0}},
        {"getCurrentUniqueId", [&] { e.getCurrentUniqueId(); }, {nullptr, 2, 0, 0, nullptr, 0}},
        {"masterIdle", [&] { e.masterIdle(); }, {nullptr, 3, 0, 0, nullptr, 0}},
        {"isInputConnected", [&] { e.isInputConnected(5); }, {nullptr, 4, 5, 0, nullptr, 0}},
        {"isOutputConnected", [&] { e.isOutputConnected(6); }, {nullptr, 4, 6, 1, nullptr, 0}},
        {"wantEvents", [&] { e.wantEvents(1); }, {nullptr, 6, 0, 1, nullptr, 0}},
        {"getTimeInfo", [&] { e.getTimeInfo(0x0f00); }, {nullptr, 7, 0, 0x0f00, nullptr, 0}},
        {"sendVstEventsToHost", [&] { e.sendVstEventsToHost(&events); }, {nullptr, 8, 0, 0, &events, 0}},
        {"tempoAt", [&] { e.tempoAt(4410); }, {nullptr, 10, 0, 4410, nullptr, 0}},
        {"getNumAutomatableParameters", [&] { e.getNumAutomatableParameters(); }, {nullptr, 11, 0, 0, nullptr, 0}},
        {"getParameterQuantization", [&] { e.getParameterQuantization(); }, {nullptr, 12, 0, 0, nullptr, 0}},
        {"ioChanged", [&] { e.ioChanged(); }, {nullptr, 13, 0, 0, nullptr, 0}},
        {"needIdle", [&] { e.needIdle(); }, {nullptr, 14, 0, 0, nullptr, 0}},
        {"sizeWindow", [&] { e.sizeWindow(640, 480); }, {nullptr, 15, 640, 480, nullptr, 0}},
        {"updateSampleRate", [&] { e.updateSampleRate(); }, {nullptr, 16, 0, 0, nullptr, 0}},
        {"updateBlockSize", [&] { e.updateBlockSize(); }, {nullptr, 17, 0, 0, nullptr, 0}},
        {"getInputLatency", [&] { e.getInputLatency(); }, {nullptr, 18, 0, 0, nullptr, 0}},
        {"getOutputLatency", [&] { e.getOutputLatency(); }, {nullptr, 19, 0, 0, nullptr, 0}},
        {"getPreviousPlug", [&] { e.getPreviousPlug(3); }, {nullptr, 20, 0, 0, nullptr, 0}},
        {"getNextPlug", [&] { e.getNextPlug(2); }, {nullptr, 21, 0, 0, nullptr, 0}},
        {"willProcessReplacing", [&] { e.willProcessReplacing(); }, {nullptr, 22, 0, 0, nullptr, 0}},
        {"getCurrentProcessLevel", [&] { e.getCurrentProcessLevel(); }, {nullptr, 23, 0, 0, nullptr, 0}},
        {"getAutomationState", [&] { e.getAutomationState(); }, {nullptr, 24, 0, 0, nullptr, 0}},
        {"offlineStart", [&] { e.offlineStart(static_cast<VstAudioFile*>(p), 3, 2); }, {nullptr, 25, 2, 3, p, 0}},
        {"offlineRead", [&] { e.offlineRead(static_cast<VstOfflineTask*>(p), 7, true); }, {nullptr, 26, 1, 7, p, 0}},
        {"offlineRead", [&] { e.offlineRead(static_cast<VstOfflineTask*>(p), 7, false); }, {nullptr, 26, 0, 7, p, 0}},
        {"offlineWrite", [&] { e.offlineWrite(static_cast<VstOfflineTask*>(p), 4); }, {nullptr, 27, 0, 4, p, 0}},
        {"offlineGetCurrentPass", [&] { e.offlineGetCurrentPass(); }, {nullptr, 28, 0, 0, nullptr, 0}},
        {"offlineGetCurrentMetaPass", [&] { e.offlineGetCurrentMetaPass(); }, {nullptr, 29, 0, 0, nullptr, 0}},
        {"setOutputSamplerate", [&] { e.setOutputSamplerate(48000.0f); }, {nullptr, 30, 0, 0, nullptr, 48000.0f}},
        {"getOutputSpeakerArrangement", [&] { e.getOutputSpeakerArrangement(); }, {nullptr, 31, 0, 0, nullptr, 0}},
        {"getHostVendorString", [&] { e.getHostVendorString(text); }, {nullptr, 32, 0, 0, text, 0}},
        {"getHostProductString", [&] { e.getHostProductString(text); }, {nullptr, 33, 0, 0, text, 0}},
        {"getHostVendorVersion", [&] { e.getHostVendorVersion(); }, {nullptr, 34, 0, 0, nullptr, 0}},
        {"hostVendorSpecific", [&] { e.hostVendorSpecific(5, 6, p, 1.5f); }, {nullptr, 35, 5, 6, p, 1.5f}},
        {"canHostDo", [&] { e.canHostDo(text); }, {nullptr, 37, 0, 0, text, 0}},
        {"getHostLanguage", [&] { e.getHostLanguage(); }, {nullptr, 38, 0, 0, nullptr, 0}},
        {"openWindow", [&] { e.openWindow(static_cast<VstWindow*>(p)); }, {nullptr, 39, 0, 0, p, 0}},
        {"closeWindow", [&] { e.closeWindow(static_cast<VstWindow*>(p)); }, {nullptr, 40, 0, 0, p, 0}},
        {"getDirectory", [&] { e.getDirectory(); }, {nullptr, 41, 0, 0, nullptr, 0}},
        {"updateDisplay", [&] { e.updateDisplay(); }, {nullptr, 42, 0, 0, nullptr, 0}},
        {"beginEdit", [&] { e.beginEdit(3); }, {nullptr, 43, 3, 0, nullptr, 0}},
        {"endEdit", [&] { e.endEdit(3); }, {nullptr, 44, 3, 0, nullptr, 0}},
        {"openFileSelector", [&] { e.openFileSelector(static_cast<VstFileSelect*>(p)); }, {nullptr, 45, 0, 0, p, 0}},
        {"closeFileSelector", [&] { e.closeFileSelector(static_cast<VstFileSelect*>(p)); }, {nullptr, 46, 0, 0, p, 0}},
        {"getChunkFile", [&] { e.getChunkFile(p); }, {nullptr, 48, 0, 0, p, 0}},
        {"getInputSpeakerArrangement", [&] { e.getInputSpeakerArrangement(); }, {nullptr, 49, 0, 0, nullptr, 0}},
    };
    for (const Case& c : cases) {
        host.clear();
        c.call();
        const std::vector<HostCall> calls = host.calls();
        ASSERT_EQ(calls.size(), 1u) << c.name;
        EXPECT_EQ(calls[0].effect, effect->getAeffect()) << c.name;
        EXPECT_EQ(calls[0].opcode, c.expected.opcode) << c.name;
        EXPECT_EQ(calls[0].index, c.expected.index) << c.name;
        EXPECT_EQ(calls[0].value, c.expected.value) << c.name;
        EXPECT_EQ(calls[0].ptr, c.expected.ptr) << c.name;
        EXPECT_EQ(calls[0].opt, c.expected.opt) << c.name;
    }
}

TEST_F(HostLayer, HostAnswersMapToResults)
{
    host.setAnswer(audioMasterVersion, 0);
    EXPECT_EQ(effect->getMasterVersion(), 1);
    host.setAnswer(audioMasterVersion, 2400);
    EXPECT_EQ(effect->getMasterVersion(), 2400);

    host.setAnswer(audioMasterPinConnected, 0);
    EXPECT_TRUE(effect->isInputConnected(0));
    EXPECT_TRUE(effect->isOutputConnected(0));
    host.setAnswer(audioMasterPinConnected, 1);
    EXPECT_FALSE(effect->isInputConnected(0));
    EXPECT_FALSE(effect->isOutputConnected(0));

    for (VstIntPtr answer : {0, 1, 2, -1}) {
        host.setAnswer(audioMasterProcessEvents, answer);
        EXPECT_EQ(effect->sendVstEventsToHost(nullptr), answer == 1) << answer;
    }

    host.setAnswer(audioMasterOfflineGetCurrentPass, 7);
    EXPECT_EQ(effect->offlineGetCurrentPass(), 1);
    host.setAnswer(audioMasterCanDo, -1);
    char text[] = "sendVstEvents";
    EXPECT_EQ(effect->canHostDo(text), 1);
    host.setAnswer(audioMasterUpdateDisplay, 5);
    EXPECT_TRUE(effect->updateDisplay());

    int timeInfo = 0;
    host.setAnswer(audioMasterGetTime, reinterpret_cast<VstIntPtr>(&timeInfo));
    EXPECT_EQ(static_cast<void*>(effect->getTimeInfo(0)), &timeInfo);
    host.setAnswer(audioMasterGetPreviousPlug, reinterpret_cast<VstIntPtr>(effect->getAeffect()));
    EXPECT_EQ(effect->getPreviousPlug(3), effect->getAeffect());
}

TEST_F(HostLayer, HostSampleRateAndBlockSizeAreTakenOnlyWhenPositive)
{
    host.setAnswer(audioMasterGetSampleRate, 48000);
    host.setAnswer(audioMasterGetBlockSize, 333);
    EXPECT_EQ(effect->updateSampleRate(), 48000.0f);
    EXPECT_EQ(effect->updateBlockSize(), 333);
    EXPECT_TRUE(journal.sampleRatesSet.empty());
    EXPECT_TRUE(journal.blockSizesSet.empty());

    for (VstIntPtr answer : {0, -5}) {
        host.setAnswer(audioMasterGetSampleRate, answer);
        host.setAnswer(audioMasterGetBlockSize, answer);
        EXPECT_EQ(effect->updateSampleRate(), 48000.0f);
        EXPECT_EQ(effect->updateBlockSize(), 333);
    }
}

TEST_F(HostLayer, NullSelectorsAndPathsAreNotSent)
{
    EXPECT_FALSE(effect->openFileSelector(nullptr));
    EXPECT_FALSE(effect->closeFileSelector(nullptr));
    EXPECT_FALSE(effect->getChunkFile(nullptr));
    EXPECT_FALSE(effect->getHostVendorString(nullptr));
    EXPECT_FALSE(effect->getHostProductString(nullptr));
    EXPECT_EQ(effect->canHostDo(nullptr), 0);
    EXPECT_TRUE(host.calls().empty());
}

TEST(HostRequestsWithoutHost, AnswerTheirNoHostValues)
{
    EffectJournal journal;
    MinimalEffect effect(journal);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(1));
    EXPECT_FALSE(effect.sendVstEventsToHost(nullptr));
    EXPECT_FALSE(effect.ioChanged());
    EXPECT_EQ(effect.getTimeInfo(0), nullptr);
    EXPECT_EQ(effect.getPreviousPlug(0), nullptr);
    EXPECT_EQ(effect.updateSampleRate(), 44100.0f);
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    effect.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(journal.lastParameterIndex, 1);
    EXPECT_EQ(journal.lastParameterValue, 0.5f);
}

// The entry point makes nothing for a missing host or a host that answers the
// version query with 0.
TEST(PluginMain, NoInstanceWithoutAHostThatAnswersTheVersionQuery)
{
    EXPECT_EQ(pluginMain(nullptr), nullptr);
    RecordingHost host;
    host.setAnswer(audioMasterVersion, 0);
    EXPECT_EQ(pluginMain(host.callback()), nullptr);
    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
}

// Speaker arrangements.

class Arrangements : public ::testing::Test {
protected:
    static VstSpeakerProperties* speaker(VstSpeakerArrangement* arrangement, std::int32_t channel)
    {
        return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<unsigned char*>(arrangement) + 8) + channel;
    }
    void TearDown() override
    {
        effect.deallocateArrangement(&first);
        effect.deallocateArrangement(&second);
    }

    EffectJournal journal;
    MinimalEffect effect{journal};
    VstSpeakerArrangement* first = nullptr;
    VstSpeakerArrangement* second = nullptr;
};

TEST_F(Arrangements, AllocationGivesAZeroedArrangementAndReplacesTheOldOne)
{
    ASSERT_TRUE(effect.allocateArrangement(&first, 2));
    ASSERT_TRUE(effect.allocateArrangement(&first, 3));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type, 0);
    EXPECT_EQ(first->numChannels, 3);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(first);
    for (std::size_t i = 8; i < 8 + 3 * 112; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;

    ASSERT_TRUE(effect.allocateArrangement(&second, 0));
    EXPECT_EQ(second->numChannels, 0);
}

TEST_F(Arrangements, NegativeChannelCountsAndNullPlacesAreRefused)
{
    EXPECT_FALSE(effect.allocateArrangement(&first, -1));
    EXPECT_EQ(first, nullptr);
    ASSERT_TRUE(effect.allocateArrangement(&second, 1));
    VstSpeakerArrangement* const kept = second;
    EXPECT_FALSE(effect.allocateArrangement(&second, std::numeric_limits<std::int32_t>::min()));
    EXPECT_EQ(second, kept);
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 1));
}

TEST_F(Arrangements, DeallocationClearsThePlace)
{
    ASSERT_TRUE(effect.allocateArrangement(&first, 1));
    EXPECT_TRUE(effect.deallocateArrangement(&first));
    EXPECT_EQ(first, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&first));
    EXPECT_TRUE(effect.deallocateArrangement(nullptr));
}

TEST_F(Arrangements, CopySpeakerCopiesTheNameUpToItsTerminator)
{
    VstSpeakerProperties from{};
    from.azimuth = 0.5f;
    from.elevation = -0.25f;
    from.radius = 2.0f;
    from.reserved = 3.0f;
    std::strcpy(from.name, "Left");
    std::memset(from.name + 5, 'z', 10);
    from.type = 7;
    std::memset(from.future, 0x42, sizeof(from.future));

    VstSpeakerProperties to;
    std::memset(&to, 0x11, sizeof(to));
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_STREQ(to.name, "Left");
    EXPECT_EQ(to.name[5], 0x11);
    EXPECT_EQ(to.azimuth, 0.5f);
    EXPECT_EQ(to.elevation, -0.25f);
    EXPECT_EQ(to.radius, 2.0f);
    EXPECT_EQ(to.reserved, 3.0f);
    EXPECT_EQ(to.type, 7);
    EXPECT_EQ(std::memcmp(to.future, from.future, sizeof(to.future)), 0);

    std::memset(from.name, 'n', sizeof(from.name));
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::string(to.name), std::string(63, 'n'));

    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

TEST_F(Arrangements, MatchMakesACopyOfTypeAndSpeakers)
{
    ASSERT_TRUE(effect.allocateArrangement(&first, 3));
    first->type = 4;
    for (std::int32_t channel = 0; channel < 3; ++channel) {
        speaker(first, channel)->azimuth = static_cast<float>(channel);
        speaker(first, channel)->name[0] = static_cast<char>('A' + channel);
        speaker(first, channel)->type = channel + 10;
    }
    ASSERT_TRUE(effect.allocateArrangement(&second, 1));
    ASSERT_TRUE(effect.matchArrangement(&second, first));
    EXPECT_EQ(second->type, 4);
    ASSERT_EQ(second->numChannels, 3);
    for (std::int32_t channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(speaker(second, channel)->azimuth, static_cast<float>(channel));
        EXPECT_EQ(speaker(second, channel)->name[0], 'A' + channel);
        EXPECT_EQ(speaker(second, channel)->type, channel + 10);
    }

    EXPECT_FALSE(effect.matchArrangement(&second, nullptr));
    EXPECT_FALSE(effect.matchArrangement(nullptr, first));
}

TEST_F(Arrangements, MatchingAnArrangementWithItselfKeepsIt)
{
    ASSERT_TRUE(effect.allocateArrangement(&first, 2));
    first->type = 9;
    VstSpeakerArrangement* const same = first;
    EXPECT_TRUE(effect.matchArrangement(&first, first));
    EXPECT_EQ(first, same);
    EXPECT_EQ(first->type, 9);
    EXPECT_EQ(first->numChannels, 2);
}

} // namespace
