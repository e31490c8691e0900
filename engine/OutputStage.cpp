// The voice's output stage, every sample: envelope, overdrive, volume, the
// two-line stereo chorus and the MIDI channel volume.
#include "engine/DelayLine.h"
#include "engine/ToneStages.h"
#include "engine/WavetableOscillator.h"
#include "instrument/SynthPlugin.h"

namespace {

// Single-precision constants widened to double.
constexpr double kCrossover = 233.0f;
constexpr double kSweepDepth = 0.03f;
constexpr double kSecondLineStretch = 1.1111f;
constexpr double kChorusFeedback = 0.3f;
constexpr double kDryInWet = 0.2; // a double constant

} // namespace

void SynthPlugin::outputStage(float signal, const ToneBlock& block, float* left, float* right, std::int32_t i)
{
    const double shaped = static_cast<double>(signal) * envelope;
    previousOutput = static_cast<float>(shaped);

    const double drive = liveValue(kOverdrive);
    float out = static_cast<float>(shaped * (drive * 2.0 + (1.0 - drive)));
    if (stringActive && drive != 0.0) {
        // The cubic reads its input held to [-2, 2], where it stands at -1 and 1 (beyond,
        // it would turn and grow as the cube); the dry share keeps the unheld value.
        const double o = out;
        const double x = o > 2.0 ? 2.0 : (o < -2.0 ? -2.0 : o);
        out = static_cast<float>(drive * ((1.5 * x - 0.5 * ((x * x) * x)) * (1.5 - block.volume)) +
                                 (1.0 - drive) * o);
    }
    out = static_cast<float>(static_cast<double>(out) * block.volume);

    const double depth = liveValue(kChorus);
    if (stringActive && depth != 0.0) {
        // Only the band above the crossover passes the modulated lines; the low band stays centred.
        chorusLow = static_cast<float>(chorusLow + ((static_cast<double>(out) - chorusLow) * radiansPerSample) *
                                                       kCrossover);
        const float high = static_cast<float>(static_cast<double>(out) - chorusLow);
        const float p = static_cast<float>(lfoA->nextSample() * kSweepDepth);
        const float q = static_cast<float>(lfoB->nextSample() * kSweepDepth);
        chorusDelayA->setDelay(static_cast<float>((p + 1.0) * block.chorusBase));
        chorusDelayB->setDelay(static_cast<float>(((1.0 - q) * block.chorusBase) * kSecondLineStretch));
        chorusFeedbackA = chorusDelayA->processLinear(static_cast<float>(high + chorusFeedbackA * kChorusFeedback));
        chorusFeedbackB = chorusDelayB->processLinear(static_cast<float>(high + chorusFeedbackB * kChorusFeedback));
        const float wet = static_cast<float>(out * kDryInWet + chorusLow);
        const double dry = (1.0 - depth) * out;
        left[i] = static_cast<float>((dry + depth * (static_cast<double>(wet) + chorusFeedbackA)) * channelVolume);
        right[i] = static_cast<float>((dry + depth * (static_cast<double>(wet) + chorusFeedbackB)) * channelVolume);
    } else {
        const float sample = static_cast<float>(static_cast<double>(out) * channelVolume);
        left[i] = sample;
        right[i] = sample;
    }
}
