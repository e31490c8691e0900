// The render loop and the plucked-string voice: per sample, the pick noise and
// burst, the comb, the string loop (one loop through both delay lines, or two
// parallel loops a fifth apart with "PowerChord"), the MIDI entries due at that
// sample, the velocity factor, the envelope and the tone and output stages.
#include <climits>
#include <cmath>

#include "engine/DelayLine.h"
#include "engine/EngineMath.h"
#include "engine/Envelope.h"
#include "engine/FloatingPointMode.h"
#include "engine/StateRecovery.h"
#include "engine/ToneStages.h"
#include "instrument/SynthPlugin.h"

namespace {

constexpr std::int32_t kControlPeriod = 21;

// Single-precision constants widened to double.
constexpr double kNoiseVelocityDepth = 0.8f;
constexpr double kNoiseFloor = 0.1f;
constexpr double kBurstSlope = 0.1600000113248825;
constexpr double kDetuneDepth = 0.04f;
constexpr double kLoopGainBase = 0.99f;
constexpr double kLoopGainSlope = 5e-6f;
constexpr float kLoopGainCap = 0.9999998807907104f;
constexpr double kCombFeedforward = 0.9f;
constexpr double kChordFeedback = 0.026f;
constexpr double kStringLevel = 1.4f;
constexpr double kVelocityDepth = 0.8f;
constexpr double kVelocityFloor = 0.2f;

// Samples of the pick burst for a note frequency: shorter for higher notes, at least 5.
std::int32_t burstLength(float frequency)
{
    const double length = (1200.0 - frequency) * kBurstSlope + 10.0;
    if (!(length >= 5.0)) {
        return 5;
    }
    return length >= INT_MAX ? INT_MAX : static_cast<std::int32_t>(length);
}

// The triangle of the pick burst at count c of B: rising from 0 to 1 at B/2 and back.
double burstTriangle(std::int32_t c, std::int32_t B)
{
    const double half = B / 2.0;
    return half > c ? 2.0 * c / B : 1.0 - 2.0 * (c - half) / B;
}

// Delay in samples of a loop sounding at frequency, taken through the line capacity.
float loopDelay(double sampleRate, double frequency, std::int32_t capacity)
{
    return static_cast<float>(sampleRate / frequency / capacity * capacity);
}

// pi as the double nearest to it (the value of M_PI, which strict ISO headers need not declare).
constexpr double kPi = 3.14159265358979323846;

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

// The two string delays for the last note frequency, detune factor and mode seen. The
// delays are a function of these three (the sample rate and the capacity are fixed for
// the block), so the same inputs, compared bit for bit, give the same delays, and the
// divisions are only redone when one of them changes: at note and pitch-bend entries
// and on control ticks. The ordinary loop's tuning compensation lives in the engine
// state, so it is recomputed only when the note frequency or the sample rate changes.
struct StringDelays {
    bool known = false;
    float frequency = 0.0f;
    float detune = 0.0f;
    bool chord = false;
    float delayA = 0.0f;
    float delayB = 0.0f;

    void update(EngineState& engine, float rate, float f, float m, bool chordMode, std::int32_t capacity)
    {
        if (known && sameBits(f, frequency) && sameBits(m, detune) && chordMode == chord) {
            return;
        }
        const double sampleRate = rate;
        const double fd = f;
        if (!chordMode) {
            if (!engine.loopTuningKnown || !sameBits(f, engine.loopTuningFrequency) ||
                !sameBits(rate, engine.loopTuningRate)) {
                engine.loopTuningCompensation = ordinaryLoopCompensation(f, rate, radiansPerSampleAt(rate));
                engine.loopTuningKnown = true;
                engine.loopTuningFrequency = f;
                engine.loopTuningRate = rate;
            }
            const double half = engine.loopTuningCompensation * 0.5;
            delayA = static_cast<float>(static_cast<double>(loopDelay(sampleRate, fd, capacity)) + half);
            delayB = static_cast<float>(static_cast<double>(loopDelay(sampleRate, fd * m, capacity)) + half);
        } else {
            delayA = loopDelay(sampleRate, fd * 0.75, capacity);
            delayB = loopDelay(sampleRate, (m * fd) * 0.5, capacity);
        }
        known = true;
        frequency = f;
        detune = m;
        chord = chordMode;
    }
};

} // namespace

void SynthPlugin::process(float** inputs, float** outputs, std::int32_t sampleFrames)
{
    processReplacing(inputs, outputs, sampleFrames);
}

void SynthPlugin::processReplacing(float** /*inputs*/, float** outputs, std::int32_t sampleFrames)
{
    FloatingPointMode flushDenormals;
    float* left = outputs ? outputs[0] : nullptr;
    float* right = outputs ? outputs[1] : nullptr;
    if (!left || !right) {
        sampleFrames = 0;
    }
    renderBlock(left, right, sampleFrames);
}

void SynthPlugin::renderBlock(float* left, float* right, std::int32_t sampleFrames)
{
    const float rate = sampleRate.load();
    radiansPerSample = radiansPerSampleAt(rate);
    const double rps = radiansPerSample;
    previousOutput = 0.0f;
    std::int32_t controlPhase = 0;
    float heldNoise = 0.0f;
    float velocityScale = 0.0f;

    EnvelopeBlock envelopeBlock =
        EnvelopeBlock::fromParameters(liveValue(kAttack), liveValue(kDecay), liveValue(kSustain),
                                      liveValue(kRelease), liveValue(kADSRCurve), rate);
    ToneBlock toneBlock = ToneBlock::fromParameters(liveValue(kVolume), rate);
    std::int32_t cursor = 0;
    StringDelays stringDelays;
    // The pick noise and its generator run in locals for the block, stored back at its
    // end: nothing else reads them while the block renders, and the noise recursion is
    // the longest chain of an idle sample, which a round trip through memory lengthens.
    float noise = noiseState;
    std::uint32_t random = randomState;

    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        if (++controlPhase >= kControlPeriod) {
            controlPhase = 0;
        }
        const bool controlTick = controlPhase == 1;

        // Pick noise: white noise scaled by velocity and "Pick", low-passed at "NisFilter".
        const float cutoff = static_cast<float>(liveValue(kNisFilter) * 3860.0 + 40.0);
        random = random * 214013u + 2531011u;
        const std::int32_t r = static_cast<std::int32_t>((random >> 16) & 0x7FFF);
        const float white = static_cast<float>(((r * 0.000030517578125 - 0.5) *
                                                (noteVelocity * kNoiseVelocityDepth + kNoiseFloor)) *
                                               liveValue(kPick) * 4.0);
        noise = static_cast<float>(noise + ((static_cast<double>(white) - noise) * rps) * cutoff);
        if (controlTick) {
            heldNoise = noise;
        }

        // Pick burst: a triangle plus noise while the gate is open, restarting only from a closed gate.
        float e = 0.0f;
        if (noteActive) {
            const std::int32_t B = burstLength(noteFrequency);
            if (pickCounter < INT_MAX) {
                ++pickCounter;
            }
            const std::int32_t c = pickCounter;
            if (c < B) {
                const float tri = static_cast<float>(burstTriangle(c, B));
                e = static_cast<float>(liveValue(kExciter) * (tri + 4.0 * noise));
                e = e > 2.0f ? 2.0f : (e < -1.0f ? -1.0f : e);
            }
        } else {
            pickCounter = 0;
        }

        // The string, while the envelope is open.
        if (envelope > 0.0f) {
            const float m = static_cast<float>(1.0 + (static_cast<double>(heldNoise) * liveValue(kModulation)) *
                                                         kDetuneDepth);
            const double f = noteFrequency;
            const bool chord = liveValue(kPowerChord) != 0.0f;
            stringDelays.update(*this, rate, noteFrequency, m, chord, stringDelayCapacity);
            stringDelayA->setDelay(stringDelays.delayA);
            stringDelayB->setDelay(stringDelays.delayB);
            float g = static_cast<float>(kLoopGainBase + (f - 620.0) * kLoopGainSlope);
            if (g > kLoopGainCap) {
                g = kLoopGainCap;
            }

            const double fixing = liveValue(kFixing);
            combDelay->setDelay(static_cast<float>((fixing * fixing) * 1210.0 + 4.0));
            const float d = combDelay->processLinear(e);
            const float x = static_cast<float>(e - d * kCombFeedforward);

            if (!chord) {
                stringDelayA->processLinear(static_cast<float>(static_cast<double>(g) * stringOutput + x));
                stringDelayB->processLinear(stringDelayA->peekLinear());
                const float b = stringDelayB->peekLinear();
                dcState = static_cast<float>(dcState + ((static_cast<double>(b) - dcState) * rps) * 5.0);
                stringOutput = static_cast<float>(static_cast<double>(b) - dcState);
            } else {
                const float fb = static_cast<float>((static_cast<double>(m) * previousOutput) * kChordFeedback);
                dcState = static_cast<float>(dcState + ((static_cast<double>(fb) - dcState) * rps) * 35.0);
                float drive = static_cast<float>(x + (static_cast<double>(fb) - dcState));
                drive = drive > 1.0f ? 1.0f : (drive < -1.0f ? -1.0f : drive);
                stringDelayA->processLinear(
                    static_cast<float>(static_cast<double>(stringDelayA->peekLinear()) * g + drive));
                stringDelayB->processLinear(
                    static_cast<float>(static_cast<double>(stringDelayB->peekLinear()) * g + drive));
                stringOutput = static_cast<float>(
                    (static_cast<double>(stringDelayB->peekLinear()) + stringDelayA->peekLinear()) * 0.5);
            }
            stringActive = true;
        } else {
            stringActive = false;
        }
        float signal = static_cast<float>(stringOutput * kStringLevel);

        applyQueuedEvents(i, cursor);

        if (noteVelocity > 0.0f) {
            const double sensitivity = liveValue(kVelocity);
            velocitySmoothed = static_cast<float>(
                velocitySmoothed + ((static_cast<double>(noteVelocity) - velocitySmoothed) * rps) * 90.0);
            velocityScale = static_cast<float>((1.0 - sensitivity) + velocitySmoothed * sensitivity);
        }

        envelopeStep(velocityScale, envelopeBlock);
        signal = static_cast<float>(signal * (velocityScale * kVelocityDepth + kVelocityFloor));

        if (stringActive) {
            signal = toneStages(signal, controlTick, toneBlock);
        }
        outputStage(signal, toneBlock, left, right, i);
    }
    noiseState = noise;
    randomState = random;
    // Entries this call did not reach still change their keys' held flags.
    settleHeldKeys(cursor);
    if (!voiceStateIsFinite()) {
        recoverVoiceState();
    }
    silenceNonFiniteSamples(left, right, sampleFrames);
}
