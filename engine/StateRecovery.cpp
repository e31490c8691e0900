// Recovery from values that are not finite. A host that sets a parameter to NaN or
// infinity for a moment (automation faults do) would otherwise leave NaN circulating
// in the string loop and the filters for good, silencing the instrument until it is
// reloaded. Checked once per block; finite state is never touched.
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

void SynthPlugin::recoverVoiceState(float* left, float* right, std::int32_t sampleFrames)
{
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        if (!std::isfinite(left[i])) {
            left[i] = 0.0f;
        }
        if (!std::isfinite(right[i])) {
            right[i] = 0.0f;
        }
    }
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
