// The render loop: per sample, in this order, the pick noise and burst, the comb
// and the string (while the envelope is open), the MIDI entries due at that sample,
// the velocity factor, the envelope, the tone stages (while the string plays) and
// the output stage.
#include "engine/ControlClock.h"
#include "engine/EngineMath.h"
#include "engine/FloatingPointMode.h"
#include "engine/NonFiniteSamples.h"
#include "engine/SynthEngine.h"

void SynthEngine::render(float* left, float* right, std::int32_t frames)
{
    FloatingPointMode flushDenormals;
    if (left == nullptr || right == nullptr) {
        frames = 0;
    }
    batchOpen = false;
    if (chokeFade.isRunning()) {
        renderChoke(left, right, frames);
        return;
    }
    renderBlock(left, right, frames);
}

void SynthEngine::beginBlock(float rate)
{
    if (!sameBits(rate, radiansRate)) {
        radiansPerSample = radiansPerSampleAt(rate);
        radiansRate = rate;
        followRate(rate);
    }
    const bool atOnce = glide.takesValuesAtOnce();
    glide.beginBlock(liveValues, valueChanges.load(std::memory_order_acquire), rate);
    if (atOnce) {
        filter.settle(liveValue(kDynaTone), liveValue(kPowerChord));
    }
    previousOutput = 0.0f;
    amplitude.setBlockParameters(liveValue(kAttack), liveValue(kDecay), liveValue(kRelease), liveValue(kADSRCurve),
                                 rate);
    volume = liveValue(kVolume);
    overdrive.setVolume(volume);
    filter.beginBlock(rate, radiansPerSample, glide.glideSamples());
    chorus.setSampleRate(rate);
}

inline void SynthEngine::outputStage(float signal, double rps, float& left, float& right)
{
    const double shaped = static_cast<double>(signal) * amplitude.getEnvelope();
    previousOutput = static_cast<float>(shaped);
    float out = overdrive.process(shaped, liveValue(kOverdrive), stringActive);
    out = static_cast<float>(static_cast<double>(out) * volume);
    const double depth = liveValue(kChorus);
    if (stringActive && depth != 0.0) {
        chorus.process(out, depth, note.channelVolume, rps, left, right);
    } else {
        const float sample = static_cast<float>(static_cast<double>(out) * note.channelVolume);
        left = sample;
        right = sample;
    }
}

inline void SynthEngine::followGlides()
{
    if (glide.movesInBlock(kVolume)) {
        volume = liveValue(kVolume);
        overdrive.setVolume(volume);
    }
    if (glide.movesInBlock(kAttack) || glide.movesInBlock(kDecay) || glide.movesInBlock(kRelease) ||
        glide.movesInBlock(kADSRCurve)) {
        amplitude.glideBlockParameters(liveValue(kAttack), liveValue(kDecay), liveValue(kRelease),
                                       liveValue(kADSRCurve));
    }
}

// Samples from to to (exclusive) of a block, with the values as they stand.
void SynthEngine::renderSamples(float* left, float* right, std::int32_t from, std::int32_t to, BlockRun& run)
{
    const float rate = radiansRate;
    const double rps = radiansPerSample;
    // The block's values live in locals, so that nothing else can touch them.
    ControlClock clock = run.clock;
    float heldNoise = run.heldNoise;
    float velocityScale = run.velocityScale;
    std::int32_t cursor = run.cursor;
    PickExciter pick = run.pick;
    for (std::int32_t i = from; i < to; ++i) {
        const bool controlTick = clock.tick();
        const float noise = pick.nextNoise(rps, liveValue(kNisFilter), liveValue(kPick), note.noteVelocity);
        if (controlTick) {
            heldNoise = noise;
        }
        const float excitation = pick.nextBurst(note.noteActive, note.noteFrequency, liveValue(kExciter));

        // The envelope of the previous sample decides whether the string plays.
        stringActive = amplitude.getEnvelope() > 0.0f;
        if (stringActive) {
            const float coloured = comb.process(excitation, liveValue(kFixing));
            string.play(coloured, note.noteFrequency, heldNoise, liveValue(kModulation),
                        liveValue(kPowerChord) != 0.0f, previousOutput, rate, rps);
        }
        float signal = string.sample();

        if (queue.applyQueuedEvents(i, cursor, liveValues[kLegato], note)) {
            pick.pluck();
            amplitude.restartAttack();
        }
        velocityScale = velocity.step(note.noteVelocity, liveValue(kVelocity), rps, velocityScale);
        amplitude.step(note.noteActive, velocityScale, liveValue(kDecay), note.modWheel, liveValue(kSustain),
                       rps);
        signal = VelocityFollower::apply(signal, velocityScale);

        if (stringActive) {
            signal = distorter.process(signal, liveValue(kDistorter));
            signal = filter.process(signal, liveValue(kDynaTone), liveValue(kPowerChord), liveValue(kToneRama),
                                    amplitude.getEnvelope(), controlTick, rps);
        }
        outputStage(signal, rps, left[i], right[i]);
    }
    run = BlockRun{clock, heldNoise, velocityScale, cursor, pick};
}

void SynthEngine::renderBlock(float* left, float* right, std::int32_t frames)
{
    beginBlock(sampleRate);
    // The pick runs in a local copy for the block, stored back at its end: nothing
    // else reads it while the block renders, and the noise recursion is the longest
    // chain of an idle sample, which a round trip through memory lengthens.
    BlockRun run{ControlClock(controlPeriod), 0.0f, 0.0f, 0, exciter};
    // While values glide, one sample at a time, each with its values; the rest of
    // the block in one go, with nothing to step in its loop.
    std::int32_t done = 0;
    while (done < frames && glide.step()) {
        followGlides();
        renderSamples(left, right, done, done + 1, run);
        ++done;
    }
    renderSamples(left, right, done, frames, run);
    exciter = run.pick;
    // Entries this call did not reach still change their keys' held flags.
    queue.settleHeldKeys(run.cursor, note);
    if (!voiceStateIsFinite()) {
        recoverVoiceState();
    }
    silenceNonFiniteSamples(left, right, frames);
}

bool SynthEngine::voiceStateIsFinite() const
{
    const float previous = previousOutput * 0.0f;
    return previous == 0.0f && keepsFiniteState(exciter) && keepsFiniteState(string) && keepsFiniteState(velocity) &&
           keepsFiniteState(amplitude) && keepsFiniteState(filter) && keepsFiniteState(chorus);
}

void SynthEngine::recoverVoiceState()
{
    exciter.restart();
    comb.restart();
    string.restart();
    velocity.restart();
    amplitude.restart();
    note.noteActive = false;
    filter.restart();
    chorus.restart();
    previousOutput = 0.0f;
}
