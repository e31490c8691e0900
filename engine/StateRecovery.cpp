// Recovery from values that are not finite. A host that sets a parameter to NaN or
// infinity for a moment (automation faults do) would otherwise leave NaN circulating
// in the string loop and the filters for good, silencing the instrument until it is
// reloaded, and would hand NaN or infinite samples to the host's mixer. Checked once
// per block; finite state and finite samples are never touched.
#include "engine/StateRecovery.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "engine/DelayLine.h"
#include "instrument/SynthPlugin.h"

namespace {

// Empties a line, including a cached reading that may hold the bad value: the
// processing step marks the cache stale, the clear refills the buffer.
void emptyLine(DelayLine* line)
{
    line->processLinear(0.0f);
    line->clear();
}

} // namespace

bool SynthPlugin::voiceStateIsFinite() const
{
    const float states[] = {stringOutput,    dcState,         noiseState,      previousOutput,  velocitySmoothed,
                            envelope,        releaseLevel,    attackStart,     sustainSmoothed, resonatorState1,
                            resonatorState2, splitLow,        splitBand,       sweepBand,       sweepLow,
                            chorusLow,       chorusFeedbackA, chorusFeedbackB, limiterGain};
    float sum = 0.0f;
    for (float state : states) {
        sum += state * 0.0f; // NaN for any NaN or infinite state, 0 otherwise
    }
    return sum == 0.0f;
}

void SynthPlugin::recoverVoiceState()
{
    for (DelayLine* line : {stringDelayA, stringDelayB, combDelay, chorusDelayA, chorusDelayB}) {
        emptyLine(line);
    }
    stringOutput = dcState = noiseState = previousOutput = velocitySmoothed = 0.0f;
    envelope = releaseLevel = attackStart = sustainSmoothed = 0.0f;
    attackCount = decayCount = releaseCount = 0.0f;
    sustainReached = false;
    noteActive = false;
    resonatorState1 = resonatorState2 = splitLow = splitBand = sweepBand = sweepLow = 0.0f;
    chorusLow = chorusFeedbackA = chorusFeedbackB = 0.0f;
    limiterGain = 1.0f;
}

void silenceNonFiniteSamples(float* left, float* right, std::int32_t sampleFrames)
{
    bool found = false;
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        found |= !(std::fabs(left[i]) <= FLT_MAX) | !(std::fabs(right[i]) <= FLT_MAX);
    }
    if (!found) {
        return;
    }
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        left[i] = std::fabs(left[i]) <= FLT_MAX ? left[i] : 0.0f;
        right[i] = std::fabs(right[i]) <= FLT_MAX ? right[i] : 0.0f;
    }
}
