#include "host/EffectBase.h"

#include <cstring>

#include "host/Narrowing.h"
#include "host/RecordEntries.h"

namespace {

constexpr std::int32_t kNoEffectId = fourCharCode("NoEf");
constexpr std::int32_t kIdentifyAnswer = fourCharCode("NvEf");

void writeEmpty(char* text)
{
    if (text)
        text[0] = '\0';
}

} // namespace

EffectBase::EffectBase(HostCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams)
    : sampleRate(44100.0f),
      editor(nullptr),
      audioMaster(audioMaster),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0),
      blockSize(1024)
{
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = static_cast<void*>(this);
    cEffect.uniqueID = kNoEffectId;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
}

EffectBase::~EffectBase()
{
    delete editor;
    editor = nullptr;
}

void EffectBase::setParameter(std::int32_t, float) {}

float EffectBase::getParameter(std::int32_t)
{
    return 0.0f;
}

// The plug-in's own change of a parameter: applied first, then reported to the host.
void EffectBase::setParameterAutomated(std::int32_t index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float**, float**, std::int32_t) {}

// The basic request table. Operations that write through ptr are skipped when
// the host passes a null pointer; the answer is then 0.
VstIntPtr EffectBase::dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt)
{
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram: if (value < numPrograms) setProgram(saturateToInt32(value)); return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: if (text) setProgramName(text); return 0;
    case effGetProgramName: if (text) getProgramName(text); return 0;
    case effGetParamLabel: if (text) getParameterLabel(index, text); return 0;
    case effGetParamDisplay: if (text) getParameterDisplay(index, text); return 0;
    case effGetParamName: if (text) getParameterName(index, text); return 0;
    case effGetVu: return truncateToInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(saturateToInt32(value)); return 0;
    case effMainsChanged: if (value == 0) suspend(); else resume(); return 0;
    case effEditGetRect: return editor && ptr ? editor->getRect(ptr) : 0;
    case effEditOpen: return editor ? editor->open(ptr) : 0;
    case effEditClose: if (editor) editor->close(); return 0;
    case effEditDraw: return 0;
    case effEditMouse: return 0;
    case effEditKey: return 0;
    case effEditIdle: if (editor) editor->idle(); return 0;
    case effEditTop: return 0;
    case effEditSleep: return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk: return ptr ? setChunk(ptr, saturateToInt32(value), index != 0) : 0;
    default: return 0;
    }
}

void EffectBase::open() {}

void EffectBase::close() {}

std::int32_t EffectBase::getProgram()
{
    return curProgram;
}

void EffectBase::setProgram(std::int32_t program)
{
    curProgram = program;
}

void EffectBase::setProgramName(char* name)
{
    writeEmpty(name);
}

void EffectBase::getProgramName(char* name)
{
    writeEmpty(name);
}

void EffectBase::getParameterLabel(std::int32_t, char* label)
{
    writeEmpty(label);
}

void EffectBase::getParameterDisplay(std::int32_t, char* text)
{
    writeEmpty(text);
}

void EffectBase::getParameterName(std::int32_t, char* text)
{
    writeEmpty(text);
}

float EffectBase::getVu()
{
    return 0.0f;
}

std::int32_t EffectBase::getChunk(void**, bool)
{
    return 0;
}

std::int32_t EffectBase::setChunk(void*, std::int32_t, bool)
{
    return 0;
}

void EffectBase::setSampleRate(float newSampleRate)
{
    sampleRate = newSampleRate;
}

void EffectBase::setBlockSize(std::int32_t newBlockSize)
{
    blockSize = newBlockSize;
}

void EffectBase::suspend() {}

void EffectBase::resume() {}

void EffectBase::setUniqueID(std::int32_t id)
{
    cEffect.uniqueID = id;
}

void EffectBase::setNumInputs(std::int32_t inputs)
{
    cEffect.numInputs = inputs;
}

void EffectBase::setNumOutputs(std::int32_t outputs)
{
    cEffect.numOutputs = outputs;
}

void EffectBase::hasVu(bool state)
{
    setFlag(effFlagsHasVu, state);
}

void EffectBase::hasClip(bool state)
{
    setFlag(effFlagsHasClip, state);
}

void EffectBase::canMono(bool state)
{
    setFlag(effFlagsCanMono, state);
}

void EffectBase::canProcessReplacing(bool state)
{
    setFlag(effFlagsCanReplacing, state);
}

void EffectBase::programsAreChunks(bool state)
{
    setFlag(effFlagsProgramChunks, state);
}

void EffectBase::setRealtimeQualities(std::int32_t qualities)
{
    cEffect.realQualities = qualities;
}

void EffectBase::setOfflineQualities(std::int32_t qualities)
{
    cEffect.offQualities = qualities;
}

void EffectBase::setInitialDelay(std::int32_t delay)
{
    cEffect.initialDelay = delay;
}

float EffectBase::getSampleRate()
{
    return sampleRate;
}

std::int32_t EffectBase::getBlockSize()
{
    return blockSize;
}

// A host that answers 0, or no host at all, is taken to speak version 1.
std::int32_t EffectBase::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion);
    return version != 0 ? saturateToInt32(version) : 1;
}

std::int32_t EffectBase::getCurrentUniqueId()
{
    return saturateToInt32(callHost(audioMasterCurrentId));
}

void EffectBase::masterIdle()
{
    callHost(audioMasterIdle);
}

// Pin queries: the host answers 0 for a connected pin, and without a host every pin counts as connected.
bool EffectBase::isInputConnected(std::int32_t input)
{
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool EffectBase::isOutputConnected(std::int32_t output)
{
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr EffectBase::callHost(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt)
{
    if (!audioMaster)
        return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void EffectBase::setFlag(std::int32_t flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}
