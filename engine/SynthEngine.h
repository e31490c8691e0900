// The sound engine as every front end uses it: a sample rate, the 19 parameter
// values and MIDI messages go in, two channels of samples come out. It owns the
// whole voice, its delay lines, modulators and tables, and allocates nothing after
// construction.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/AmplitudeEnvelope.h"
#include "engine/ChokeFade.h"
#include "engine/CombFilter.h"
#include "engine/ControlClock.h"
#include "engine/Distorter.h"
#include "engine/EngineParameters.h"
#include "engine/EventQueue.h"
#include "engine/FilterSection.h"
#include "engine/NoteState.h"
#include "engine/Overdrive.h"
#include "engine/ParameterGlide.h"
#include "engine/ParameterSlot.h"
#include "engine/PickExciter.h"
#include "engine/RateScale.h"
#include "engine/RelaxedAtomic.h"
#include "engine/StereoChorus.h"
#include "engine/StringLoop.h"
#include "engine/VelocityFollower.h"

class SynthEngine {
public:
    // The whole setup at 44100 Hz, with the basic program's values; the only place
    // that allocates.
    SynthEngine();
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // False when an allocation of the setup failed; such an engine renders nothing.
    bool isValid() const;

    // Stores the rate and sets the limiter's gain back to 1.
    void setSampleRate(float rate);
    float getSampleRate() const;
    // Stores the rate and changes nothing else: for a rate a front end learns
    // outside of its own rate change.
    void followSampleRate(float rate);
    // Empties the MIDI queue and sets the limiter's gain back to 1, as on switching on.
    void resume();

    // The live parameter values, from any thread. Legato keeps the integer
    // truncation of the value (NaN 0, saturating). Indices out of range are
    // ignored; reading one answers 0.
    void setParameter(std::int32_t index, float value);
    float getParameter(std::int32_t index) const;
    // The same values as the 32-bit words they are kept as (parameterWord), so that
    // a front end can store and restore them exactly, Legato's integer included.
    void setParameterWord(std::int32_t index, std::uint32_t word);
    std::uint32_t getParameterWord(std::int32_t index) const;

    // MIDI for the coming render call. beginMidiBatch discards what is still
    // queued from the previous batch; each addMidiMessage is one message (status,
    // two data bytes) at a sample offset within the coming block. A message after a
    // render call or resume without beginMidiBatch starts a new batch.
    void beginMidiBatch();
    void addMidiMessage(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // Overwrites frames samples of both channels, with flush-to-zero set for the
    // call and the caller's floating-point mode restored. frames <= 0 or a null
    // buffer writes nothing.
    void render(float* left, float* right, std::int32_t frames);

    // Silences the voice at once: its lines, filters, envelope, noise and chorus
    // modulators as on a fresh engine, no key held, the MIDI queue empty and the
    // note and controller values back at their start. Parameter values and the
    // rate stay, so what follows renders as a fresh engine with those values would.
    void reset();
    // Silences the voice within ChokeFade::kSeconds and without a click: the
    // output of the coming render calls fades out, and at the fade's end the voice
    // is silenced as by reset(), keeping the controller values. A voice that makes
    // no sound is silenced at once; a choke during a fade changes nothing.
    void choke();
    // The frames of rendering the running fade still needs, 0 when none runs; a
    // render call that ends there leaves the silenced voice to the next one.
    std::int32_t getChokeFramesLeft() const;

    // Read-only views of the engine's parts, for checks from outside.
    const NoteState& getNoteState() const { return note; }
    const EventQueue& getEventQueue() const { return queue; }
    const PickExciter& getPickExciter() const { return exciter; }
    const CombFilter& getCombFilter() const { return comb; }
    const StringLoop& getStringLoop() const { return string; }
    const AmplitudeEnvelope& getAmplitudeEnvelope() const { return amplitude; }
    const FilterSection& getFilterSection() const { return filter; }
    const StereoChorus& getStereoChorus() const { return chorus; }
    float getRadiansPerSample() const { return radiansPerSample; }
    // Calls visit(name, value) for every float the engine keeps from one sample to the next.
    template <typename Visit>
    void forEachState(Visit&& visit) const;

private:
    // The value the voice plays with: the live value, gliding when it moved.
    float liveValue(ParameterIndex index) const { return glide.value(index); }
    // Per-block values of the parameters that glide in this block, for the sample.
    void followGlides();
    // The values that stay fixed for one block, read at its start.
    void beginBlock(float rate);
    // The stages' lengths and coefficients for a new rate; allocates nothing.
    void followRate(float rate);
    // Sizes the delay lines for the rate: allocates, never while rendering.
    void reserveDelayLines(float rate);
    // Renders one block into the two outputs; the caller sets the floating-point mode.
    void renderBlock(float* left, float* right, std::int32_t frames);
    // What one block's samples carry from one to the next.
    struct BlockRun {
        ControlClock clock;
        float heldNoise;      // the pick noise at the last control tick
        float velocityScale;  // the velocity factor, 0 from the block start
        std::int32_t cursor;  // of the MIDI queue
        PickExciter pick;     // the block's copy of the exciter
    };
    void renderSamples(float* left, float* right, std::int32_t from, std::int32_t to, BlockRun& run);
    // The envelope, overdrive, volume, chorus and channel volume of one sample.
    void outputStage(float signal, double radiansPerSample, float& left, float& right);
    // False when a state of the voice has become NaN or infinite.
    bool voiceStateIsFinite() const;
    // Starts the voice afresh after such a fault.
    void recoverVoiceState();
    // Renders a block through a running choke fade.
    void renderChoke(float* left, float* right, std::int32_t frames);
    // The voice as on a fresh engine, the controller values kept.
    void silenceVoice();

    RelaxedAtomic<float> sampleRate;
    ParameterSlot liveValues[kNumParameters];
    // Counts the values set, so that a block can tell at one glance that none was.
    std::atomic<std::uint32_t> valueChanges{0};
    ParameterGlide glide;

    NoteState note;
    EventQueue queue;
    bool batchOpen = false; // a batch takes messages until the next render or resume
    ChokeFade chokeFade;

    // The angular step of one sample at the block's rate: the base coefficient of
    // every one-pole smoother.
    float radiansPerSample;
    float radiansRate; // the rate radiansPerSample and the stages' rate values were computed for
    RateScale rateScale;
    std::int32_t controlPeriod = 21; // samples between control ticks

    PickExciter exciter;
    CombFilter comb;
    StringLoop string;
    VelocityFollower velocity;
    AmplitudeEnvelope amplitude;
    Distorter distorter;
    FilterSection filter;
    Overdrive overdrive;
    StereoChorus chorus;
    float volume = 0.0f;         // "Volume" as read at the start of the block
    float previousOutput = 0.0f; // the voice times the envelope, one sample back within the block
    bool stringActive = false;   // the string played in this sample
};

template <typename Visit>
void SynthEngine::forEachState(Visit&& visit) const
{
    visit("noteFrequency", note.noteFrequency);
    visit("noteVelocity", note.noteVelocity);
    visit("channelVolume", note.channelVolume);
    visit("modWheel", note.modWheel);
    visit("radiansPerSample", radiansPerSample);
    visit("previousOutput", previousOutput);
    exciter.forEachState(visit);
    string.forEachState(visit);
    velocity.forEachState(visit);
    amplitude.forEachState(visit);
    filter.forEachState(visit);
    chorus.forEachState(visit);
}
