#include "engine/StereoChorus.h"

namespace {

constexpr float kInitialDelay = 1400.0f;
constexpr std::int32_t kMaximumDelay = 3000;

} // namespace

StereoChorus::StereoChorus(float rate)
    : chorusDelayA(kInitialDelay, kMaximumDelay), chorusDelayB(kInitialDelay, kMaximumDelay), lfoA(rate), lfoB(rate),
      modulatorRate(rate)
{
    lfoA.setFrequency(kRateA);
    lfoB.setFrequency(kRateB);
}

void StereoChorus::reserve(double rateFactor)
{
    const std::int32_t capacity = maximumDelayAtRate(kMaximumDelay, rateFactor);
    resizeDelayLine(chorusDelayA, capacity);
    resizeDelayLine(chorusDelayB, capacity);
}

void StereoChorus::restart()
{
    emptyDelayLine(chorusDelayA);
    emptyDelayLine(chorusDelayB);
    chorusLow = chorusFeedbackA = chorusFeedbackB = 0.0f;
}
