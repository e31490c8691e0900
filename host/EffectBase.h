// Base class of every plug-in object: owns the plug-in record, keeps the host
// callback, sample rate and block size, turns the basic requests (opcodes 0 to 24)
// into virtual operations with default answers, and wraps the basic requests a
// plug-in sends back to the host.
#pragma once

#include <cstdint>

#include "host/AEffect.h"
#include "host/EditorInterface.h"
#include "engine/RelaxedAtomic.h"

class EffectBase {
public:
    EffectBase(HostCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~EffectBase();

    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // Parameters and rendering.
    virtual void setParameter(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index);
    virtual void setParameterAutomated(std::int32_t index, float value);
    virtual void process(float** inputs, float** outputs, std::int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames);

    // The basic request table.
    virtual VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt);
    virtual void open();
    virtual void close();
    virtual std::int32_t getProgram();
    virtual void setProgram(std::int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(std::int32_t index, char* label);
    virtual void getParameterDisplay(std::int32_t index, char* text);
    virtual void getParameterName(std::int32_t index, char* text);
    virtual float getVu();
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset);
    virtual void setSampleRate(float newSampleRate);
    virtual void setBlockSize(std::int32_t newBlockSize);
    virtual void suspend();
    virtual void resume();

    // Record setup, used by plug-ins while they construct themselves.
    virtual void setUniqueID(std::int32_t id);
    virtual void setNumInputs(std::int32_t inputs);
    virtual void setNumOutputs(std::int32_t outputs);
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
    virtual void programsAreChunks(bool state);
    virtual void setRealtimeQualities(std::int32_t qualities);
    virtual void setOfflineQualities(std::int32_t qualities);
    virtual void setInitialDelay(std::int32_t delay);

    virtual float getSampleRate();
    virtual std::int32_t getBlockSize();

    // Basic requests to the host.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(std::int32_t input);
    virtual bool isOutputConnected(std::int32_t output);

    // Value-to-text conversions: at most 8 visible characters and a terminator.
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(std::int32_t value, char* text);

    // The record the host holds.
    AEffect* getAeffect() { return &cEffect; }

protected:
    // Sends one request to the host with this instance's record; 0 without a host.
    VstIntPtr callHost(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void setFlag(std::int32_t flag, bool state);

    // Written by the host's user-interface thread and read by the audio thread:
    // single 32-bit quantities, loaded and stored whole.
    RelaxedAtomic<float> sampleRate;
    EditorInterface* editor;
    HostCallback audioMaster;
    std::int32_t numPrograms;
    std::int32_t numParams;
    RelaxedAtomic<std::int32_t> curProgram;
    RelaxedAtomic<std::int32_t> blockSize;
    AEffect cEffect;
};
