#include "engine/StereoChorus.h"

namespace {

constexpr float kInitialDelay = 1400.0f;
constexpr std::int32_t kMaximumDelay = 3000;

} // namespace

StereoChorus::StereoChorus(float rate)
    : chorusDelayA(kInitialDelay, kMaximumDelay), chorusDelayB(kInitialDelay, kMaximumDelay), lfoA(rate), lfoB(rate)
{
    lfoA.setFrequency(0.5f);
    lfoB.setFrequency(1.2f);
}

void StereoChorus::restart()
{
    emptyDelayLine(chorusDelayA);
    emptyDelayLine(chorusDelayB);
    chorusLow = chorusFeedbackA = chorusFeedbackB = 0.0f;
}
