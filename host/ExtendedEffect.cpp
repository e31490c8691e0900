#include "host/ExtendedEffect.h"

#include "host/Narrowing.h"

namespace {

constexpr VstIntPtr yesNo(bool answer)
{
    return answer ? 1 : 0;
}

// The key of an editor key request: character from index, virtual key from the
// low byte of value, modifier bits from the low byte of opt truncated.
VstKeyCode makeKeyCode(std::int32_t index, VstIntPtr value, float opt)
{
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xff);
    key.modifier = lowByteOfTruncated(opt);
    return key;
}

} // namespace

ExtendedEffect::ExtendedEffect(HostCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams)
    : EffectBase(audioMaster, numPrograms, numParams)
{
}

ExtendedEffect::~ExtendedEffect() = default;

// The extended request table, opcodes 25 to 76; every other opcode goes to the
// basic table unchanged. Operations that write through ptr, or read a record or
// text from it, are skipped when the host passes a null pointer (a null text
// still reaches string2parameter, where it asks whether texts are understood).
VstIntPtr ExtendedEffect::dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt)
{
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents: return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated: return yesNo(canParameterBeAutomated(index));
    case effString2Parameter: return yesNo(string2parameter(index, text));
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed:
        return yesNo(text && getProgramNameIndexed(saturateToInt32(value), index, text));
    case effCopyProgram: return yesNo(copyProgram(index));
    case effConnectInput: inputConnected(index, value != 0); return 1;
    case effConnectOutput: outputConnected(index, value != 0); return 1;
    case effGetInputProperties:
        return yesNo(ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
        return yesNo(ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return reportCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
        return yesNo(offlineNotify(static_cast<VstAudioFile*>(ptr), saturateToInt32(value), index != 0));
    case effOfflinePrepare: return yesNo(offlinePrepare(static_cast<VstOfflineTask*>(ptr), saturateToInt32(value)));
    case effOfflineRun: return yesNo(offlineRun(static_cast<VstOfflineTask*>(ptr), saturateToInt32(value)));
    case effProcessVarIo: return yesNo(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return yesNo(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                           static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate: setBlockSizeAndSampleRate(saturateToInt32(value), opt); return 1;
    case effSetBypass: return yesNo(setBypass(value != 0));
    case effGetEffectName: return yesNo(text && getEffectName(text));
    case effGetErrorText: return yesNo(text && getErrorText(text));
    case effGetVendorString: return yesNo(text && getVendorString(text));
    case effGetProductString: return yesNo(text && getProductString(text));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text ? canDo(text) : 0;
    case effGetTailSize: return getGetTailSize();
    case effIdle: return fxIdle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return yesNo(setViewPosition(index, saturateToInt32(value)));
    case effGetParameterProperties:
        return yesNo(ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired: return yesNo(!keysRequired());
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown: return editor ? editor->onKeyDown(makeKeyCode(index, value, opt)) : 0;
    case effEditKeyUp: return editor ? editor->onKeyUp(makeKeyCode(index, value, opt)) : 0;
    case effSetEditKnobMode: return editor ? editor->setKnobMode(value) : 0;
    case effGetMidiProgramName: return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
    case effGetCurrentMidiProgram: return ptr ? getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr)) : -1;
    case effGetMidiProgramCategory:
        return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
    case effHasMidiProgramsChanged: return yesNo(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return yesNo(ptr && getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram: return yesNo(beginSetProgram());
    case effEndSetProgram: return yesNo(endSetProgram());
    case effGetSpeakerArrangement:
        return yesNo(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                           static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return text ? getNextShellPlugin(text) : 0;
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(value);
    case effSetPanLaw: return yesNo(setPanLaw(saturateToInt32(value), opt));
    case effBeginLoadBank: return ptr ? beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    case effBeginLoadProgram: return ptr ? beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    default: return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

EditorInterface* ExtendedEffect::getEditor()
{
    return editor;
}

void ExtendedEffect::wantEvents(std::int32_t filter)
{
    callHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* ExtendedEffect::getTimeInfo(std::int32_t filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

std::int32_t ExtendedEffect::tempoAt(std::int32_t position)
{
    return saturateToInt32(callHost(audioMasterTempoAt, 0, position));
}

std::int32_t ExtendedEffect::processEvents(VstEvents*)
{
    return 0;
}

std::int32_t ExtendedEffect::getNumAutomatableParameters()
{
    return saturateToInt32(callHost(audioMasterGetNumAutomatableParameters));
}

std::int32_t ExtendedEffect::getParameterQuantization()
{
    return saturateToInt32(callHost(audioMasterGetParameterQuantization));
}

bool ExtendedEffect::canParameterBeAutomated(std::int32_t)
{
    return true;
}

bool ExtendedEffect::string2parameter(std::int32_t, char*)
{
    return false;
}

float ExtendedEffect::getChannelParameter(std::int32_t, std::int32_t)
{
    return 0.0f;
}

std::int32_t ExtendedEffect::getNumCategories()
{
    return 1;
}

bool ExtendedEffect::getProgramNameIndexed(std::int32_t, std::int32_t, char*)
{
    return false;
}

bool ExtendedEffect::copyProgram(std::int32_t)
{
    return false;
}

bool ExtendedEffect::ioChanged()
{
    return callHost(audioMasterIOChanged) != 0;
}

bool ExtendedEffect::needIdle()
{
    return callHost(audioMasterNeedIdle) != 0;
}

bool ExtendedEffect::sizeWindow(std::int32_t width, std::int32_t height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

// The host's rate and block size replace the stored ones only when positive;
// the virtual setters are not called, so no plug-in reaction runs here.
float ExtendedEffect::updateSampleRate()
{
    const VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0)
        sampleRate = static_cast<float>(rate);
    return sampleRate;
}

std::int32_t ExtendedEffect::updateBlockSize()
{
    const VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0)
        blockSize = saturateToInt32(size);
    return blockSize;
}

VstIntPtr ExtendedEffect::getInputLatency()
{
    return callHost(audioMasterGetInputLatency);
}

VstIntPtr ExtendedEffect::getOutputLatency()
{
    return callHost(audioMasterGetOutputLatency);
}

// The pin number is not part of the request: the host answers for the first pin.
AEffect* ExtendedEffect::getPreviousPlug(std::int32_t)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* ExtendedEffect::getNextPlug(std::int32_t)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

void ExtendedEffect::inputConnected(std::int32_t, bool) {}

void ExtendedEffect::outputConnected(std::int32_t, bool) {}

bool ExtendedEffect::getInputProperties(std::int32_t, VstPinProperties*)
{
    return false;
}

bool ExtendedEffect::getOutputProperties(std::int32_t, VstPinProperties*)
{
    return false;
}

std::int32_t ExtendedEffect::getPlugCategory()
{
    return (cEffect.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : 0;
}

VstIntPtr ExtendedEffect::willProcessReplacing()
{
    return callHost(audioMasterWillReplaceOrAccumulate);
}

VstIntPtr ExtendedEffect::getCurrentProcessLevel()
{
    return callHost(audioMasterGetCurrentProcessLevel);
}

VstIntPtr ExtendedEffect::getAutomationState()
{
    return callHost(audioMasterGetAutomationState);
}

void ExtendedEffect::wantAsyncOperation(bool state)
{
    setFlag(effFlagsExtIsAsync, state);
}

void ExtendedEffect::hasExternalBuffer(bool state)
{
    setFlag(effFlagsExtHasBuffer, state);
}

VstIntPtr ExtendedEffect::reportCurrentPosition()
{
    return 0;
}

float* ExtendedEffect::reportDestinationBuffer()
{
    return nullptr;
}

bool ExtendedEffect::offlineRead(VstOfflineTask* offline, std::int32_t option, bool readSource)
{
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool ExtendedEffect::offlineWrite(VstOfflineTask* offline, std::int32_t option)
{
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool ExtendedEffect::offlineStart(VstAudioFile* files, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles)
{
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

std::int32_t ExtendedEffect::offlineGetCurrentPass()
{
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

std::int32_t ExtendedEffect::offlineGetCurrentMetaPass()
{
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

bool ExtendedEffect::offlineNotify(VstAudioFile*, std::int32_t, bool)
{
    return false;
}

bool ExtendedEffect::offlinePrepare(VstOfflineTask*, std::int32_t)
{
    return false;
}

bool ExtendedEffect::offlineRun(VstOfflineTask*, std::int32_t)
{
    return false;
}

std::int32_t ExtendedEffect::offlineGetNumPasses()
{
    return 0;
}

std::int32_t ExtendedEffect::offlineGetNumMetaPasses()
{
    return 0;
}

void ExtendedEffect::setOutputSamplerate(float rate)
{
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

VstSpeakerArrangement* ExtendedEffect::getInputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* ExtendedEffect::getOutputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

// Text requests: the host writes into or reads from the text, so a null text is
// not sent and answers false.
bool ExtendedEffect::getHostVendorString(char* text)
{
    return text && callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool ExtendedEffect::getHostProductString(char* text)
{
    return text && callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstIntPtr ExtendedEffect::getHostVendorVersion()
{
    return callHost(audioMasterGetVendorVersion);
}

VstIntPtr ExtendedEffect::hostVendorSpecific(VstIntPtr a, VstIntPtr b, void* pointer, float f)
{
    return callHost(audioMasterVendorSpecific, saturateToInt32(a), b, pointer, f);
}

std::int32_t ExtendedEffect::canHostDo(char* text)
{
    return text && callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

void ExtendedEffect::isSynth(bool state)
{
    setFlag(effFlagsIsSynth, state);
}

void ExtendedEffect::noTail(bool state)
{
    setFlag(effFlagsNoSoundInStop, state);
}

VstIntPtr ExtendedEffect::getHostLanguage()
{
    return callHost(audioMasterGetLanguage);
}

void* ExtendedEffect::openWindow(VstWindow* window)
{
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool ExtendedEffect::closeWindow(VstWindow* window)
{
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* ExtendedEffect::getDirectory()
{
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool ExtendedEffect::updateDisplay()
{
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool ExtendedEffect::processVariableIo(VstVariableIo*)
{
    return false;
}

bool ExtendedEffect::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*)
{
    return false;
}

// No arrangement of its own: each place the host gives is told so with null.
bool ExtendedEffect::getSpeakerArrangement(VstSpeakerArrangement** pluginInput, VstSpeakerArrangement** pluginOutput)
{
    if (pluginInput)
        *pluginInput = nullptr;
    if (pluginOutput)
        *pluginOutput = nullptr;
    return false;
}

// Both values are stored as they come, bypassing the virtual setters, so a
// plug-in's reaction to a new sample rate does not run on this path.
void ExtendedEffect::setBlockSizeAndSampleRate(std::int32_t newBlockSize, float newSampleRate)
{
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

bool ExtendedEffect::setBypass(bool)
{
    return false;
}

bool ExtendedEffect::getEffectName(char*)
{
    return false;
}

bool ExtendedEffect::getErrorText(char*)
{
    return false;
}

bool ExtendedEffect::getVendorString(char*)
{
    return false;
}

bool ExtendedEffect::getProductString(char*)
{
    return false;
}

std::int32_t ExtendedEffect::getVendorVersion()
{
    return 0;
}

VstIntPtr ExtendedEffect::vendorSpecific(std::int32_t, VstIntPtr, void*, float)
{
    return 0;
}

std::int32_t ExtendedEffect::canDo(char*)
{
    return 0;
}

void* ExtendedEffect::getIcon()
{
    return nullptr;
}

bool ExtendedEffect::setViewPosition(std::int32_t, std::int32_t)
{
    return false;
}

std::int32_t ExtendedEffect::getGetTailSize()
{
    return 0;
}

std::int32_t ExtendedEffect::fxIdle()
{
    return 0;
}

bool ExtendedEffect::getParameterProperties(std::int32_t, VstParameterProperties*)
{
    return false;
}

bool ExtendedEffect::keysRequired()
{
    return false;
}

std::int32_t ExtendedEffect::getVstVersion()
{
    return 2300;
}

std::int32_t ExtendedEffect::getMidiProgramName(std::int32_t, MidiProgramName*)
{
    return 0;
}

std::int32_t ExtendedEffect::getCurrentMidiProgram(std::int32_t, MidiProgramName*)
{
    return -1;
}

std::int32_t ExtendedEffect::getMidiProgramCategory(std::int32_t, MidiProgramCategory*)
{
    return 0;
}

bool ExtendedEffect::hasMidiProgramsChanged(std::int32_t)
{
    return false;
}

bool ExtendedEffect::getMidiKeyName(std::int32_t, MidiKeyName*)
{
    return false;
}

bool ExtendedEffect::beginSetProgram()
{
    return false;
}

bool ExtendedEffect::endSetProgram()
{
    return false;
}

bool ExtendedEffect::beginEdit(std::int32_t index)
{
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool ExtendedEffect::endEdit(std::int32_t index)
{
    return callHost(audioMasterEndEdit, index) != 0;
}

bool ExtendedEffect::openFileSelector(VstFileSelect* select)
{
    return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

VstIntPtr ExtendedEffect::setTotalSampleToProcess(VstIntPtr value)
{
    return value;
}

std::int32_t ExtendedEffect::getNextShellPlugin(char*)
{
    return 0;
}

std::int32_t ExtendedEffect::startProcess()
{
    return 0;
}

std::int32_t ExtendedEffect::stopProcess()
{
    return 0;
}

bool ExtendedEffect::setPanLaw(std::int32_t, float)
{
    return false;
}

std::int32_t ExtendedEffect::beginLoadBank(VstPatchChunkInfo*)
{
    return 0;
}

std::int32_t ExtendedEffect::beginLoadProgram(VstPatchChunkInfo*)
{
    return 0;
}

bool ExtendedEffect::sendVstEventsToHost(VstEvents* events)
{
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

bool ExtendedEffect::closeFileSelector(VstFileSelect* select)
{
    return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool ExtendedEffect::getChunkFile(void* nativePath)
{
    return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
