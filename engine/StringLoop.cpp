#include "engine/StringLoop.h"

#include <cmath>

namespace {

constexpr std::int32_t kStringDelayCapacity = 3000;

// pi as the double nearest to it (the value of M_PI, which strict ISO headers need not declare).
constexpr double kPi = 3.14159265358979323846;

// Delay in samples of a loop sounding at frequency, taken through the line capacity.
float loopDelay(double sampleRate, double frequency, std::int32_t capacity)
{
    return static_cast<float>(sampleRate / frequency / capacity * capacity);
}

// Samples the ordinary loop's two delays must add to sound exactly at half of note
// frequency f: reading each line with peekLinear after processLinear takes one sample
// less than the two delays add up to, and the DC tracker inside the loop, the one-pole
// high-pass y = x - s, s += (x - s) rps 5, advances the phase by phi at the sounding
// frequency, which the loop repays with phi / w samples.
double ordinaryLoopCompensation(float f, float rate, float rps)
{
    const double w = 2.0 * kPi * (static_cast<double>(f) * 0.5) / static_cast<double>(rate);
    if (!(w > 0.0 && w < kPi)) {
        return 1.0;
    }
    const double r = 1.0 - static_cast<double>(rps) * 5.0;
    const double phi = std::atan2(std::sin(w), 1.0 - std::cos(w)) - std::atan2(r * std::sin(w), 1.0 - r * std::cos(w));
    return 1.0 + phi / w;
}

} // namespace

StringLoop::StringLoop()
    : stringDelayA(0.0f, kStringDelayCapacity), stringDelayB(0.0f, kStringDelayCapacity),
      stringDelayCapacity(kStringDelayCapacity)
{
}

void StringLoop::retune(float rate, float frequency, float detune, bool powerChord)
{
    const double sampleRate = rate;
    const double fd = frequency;
    if (!powerChord) {
        if (!loopTuningKnown || !sameBits(frequency, loopTuningFrequency) || !sameBits(rate, loopTuningRate)) {
            loopTuningCompensation = ordinaryLoopCompensation(frequency, rate, radiansPerSampleAt(rate));
            loopTuningKnown = true;
            loopTuningFrequency = frequency;
            loopTuningRate = rate;
        }
        const double half = loopTuningCompensation * 0.5;
        delayA = static_cast<float>(static_cast<double>(loopDelay(sampleRate, fd, stringDelayCapacity)) + half);
        delayB = static_cast<float>(static_cast<double>(loopDelay(sampleRate, fd * detune, stringDelayCapacity)) + half);
    } else {
        delayA = loopDelay(sampleRate, fd * 0.75, stringDelayCapacity);
        delayB = loopDelay(sampleRate, (detune * fd) * 0.5, stringDelayCapacity);
    }
    tuned = true;
    tunedRate = rate;
    tunedFrequency = frequency;
    tunedDetune = detune;
    tunedPowerChord = powerChord;
}

void StringLoop::restart()
{
    emptyDelayLine(stringDelayA);
    emptyDelayLine(stringDelayB);
    stringOutput = 0.0f;
    dcState = 0.0f;
}
