// Silencing the voice from outside: reset at once, as on a fresh engine, and a
// choke, which fades the output out first.
#include "engine/SynthEngine.h"

void SynthEngine::reset()
{
    silenceVoice();
    note = NoteState();
    resume();
}

void SynthEngine::choke()
{
    if (chokeFade.isRunning()) {
        return;
    }
    // A voice that makes no sound has nothing to fade.
    if (!note.noteActive && amplitude.getEnvelope() == 0.0f) {
        silenceVoice();
        return;
    }
    chokeFade.start(sampleRate);
}

std::int32_t SynthEngine::getChokeFramesLeft() const
{
    return chokeFade.framesLeft();
}

// The voice renders on through the fade with the block's MIDI; the fade then
// scales the output, and a fade that ends in this block leaves the rest of it
// silent and the voice silenced after it.
void SynthEngine::renderChoke(float* left, float* right, std::int32_t frames)
{
    renderBlock(left, right, frames);
    if (frames > 0) {
        chokeFade.apply(left, right, frames);
    }
    if (!chokeFade.isRunning()) {
        silenceVoice();
    }
}

// Every state of the voice as on a fresh engine: the delay lines refilled, the
// filters, envelope, noise generator and chorus modulators at their start, no key
// held, the queue empty. The controller values stay.
void SynthEngine::silenceVoice()
{
    chokeFade.stop();
    recoverVoiceState();
    exciter = PickExciter();
    exciter.setRateScale(rateScale);
    chorus.restartModulators();
    stringActive = false;
    batchOpen = false;
    queue.clear(note);
    const float modWheel = note.modWheel;
    const float channelVolume = note.channelVolume;
    note = NoteState();
    note.modWheel = modWheel;
    note.channelVolume = channelVolume;
}
