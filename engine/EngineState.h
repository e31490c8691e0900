// The sound engine's state: every field the setup gives a starting value and the
// event intake, render loop, envelope and tone stages read and update. The
// instrument holds it as part of itself; all of it belongs to the audio thread.
#pragma once

#include <cstdint>

#include "engine/NoteFrequencyTable.h"
#include "engine/QueuedEvent.h"

class DelayLine;
class WavetableOscillator;

constexpr std::int32_t kLimiterTableSize = 32768;

struct EngineState {
    // Note and controller state.
    float noteFrequency = 200.0f;
    bool noteActive = false;
    float noteVelocity = 0.0f;
    float channelVolume = 1.0f;
    float modWheel = 1.0f;
    std::int32_t keyHeld[128] = {};

    // Angular step of one sample: the base coefficient of every one-pole smoother.
    float radiansPerSample = 0.0f;

    // Output limiter.
    float limiterGain = 1.0f;
    float* limiterTable = nullptr;

    // Delay lines and chorus modulators, created by the setup.
    DelayLine* chorusDelayA = nullptr;
    DelayLine* chorusDelayB = nullptr;
    DelayLine* stringDelayA = nullptr;
    DelayLine* stringDelayB = nullptr;
    DelayLine* combDelay = nullptr;
    std::int32_t stringDelayCapacity = 3000;
    WavetableOscillator* lfoA = nullptr;
    WavetableOscillator* lfoB = nullptr;
    float chorusFeedbackA = 0.0f;
    float chorusFeedbackB = 0.0f;

    // Plucked-string voice.
    float noiseState = 0.0f;
    std::int32_t pickCounter = 0;
    float stringOutput = 0.0f;
    float dcState = 0.0f;
    float previousOutput = 0.0f;
    bool stringActive = false;
    float velocitySmoothed = 0.0f;
    std::uint32_t randomState = 1; // the pick noise's own generator
    // The ordinary loop's tuning compensation (in samples) for the note frequency and
    // sample rate it was last computed for: recomputed only when one of them changes.
    bool loopTuningKnown = false;
    float loopTuningFrequency = 0.0f;
    float loopTuningRate = 0.0f;
    double loopTuningCompensation = 1.0;

    // Amplitude envelope.
    float envelope = 0.0f;
    float attackCount = 0.0f;
    float decayCount = 0.0f;
    float releaseCount = 0.0f;
    float releaseLevel = 0.0f;
    float attackStart = 0.0f;
    float sustainSmoothed = 0.0f;
    bool sustainReached = false; // the held note has finished its decay and holds the sustain level

    // Tone stages.
    float resonatorState1 = 0.0f;
    float resonatorState2 = 0.0f;
    float splitLow = 0.0f;
    float splitBand = 0.0f;
    float sweepBand = 0.0f;
    float sweepLow = 0.0f;
    float chorusLow = 0.0f;

    // Pending MIDI entries of the current batch.
    QueuedEvent queuedEvents[kQueueCapacity] = {};
    std::int32_t queuedEventCount = 0;
};
