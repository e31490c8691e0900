// The direct base of the instrument: serves the extended requests (opcodes 25 to
// 76) with default answers, passes every other opcode to the basic dispatcher, and
// adds the requests a plug-in sends to the host for time, tempo, windows, files,
// MIDI interest and automation gestures. It adds no state of its own.
#pragma once

#include "host/EffectBase.h"

class ExtendedEffect : public EffectBase {
public:
    ExtendedEffect(HostCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);
    ~ExtendedEffect() override;

    VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt) override;

    virtual EditorInterface* getEditor();
    virtual void wantEvents(std::int32_t filter = 1);
    virtual VstTimeInfo* getTimeInfo(std::int32_t filter);
    virtual std::int32_t tempoAt(std::int32_t position);
    virtual std::int32_t processEvents(VstEvents* events);
    virtual std::int32_t getNumAutomatableParameters();
    virtual std::int32_t getParameterQuantization();
    virtual bool canParameterBeAutomated(std::int32_t index);
    virtual bool string2parameter(std::int32_t index, char* text);
    virtual float getChannelParameter(std::int32_t channel, std::int32_t index);
    virtual std::int32_t getNumCategories();
    virtual bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text);
    virtual bool copyProgram(std::int32_t destination);
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(std::int32_t width, std::int32_t height);
    virtual float updateSampleRate();
    virtual std::int32_t updateBlockSize();
    virtual VstIntPtr getInputLatency();
    virtual VstIntPtr getOutputLatency();
    virtual AEffect* getPreviousPlug(std::int32_t input);
    virtual AEffect* getNextPlug(std::int32_t output);
    virtual void inputConnected(std::int32_t index, bool state);
    virtual void outputConnected(std::int32_t index, bool state);
    virtual bool getInputProperties(std::int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(std::int32_t index, VstPinProperties* properties);
    virtual std::int32_t getPlugCategory();
    virtual VstIntPtr willProcessReplacing();
    virtual VstIntPtr getCurrentProcessLevel();
    virtual VstIntPtr getAutomationState();
    virtual void wantAsyncOperation(bool state = true);
    virtual void hasExternalBuffer(bool state = true);
    virtual VstIntPtr reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    virtual bool offlineRead(VstOfflineTask* offline, std::int32_t option, bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, std::int32_t option);
    virtual bool offlineStart(VstAudioFile* files, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles);
    virtual std::int32_t offlineGetCurrentPass();
    virtual std::int32_t offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* files, std::int32_t count, bool start);
    virtual bool offlinePrepare(VstOfflineTask* offline, std::int32_t count);
    virtual bool offlineRun(VstOfflineTask* offline, std::int32_t count);
    virtual std::int32_t offlineGetNumPasses();
    virtual std::int32_t offlineGetNumMetaPasses();
    virtual void setOutputSamplerate(float sampleRate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstIntPtr getHostVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstIntPtr a, VstIntPtr b, void* pointer, float f);
    virtual std::int32_t canHostDo(char* text);
    virtual void isSynth(bool state = true);
    virtual void noTail(bool state = true);
    virtual VstIntPtr getHostLanguage();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(VstVariableIo* varIo);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput, VstSpeakerArrangement* pluginOutput);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** pluginInput, VstSpeakerArrangement** pluginOutput);
    virtual void setBlockSizeAndSampleRate(std::int32_t newBlockSize, float newSampleRate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* name);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual std::int32_t getVendorVersion();
    virtual VstIntPtr vendorSpecific(std::int32_t index, VstIntPtr value, void* ptr, float opt);
    virtual std::int32_t canDo(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(std::int32_t x, std::int32_t y);
    virtual std::int32_t getGetTailSize();
    virtual std::int32_t fxIdle();
    virtual bool getParameterProperties(std::int32_t index, VstParameterProperties* properties);
    virtual bool keysRequired();
    virtual std::int32_t getVstVersion();
    virtual std::int32_t getMidiProgramName(std::int32_t channel, MidiProgramName* midiProgramName);
    virtual std::int32_t getCurrentMidiProgram(std::int32_t channel, MidiProgramName* currentProgram);
    virtual std::int32_t getMidiProgramCategory(std::int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(std::int32_t channel);
    virtual bool getMidiKeyName(std::int32_t channel, MidiKeyName* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool beginEdit(std::int32_t index);
    virtual bool endEdit(std::int32_t index);
    virtual bool openFileSelector(VstFileSelect* select);
    virtual VstIntPtr setTotalSampleToProcess(VstIntPtr value);
    virtual std::int32_t getNextShellPlugin(char* name);
    virtual std::int32_t startProcess();
    virtual std::int32_t stopProcess();
    virtual bool setPanLaw(std::int32_t type, float value);
    virtual std::int32_t beginLoadBank(VstPatchChunkInfo* info);
    virtual std::int32_t beginLoadProgram(VstPatchChunkInfo* info);
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, std::int32_t numChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    bool sendVstEventsToHost(VstEvents* events);
    bool closeFileSelector(VstFileSelect* select);
    bool getChunkFile(void* nativePath);
};
