// The smallest plug-in on the extended base: it keeps every default and notes in
// a journal, which outlives it, what the dispatcher and the record entries asked
// of it. A few operations write through or read from their pointer without
// checking it, as a real plug-in would, so that a null pointer that reached them
// would show under the address sanitizer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/ExtendedEffect.h"

struct EffectJournal {
    std::vector<std::int32_t> programsSet;
    std::vector<float> sampleRatesSet;
    std::vector<std::int32_t> blockSizesSet;
    int opens = 0;
    int closes = 0;
    int suspends = 0;
    int resumes = 0;
    int destroyed = 0;
    int pointerCalls = 0;
    int processCalls = 0;
    int replacingCalls = 0;
    std::int32_t lastParameterIndex = -1;
    float lastParameterValue = 0.0f;
    void* chunkData = nullptr;
    std::int32_t chunkSize = 0;
    bool chunkIsPreset = false;
};

class MinimalEffect : public ExtendedEffect {
public:
    static constexpr std::int32_t kPrograms = 4;
    static constexpr std::int32_t kParams = 3;

    explicit MinimalEffect(EffectJournal& journal, HostCallback audioMaster = nullptr)
        : ExtendedEffect(audioMaster, kPrograms, kParams), journal(journal)
    {
    }
    ~MinimalEffect() override { ++journal.destroyed; }

    void attachEditor(EditorInterface* newEditor) { editor = newEditor; }
    void setVu(float level) { vu = level; }

    void setParameter(std::int32_t index, float value) override
    {
        journal.lastParameterIndex = index;
        journal.lastParameterValue = value;
    }
    float getParameter(std::int32_t index) override
    {
        return index == journal.lastParameterIndex ? journal.lastParameterValue : 0.0f;
    }
    void process(float**, float**, std::int32_t) override { ++journal.processCalls; }
    void processReplacing(float**, float**, std::int32_t) override { ++journal.replacingCalls; }

    void open() override { ++journal.opens; }
    void close() override { ++journal.closes; }
    void setProgram(std::int32_t program) override
    {
        journal.programsSet.push_back(program);
        ExtendedEffect::setProgram(program);
    }
    float getVu() override { return vu; }
    std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset) override
    {
        journal.chunkData = data;
        journal.chunkSize = byteSize;
        journal.chunkIsPreset = isPreset;
        return 0;
    }
    void setSampleRate(float newSampleRate) override
    {
        journal.sampleRatesSet.push_back(newSampleRate);
        ExtendedEffect::setSampleRate(newSampleRate);
    }
    void setBlockSize(std::int32_t newBlockSize) override
    {
        journal.blockSizesSet.push_back(newBlockSize);
        ExtendedEffect::setBlockSize(newBlockSize);
    }
    void suspend() override { ++journal.suspends; }
    void resume() override { ++journal.resumes; }

    // Unchecked pointer users.
    void getParameterName(std::int32_t, char* text) override { writeName(text); }
    void getProgramName(char* name) override { writeName(name); }
    std::int32_t getChunk(void** data, bool) override
    {
        ++journal.pointerCalls;
        *data = nullptr;
        return 0;
    }
    std::int32_t processEvents(VstEvents* events) override
    {
        ++journal.pointerCalls;
        return events->numEvents > 0 ? 1 : 0;
    }
    bool getEffectName(char* name) override
    {
        writeName(name);
        return true;
    }
    std::int32_t canDo(char* text) override
    {
        ++journal.pointerCalls;
        return std::strcmp(text, "minimal") == 0 ? 1 : -1;
    }
    bool getOutputProperties(std::int32_t, VstPinProperties* properties) override
    {
        ++journal.pointerCalls;
        properties->flags = kVstPinIsActive;
        return true;
    }
    std::int32_t getMidiProgramName(std::int32_t, MidiProgramName* name) override
    {
        ++journal.pointerCalls;
        name->midiProgram = 0;
        return 1;
    }

private:
    void writeName(char* text)
    {
        ++journal.pointerCalls;
        std::strcpy(text, "Minimal");
    }

    EffectJournal& journal;
    float vu = 0.0f;
};
