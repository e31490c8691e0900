// The engine's life cycle outside rendering: the sample rate, switching on, the
// live parameter values and the intake of MIDI messages.
#include "engine/SynthEngine.h"

#include "engine/ControlClock.h"

// A new rate or switching on: the values set meanwhile are taken at once.
void SynthEngine::setSampleRate(float rate)
{
    sampleRate = rate;
    filter.restartLimiter();
    reserveDelayLines(rate);
    glide.takeNextValuesAtOnce();
}

float SynthEngine::getSampleRate() const
{
    return sampleRate;
}

void SynthEngine::followSampleRate(float rate)
{
    sampleRate = rate;
}

// Switching on drops the events queued for a block that will never come (their
// held-key changes still take effect) and starts the limiter afresh.
void SynthEngine::resume()
{
    batchOpen = false;
    queue.clear(note);
    filter.restartLimiter();
    reserveDelayLines(sampleRate);
    glide.takeNextValuesAtOnce();
}

// The design's lengths in samples and coefficients per sample mean their time and
// frequency at 44100 Hz; at another rate each stage takes the same time and frequency.
void SynthEngine::followRate(float rate)
{
    rateScale = RateScale(rate);
    controlPeriod = ControlClock::periodAt(rateScale.factor());
    exciter.setRateScale(rateScale);
    comb.setRateFactor(rateScale.factor());
    string.setRateScale(rateScale);
    filter.setRateScale(rateScale);
}

// A rate learnt only while rendering (followSampleRate) keeps the lines' sizes until
// the next rate change or switching on; meanwhile delays beyond them are limited.
void SynthEngine::reserveDelayLines(float rate)
{
    const double factor = RateScale(rate).factor();
    comb.reserve(factor);
    string.reserve(factor);
    chorus.reserve(factor);
}

void SynthEngine::setParameter(std::int32_t index, float value)
{
    setParameterWord(index, parameterWord(index, value));
}

float SynthEngine::getParameter(std::int32_t index) const
{
    return isParameterIndex(index) ? parameterValue(index, liveValues[index].word()) : 0.0f;
}

void SynthEngine::setParameterWord(std::int32_t index, std::uint32_t word)
{
    if (isParameterIndex(index)) {
        liveValues[index].setWord(word);
        // Published after the value: a block that sees the new count sees the value.
        valueChanges.store(valueChanges.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
}

std::uint32_t SynthEngine::getParameterWord(std::int32_t index) const
{
    return isParameterIndex(index) ? liveValues[index].word() : 0;
}

void SynthEngine::beginMidiBatch()
{
    queue.beginBatch(note);
    batchOpen = true;
}

void SynthEngine::addMidiMessage(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    if (!batchOpen) {
        beginMidiBatch();
    }
    queue.addMessage(frame, status, data1, data2, note);
}
