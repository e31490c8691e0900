// The instrument: a monophonic plucked string. This class answers every question a
// host asks (parameters, programs, names, identity, MIDI program names) and renders
// the voice from the engine state it holds.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"
#include "host/ExtendedEffect.h"
#include "instrument/ParameterSlot.h"
#include "instrument/Parameters.h"
#include "instrument/SynthProgram.h"

struct EnvelopeBlock;
struct ToneBlock;

class SynthPlugin : public ExtendedEffect, public EngineState {
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
    float liveValue(ParameterIndex index) const { return live[index].asFloat(); }
    std::int32_t legato() const { return live[kLegato].asInt(); }

private:
    // Builds the engine's starting state, tables, delay lines and modulators.
    void setupEngine();
    // Frees every engine object that the setup created; safe on a partial setup.
    void releaseEngine();
    // True when the setup obtained every engine object it allocates.
    bool engineReady() const;
    // Applies the queued entries due at sample index frame; advances the cursor.
    void applyQueuedEvents(std::int32_t frame, std::int32_t& cursor);
    // Gives the held-key flags of the queued entries from index first on that have not
    // taken effect yet their changes, in queue order.
    void settleHeldKeys(std::int32_t first);
    // Renders one block into the two outputs; the caller sets the floating-point mode.
    void renderBlock(float* left, float* right, std::int32_t sampleFrames);
    // One envelope step for the current sample; may close the gate.
    void envelopeStep(float velocityScale, EnvelopeBlock& block);
    float attackDecayStep(const EnvelopeBlock& block);
    void releaseStep(const EnvelopeBlock& block);
    // The distorter and the filter section with its soft clipper and limiter.
    float toneStages(float signal, bool controlTick, ToneBlock& block);
    // Envelope, overdrive, volume, chorus and channel volume; writes sample i of both outputs.
    void outputStage(float signal, const ToneBlock& block, float* left, float* right, std::int32_t i);
    // False when a state of the voice has become NaN or infinite.
    bool voiceStateIsFinite() const;
    // Starts the voice afresh after such a fault.
    void recoverVoiceState();

    SynthProgram* programs = nullptr;
    ParameterSlot live[kNumParameters];
    std::int32_t channelProgram[16];
};
