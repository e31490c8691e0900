// The instrument: a monophonic plucked string. This class answers every question a
// host asks (parameters, programs, names, identity, MIDI program names) and renders
// through the one engine it owns, turning the host's events into engine messages.
#pragma once

#include <cstdint>

#include "engine/SynthEngine.h"
#include "host/ExtendedEffect.h"
#include "instrument/Parameters.h"
#include "instrument/SynthProgram.h"

class SynthPlugin : public ExtendedEffect {
public:
    explicit SynthPlugin(HostCallback audioMaster);
    ~SynthPlugin() override;

    // True when construction obtained everything it allocates.
    bool isComplete() const;

    // Parameters and programs.
    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    bool copyProgram(std::int32_t destination) override;
    void setSampleRate(float newSampleRate) override;
    void setBlockSize(std::int32_t newBlockSize) override;
    void resume() override;

    // Parameter texts.
    void getParameterName(std::int32_t index, char* text) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;

    // Identity and capabilities.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    std::int32_t getVendorVersion() override;
    bool getOutputProperties(std::int32_t index, VstPinProperties* properties) override;
    std::int32_t canDo(char* text) override;

    // General MIDI program names.
    std::int32_t getMidiProgramName(std::int32_t channel, MidiProgramName* midiProgramName) override;
    std::int32_t getCurrentMidiProgram(std::int32_t channel, MidiProgramName* currentProgram) override;
    std::int32_t getMidiProgramCategory(std::int32_t channel, MidiProgramCategory* category) override;
    bool hasMidiProgramsChanged(std::int32_t channel) override;
    bool getMidiKeyName(std::int32_t channel, MidiKeyName* keyName) override;

    // MIDI intake and rendering.
    std::int32_t processEvents(VstEvents* events) override;
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;

    // Live value of a parameter, as the engine reads it.
    float liveValue(ParameterIndex index) const { return engine.getParameter(index); }
    std::int32_t legato() const { return static_cast<std::int32_t>(engine.getParameterWord(kLegato)); }

private:
    // Brings the engine, set up at construction, to the instrument's starting rate.
    void setupEngine();

    SynthEngine engine;
    SynthProgram* programs = nullptr;
    std::int32_t channelProgram[16];
};
