// The binary interface between a host and the module: the plug-in record, the
// function types of its entries and of the host callback, the opcode numbers in
// both directions, and the records that cross the interface by pointer.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

// Pointer-sized integer of the dispatcher's value and answer and of the host
// callback's value and answer: 4 bytes on 32-bit, 8 on 64-bit.
using VstIntPtr = std::intptr_t;

struct AEffect;

using HostCallback = VstIntPtr(VSTCALLBACK*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                             VstIntPtr value, void* ptr, float opt);
using DispatcherProc = VstIntPtr(VSTCALLBACK*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                               VstIntPtr value, void* ptr, float opt);
using ProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                       std::int32_t sampleFrames);
using SetParameterProc = void(VSTCALLBACK*)(AEffect* effect, std::int32_t index, float value);
using GetParameterProc = float(VSTCALLBACK*)(AEffect* effect, std::int32_t index);

// A four-character code with its first character in the most significant byte.
constexpr std::int32_t fourCharCode(const char (&text)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

constexpr std::int32_t kEffectMagic = fourCharCode("VstP");

// The plug-in record the host holds for every instance.
struct AEffect {
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    std::int32_t initialDelay;
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacing;
    // The null double-precision render slot followed by the reserved bytes.
    char future[60];
};

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144, "32-bit record is 144 bytes");
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8, "32-bit layout");
static_assert(offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16, "32-bit layout");
static_assert(offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24, "32-bit layout");
static_assert(offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32, "32-bit layout");
static_assert(offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40, "32-bit layout");
static_assert(offsetof(AEffect, resvd2) == 44 && offsetof(AEffect, initialDelay) == 48, "32-bit layout");
static_assert(offsetof(AEffect, realQualities) == 52 && offsetof(AEffect, offQualities) == 56, "32-bit layout");
static_assert(offsetof(AEffect, ioRatio) == 60 && offsetof(AEffect, object) == 64, "32-bit layout");
static_assert(offsetof(AEffect, user) == 68 && offsetof(AEffect, uniqueID) == 72, "32-bit layout");
static_assert(offsetof(AEffect, version) == 76 && offsetof(AEffect, processReplacing) == 80, "32-bit layout");
static_assert(offsetof(AEffect, future) == 84, "32-bit layout");
#else
static_assert(sizeof(AEffect) == 192, "64-bit record is 192 bytes");
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, process) == 16, "64-bit layout");
static_assert(offsetof(AEffect, setParameter) == 24 && offsetof(AEffect, getParameter) == 32, "64-bit layout");
static_assert(offsetof(AEffect, numPrograms) == 40 && offsetof(AEffect, numParams) == 44, "64-bit layout");
static_assert(offsetof(AEffect, numInputs) == 48 && offsetof(AEffect, numOutputs) == 52, "64-bit layout");
static_assert(offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64, "64-bit layout");
static_assert(offsetof(AEffect, resvd2) == 72 && offsetof(AEffect, initialDelay) == 80, "64-bit layout");
static_assert(offsetof(AEffect, realQualities) == 84 && offsetof(AEffect, offQualities) == 88, "64-bit layout");
static_assert(offsetof(AEffect, ioRatio) == 92 && offsetof(AEffect, object) == 96, "64-bit layout");
static_assert(offsetof(AEffect, user) == 104 && offsetof(AEffect, uniqueID) == 112, "64-bit layout");
static_assert(offsetof(AEffect, version) == 116 && offsetof(AEffect, processReplacing) == 120, "64-bit layout");
static_assert(offsetof(AEffect, future) == 128, "64-bit layout");
#endif

// Bits of AEffect::flags.
enum EffectFlags : std::int32_t {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// Requests from the host to the plug-in, in number order.
enum EffectOpcodes : std::int32_t {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents, // 25
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram, // 76
};
static_assert(effProcessEvents == 25 && effBeginLoadProgram == 76, "opcode numbering");

// Requests from the plug-in to the host.
enum AudioMasterOpcodes : std::int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterGetChunkFile = 48,
    audioMasterGetInputSpeakerArrangement = 49,
};

constexpr std::int32_t kPlugCategSynth = 2;

// One event of a batch; every event type shares type and byteSize.
struct VstEvent {
    std::int32_t type;
    std::int32_t byteSize;
    std::int32_t deltaFrames;
    std::int32_t flags;
    char data[16];
};

constexpr std::int32_t kVstMidiType = 1;

struct VstMidiEvent {
    std::int32_t type;
    std::int32_t byteSize;
    std::int32_t deltaFrames;
    std::int32_t flags;
    std::int32_t noteLength;
    std::int32_t noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};
static_assert(sizeof(VstMidiEvent) == 32 && offsetof(VstMidiEvent, midiData) == 24, "MIDI event layout");

// A batch of events. The declared array has two entries but a batch holds any
// number: read the pointers through a pointer to the first one.
struct VstEvents {
    std::int32_t numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];
};
static_assert(offsetof(VstEvents, events) == 2 * sizeof(void*), "event batch layout");

enum VstPinPropertiesFlags : std::int32_t {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4,
};

struct VstPinProperties {
    char label[64];
    std::int32_t flags;
    std::int32_t arrangementType;
    char shortLabel[8];
    char future[48];
};
static_assert(sizeof(VstPinProperties) == 128, "pin record layout");

struct MidiProgramName {
    std::int32_t thisProgramIndex;
    char name[64];
    std::int8_t midiProgram;
    std::int8_t midiBankMsb;
    std::int8_t midiBankLsb;
    std::int8_t reserved;
    std::int32_t parentCategoryIndex;
    std::int32_t flags;
};
static_assert(sizeof(MidiProgramName) == 80, "MIDI program name layout");

struct MidiProgramCategory {
    std::int32_t thisCategoryIndex;
    char name[64];
    std::int32_t parentCategoryIndex;
    std::int32_t flags;
};
static_assert(sizeof(MidiProgramCategory) == 76, "MIDI program category layout");

struct MidiKeyName {
    std::int32_t thisProgramIndex;
    std::int32_t thisKeyNumber;
    char keyName[64];
    std::int32_t reserved;
    std::int32_t flags;
};
static_assert(sizeof(MidiKeyName) == 80, "MIDI key name layout");

// Built afresh for each editor key request.
struct VstKeyCode {
    std::int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    std::int32_t type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112, "speaker record layout");

struct VstSpeakerArrangement {
    std::int32_t type;
    std::int32_t numChannels;
    VstSpeakerProperties speakers[1];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "arrangement layout");

// Records that are only forwarded as pointers.
struct VstTimeInfo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstVariableIo;
struct VstParameterProperties;
struct VstPatchChunkInfo;
struct VstWindow;
struct VstFileSelect;
struct ERect;
