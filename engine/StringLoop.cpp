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

// The design reads its lines linearly, which damps a frequency w (radians per sample)
// by 1 - 2 q (1 - cos w) in power, q = t (1 - t) for the reading's fraction t. The
// one-pole low-pass y += (x - y) c damps it by 1 / (1 + 2 (p / c^2) (1 - cos w)),
// p = 1 - c. Away from the design rate, w is the design's w over the rate factor k, so
// p / c^2 = k^2 q gives a reading damped as the design's at every low frequency.
double matchingLowPass(float designDelay, double rateFactor)
{
    const double d = designDelay;
    const double t = d - std::floor(d);
    const double beta = rateFactor * rateFactor * (t * (1.0 - t));
    if (!(beta > 0.0)) {
        return 1.0;
    }
    const double p = ((2.0 * beta + 1.0) - std::sqrt(4.0 * beta + 1.0)) / (2.0 * beta);
    return 1.0 - p;
}

// The design's linear reading of a line at delay d, with fraction t = ceil(d) - d
// on the newer slot, delays a frequency w (radians per sample) by
// d + t - atan2(t sin w, 1 - t + t cos w) / w samples: exactly d only at w = 0.
// Returns the difference, which the design's loops keep in their pitch.
double linearReadingDelayError(float designDelay, double w)
{
    if (!(w > 0.0 && w < kPi)) {
        return 0.0;
    }
    const double d = designDelay;
    const double t = std::ceil(d) - d;
    return t - std::atan2(t * std::sin(w), 1.0 - t + t * std::cos(w)) / w;
}

// The ordinary loop's DC tracker, s += (x - s) a then y = x - s, passes a loop
// frequency w (radians per sample) with the gain (1 - a) |1 - e^-jw| / |1 - (1 - a)
// e^-jw|: about 1 - a / 2, a small loss in every round of the loop whose share
// depends on the rate, as a = 5 radiansPerSample does.
double trackerGain(double a, double w)
{
    const double r = 1.0 - a;
    return (1.0 - a) * std::sqrt((2.0 - 2.0 * std::cos(w)) / (1.0 - 2.0 * r * std::cos(w) + r * r));
}

// Samples of phase delay of that low-pass at w (radians per sample), 0 < w < pi.
double lowPassDelay(double coefficient, double w)
{
    if (!(w > 0.0 && w < kPi)) {
        return 0.0;
    }
    const double p = 1.0 - coefficient;
    return std::atan2(p * std::sin(w), 1.0 - p * std::cos(w)) / w;
}

} // namespace

StringLoop::StringLoop()
    : stringDelayA(0.0f, kStringDelayCapacity), stringDelayB(0.0f, kStringDelayCapacity),
      stringDelayCapacity(kStringDelayCapacity)
{
}

void StringLoop::retune(float rate, float frequency, float detune, bool powerChord)
{
    if (!scale.atDesignRate()) {
        retuneAwayFromDesignRate(rate, frequency, detune, powerChord);
        return;
    }
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

void StringLoop::retuneAwayFromDesignRate(float rate, float frequency, float detune, bool powerChord)
{
    const double sampleRate = rate;
    const double designRate = RateScale::kDesignRate;
    const double k = scale.factor();
    const double fd = frequency;
    // Each line: its delay at this rate, its delay at the design rate and the
    // frequency its loop sounds at.
    double lineA;
    double lineB;
    float designA;
    float designB;
    double hzA;
    double hzB;
    if (!powerChord) {
        if (!loopTuningKnown || !sameBits(frequency, loopTuningFrequency) || !sameBits(rate, loopTuningRate)) {
            loopTuningCompensation = ordinaryLoopCompensation(frequency, rate, radiansPerSampleAt(rate));
            designLoopTuningCompensation = ordinaryLoopCompensation(
                frequency, static_cast<float>(designRate), RateScale::kDesignRadiansPerSample);
            loopTuningKnown = true;
            loopTuningFrequency = frequency;
            loopTuningRate = rate;
        }
        const double half = loopTuningCompensation * 0.5;
        const double designHalf = designLoopTuningCompensation * 0.5;
        lineA = static_cast<double>(loopDelay(sampleRate, fd, stringDelayCapacity)) + half;
        lineB = static_cast<double>(loopDelay(sampleRate, fd * detune, stringDelayCapacity)) + half;
        designA = static_cast<float>(static_cast<double>(loopDelay(designRate, fd, stringDelayCapacity)) + designHalf);
        designB = static_cast<float>(static_cast<double>(loopDelay(designRate, fd * detune, stringDelayCapacity)) +
                                     designHalf);
        hzA = hzB = fd * 0.5;
        // The tracker's output is scaled to lose in each round of the loop what the
        // design's tracker loses at 44100 Hz.
        const double tracker = static_cast<double>(radiansPerSampleAt(rate)) * 5.0;
        const double designTracker = static_cast<double>(RateScale::kDesignRadiansPerSample) * 5.0;
        const double w = 2.0 * kPi * hzA / sampleRate;
        const double designW = 2.0 * kPi * hzA / designRate;
        trackerScale = w > 0.0 && w < kPi && designW < kPi
                           ? trackerGain(designTracker, designW) / trackerGain(tracker, w) * (1.0 - tracker)
                           : 1.0 - tracker;
    } else {
        hzA = fd * 0.75;
        hzB = (detune * fd) * 0.5;
        lineA = loopDelay(sampleRate, hzA, stringDelayCapacity);
        lineB = loopDelay(sampleRate, hzB, stringDelayCapacity);
        designA = loopDelay(designRate, hzA, stringDelayCapacity);
        designB = loopDelay(designRate, hzB, stringDelayCapacity);
    }
    // Each line's low-pass damps as the design's reading does; the delay gives back the
    // low-pass's own delay and keeps the design reading's pitch.
    coefficientA = matchingLowPass(designA, k);
    coefficientB = matchingLowPass(designB, k);
    delayA = static_cast<float>(lineA - lowPassDelay(coefficientA, 2.0 * kPi * hzA / sampleRate) +
                                k * linearReadingDelayError(designA, 2.0 * kPi * hzA / designRate));
    delayB = static_cast<float>(lineB - lowPassDelay(coefficientB, 2.0 * kPi * hzB / sampleRate) +
                                k * linearReadingDelayError(designB, 2.0 * kPi * hzB / designRate));
    tuned = true;
    tunedRate = rate;
    tunedFrequency = frequency;
    tunedDetune = detune;
    tunedPowerChord = powerChord;
}

void StringLoop::reserve(double rateFactor)
{
    const std::int32_t capacity = maximumDelayAtRate(kStringDelayCapacity, rateFactor);
    resizeDelayLine(stringDelayA, capacity);
    resizeDelayLine(stringDelayB, capacity);
}

void StringLoop::restart()
{
    emptyDelayLine(stringDelayA);
    emptyDelayLine(stringDelayB);
    stringOutput = 0.0f;
    dcState = 0.0f;
    readingA = readingB = 0.0f;
}
