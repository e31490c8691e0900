// The engine's starting state: note and controller values, the limiter's gain
// table, the five delay lines and the two chorus modulators.
#include <new>

#include "engine/DelayLine.h"
#include "engine/EngineMath.h"
#include "engine/WavetableOscillator.h"
#include "instrument/SynthPlugin.h"

namespace {

constexpr float kChorusInitialDelay = 1400.0f;
constexpr std::int32_t kChorusMaximumDelay = 3000;
constexpr std::int32_t kStringDelayCapacity = 3000;
constexpr std::int32_t kCombMaximumDelay = 20000;

// Gain 1 / max(1, a) for a = i / 4096: read at 4096 |y|, it brings magnitudes
// above 1 down to 1 without a division per sample.
void fillLimiterTable(float* table)
{
    for (std::int32_t i = 0; i < kLimiterTableSize; ++i) {
        const double a = i * 0.000244140625;
        table[i] = static_cast<float>(a < 1.0 ? 1.0 : 1.0 / a);
    }
}

DelayLine* makeDelayLine(float initialDelay, std::int32_t maximumDelay)
{
    DelayLine* line = new (std::nothrow) DelayLine(initialDelay, maximumDelay);
    if (line && !line->isValid()) {
        delete line;
        return nullptr;
    }
    return line;
}

} // namespace

void SynthPlugin::setupEngine()
{
    noteFrequency = 200.0f;
    noteActive = false;
    noteVelocity = 0.0f;
    channelVolume = 1.0f;
    modWheel = 1.0f;
    for (std::int32_t& held : keyHeld) {
        held = 0;
    }
    limiterGain = 1.0f;

    limiterTable = new (std::nothrow) float[kLimiterTableSize];
    if (limiterTable) {
        fillLimiterTable(limiterTable);
    }

    chorusDelayA = makeDelayLine(kChorusInitialDelay, kChorusMaximumDelay);
    chorusDelayB = makeDelayLine(kChorusInitialDelay, kChorusMaximumDelay);

    const float rate = sampleRate.load();
    lfoA = new (std::nothrow) WavetableOscillator(rate);
    lfoB = new (std::nothrow) WavetableOscillator(rate);
    if (lfoA) {
        lfoA->setFrequency(0.5f);
    }
    if (lfoB) {
        lfoB->setFrequency(1.2f);
    }

    stringDelayCapacity = kStringDelayCapacity;
    radiansPerSample = radiansPerSampleAt(rate);
    stringDelayA = makeDelayLine(0.0f, stringDelayCapacity);
    stringDelayB = makeDelayLine(0.0f, stringDelayCapacity);
    combDelay = makeDelayLine(0.0f, kCombMaximumDelay);
    pickCounter = 0;

    queuedEvents[0].frame = -1;
    queuedEventCount = 0;
}

bool SynthPlugin::engineReady() const
{
    return limiterTable && chorusDelayA && chorusDelayB && lfoA && lfoB && stringDelayA && stringDelayB &&
           combDelay;
}

void SynthPlugin::releaseEngine()
{
    delete[] limiterTable;
    limiterTable = nullptr;
    delete chorusDelayA;
    chorusDelayA = nullptr;
    delete chorusDelayB;
    chorusDelayB = nullptr;
    delete lfoA;
    lfoA = nullptr;
    delete lfoB;
    lfoB = nullptr;
    delete stringDelayA;
    stringDelayA = nullptr;
    delete stringDelayB;
    stringDelayB = nullptr;
    delete combDelay;
    combDelay = nullptr;
}
